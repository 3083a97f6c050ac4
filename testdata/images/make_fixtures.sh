#!/usr/bin/env bash
# Regenerates the image fixtures of the loader tests. Every readable fixture
# shows the quadrant picture (red top left, green top right, blue bottom left,
# white bottom right); the tests check a pixel in each quadrant.
# Needs ImageMagick's `convert` and python3. Usage: make_fixtures.sh
set -euo pipefail
cd "$(dirname "$0")"

quad="-size 8x6 xc:red -size 8x6 xc:lime +append ( -size 8x6 xc:blue -size 8x6 xc:white +append ) -append"
# shellcheck disable=SC2086
convert $quad -strip quad.png
convert quad.png -strip -type truecolor bmp3:quad.bmp
convert quad.png -strip -type palette bmp3:quad8.bmp
convert quad.png -strip -quality 95 -sampling-factor 1x1 quad.jpg
cp quad.jpg quad.jpeg
cp quad.jpg jpeg_named.bmp
# ImageMagick 6 writes a TGA file's rows top first but marks them as bottom
# first (and reads them back the same way): flipped, the file is what other
# programs write, bottom row first.
convert quad.png -strip -flip tga:quad.tga
convert quad.png -strip pcx:quad.pcx
convert quad.png -strip -type truecolor -compress none dib:quad.dib
convert quad.png -strip -type truecolor quad.psd
convert quad.png -strip pict:quad.pct
# Photo CD keeps only its fixed sizes: store the picture at the base size.
convert quad.png -scale '768x512!' pcd:quad.pcd
# Two images: the loader takes the first (the quadrants), not the black one.
convert quad.png \( -size 16x12 xc:black \) -strip quad_two.gif

# Colour spaces the loader converts: CMYK, 8-bit grey, and transparency
# (laid on white).
convert quad.png -strip -colorspace CMYK -quality 95 -sampling-factor 1x1 quad_cmyk.jpg
convert -size 8x6 xc:gray20 -size 8x6 xc:gray80 +append \( -size 8x6 xc:gray40 -size 8x6 xc:white +append \) -append -strip grey.png
convert -size 16x12 xc:none -fill red -draw "rectangle 8,0 15,11" -strip alpha.png

# Cut-off copies: headers intact, pixel data missing.
head -c 60 quad.png >truncated.png
head -c 300 quad.jpg >truncated.jpg
head -c 300 quad.bmp >truncated.bmp

python3 make_fixtures.py .
