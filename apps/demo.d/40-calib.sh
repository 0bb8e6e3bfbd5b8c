# Calibration files: a file with two calibration blocks, read through an offscreen map control.
crlf() { sed 's/$/\r/'; }
crlf > "$WORK/maps.xml" <<'EOF'
<?xml version="1.0"?>

<!-- TGeoMap Calibration / Tyxware -->
<geomap sig="Tyxware" vers="1.0" id="Vienna" model="equirect" map="vienna.jpg" caption="Vienna, inner city">
<corners>
[48.22000,16.34000] [48.19000,16.34000] [48.19000,16.40000] [48.22000,16.40000] 
</corners>
<resolution>11.128</resolution>
<ellipsoid>gelWGS84</ellipsoid>
<calquads npoints="4">
[48.22000,16.34000,0,0] [48.22000,16.40000,400,0] [48.19000,16.34000,0,300] [48.19000,16.40000,400,300] 
</calquads>
</geomap>

<!-- TGeoMap Calibration / Tyxware -->
<geomap sig="Tyxware" vers="1.0" id="Grid" model="utm" map="grid.jpg" caption="A UTM sheet">
<corners>
[48.20535,16.34593] [48.18736,16.34546] [48.18704,16.37236] [48.20503,16.37284] 
</corners>
<resolution>10.000</resolution>
<utmzone>33</utmzone>
<utmsouth>FALSE</utmsouth>
<ellipsoid>gelWGS84</ellipsoid>
<calquads npoints="3">
[5340000.00000,600000.00000,0,0] [5340000.00000,602000.00000,200,0] [5338000.00000,600000.00000,0,200] 
</calquads>
</geomap>
EOF

step "Calibration files: the first block of a file, summarised"
run calib "$WORK/maps.xml" info

step "Calibration files: blocks are picked by their id in any case; a UTM sheet"
run calib "$WORK/maps.xml" --id grid info

step "Calibration files: a map pixel to latitude and longitude, and back"
run calib "$WORK/maps.xml" pixel 200 150
run calib "$WORK/maps.xml" latlong 48.2 16.37
run calib "$WORK/maps.xml" --id GRID pixel 100 100

step "Calibration files: batch mode converts standard input line by line (a bad line reports itself)"
printf '0 0\n400 300\nmiddle 5\n' > "$WORK/pixels.txt"
printf '$ tyxgeo calib maps.xml pixel < pixels.txt\n'
"$TYXGEO" calib "$WORK/maps.xml" pixel < "$WORK/pixels.txt" || printf '(exit code %s: one line could not be read)\n' "$?"
