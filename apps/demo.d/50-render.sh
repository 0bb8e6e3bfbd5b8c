# Map images: an empty calibrated map of a lat/long box, then a view of it rendered to a PNG.
step "An empty calibrated map of the Alps, 46-48 N, 9-13 E (a 4-bit BMP and its calibration)"
run emptymap "$WORK/alps.map" 46 9 48 13 0.5 1 900 600

step "The generated map converts pixels to positions: the centre of the map area"
run calib "$WORK/alps.xml" pixel 450 300

step "A 640 x 480 view at magnification 0.5 from image pixel (100, 50), written as PNG"
run render "$WORK/alps.xml" "$WORK/alps-view.png" --size 640x480 --mag 0.5 --topleft 100,50
ls -l "$WORK/alps-view.png" | awk '{print "wrote", $NF, $5, "bytes"}'
