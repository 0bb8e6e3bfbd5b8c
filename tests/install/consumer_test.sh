#!/usr/bin/env bash
# Stages an install of the build tree, builds tests/consumer against it (find_package, then the
# Qt-free program once more through pkg-config) and checks what the programs print.
# Usage: consumer_test.sh BUILD_DIR CONSUMER_SRC CXX LAUNCHER FLAGS
set -euo pipefail
build=$1 src=$2 cxx=$3 launcher=$4 flags=$5
work=$build/install-test/consumer
rm -rf "$work"
mkdir -p "$work/db"
stage=$work/stage

for c in dev runtime; do cmake --install "$build" --prefix "$stage" --component $c >/dev/null; done
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_PREFIX_PATH="$stage" \
      -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >"$work/configure.log"
cmake --build "$work/build" >"$work/build.log" || { cat "$work/build.log"; exit 1; }

expect() { # NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then printf '%s: expected\n%s\ngot\n%s\n' "$1" "$2" "$3"; exit 1; fi
}
want_core=$'33 601799.146 5339437.154\nentries 1'
expect core_user "$want_core" "$("$work/build/core_user" "$work/db")"
expect map_user "ok 47.8500" "$("$work/build/map_user")"

pcdir=$(dirname "$(find "$stage" -name tyxgeo-core.pc)")
pc() { PKG_CONFIG_PATH=$pcdir pkg-config "$@" tyxgeo-core; }
# The host chooses its language standard, at least the one the file names: no -std in the flags
# that would take a later one back.
if [[ $(pc --cflags) == *-std=* ]]; then echo "pkg-config imposes a standard: $(pc --cflags)"; exit 1; fi
# shellcheck disable=SC2046
$cxx $flags -std="$(pc --variable=cxx_std)" "$src/core_user.cpp" -o "$work/core_pc" $(pc --cflags --libs)
rm -rf "$work/db" && mkdir "$work/db"
# pkg-config gives no run path; a host running from a staged prefix names its library folder.
libdir=$(dirname "$pcdir")
expect core_pc "$want_core" "$(LD_LIBRARY_PATH=$libdir "$work/core_pc" "$work/db")"
echo "consumer built and ran against $stage"
