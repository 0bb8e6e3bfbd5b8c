#!/usr/bin/env bash
# Installs the Debian packages the build, tests and benchmarks need. Idempotent: quiet and quick
# when everything is already present.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev            # Qt 6 Core, Gui, Widgets, PrintSupport; JPEG/BMP/PNG image plugins
  libgl-dev               # Qt6Gui's CMake config looks for OpenGL headers
  libgtest-dev libbenchmark-dev
  libcli11-dev libfmt-dev
  libicu-dev              # names outside Windows-1252 are transliterated to Latin
  libedlib-dev            # the viewer's town search: edit distances for typing slips
  nlohmann-json3-dev      # tyxgeo db import: GeoJSON and TopoJSON
  libgeographiclib-dev    # the map control (scale bar) and the viewer (distance tool); benchmarks: reference geodesy
  libsqlite3-dev          # benchmarks only: reference store with an R*Tree index
  libgeotiff-dev libtiff-dev  # world files and GeoTIFF maps
  gdal-bin                # tests only: GDAL's programs as the reference for world files and GeoTIFFs
  qt6-tools-dev qt6-tools-dev-tools  # the Qt Designer plugin
  doxygen                 # make docs: the API reference
  dpkg-dev file           # cpack: the Debian packages (dpkg-shlibdeps, and file to find the binaries)
  help2man                # the manual pages, made from the programs' --help
  lintian desktop-file-utils  # the package test: lintian, desktop-file-validate
  clang libclang-rt-dev   # make fuzz: clang with libFuzzer and the sanitizer runtimes
  xvfb xauth xdotool      # the viewer test under a real X server, driven by a real mouse
  poppler-utils           # tests only: the viewer's PDF page read back (pdftoppm, pdftotext)
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
