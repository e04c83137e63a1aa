#!/usr/bin/env bash
# Renders the artwork in res/art/ (SVG) into the resource files the program
# is built with, all 16 colours (4 bits per pixel, the standard Windows
# palette, nearest colour, no dithering):
#   res/apparatus.bmp              the panel's picture, bitmap 201
#   res/apparatus-NNN.png          the same picture for a display scaled to NNN per
#                                  cent (125, 150, 175, 200), resources 211 to 214:
#                                  4-bit palette PNG files, every measure of the
#                                  96-DPI picture times the scale (rounded as the
#                                  program rounds), each white field put exactly
#                                  under its control's scaled rectangle
#   res/help-button.bmp            the caption help button, bitmap 902
#   res/help-button-pressed.bmp    the same, pressed (moved 2 pixels right and down), bitmap 903
#   res/tesmor.ico                 the program's icon, 32 x 32 and 16 x 16, icon 128
#   res/tesmor-full.ico            the same icon in full colour (32-bit with alpha)
#                                  at 16, 24, 32, 48 and 256 pixels (256 as PNG),
#                                  icon 1, which Explorer and the Start menu show
#   packaging/windows/welcome.bmp  the installer's welcome and finish picture,
#                                  164 x 314: the panel's picture and the icon
#   packaging/windows/header.bmp   the installer's header picture, 150 x 57
# and docs/apparatus-preview.png, the picture with the rectangles of the
# controls (from panel/panel_fields.h) outlined, to check the alignment by eye.
# Fails if a white field of a picture does not lie exactly under its control.
#
# The generated files are committed; building the program never runs this.
# Installs what it needs first (Debian 12, as root or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

source tools/art-env.sh

render() {  # render SVG WIDTH HEIGHT PNG
    rsvg-convert --width "$2" --height "$3" --format png --output "$4" "$1"
}
pack() {
    python3 tools/art_pack.py "$@"
}

render res/art/apparatus.svg 645 571 "$work/apparatus.png"
pack bmp "$work/apparatus.png" "$work/apparatus.bmp"
pack check-fields "$work/apparatus.bmp" panel/panel_fields.h
cp "$work/apparatus.bmp" res/apparatus.bmp
mkdir -p docs
pack preview res/apparatus.bmp panel/panel_fields.h docs/apparatus-preview.png

for percent in 125 150 175 200; do
    dpi=$((96 * percent / 100))
    render res/art/apparatus.svg $(((645 * dpi + 48) / 96)) $(((571 * dpi + 48) / 96)) "$work/apparatus-$percent.png"
    pack picture $dpi "$work/apparatus-$percent.png" "$work/apparatus-$percent-16.png" panel/panel_fields.h
    pack check-fields "$work/apparatus-$percent-16.png" panel/panel_fields.h $dpi
    cp "$work/apparatus-$percent-16.png" res/apparatus-$percent.png
done

render res/art/help-button.svg 32 28 "$work/help-button.png"
pack bmp "$work/help-button.png" res/help-button.bmp --shift 2,2 res/help-button-pressed.bmp

render res/art/icon-32.svg 32 32 "$work/icon-32.png"
render res/art/icon-16.svg 16 16 "$work/icon-16.png"
pack ico res/tesmor.ico "$work/icon-32.png" "$work/icon-16.png"

# The full-colour icon: the 16-pixel drawing for 16 and 48 (three times), the
# 32-pixel one for the rest; 24 is the 32-pixel drawing scaled down.
full=()
for size_source in 16:icon-16 24:icon-32 32:icon-32 48:icon-16 256:icon-32; do
    size=${size_source%%:*}
    render "res/art/${size_source#*:}.svg" "$size" "$size" "$work/full-$size.png"
    full+=("$work/full-$size.png")
done
pack ico-full res/tesmor-full.ico "${full[@]}"

# The installer's pictures, on white as its pages are: the panel's picture
# (645 x 571) at a quarter and the icon at 96 pixels; the header the icon at
# 48 pixels beside a smaller picture.
render res/art/apparatus.svg 160 142 "$work/welcome-picture.png"
render res/art/icon-32.svg 96 96 "$work/welcome-icon.png"
pack canvas 164 314 packaging/windows/welcome.bmp "$work/welcome-icon.png@34,40" "$work/welcome-picture.png@2,160"
render res/art/apparatus.svg 60 53 "$work/header-picture.png"
pack canvas 150 57 packaging/windows/header.bmp "$work/full-48.png@96,4" "$work/header-picture.png@30,2"

echo "render-art: wrote res/apparatus.bmp, res/apparatus-{125,150,175,200}.png, res/help-button.bmp," \
     "res/help-button-pressed.bmp," \
     "res/tesmor.ico, res/tesmor-full.ico, packaging/windows/{welcome,header}.bmp and docs/apparatus-preview.png"
