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
# Installs what it needs first (Debian 12, as root or through sudo).
set -euo pipefail
cd "$(dirname "$0")/../.."

source tools/art-env.sh

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
