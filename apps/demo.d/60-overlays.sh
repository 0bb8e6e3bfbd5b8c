# Overlays: the graticule and calibration marks over the empty map of the Alps, a few towns as
# landmarks with captions, one of them highlighted.
step "Landmarks of the map, written as a landmark file"
cat > "$WORK/towns.xml" <<'XML'
<?xml version="1.0"?>

<gmlandmarks sig="Tyxware" vers="1.0" id="towns">
<landmark lat="47.2692" long="11.4041" element="circle" colorfg="00000000" colorbg="000000FF" size="5" id="IBK" captext="Innsbruck" capsize="9" capfnm="Sans Serif" capfgcol="00000000" capbgcol="00FFFFFF" captransp="false" capdx="8" capdy="0" caphal="0" capval="1" />
<landmark lat="47.8095" long="13.0550" element="square" colorfg="00000000" colorbg="0000FFFF" size="4" id="SZG" captext="Salzburg" capsize="9" capfnm="Sans Serif" capfgcol="00000000" capbgcol="00FFFFFF" captransp="true" capdx="0" capdy="-8" caphal="1" capval="2" />
<landmark lat="46.4983" long="11.3548" element="triangle" colorfg="00000000" colorbg="0000A000" size="6" id="BZ" captext="Bozen" capsize="9" capfnm="Sans Serif" capfgcol="00800000" capbgcol="00FFFFFF" captransp="true" capdx="0" capdy="8" caphal="2" capval="0" />
<landmark lat="46.0037" long="9.1450" element="cross" colorfg="00000000" colorbg="00FFFFFF" size="4" id="LUG" captext="Lugano" capsize="9" capfnm="Sans Serif" capfgcol="00000000" capbgcol="00FFFFFF" captransp="true" capdir="90" capdx="-6" capdy="0" caphal="0" capval="2" />
<landmark lat="47.3769" long="8.5417" element="spade" colorfg="00000000" colorbg="00FF0000" size="5" id="ZH" captext="Zurich (off the map)" capsize="9" />
</gmlandmarks>
XML
echo "wrote $WORK/towns.xml (5 landmarks; Zurich lies west of the map)"

step "The whole map with graticule lines every half degree, calibration marks, the towns, Innsbruck highlighted"
run render "$WORK/alps.xml" "$WORK/alps-overlays.png" --size 900x600 --grat pointsandlines --grat-dist 0.5 \
  --colors 00A00000,000000FF --landmarks "$WORK/towns.xml:towns" --highlight 1
ls -l "$WORK/alps-overlays.png" | awk '{print "wrote", $NF, $5, "bytes"}'
