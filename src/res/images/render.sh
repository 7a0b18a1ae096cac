#!/bin/sh
# Regenerates the PNG files from their SVG sources. The PNGs are committed,
# so the build never runs this; it needs rsvg-convert and ImageMagick.
set -e
CONVERT=${CONVERT:-convert}   # set CONVERT=/usr/bin/convert if another "convert" shadows ImageMagick
cd "$(dirname "$0")"
for f in 128 129 130 131; do
    for s in 32 48; do rsvg-convert -w $s -h $s icon$f.svg -o icon$f-$s.png; done
done
rsvg-convert -w 256 -h 256 icon128.svg -o icon128-256.png
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Figure: 16 grey levels with exact black and exact white, no dithering,
# so the white ground stays #FFFFFF.
"$CONVERT" -size 1x16 gradient:black-white -depth 8 "$tmp/gray16.png"
rsvg-convert -b white bitmap156.svg -o "$tmp/b156.png"
"$CONVERT" "$tmp/b156.png" -alpha off -dither None -remap "$tmp/gray16.png" -strip -type Palette png8:bitmap156.png
rsvg-convert bitmap153.svg -o "$tmp/b153.png"
"$CONVERT" "$tmp/b153.png" -alpha off -dither None -colors 16 -strip -type Palette png8:bitmap153.png
