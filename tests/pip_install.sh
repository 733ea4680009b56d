#!/usr/bin/env bash
# The Python package as pip users get it: the sdist and the wheel built from a
# copy of the source tree with `python -m build` (the wheel from the sdist),
# each installed into a fresh virtual environment, and the Python tests run
# there against the installed package, from outside the source tree. The
# wheel is installed with every compiler out of reach and must need nothing
# but the system's C, C++ and crypto libraries; its environment also runs the
# Dask and Presidio tests. Versions are pinned in pip-constraints.txt, and
# downloads are cached in the build folder.
# usage: pip_install.sh BUILD_DIR SOURCE_DIR KESMAL_CLI [PYTHON]
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
export KESMAL_CLI=$(realpath "$3")
python=${4:-/usr/bin/python3}
tests=$(dirname "$(realpath "$0")")
work=$build/pip
fail() { echo "pip_install: $*" >&2; exit 1; }

export PIP_CACHE_DIR=$work/cache PIP_DISABLE_PIP_VERSION_CHECK=1 PIP_NO_INPUT=1
export PIP_CONSTRAINT=$tests/pip-constraints.txt PIP_PROGRESS_BAR=off
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
export PYTHONDONTWRITEBYTECODE=1
rm -rf "$work/dist" "$work/envs" "$work/run"
mkdir -p "$work/dist" "$work/envs" "$work/run"

venv() {
  "$python" -m venv "$work/envs/$1"
  "$work/envs/$1/bin/pip" install -q --upgrade pip
}

venv tools
"$work/envs/tools/bin/pip" install -q build
"$work/envs/tools/bin/python" -m build --outdir "$work/dist" "$source" >"$work/dist/build.log" 2>&1 ||
  { cat "$work/dist/build.log"; fail "python -m build failed"; }
sdist=$(ls "$work/dist"/kesmal-*.tar.gz)
wheel=$(ls "$work/dist"/kesmal-*.whl)
# The sdist holds what the build needs and nothing of the window.
listing=$(tar tzf "$sdist")
for file in pyproject.toml CMakeLists.txt kesmal/CMakeLists.txt python/kesmal_module.cpp \
  python/kesmal/presidio.py data/region_tables.cpp; do
  grep -qx "kesmal-[0-9.]*/$file" <<<"$listing" || fail "the sdist lacks $file"
done
! grep -q "^kesmal-[0-9.]*/ui/" <<<"$listing" || fail "the sdist holds ui/"

# Runs the Python tests named with the environment's interpreter, from a
# folder outside the source tree, and checks that kesmal is the installed one.
run_tests() {
  local env=$work/envs/$1
  shift
  (cd "$work/run" && PYTHONPATH=$tests "$env/bin/python" -c \
    'import importlib.metadata as m, kesmal, sys
assert kesmal.__file__.startswith(sys.prefix), kesmal.__file__
assert m.version("kesmal") == kesmal.__version__, m.version("kesmal")
print(kesmal.__file__, kesmal.__version__)')
  (cd "$work/run" && PYTHONPATH=$tests "$env/bin/python" -m pytest -q -p no:cacheprovider "$@")
}

# The wheel, where no compiler can be found.
venv wheel
nocompiler=$work/run/no-compiler
mkdir -p "$nocompiler"
for tool in cc c++ gcc g++ clang clang++ cmake ninja make; do
  printf '#!/bin/sh\necho "%s: no compiler here" >&2\nexit 1\n' "$tool" >"$nocompiler/$tool"
  chmod +x "$nocompiler/$tool"
done
PATH=$nocompiler:$PATH CC=false CXX=false "$work/envs/wheel/bin/pip" install -q --only-binary kesmal \
  "$wheel[faker,dask,presidio]" pytest
module=$(ls "$work/envs/wheel"/lib/python3*/site-packages/kesmal/_kesmal*.so)
needed=$(readelf -d "$module" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
[ "$needed" = "ld-linux-x86-64.so.2 libc.so.6 libcrypto.so.3 libgcc_s.so.1 libstdc++.so.6 " ] ||
  [ "$(uname -m)" != x86_64 ] || fail "the module needs: $needed"
! readelf -d "$module" | grep -q -E 'R(UN)?PATH' || fail "the module has a library path"
run_tests wheel "$tests/test_python.py" "$tests/test_dask.py" "$tests/test_presidio.py"

# The sdist, built by pip.
venv sdist
"$work/envs/sdist/bin/pip" install -q "$sdist[faker]" pytest
run_tests sdist "$tests/test_python.py"
echo "pip_install: the sdist and the wheel $(basename "$wheel") pass"
