#!/usr/bin/env bash
# Builds the Debian packages from the build tree with cpack and checks them as a distribution
# would: their file lists, lintian (where installed; any error fails), the library package's shlibs
# and ldconfig trigger, that the development package depends on everything its CMake package looks
# for, and, unpacked into a scratch root, the programs, their manual pages and the desktop entry.
# Usage: package_test.sh BUILD_DIR SANITIZED SHARED
set -euo pipefail
build=$1 sanitized=$2 shared=$3
if [ "$sanitized" = "ON" ]; then
  echo "skipped: a package of sanitizer-instrumented binaries is never shipped; the plain build tests it"
  exit 77
fi
work=$build/install-test/package
rm -rf "$work" "$work.log"
mkdir -p "$(dirname "$work")"
(cd "$build" && cpack -G DEB -B "$work" >"$work.log" 2>&1) || { cat "$work.log"; exit 1; }
fail() { echo "$@"; exit 1; }
ma=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
deb() { ls "$work"/"$1"_*.deb; }

list() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\./|/|'; }
need() { # LISTING PATTERN...
  local listing=$1 p; shift
  for p in "$@"; do grep -qE "$p" <<<"$listing" || { echo "missing $p in:"; echo "$listing"; exit 1; }; done
}

packages=(libtyxgeo-dev tyxgeo)
[ "$shared" = "ON" ] && packages+=(libtyxgeo0)
dev=$(list "$(deb libtyxgeo-dev)")
tool=$(list "$(deb tyxgeo)")
need "$dev" '^/usr/include/tyx/geomap/Tyx_geomap\.h$' '^/usr/include/tyx/geodb/Tyx_GeoDB\.h$' \
     '^/usr/include/tyx/geobasics/Tyx_geobasics\.h$' '^/usr/include/tyx/geodb/gdb_index\.h$' \
     "^/usr/lib/$ma/libtyx_geomap\.(a|so)$" "^/usr/lib/$ma/libtyx_geodb\.(a|so)$" \
     "^/usr/lib/$ma/cmake/TyxGeo/TyxGeoConfig\.cmake$" "^/usr/lib/$ma/cmake/TyxGeo/TyxGeoTargets\.cmake$" \
     "^/usr/lib/$ma/pkgconfig/tyxgeo-core\.pc$" "^/usr/lib/$ma/qt6/plugins/designer/libtyx_designer\.so$"
need "$tool" '^/usr/bin/tyxgeo$' '^/usr/bin/tyxgeo-viewer$' '^/usr/share/man/man1/tyxgeo\.1\.gz$' \
     '^/usr/share/man/man1/tyxgeo-viewer\.1\.gz$' '^/usr/share/applications/tyxgeo-viewer\.desktop$'
# Private headers, test programs and the tool stay out of the development package.
if grep -qE 'geo_internal\.h|tests_|/bin/' <<<"$dev"; then echo "unexpected files in the dev package:"; echo "$dev"; exit 1; fi
if grep -qE '/include/|\.a$' <<<"$tool"; then echo "unexpected files in the tool package:"; echo "$tool"; exit 1; fi
for p in "${packages[@]}"; do
  need "$(list "$(deb "$p")")" "^/usr/share/doc/$p/copyright$" "^/usr/share/doc/$p/changelog\.gz$"
  # The changelog's latest entry is this version.
  version=$(dpkg-deb -f "$(deb "$p")" Version)
  dpkg-deb --fsys-tarfile "$(deb "$p")" | tar -xO "./usr/share/doc/$p/changelog.gz" | zcat | sed -n 1p |
    grep -qF "($version)" || fail "the changelog of $p does not start with version $version"
  ls "$work/${p}-dbgsym_"*.ddeb >/dev/null || fail "no debug symbol package for $p"
  # dpkg-shlibdeps gave every package with a binary its libc dependency.
  dpkg-deb -f "$(deb "$p")" Depends | grep -q 'libc6 (>=' || fail "$p lacks the dependencies of its binaries"
done
dpkg-deb -f "$(deb tyxgeo)" Depends | grep -q libqt6 || fail "tool package lacks its Qt dependency"
if [ "$shared" = "ON" ]; then
  # Built shared, the libraries themselves ship in their own package that the others depend on.
  runtime_deb=$(deb libtyxgeo0)
  runtime=$(list "$runtime_deb")
  need "$runtime" "^/usr/lib/$ma/libtyx_geomap\.so\.0$" "^/usr/lib/$ma/libtyx_geoatlas\.so\.0$" "^/usr/lib/$ma/libtyx_support\.so\.0$"
  for p in tyxgeo libtyxgeo-dev; do
    dpkg-deb -f "$(deb $p)" Depends | grep -q libtyxgeo0 || fail "$p does not depend on libtyxgeo0"
  done
  # One shlibs line per soname, and ldconfig through the trigger rather than maintainer scripts.
  [ "$(dpkg-deb -I "$runtime_deb" shlibs | wc -l)" = "$(grep -c '\.so\.0$' <<<"$runtime")" ] ||
    fail "shlibs does not list every library: $(dpkg-deb -I "$runtime_deb" shlibs)"
  dpkg-deb -I "$runtime_deb" triggers | grep -qx 'activate-noawait ldconfig' || fail "no ldconfig trigger"
  for s in postinst postrm; do
    if dpkg-deb -I "$runtime_deb" $s >/dev/null 2>&1; then fail "the library package has a $s"; fi
  done
