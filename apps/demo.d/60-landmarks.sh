# Landmarks: symbols drawn one by one, a landmark file written from tab-separated lines, listed.
step "Landmark symbols: an arrow pointing north-east and a triangle, written as PNG"
run symbol "$WORK/arrow.png" 80x80 ArrowFrom 20 60 --dir 45 --len 40 --size 8 --fg 000000FF --bg 000000FF
run symbol "$WORK/triangle.png" 40x40 triangle 20 20 --size 10 --dir 0 --fg 00000000 --bg 0000FFFF
ls -l "$WORK/arrow.png" "$WORK/triangle.png" | awk '{print "wrote", $NF, $5, "bytes"}'

step "A landmark file made from tab-separated lines (as a spreadsheet exports them)"
printf '1\t48.208500\t16.373800\t171\t1\t0\tCircle\t6\t000000FF\t00FFFFFF\tfalse\t0\t10\tWien\t20260101120000\tVienna\n2\t47.070700\t15.439500\t353\t2\t0\tTriangle\t7\t00FF0000\t0000FFFF\tfalse\t0\t10\tGraz\t20260102083000\tGraz\n' \
  | run landmarks-write "$WORK/cities.xml" --id Austria
sed -n '1,5p' "$WORK/cities.xml" | cut -c1-110

step "The landmarks read back from the file"
run landmarks "$WORK/cities.xml" --id austria
