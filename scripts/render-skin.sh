#!/usr/bin/env bash
# Renders the nine skin images resources/img/*.png from their sources
# resources/skin/*.svg. Builds never run this: the PNGs are committed. Run it
# after editing a source and commit both. Installs its tools itself (librsvg's
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

for entry in "${images[@]}"; do
  read -r name w h kind bleed <<<"$entry"
  rsvg-convert -o "$tmp/$name.png" "$src/$name.svg"
  if [ "$kind" = alpha ]; then
    convert "$tmp/$name.png" -background "$bleed" -alpha background "${png_opts[@]}" "PNG32:$out/$name.png"
  else
    convert "$tmp/$name.png" -alpha off "${png_opts[@]}" "PNG24:$out/$name.png"
  fi
  size=$(identify -format '%wx%h' "$out/$name.png")
  if [ "$size" != "${w}x${h}" ]; then
    echo "render-skin: $name.png is $size, expected ${w}x${h}" >&2
    exit 1
  fi
done

# The no-alpha control images replace part of the background. Their looks are
# drawn from the same pieces (parts.svg); this checks that the pixels a slice
# or button leaves unchanged really match where the editor puts them.
check_on_bg() { # image x y: the image's border must equal the background there
  local name=$1 x=$2 y=$3 w h a b
  w=$(identify -format '%w' "$out/$name.png")
  h=$(identify -format '%h' "$out/$name.png")
  a=$(convert "$out/bg.png" -crop "${w}x${h}+$x+$y" +repage -gravity center -fill black \
        -draw "rectangle 1,1 $((w - 2)),$((h - 2))" rgb:- | md5sum)
  b=$(convert "$out/$name.png" -gravity center -fill black \
        -draw "rectangle 1,1 $((w - 2)),$((h - 2))" rgb:- | md5sum)
  if [ "$a" != "$b" ]; then
    echo "render-skin: the edge of $name.png differs from the background at ($x, $y)" >&2
    exit 1
  fi
}
check_on_bg but3 288 179
check_on_bg radio 387 97

echo "render-skin: wrote ${#images[@]} images to ${out#"$root"/}"
