# Geodesy: UTM, UPS, zone designations, cartesian coordinates and a datum shift.
step "Geodesy: Vienna in UTM and back"
run utm 48.2 16.37
run utm2geo 33 601799.146 5339437.154
run zone 48.2 16.37

step "Geodesy: Sydney lies south; the inverse needs --south"
run utm -33.9 151.2
run utm2geo 56 333568.941 6247473.337 --south

step "Geodesy: the polar caps in UPS"
run ups 85 30
run ups2geo 2277728.696 2481040.212 --south

step "Geodesy: earth-centred coordinates and a Helmert shift from Amersfoort (13) to WGS 1984 (269)"
run cart 48.2 16.37 200
run geo 4086633.9497 1200437.0310 4731876.9808 --ellipsoid gelWGS84
run helmert 13 269 52.1 5.3 40

step "Geodesy: batch mode converts standard input line by line (a bad line reports itself)"
printf '48.2 16.37\n60 5\nnorth 5\n78 15\n' > "$WORK/points.txt"
printf '$ tyxgeo zone < points.txt\n'
"$TYXGEO" zone < "$WORK/points.txt" || printf '(exit code %s: one line could not be read)\n' "$?"

step "Geodesy: the first rows of the tables"
"$TYXGEO" ellipsoids | sed -n '1,4p'
"$TYXGEO" datums | sed -n '13p;269p'
"$TYXGEO" countries | grep -E '^(Austria|Netherlands)'
