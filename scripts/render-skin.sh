#!/usr/bin/env bash
# Renders the nine skin images resources/img/*.png from their sources
# resources/skin/*.svg, each twice: at the editor's size and at twice its size
# (name@2x.png, drawn from the vector source, for high-resolution screens; the
# editor draws 150 % from the 2x art). Builds never run this: the PNGs are
# committed. Run it after editing a source and commit them all. Installs its tools itself (librsvg's
# rsvg-convert, ImageMagick, the two font families the sources use).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
src=$root/resources/skin
out=$root/resources/img

packages=(librsvg2-bin imagemagick fonts-dejavu-core fonts-liberation)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "render-skin: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# name, width, height, alpha or rgb, and for alpha images the colour given to
# fully transparent pixels. The knob is rotated with bilinear filtering, which
# mixes the colour of transparent neighbours into its edge: they carry the
# ring's edge colour so the edge stays soft instead of turning black.
images=(
  "bg      620 355 rgb"
  "knob     50  50 alpha #111316"
  "but1    112  31 alpha #14171b"
  "but2    112  31 alpha #14171b"
  "but3     22  20 rgb"
  "radio    70  72 rgb"
  "slider   31  14 rgb"
  "on       11   7 alpha #ffc94d"
  "on_      11   7 alpha #ffc94d"
)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

# Fixed output: no time stamps or other metadata, 8 bits per channel, colour
# type 2 (RGB) or 6 (RGBA) whatever the content.
png_opts=(-strip -define png:exclude-chunks=date,time -define png:bit-depth=8)

# render NAME ZOOM FILE KIND BLEED W H: one image at a zoom factor, checked for its size.
render() {
  local name=$1 zoom=$2 file=$3 kind=$4 bleed=$5 w=$6 h=$7
  rsvg-convert --zoom "$zoom" -o "$tmp/$file" "$src/$name.svg"
  if [ "$kind" = alpha ]; then
    convert "$tmp/$file" -background "$bleed" -alpha background "${png_opts[@]}" "PNG32:$out/$file"
  else
    convert "$tmp/$file" -alpha off "${png_opts[@]}" "PNG24:$out/$file"
  fi
  local size
  size=$(identify -format '%wx%h' "$out/$file")
  if [ "$size" != "${w}x${h}" ]; then
    echo "render-skin: $file is $size, expected ${w}x${h}" >&2
    exit 1
  fi
}

for entry in "${images[@]}"; do
  read -r name w h kind bleed <<<"$entry"
  render "$name" 1 "$name.png" "$kind" "${bleed:-}" "$w" "$h"
  render "$name" 2 "$name@2x.png" "$kind" "${bleed:-}" $((2 * w)) $((2 * h))
done

# The no-alpha control images replace part of the background. Their looks are
# drawn from the same pieces (parts.svg); this checks that the pixels a slice
# or button leaves unchanged really match where the editor puts them.
check_on_bg() { # image x y [suffix zoom]: the image's border must equal the background there
  local name=$1 x=$2 y=$3 suffix=${4:-} zoom=${5:-1} w h a b
  x=$((x * zoom)) y=$((y * zoom))
  w=$(identify -format '%w' "$out/$name$suffix.png")
  h=$(identify -format '%h' "$out/$name$suffix.png")
  a=$(convert "$out/bg$suffix.png" -crop "${w}x${h}+$x+$y" +repage -gravity center -fill black \
        -draw "rectangle $zoom,$zoom $((w - 1 - zoom)),$((h - 1 - zoom))" rgb:- | md5sum)
  b=$(convert "$out/$name$suffix.png" -gravity center -fill black \
        -draw "rectangle $zoom,$zoom $((w - 1 - zoom)),$((h - 1 - zoom))" rgb:- | md5sum)
  if [ "$a" != "$b" ]; then
    echo "render-skin: the edge of $name$suffix.png differs from the background at ($x, $y)" >&2
    exit 1
  fi
}
for scale in "" "@2x 2"; do
  read -r suffix zoom <<<"$scale"
  check_on_bg but3 288 179 "$suffix" "${zoom:-1}"
  check_on_bg radio 387 97 "$suffix" "${zoom:-1}"
done

echo "render-skin: wrote $((2 * ${#images[@]})) images to ${out#"$root"/}"
