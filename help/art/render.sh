#!/usr/bin/env bash
# Renders the help's figures into help/content/images/ (PNG), from the sources
# in this folder and the program's own artwork:
#   panel-map.png        res/art/apparatus.svg with the numbered markers of panel-map.svg
#   panel.png            the running panel, copied from docs/panel.png (tools/screenshot.sh)
#   hall-effect.png      hall-effect.svg
#   sample-geometry.png  sample-geometry.svg
#   magnet.png, mobility.png, carriers.png, band-gap.png
#                        graphs drawn by make-figures.py from the program's model
#
# The PNG files are committed; building the help never runs this.
# Needs rsvg-convert (librsvg2-bin), the DejaVu fonts (fonts-dejavu-core,
# fonts-dejavu-extra) and python3.
set -euo pipefail
cd "$(dirname "$0")/../.."

for tool in rsvg-convert python3; do
    command -v "$tool" >/dev/null || { echo "render: $tool is missing (apt-get install librsvg2-bin python3)" >&2; exit 1; }
done
[ -d /usr/share/fonts/truetype/dejavu ] ||
    { echo "render: the DejaVu fonts are missing (apt-get install fonts-dejavu-core fonts-dejavu-extra)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Only the DejaVu fonts are visible to the renderer, as for the program's artwork.
mkdir -p "$work/fontcache"
cat >"$work/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <cachedir>$work/fontcache</cachedir>
</fontconfig>
CONF
export FONTCONFIG_FILE="$work/fonts.conf"

out=help/content/images
mkdir -p "$out"

# The marker overlay refers to apparatus.png beside itself.
rsvg-convert --width 645 --height 571 --format png --output "$work/apparatus.png" res/art/apparatus.svg
cp help/art/panel-map.svg "$work/panel-map.svg"
rsvg-convert --format png --output "$out/panel-map.png" "$work/panel-map.svg"

cp docs/panel.png "$out/panel.png"

for name in hall-effect sample-geometry; do
    rsvg-convert --format png --output "$out/$name.png" "help/art/$name.svg"
done

python3 help/art/make-figures.py "$work/graphs"
for name in magnet mobility carriers band-gap; do
    rsvg-convert --format png --output "$out/$name.png" "$work/graphs/$name.svg"
done

echo "render: wrote $(cd "$out" && ls -- *.png | tr '\n' ' ')into $out"
