#!/usr/bin/env bash
# Runs every fuzz target of a TYX_FUZZ build for SECONDS each (default 60), one after the other.
#   scripts/fuzz.sh BUILD_DIR [SECONDS] [TARGET...]
# Each target starts from its committed seeds (tests/fuzz/corpus/<target>, read only) and keeps what
# it finds in BUILD_DIR/fuzz-corpus/<target>; a crash leaves its input in BUILD_DIR/fuzz-artifacts/.
# Exits non-zero when any target found something.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:?build dir}
seconds=${2:-60}
shift $(( $# >= 2 ? 2 : $# ))
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(calib landmarks symbols tags values geodb bmp)

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
failed=()
for t in "${targets[@]}"; do
  bin="$build/tests/fuzz/fuzz_$t"
  work="$build/fuzz-corpus/$t"
  mkdir -p "$work" "$build/fuzz-artifacts"
  dict=()
  case $t in calib|landmarks|symbols|tags) dict=(-dict=tests/fuzz/xml.dict) ;; esac
  echo "fuzz: $t for ${seconds}s"
  if ! "$bin" "$work" "tests/fuzz/corpus/$t" "${dict[@]}" -max_total_time="$seconds" -timeout=10 \
       -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$t-" \
       > "$build/fuzz-$t.log" 2>&1; then
    tail -n 60 "$build/fuzz-$t.log"
    failed+=("$t")
  else
    grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$build/fuzz-$t.log" | tail -n 2
  fi
done
[ ${#failed[@]} -gt 0 ] && echo "fuzz: findings in ${failed[*]} (inputs in $build/fuzz-artifacts/)"
echo "fuzz: $(( ${#targets[@]} - ${#failed[@]} )) passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
