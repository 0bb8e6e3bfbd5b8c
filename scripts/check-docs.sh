#!/usr/bin/env bash
# Builds the API reference into OUT (default build-docs) and fails on any Doxygen warning, or on a
# published property of the widgets that the overview pages (docs/reference) do not list.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build-docs}")
rm -rf "$out" && mkdir -p "$out"
{ cat docs/Doxyfile; echo "OUTPUT_DIRECTORY = $out"; echo "WARN_LOGFILE = $out/warnings.log"; } | doxygen - >/dev/null
status=0
if [ -s "$out/warnings.log" ]; then cat "$out/warnings.log"; status=1; fi
for h in geomap/Tyx_geomap.h geoatlas/Tyx_geoatlas.h; do
  for p in $(sed -n 's/^ *Q_PROPERTY([^ ]* \([A-Za-z0-9_]*\) .*/\1/p' "$h"); do
    grep -q "| \`$p\` |" docs/reference/*.md || { echo "$h: property $p is not listed in docs/reference"; status=1; }
  done
done
[ $status -eq 0 ] && echo "API reference: $out/html/index.html"
exit $status
