#!/usr/bin/env bash
# Rebuilds the guide pictures: SVG sources in resources/pictures/src, the
# 87 x 68 PNGs in resources/pictures that the Qt build embeds, and the
# enlarged overview docs/pictures.png for review.
# Needs python3, rsvg-convert (librsvg2-bin), ImageMagick and the Liberation
# fonts (fonts-liberation2); the build itself only needs the committed PNGs.
set -euo pipefail
cd "$(dirname "$0")/.."

pictures=resources/pictures
ids=(197 199 200 201 202 204 205 206 208)

for tool in python3 rsvg-convert convert montage identify; do
  command -v "$tool" >/dev/null || { echo "make_pictures: $tool is missing" >&2; exit 1; }
done
[ -n "$(fc-list "Liberation Sans:style=Bold")" ] ||
  echo "make_pictures: warning: Liberation Sans not installed, legends use a fallback font" >&2

python3 tools/make_pictures.py "$pictures/src"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
tiles=()
for id in "${ids[@]}"; do
  rsvg-convert --width 87 --height 68 --background-color white \
    -o "$tmp/$id.png" "$pictures/src/$id.svg"
  # opaque RGB without time stamps, so the same sources give the same bytes
  convert "$tmp/$id.png" -alpha off -strip -define png:exclude-chunks=date,time \
    "PNG24:$pictures/$id.png"
  size=$(identify -format '%wx%h' "$pictures/$id.png")
  [ "$size" = 87x68 ] || { echo "make_pictures: $id.png is $size, not 87x68" >&2; exit 1; }
  convert "$pictures/$id.png" -filter point -resize 400% "$tmp/big-$id.png"
  tiles+=(-label "$id" "$tmp/big-$id.png")
done

mkdir -p docs
montage "${tiles[@]}" -tile 3x -geometry +8+8 -background '#d4d0c8' \
  -font Liberation-Sans-Bold -pointsize 16 "$tmp/montage.png"
convert "$tmp/montage.png" -strip -define png:exclude-chunks=date,time docs/pictures.png
echo "make_pictures: wrote ${#ids[@]} pictures to $pictures and docs/pictures.png"