fi

if command -v lintian >/dev/null; then
  rc=0
  lint=$(lintian --fail-on error --tag-display-limit 0 "$work"/*.deb "$work"/*.ddeb 2>&1) || rc=$?
  grep -v '^running with root' <<<"$lint" || true
  [ $rc -eq 0 ] || fail "lintian found errors"
else
  echo "lintian is not installed (Debian package lintian): packages not linted"
fi

# Unpacked into a scratch root, the programs run on the packaged libraries alone.
root=$work/root
for f in "$work"/*.deb; do dpkg -x "$f" "$root"; done
bin=$root/usr/bin
[ "$("$bin/tyxgeo" --version)" = "$(dpkg-deb -f "$(deb tyxgeo)" Version)" ] || fail "tyxgeo --version is not the package's version"
if [ "$shared" = "ON" ]; then
  # grep reads the whole listing: an early exit would end ldd by SIGPIPE, a failure under pipefail.
  ldd "$bin/tyxgeo" | grep "libtyx_host.so.0 => $root/" >/dev/null ||
    fail "tyxgeo does not use the packaged libraries: $(ldd "$bin/tyxgeo" | grep libtyx_host)"
fi
# Each manual page is made from the program's --help: every option there is in the page.
for prog in tyxgeo tyxgeo-viewer; do
  help=$(QT_QPA_PLATFORM=offscreen "$bin/$prog" --help) || fail "$prog --help failed"
  page=$(zcat "$root/usr/share/man/man1/$prog.1.gz" | sed 's/\\-/-/g')
  grep -q "^\.TH" <<<"$page" || fail "$prog.1 is not a manual page"
  for opt in $(grep -oE -- '--[a-z][a-z-]+' <<<"$help" | sort -u); do
    grep -qF -- "$opt" <<<"$page" || fail "$prog.1 lacks $opt of --help"
  done
done

# The desktop entry is valid, starts a packaged program and names an icon of the hicolor theme.
entry=$root/usr/share/applications/tyxgeo-viewer.desktop
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
fi
exec_prog=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$bin/$exec_prog" ] || fail "Exec=$exec_prog is not a packaged program"
icon=$(sed -n 's/^Icon=//p' "$entry")
hicolor=$root/usr/share/icons/hicolor
[ -f "$hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for size in 48 256; do
  file "$hicolor/${size}x$size/apps/$icon.png" | grep -q "PNG image data, $size x $size" || fail "no $size px icon $icon"
done

# Everything the installed CMake package looks for belongs to a package libtyxgeo-dev depends on,
# directly or through one of those: Qt, whatever the package finds beyond what Qt finds for itself,
# and the libraries its targets name by path.
names() { tr ',|' '\n\n' | sed -E 's/\(.*\)//; s/:[a-z0-9]+//; s/[[:space:]]//g' | sed '/^$/d'; }
direct=$(dpkg-deb -f "$(deb libtyxgeo-dev)" Depends | names)
closure=$( (echo "$direct"; for p in $direct; do dpkg-query -W -f='${Depends},${Pre-Depends}\n' "$p" 2>/dev/null || true; done) | names | sort -u)
probe=$work/probe
mkdir -p "$probe"
cat >"$probe/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(probe CXX)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets PrintSupport)
get_cmake_property(before CACHE_VARIABLES)
find_package(TyxGeo REQUIRED)
get_cmake_property(found CACHE_VARIABLES)
list(REMOVE_ITEM found ${before})
set(paths ${Qt6_DIR})
foreach(v IN LISTS found)
  list(APPEND paths "$CACHE{${v}}")
endforeach()
list(JOIN paths "\n" paths)
file(WRITE ${CMAKE_BINARY_DIR}/used.txt "${paths}\n")
EOF
cmake -S "$probe" -B "$probe/build" -G Ninja -DCMAKE_PREFIX_PATH="$root/usr" >"$probe/log" 2>&1 || { cat "$probe/log"; exit 1; }
used=$( { cat "$probe/build/used.txt"; grep -ohE '"?/usr/[^;" ]+' "$root/usr/lib/$ma/cmake/TyxGeo/"TyxGeoTargets*.cmake || true; } |
       tr -d '"' | { grep -E '^/' || true; } | { grep -v -e "-NOTFOUND" -e "^$root" || true; } | sort -u)
for path in $used; do
  owners=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(realpath "$path")" 2>/dev/null || true)
  [ -n "$owners" ] || continue # not from a package: nothing to depend on
  grep -qxF -f <(sed 's/: .*//' <<<"$owners" | names) <<<"$closure" ||
    fail "the CMake package uses $path (${owners%%:*}), which libtyxgeo-dev does not depend on"
done
echo "packages: $(cd "$work" && ls ./*.deb ./*.ddeb | tr '\n' ' ')"
