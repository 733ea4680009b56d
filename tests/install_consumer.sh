#!/usr/bin/env bash
# Installs the build into a staging tree and builds a program of its own out
# of tree against it, once through the CMake package and once through
# pkg-config alone; each must print what kesmal-cli prints.
#
# usage: install_consumer.sh BUILD_DIR SOURCE_DIR KESMAL_CLI
set -euo pipefail
build=$1
source=$2
cli=$3
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() { echo "install_consumer: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$stage/usr" >/dev/null
expected=$("$cli" check --json A123456789; "$cli" make cn --count 3 --seed 7)

cmake -S "$source/tests/consumer" -B "$stage/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$stage/usr" >/dev/null || fail "find_package(Kesmal) failed"
cmake --build "$stage/cmake" >/dev/null || fail "the CMake build failed"
[ "$("$stage/cmake/consumer")" = "$expected" ] || fail "the CMake build printed: $("$stage/cmake/consumer")"

pc=$(find "$stage/usr" -name kesmal.pc)
flags=$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs kesmal)
# shellcheck disable=SC2086 # the flags are words
c++ "$source/tests/consumer/main.cpp" $flags -o "$stage/pkg-config-consumer" ||
  fail "the build with pkg-config failed: $flags"
[ "$("$stage/pkg-config-consumer")" = "$expected" ] ||
  fail "the pkg-config build printed: $("$stage/pkg-config-consumer")"
echo "install_consumer: built through CMake and through pkg-config ($flags)"
