#!/usr/bin/env bash
# Draws the window's bitmaps with ImageMagick and writes them beside this script:
#   b1..b12  tool-button images, 74 x 31, 8-bit palette BMP; per button normal, hot, down
#   logo     143 x 63 logo (BMP, 8-bit)
#   update   23 x 23 glyph of the upgrade button (BMP, 8-bit)
# The BMPs are committed; run this again only to change a picture.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc

# Faces of the three states: white, warm hover, pressed blue-grey with a frame.
faces=("#FFFFFF" "#FFF4D6" "#DCE6F4")
frames=("#FFFFFF" "#FFC73C" "#6A8DF4")

# Pictograms, drawn in a 74 x 31 canvas centred on x 37.
draw_picture() {
  case $1 in
    0) args=(-fill "#1E6FB8" -draw "roundrectangle 14,6 60,22 5,5" -fill white
             -draw "rectangle 19,9 27,15" -draw "rectangle 31,9 39,15" -draw "rectangle 43,9 51,15"
             -fill "#333333" -draw "circle 22,25 22,28" -draw "circle 52,25 52,28"
             -draw "line 10,28 64,28") ;;
    1) args=(-fill "#2E8B57" -draw "polygon 12,16 58,13 64,15 58,18"
             -draw "polygon 32,14 24,4 30,4 42,14" -draw "polygon 32,17 24,27 30,27 42,17"
             -draw "polygon 12,16 9,10 13,10 18,15") ;;
    2) args=(-fill "#C0392B" -draw "rectangle 22,6 52,28" -fill white
             -draw "rectangle 26,10 31,14" -draw "rectangle 35,10 40,14"
             -draw "rectangle 44,10 49,14" -draw "rectangle 26,17 31,21"
             -draw "rectangle 44,17 49,21" -draw "rectangle 35,19 40,28"
             -fill "#C0392B" -draw "polygon 19,7 37,1 55,7") ;;
    3) args=(-fill "#E67E22" -draw "roundrectangle 12,7 62,25 3,3" -fill white
             -draw "circle 12,16 12,19" -draw "circle 62,16 62,19"
             -draw "rectangle 20,12 44,13" -draw "rectangle 20,18 36,19"
             -stroke white -strokewidth 2 -draw "line 47,16 50,19" -draw "line 50,19 56,11") ;;
  esac
}

# ImageMagick writes a picture of 16 colours or fewer as a 4-bit BMP. A strip of greys appended
# before the palette is built (and cut off afterwards) keeps the file an 8-bit palette bitmap.
as_8bit() {  # <width> <height> <output.bmp>, picture on stdin
  convert - -size "${1}x1" gradient:black-white -append +dither -colors 255 \
    -crop "${1}x${2}+0+0" +repage -type Palette "BMP3:$3"
}

n=1
for p in 0 1 2 3; do
  draw_picture $p
  for s in 0 1 2; do
    roll=()
    [[ $s == 2 ]] && roll=(-roll +1+1)
    convert -size 74x31 "xc:${faces[$s]}" "${args[@]}" \
      -fill none -stroke "${frames[$s]}" -strokewidth 1 -draw "rectangle 0,0 73,30" \
      "${roll[@]}" +dither -colors 64 miff:- | as_8bit 74 31 "b$n.bmp"
    n=$((n + 1))
  done
done

# Logo: a green rail sweeping under the name.
convert -size 143x63 xc:white \
  -fill "#008000" -draw "roundrectangle 3,3 56,58 8,8" \
  -fill white -font "$font" -pointsize 34 -annotate +9+44 "岚" \
  -fill "#008000" -pointsize 20 -annotate +62+30 "岚舟时刻" \
  -fill "#1E6FB8" -pointsize 9 -annotate +63+50 "LANZHOU TIMES" \
  -stroke "#FFC73C" -strokewidth 2 -draw "line 62,36 139,36" \
  +dither -colors 64 miff:- | as_8bit 143 63 logo.bmp

# Update glyph: a green circular arrow.
convert -size 23x23 xc:white -fill none -stroke "#2E8B57" -strokewidth 3 \
  -draw "arc 4,4 18,18 200,520" -stroke none -fill "#2E8B57" \
  -draw "polygon 14,1 21,6 13,10" +dither -colors 32 miff:- | as_8bit 23 23 update.bmp
