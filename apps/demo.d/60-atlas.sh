# The atlas: two calibrated maps of one region at different resolutions, a zoom step between them
# and a picture of the atlas widget.
step "A detail map of 46.5-47.5 N, 10-11 E beside the Alps map; each gets its metres per pixel"
"$TYXGEO" emptymap "$WORK/detail.map" 46.5 10 47.5 11 0.25 0.25 700 600 >/dev/null
# Generated maps carry no resolution; write one into each calibration after the corners.
sed -i 's|</corners>|&\r\n<resolution>360.000</resolution>|' "$WORK/alps.xml"
sed -i 's|</corners>|&\r\n<resolution>119.000</resolution>|' "$WORK/detail.xml"
run atlas list "$WORK/alps.xml" "$WORK/detail.xml"

step "Zooming in at 47 N 10.5 E from 360 m per pixel picks the detail map; zooming out picks the Alps"
run atlas pick --zoom in 47 10.5 360 "$WORK/alps.xml" "$WORK/detail.xml"
run atlas pick --zoom out 47 10.5 119 "$WORK/alps.xml" "$WORK/detail.xml"

step "The atlas widget showing the Alps map with the detail map's outline, written as PNG"
run atlas render "$WORK/atlas.png" --select 1 --size 800x500 "$WORK/alps.xml" "$WORK/detail.xml"
ls -l "$WORK/atlas.png" | awk '{print "wrote", $NF, $5, "bytes"}'
