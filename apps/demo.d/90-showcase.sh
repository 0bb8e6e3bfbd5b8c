# The showcase: an atlas drawn from the sample database (world, Europe, Germany, a UTM sheet of
# Munich) with its towns as landmarks. With a display the viewer opens; without one a short tour is
# rendered into PNG files. Sourced by demo.sh after the sample data was prepared.
VIEWER=${VIEWER:-$(dirname "$TYXGEO")/../tyxgeo-viewer/tyxgeo-viewer}
ATLAS="$DATA/atlas"
if [ ! -s "$ATLAS/cities.xml" ] || [ "$DATA/world.tyxgds" -nt "$ATLAS/cities.xml" ]; then
  step "Drawing the atlas from the database (maps as JPEG + calibration, towns as landmarks)"
  run atlas build "$ATLAS" --db "$DATA/world"
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${TYX_DEMO_TOUR:-}" ]; then
  step "Opening the viewer: wheel zooms (maps switch with the scale), drag pans, type a town in the search field"
  env -u QT_QPA_PLATFORM "$VIEWER" "$ATLAS" --db "$DATA/world"
else
  TOUR=${TYX_TOUR_DIR:-$(cd "$(dirname "$TYXGEO")/../.." && pwd)/demo-tour}
  step "No display: the tour as pictures (world, a city, the graticule, the UTM grid on the UTM sheet)"
  "$VIEWER" "$ATLAS" --db "$DATA/world" --tour "$TOUR"
fi
