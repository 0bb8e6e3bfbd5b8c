#!/usr/bin/env bash
# Builds the Debian packages from the build tree with cpack and checks their file lists.
# Usage: package_test.sh BUILD_DIR SANITIZED SHARED
set -euo pipefail
build=$1 sanitized=$2 shared=$3
if [ "$sanitized" = "ON" ]; then
  echo "skipped: a package of sanitizer-instrumented binaries is never shipped; the plain build tests it"
  exit 77
fi
work=$build/install-test/package
rm -rf "$work"
(cd "$build" && cpack -G DEB -B "$work" >/dev/null)

list() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\./|/|'; }
need() { # LISTING PATTERN...
  local listing=$1; shift
  for p in "$@"; do grep -qE "$p" <<<"$listing" || { echo "missing $p in:"; echo "$listing"; exit 1; }; done
}

dev=$(list "$(ls "$work"/libtyxgeo-dev_*.deb)")
tool=$(list "$(ls "$work"/tyxgeo_*.deb)")
need "$dev" '^/usr/include/tyx/geomap/Tyx_geomap\.h$' '^/usr/include/tyx/geodb/Tyx_GeoDB\.h$' \
     '^/usr/include/tyx/geobasics/Tyx_geobasics\.h$' '^/usr/include/tyx/geodb/gdb_index\.h$' \
     '^/usr/lib/.*libtyx_geomap\.(a|so)$' '^/usr/lib/.*libtyx_geodb\.(a|so)$' \
     '^/usr/lib/.*cmake/TyxGeo/TyxGeoConfig\.cmake$' '^/usr/lib/.*cmake/TyxGeo/TyxGeoTargets\.cmake$' \
     '^/usr/lib/.*pkgconfig/tyxgeo-core\.pc$' '^/usr/lib/.*qt6/plugins/designer/libtyx_designer\.so$'
need "$tool" '^/usr/bin/tyxgeo$' '^/usr/bin/tyxgeo-viewer$'
# Private headers, test programs and the tool stay out of the development package.
if grep -qE 'geo_internal\.h|tests_|/bin/' <<<"$dev"; then echo "unexpected files in the dev package:"; echo "$dev"; exit 1; fi
if grep -qE '/include/|\.a$' <<<"$tool"; then echo "unexpected files in the tool package:"; echo "$tool"; exit 1; fi
dpkg-deb -f "$(ls "$work"/tyxgeo_*.deb)" Depends | grep -q libqt6 || { echo "tool package lacks its Qt dependency"; exit 1; }
if [ "$shared" = "ON" ]; then
  # Built shared, the libraries themselves ship in their own package that the others depend on.
  runtime=$(list "$(ls "$work"/libtyxgeo0_*.deb)")
  need "$runtime" '^/usr/lib/.*libtyx_geomap\.so\.0$' '^/usr/lib/.*libtyx_geoatlas\.so\.0$' '^/usr/lib/.*libtyx_support\.so\.0$'
  for p in tyxgeo libtyxgeo-dev; do
    dpkg-deb -f "$(ls "$work"/${p}_*.deb)" Depends | grep -q libtyxgeo0 || { echo "$p does not depend on libtyxgeo0"; exit 1; }
  done
fi
echo "packages: $(cd "$work" && ls ./*.deb | tr '\n' ' ')"
