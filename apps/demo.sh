#!/usr/bin/env bash
# The showcase behind `make demo`: runs tyxgeo step by step and says what each step shows.
set -euo pipefail
TYXGEO=${1:-build/apps/tyxgeo/tyxgeo}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

step() { printf '\n== %s\n' "$1"; }
run() { printf '$ tyxgeo %s\n' "$*"; "$TYXGEO" "$@"; }

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DATA=${TYX_DATA_CACHE:-$ROOT/data/cache}

step "Sample data: world borders and towns, downloaded once into $DATA"
bash "$ROOT/scripts/prepare-sample-data.sh" "$TYXGEO"

step "The tool and its subcommands"
run version
"$TYXGEO" --help | sed -n '1,40p'

DEMO_DIR=$(dirname "$0")/demo.d
if [ -d "$DEMO_DIR" ]; then
  for part in "$DEMO_DIR"/*.sh; do
    # shellcheck source=/dev/null
    . "$part"
  done
fi
printf '\nDemo finished.\n'
