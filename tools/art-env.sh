# Sourced by the scripts that draw pictures from the SVG sources: installs the
# renderer and the fonts if missing, makes a scratch folder $work (removed on
# exit), and lets the renderer see only the DejaVu fonts, so that no other font
# installed on the machine can stand in for them.
"$(dirname "${BASH_SOURCE[0]}")/install-deps.sh" --art >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

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
