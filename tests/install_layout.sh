#!/usr/bin/env bash
# Installs the build into a staging root and checks what a desktop and Debian
# expect of it: the files in their places, a desktop entry, AppStream metainfo
# and manual pages that their validators accept, a kesmal-cli that runs from
# there, and a Debian package with the same files and real dependencies; with
# the Python module, the same of python3-kesmal and its installed module; with
# the PostgreSQL extension, the same of postgresql-NN-kesmal.
#
# usage: install_layout.sh BUILD_DIR WITH_WINDOW(ON|OFF) [PYTHON|OFF] [PG_CONFIG|OFF]
set -euo pipefail
build=$1
with_window=$2
python=${3:-OFF}
pg_config=${4:-OFF}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() { echo "install_layout: $*" >&2; exit 1; }

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null

expected=(usr/bin/kesmal-cli usr/share/man/man1/kesmal-cli.1.gz usr/share/doc/kesmal/copyright
  usr/share/bash-completion/completions/kesmal-cli)
if [ "$with_window" = ON ]; then
  expected+=(usr/bin/kesmal usr/share/man/man1/kesmal.1.gz
    usr/share/applications/org.example.kesmal.desktop
    usr/share/metainfo/org.example.kesmal.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/org.example.kesmal.svg)
fi
# The library for C++ programs, in libkesmal-dev.
source=$(cd "$(dirname "$0")/.." && pwd)
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt" | tr '[:upper:]' '[:lower:]')
dev_expected=(usr/lib/libkesmal.a usr/lib/libkesmal_rules.a usr/lib/pkgconfig/kesmal.pc
  usr/lib/cmake/Kesmal/{KesmalConfig.cmake,KesmalConfigVersion.cmake,KesmalTargets.cmake}
  "usr/lib/cmake/Kesmal/KesmalTargets-${build_type:-noconfig}.cmake")
# The public headers: kesmal.h and what it includes, followed to the end;
# no internal header besides.
public=(kesmal/kesmal.h)
for ((i = 0; i < ${#public[@]}; i++)); do
  while read -r included; do
    [[ " ${public[*]} " == *" $included "* ]] || public+=("$included")
  done < <(sed -n 's/^#include "\(.*\)"$/\1/p' "$source/${public[i]}")
done
for header in "${public[@]}"; do
  case $header in
    kesmal/*) dev_expected+=("usr/include/$header") ;;
    *) dev_expected+=("usr/include/kesmal/$header") ;;
  esac
done
python_expected=()
if [ "$python" != OFF ]; then
  module=$("$python" -c 'import sysconfig; print("_kesmal" + sysconfig.get_config_var("EXT_SUFFIX"))')
  python_expected=(usr/lib/python3/dist-packages/kesmal/{__init__.py,_version.py,faker.py,presidio.py,$module})
fi
postgres_expected=()
if [ "$pg_config" != OFF ]; then
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  pkglibdir=$("$pg_config" --pkglibdir) sharedir=$("$pg_config" --sharedir)
  postgres_expected=("${pkglibdir#/}/kesmal.so"
    "${sharedir#/}/extension/"{kesmal.control,"kesmal--$version.sql"})
fi
(cd "$stage" && find . -type f | sed 's|^\./||' | sort) >"$stage.installed"
printf '%s\n' "${expected[@]}" "${dev_expected[@]}" "${python_expected[@]}" \
  "${postgres_expected[@]}" | sort |
  diff - "$stage.installed" ||
  fail "installed files differ from the expected list (< expected, > installed)"
rm -f "$stage.installed"

for page in "$stage"/usr/share/man/man1/*.gz; do
  warnings=$(zcat "$page" | LC_ALL=C.UTF-8 groff -k -man -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

if [ "$with_window" = ON ]; then
  desktop-file-validate "$stage/usr/share/applications/org.example.kesmal.desktop"
  grep -q '^Categories=Utility;$' "$stage/usr/share/applications/org.example.kesmal.desktop" ||
    fail "the desktop entry is not in the Utility category"
  grep -q '^Comment\[zh_CN\]=' "$stage/usr/share/applications/org.example.kesmal.desktop" ||
    fail "the desktop entry has no Chinese comment"
  appstreamcli validate-tree --no-net "$stage" >/dev/null ||
    { appstreamcli validate-tree --no-net "$stage"; fail "AppStream rejects the tree"; }
fi

grep -q '^License: Expat$' "$stage/usr/share/doc/kesmal/copyright" ||
  fail "the copyright file names no licence"

out=$("$stage/usr/bin/kesmal-cli" check A123456789)
[ "$out" = "“A123456789”是出生地在“台北市”的“男性”台湾身分证字号。" ] ||
  fail "the installed kesmal-cli printed: $out"

if [ "$python" != OFF ]; then
  # A sanitizer build's module needs its runtimes loaded first (KESMAL_PYTHON_PRELOAD).
  out=$(LD_PRELOAD="${KESMAL_PYTHON_PRELOAD:-}" PYTHONPATH="$stage/usr/lib/python3/dist-packages" "$python" -c \
    'import kesmal; print(kesmal.check("A123456789")["report"], kesmal.make("kr", seed=1))')
  [[ "$out" == "“A123456789”是出生地在“台北市”的“男性”台湾身分证字号。 ['"* ]] ||
    fail "the installed module printed: $out"
  # Under another prefix the module goes where the interpreter looks for it.
  local_dir=$("$python" -c 'import sys; print("lib/python%d.%d/dist-packages" % sys.version_info[:2])')
  cmake --install "$build" --component python --prefix "$stage/local" >/dev/null
  [ -f "$stage/local/$local_dir/kesmal/$module" ] || fail "no module in $stage/local/$local_dir"
  rm -rf "$stage/local"
fi

packages="$stage/packages"
log=$(cpack --config "$build/CPackConfig.cmake" -B "$packages" 2>&1) || { echo "$log"; fail "cpack failed"; }
# Fails unless the package has the files and depends on each package named.
check_package() {
  local deb=$1 files=$2
  shift 2
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  for package in "$@"; do
    [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] ||
      fail "$(basename "$deb") does not depend on $package: $depends"
  done
  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort |
    diff - <(printf '%s\n' $files | sort) ||
    fail "the files of $(basename "$deb") differ from the installed ones"
  echo "install_layout: $(basename "$deb"): $(wc -w <<<"$files") files; depends: $depends"
}

wanted=(libc6 libstdc++6)
if [ "$with_window" = ON ]; then
  wanted+=(libqt6widgets6 libqt6gui6 libqt6core6 libqt6svg6 qt6-qpa-plugins
    fonts-arphic-uming fonts-liberation fonts-dejavu-core)
fi
check_package "$(ls "$packages"/kesmal_*.deb)" "${expected[*]}" "${wanted[@]}"
check_package "$(ls "$packages"/libkesmal-dev_*.deb)" "${dev_expected[*]}"
if [ "$python" != OFF ]; then
  versions=($("$python" -c 'import sys; v = sys.version_info; print(v[0], v[1], v[1] + 1)'))
  check_package "$(ls "$packages"/python3-kesmal_*.deb)" "${python_expected[*]}" libc6 libstdc++6 \
    "python3 (>= ${versions[0]}.${versions[1]}~)" "python3 (<< ${versions[0]}.${versions[2]})"
fi
if [ "$pg_config" != OFF ]; then
  major=$("$pg_config" --version | sed 's/^[^0-9]*\([0-9]*\).*/\1/')
  check_package "$(ls "$packages"/postgresql-"$major"-kesmal_*.deb)" "${postgres_expected[*]}" \
    libc6 libstdc++6 "postgresql-$major"
fi
