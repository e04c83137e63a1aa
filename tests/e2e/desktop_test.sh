#!/usr/bin/env bash
# The real Tesmor.exe on a virtual screen, used as a person uses it: started
# with `wine Tesmor.exe` from a fresh folder of its own, and driven only with
# the keyboard and the mouse (xdotool). panel_driver.exe's query mode is used
# only to look: where the controls are, and what the boxes show afterwards.
#
#   desktop_test.sh TESMOR_EXE PANEL_DRIVER_EXE WINEPREFIX_DIR OUTPUT_DIR
#
# A screenshot of each stage goes into OUTPUT_DIR. The test runs its own Xvfb
# (display :120 or the next free one) and its own wineserver in its own prefix,
# and stops both at the end, also after a failure. Every wait has a deadline.
set -uo pipefail

if [ $# -ne 4 ]; then
    echo "usage: $0 TESMOR_EXE PANEL_DRIVER_EXE WINEPREFIX_DIR OUTPUT_DIR" >&2
    exit 2
fi
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
program=$(realpath "$1")
driver=$(realpath "$2")
prefix=$(realpath -m "$3")
out=$(realpath -m "$4")

readonly kCaption="Experimental Setup for Hall-Effect Measurement"
readonly kPassword="479 zkp"

step="setting up"
shots=0
tesmor_pid=
state=

fail() {
    echo "desktop test: FAILED at step \"$step\": $*" >&2
    if [ -n "${DISPLAY:-}" ]; then
        timeout 10 import -window root "$out/failure.png" 2>/dev/null &&
            echo "desktop test: the screen at the failure: $out/failure.png" >&2
    fi
    if [ -n "$state" ]; then
        echo "desktop test: the last look at the screen:" >&2
        sed 's/^/    /' <<<"$state" >&2
    fi
    exit 1
}

. "$source_dir/tools/virtual-screen.sh"

cleanup() {
    if [ -n "$tesmor_pid" ] && kill -0 "$tesmor_pid" 2>/dev/null; then
        kill "$tesmor_pid" 2>/dev/null || true
    fi
    if [ -n "${WINEPREFIX:-}" ]; then
        timeout 20 wineserver -k 2>/dev/null || true
        timeout 20 wineserver -w 2>/dev/null || true
    fi
    stop_virtual_screen
}
trap cleanup EXIT
trap 'fail "interrupted"' INT TERM

for tool in Xvfb xdotool import wine wineserver python3; do
    command -v "$tool" >/dev/null || fail "$tool is missing (tools/install-deps.sh --screen installs it)"
done

# ---------------------------------------------------------------- helpers

shot() {
    shots=$((shots + 1))
    local file
    file=$(printf '%s/%02d-%s.png' "$out" "$shots" "$1")
    timeout 10 import -window root "$file" || fail "no screenshot $file"
}

# Looks at the screen once; `value KEY` then reads from that look.
look() {
    state=$(timeout 20 wine "$driver" query "$@" 2>/dev/null | tr -d '\r')
}

value() {
    awk -v key="$1" 'index($0, key " ") == 1 { print substr($0, length(key) + 2); found = 1; exit }
                     END { exit !found }' <<<"$state"
}

has_window() {
    grep -qx "window $1" <<<"$state"
}

# The middle of the rectangle KEY from the last look, into mid_x and mid_y.
middle() {
    local rect left top right bottom
    rect=$(value "$1") || fail "nothing on the screen has $1"
    read -r left top right bottom <<<"$rect"
    mid_x=$(((left + right) / 2))
    mid_y=$(((top + bottom) / 2))
}

# wait_until SECONDS DESCRIPTION COMMAND...: looks at the screen until COMMAND
# (run after each look) succeeds.
wait_until() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    while :; do
        look "${query_args[@]}"
        if "$@"; then return 0; fi
        [ "$SECONDS" -lt "$deadline" ] || fail "timed out after ${seconds} s waiting for $what"
        sleep 0.2
    done
}
query_args=()

text_is() { [ "$(value "control.$1.text")" = "$2" ]; }
enabled_is() { [ "$(value "control.$1.enabled")" = "$2" ]; }

# Clicks the middle of the rectangle KEY from the last look.
click_middle() {
    middle "$1"
    xdotool mousemove "$mid_x" "$mid_y" click 1
}

# Types TEXT into a box of the panel as a person does: clicks the box, selects
# what it holds (End, Shift+Home: Wine's edit control has no Ctrl+A) and types.
type_into() {
    local id=$1 text=$2
    look
    click_middle "control.$id.rect"
    xdotool key End shift+Home
    xdotool type --delay 60 "$text"
    wait_until 10 "box $id to show \"$text\"" text_is "$id" "$text"
}

# Floating-point checks: python3 evaluates the expression.
check() {
    python3 -c "import sys; sys.exit(0 if ($1) else 1)" || fail "$2"
}

# The measurement log's file beside the program (Tesmor.csv), read from Linux:
# Wine's file sharing does not apply there, so a look never makes a save of the
# program fail. log_file_rows prints how many readings it holds (0 when there
# is no file yet).
log_file_rows() {
    python3 - "$run/Tesmor.csv" <<'EOF'
import sys
try:
    print(max(0, open(sys.argv[1], "rb").read().count(b"\r\n") - 1))
except FileNotFoundError:
    print(0)
EOF
}

# check_log_file ROWS [ROW,COLUMN=TEXT | ROW,COLUMN~PYTHON ...] fails the test
# unless the file is as a spreadsheet wants it (UTF-8 with a byte-order mark,
# the header exactly, every line ending in CR LF, no quotes) and holds ROWS
# readings numbered from 1 of material 1. Each further argument checks a cell,
# the reading counted from 1 and the column from 0: its text exactly (=), or a
# Python expression of the text's number x (~).
check_log_file() {
    python3 - "$run/Tesmor.csv" "$@" <<'EOF' || fail "the log's file is not as it should be (see above)"
import re, sys

path, rows, *cells = sys.argv[1:]
data = open(path, "rb").read()
header = ("No.,Time,Material,r_H,l (\u00b5m),w (\u00b5m),d (\u00b5m),s (\u00b5m),\u03b4 (\u00b5m),T (K),"
          "I (mA),I_m (A),V_H (mV),V_\u03c3 (mV)")
if not data.startswith(b"\xef\xbb\xbf"):
    sys.exit("desktop test: Tesmor.csv does not start with UTF-8's byte-order mark")
text = data[3:].decode("utf-8")
if not text.endswith("\r\n") or '"' in text:
    sys.exit("desktop test: Tesmor.csv's last line has no CR LF, or the file holds a quote")
lines = text[:-2].split("\r\n")
if any("\r" in line or "\n" in line for line in lines):
    sys.exit("desktop test: Tesmor.csv has a line that does not end in CR LF")
if lines[0] != header:
    sys.exit(f"desktop test: Tesmor.csv's header is {lines[0]!r}")
readings = [line.split(",") for line in lines[1:]]
if len(readings) != int(rows):
    sys.exit(f"desktop test: Tesmor.csv holds {len(readings)} readings, not {rows}")
for k, fields in enumerate(readings, 1):
    if len(fields) != 14 or fields[0] != str(k) or fields[2] != "1" or \
            not re.fullmatch(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d", fields[1]):
        sys.exit(f"desktop test: Tesmor.csv's reading {k} is {','.join(fields)!r}")
for cell in cells:
    where, op, wanted = re.fullmatch(r"(\d+,\d+)([=~])(.*)", cell).groups()
    row, column = map(int, where.split(","))
    got = readings[row - 1][column]
    if (op == "=" and got != wanted) or (op == "~" and not eval(wanted, {"x": float(got)})):
        sys.exit(f"desktop test: Tesmor.csv's reading {row}, column {column} is {got!r}, wanted {op}{wanted}")
EOF
}

# ---------------------------------------------------------------- set-up

mkdir -p "$out" || fail "cannot make $out"
rm -f "$out"/*.png "$out"/wine.log
run="$out/run"
{ rm -rf "$run" && mkdir -p "$run"; } || fail "cannot make the scratch folder $run"
cp "$program" "$run/Tesmor.exe" || fail "cannot copy $program"

start_virtual_screen 120 || fail "no virtual screen"
echo "desktop test: virtual screen $DISPLAY, output in $out"

export WINEPREFIX="$prefix" WINEARCH=${TESMOR_WINEARCH:-win32} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A wineserver left from an earlier run would still draw on its old screen.
timeout 20 wineserver -k 2>/dev/null || true
timeout 20 wineserver -w 2>/dev/null || true
timeout 180 "$source_dir/tools/wine-prefix.sh" "$prefix" --desktop </dev/null >/dev/null ||
    fail "the Wine prefix $prefix could not be set up"
# The wineserver is started here, not by the first wine below, so that it does
# not hold the output pipe of whoever runs this test.
timeout 20 wineserver -p5 </dev/null >/dev/null 2>&1 || true

# F1 opens the help. Under Wine its pages beside the program go to the browser
# that Wine's launcher names in the registry: here a stand-in that writes down
# what it was asked to open.
help_pages="$(dirname "$program")/help"
[ -f "$help_pages/index.html" ] || fail "no help pages beside $program"
cp -r "$help_pages" "$run/help" || fail "cannot copy the help pages"
browser_log="$out/browser.log"
rm -f "$browser_log"
printf '#!/bin/sh\necho "$@" >> "%s"\n' "$browser_log" >"$out/browser" && chmod +x "$out/browser" ||
    fail "cannot write the stand-in browser"
timeout 60 wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$out/browser" /f </dev/null \
    >/dev/null 2>&1 || fail "cannot name the stand-in browser in the registry"
# How many times the help's first page was asked for.
help_opened() { grep -o 'help/index.html' "$browser_log" 2>/dev/null | wc -l; }

# ---------------------------------------------------------------- 1. start

step="1. start: the message about the missing parameters file"
started=$SECONDS
(cd "$run" && exec wine Tesmor.exe) </dev/null >"$out/wine.log" 2>&1 &
tesmor_pid=$!

expected_message='The file of parameters does not open.\nMaybe it does not exist yet? ---> Will be!'
message_shown() {
    [ "$(value message.text)" = "$expected_message" ] && [ "$(value foreground)" = message ]
}
wait_until 60 "the information box about the parameters file" message_shown
[ "$(value message.caption)" = "$kCaption" ] || fail "the box's caption is \"$(value message.caption)\""
has_window panel && fail "the panel is shown before its file is read"
echo "desktop test: Tesmor started in $((SECONDS - started)) s"

# Win32 screen coordinates are X coordinates: Wine's desktop window covers the
# X screen from 0,0, and the pointer is where xdotool put it.
desktop=$(timeout 10 xdotool search --name "Wine desktop" | head -n 1)
[ -n "$desktop" ] || fail "no Wine desktop window on $DISPLAY"
geometry=$(timeout 10 xdotool getwindowgeometry "$desktop")
if ! grep -q "Position: 0,0" <<<"$geometry" || ! grep -q "Geometry: 1024x768" <<<"$geometry"; then
    fail "the Wine desktop is not at 0,0 with 1024x768: $geometry"
fi
[ "$(value desktop.rect)" = "0 0 1024 768" ] || fail "the Windows desktop is $(value desktop.rect)"
xdotool mousemove 123 456
wait_until 5 "the pointer to be at 123,456 for Windows too" eval '[ "$(value cursor)" = "123 456" ]'
shot start-message

step="1. start: Enter closes the message and the panel appears"
xdotool key Return
panel_shown() {
    ! has_window message && has_window panel && [ "$(value foreground)" = panel ] &&
        [ -n "$(value control.1035.rect)" ]
}
wait_until 20 "the panel after the message" panel_shown
[ "$(value panel.caption)" = "$kCaption" ] || fail "the panel's caption is \"$(value panel.caption)\""
text_is 1035 0 || fail "the material box starts with \"$(value control.1035.text)\", not 0"
enabled_is 1005 0 || fail "the sample current box is enabled before a material is chosen"
shot panel

step="1. F9 before a material: the reason shows at the meters and goes by itself"
xdotool key F9
no_material_tip() { has_window tip && [ "$(value tip.text)" = "Not recorded: choose a material first." ]; }
wait_until 10 "the tip saying why nothing was recorded" no_material_tip
read -r meter_left meter_top meter_right meter_bottom <<<"$(value control.1002.rect)"
read -r tip_left tip_top tip_right tip_bottom <<<"$(value tip.rect)"
meter_middle=$(((meter_left + meter_right) / 2))
[ "$tip_left" -le "$meter_middle" ] && [ "$tip_right" -ge "$meter_middle" ] && [ "$tip_top" -ge "$meter_top" ] &&
    [ "$tip_top" -le $((meter_bottom + 30)) ] ||
    fail "the tip ($tip_left $tip_top $tip_right $tip_bottom) is not at the V_H meter ($meter_left $meter_top $meter_right $meter_bottom)"
[ "$(value foreground)" = panel ] && [ "$(value focus.id)" = 1035 ] ||
    fail "the tip took the foreground ($(value foreground)) or the focus ($(value focus.id))"
[ "$(log_file_rows)" = 0 ] || fail "Tesmor.csv holds a reading recorded without a material"
shot refused-reading-tip
wait_until 12 "the tip to go by itself" eval '! has_window tip && [ "$(value foreground)" = panel ]'

# ---------------------------------------------------------------- 2. typing

step="2. typing the worked example"
type_into 1035 1
wait_until 10 "the inputs to unlock after material 1" enabled_is 1005 1
type_into 1005 10
type_into 1009 5
example_shown() { text_is 1002 -283.27 && text_is 1003 573.64; }
wait_until 10 "the worked example's readings -283.27 and 573.64" example_shown
[ "$(value control.1006.pos)" = 14000 ] || fail "the sample current slider is at $(value control.1006.pos), not 14000"
[ "$(value control.1010.pos)" = 15000 ] || fail "the magnet current slider is at $(value control.1010.pos), not 15000"
# The default scatter (ARand) is 0: the model, run again for the same
# settings, gives exactly the same readings.
type_into 1009 4
wait_until 10 "the readings for 4 A" eval '! text_is 1002 -283.27'
type_into 1009 5
wait_until 10 "the same readings for 5 A again" example_shown
shot worked-example

step="2. a screen reader names every control of the panel, and reads its value"
# As a reader in another program: accessible_reader.exe, beside the driver,
# prints what the panel's accessible objects say.
reader="$(dirname "$driver")/accessible_reader.exe"
[ -f "$reader" ] || fail "no accessible_reader.exe beside $driver"
read_panel() { state=$(timeout 20 wine "$reader" "$@" 2>/dev/null | tr -d '\r'); }
read_panel
while IFS='|' read -r id role name; do
    [ "$(value "name.$id")" = "$name" ] || fail "control $id is read as \"$(value "name.$id")\", not \"$name\""
    [ "$(value "role.$id")" = "$role" ] || fail "control $id ($name) has the role $(value "role.$id"), not $role"
done <<'NAMES'
1035|42|Semiconductor material number
1011|42|Hall factor r_H
1012|42|Sample length l, µm
1013|42|Sample width w, µm
1014|42|Sample thickness d, µm
1016|42|Contact width s, µm
1015|42|Contact spacing δ, µm
1002|42|Hall voltage V_H, mV
1003|42|Sample voltage V_σ, mV
1005|42|Sample current I, mA
1006|51|Sample current I slider
1017|42|Sample current I minimum, mA
1019|42|Sample current I maximum, mA
1007|42|Temperature T, K
1008|52|Temperature T up-down
1009|42|Magnet current I_m, A
1010|51|Magnet current I_m slider
1021|42|Magnet current I_m minimum, A
1022|42|Magnet current I_m maximum, A
1001|40|Hall-effect apparatus
NAMES
for pair in 1035=1 1005=10 1009=5 1002=-283.27 1003=573.64 1007=300.0 1006=14000; do
    [ "$(value "value.${pair%%=*}")" = "${pair#*=}" ] ||
        fail "control ${pair%%=*} is read with the value \"$(value "value.${pair%%=*}")\", not ${pair#*=}"
done
# The title bar's "?" is no window: an element of the panel's object, a push
# button (role 43), pressed (state 8) while help mode is on.
help_button_is() { grep -qE "^element\.[0-9]+ Help mode\|43\|$1\$" <<<"$state"; }
help_button_is 0 || fail "the panel has no \"Help mode\" push button, released, for a reader"
read_panel "press=Help mode"
read_panel
help_button_is 8 || fail "pressed by a reader, the \"Help mode\" button is not pressed"
read_panel "press=Help mode"
read_panel
help_button_is 0 || fail "pressed again by a reader, the \"Help mode\" button stays pressed"

step="2. F6 walks over the boxes in reading order, with the up-down, range boxes and slider after their box, round to the start, and Shift+F6 back"
focus_is() { [ "$(value focus.id)" = "$1" ] && [ "$(value foreground)" = panel ]; }
look
focus_is 1009 || fail "the I_m box does not have the focus after typing into it ($(value focus.id))"
for id in 1021 1022 1010 1035 1011 1012 1013 1014 1016 1015 1007 1008 1005 1017 1019 1006 1009; do
    xdotool key F6
    wait_until 5 "F6 to reach box $id" focus_is "$id"
done
for id in 1006 1019 1017 1005 1008 1007 1015 1016 1014 1013 1012 1011 1035 1010 1022 1021 1009; do
    xdotool key shift+F6
    wait_until 5 "Shift+F6 to reach box $id" focus_is "$id"
done
example_shown || fail "walking the boxes changed the readings to $(value control.1002.text) and $(value control.1003.text)"

# ---------------------------------------------------------------- 3. slider

step="3. dragging the sample current slider's thumb"
look
middle control.1006.thumb
thumb_x=$mid_x
thumb_y=$mid_y
xdotool mousemove "$thumb_x" "$thumb_y"
xdotool mousedown 1
for dx in 3 6 9 12 15 18; do
    sleep 0.05
    xdotool mousemove $((thumb_x + dx)) "$thumb_y"
done
sleep 0.05
xdotool mouseup 1
# The panel takes the thumb's place over at the next mouse move over it.
xdotool mousemove $((thumb_x + 18)) $((thumb_y - 2))
slider_followed() {
    local pos
    pos=$(value control.1006.pos) && [ "$pos" != 14000 ] && ! text_is 1005 10 &&
        python3 -c "import sys; sys.exit(0 if abs(float('$(value control.1005.text)') - ($pos * 0.0025 - 25)) < 0.006 else 1)"
}
wait_until 10 "the sample current box to follow the dragged thumb" slider_followed
current=$(value control.1005.text)
hall=$(value control.1002.text)
sample=$(value control.1003.text)
[ "$(value control.1006.pos)" -gt 14000 ] || fail "the thumb moved left ($(value control.1006.pos)) when dragged right"
check "10 < $current <= 25" "the dragged current $current is not between 10 and 25 mA"
# Both readings are proportional to the sample current.
check "abs($hall - (-283.27) * $current / 10) <= 0.02 + 1e-4 * abs($hall)" \
    "the Hall voltage $hall does not follow the current $current mA"
check "abs($sample - 573.64 * $current / 10) <= 0.02 + 1e-4 * abs($sample)" \
    "the sample voltage $sample does not follow the current $current mA"
echo "desktop test: dragged to I = $current mA: V_H = $hall mV, V_sigma = $sample mV"
shot slider-dragged

# ---------------------------------------------------------------- 4. warning

step="4. a temperature out of range locks the panel"
# 500 K is within range and taken: the readings change. The next keystroke
# makes 5000 K, which is rejected and leaves them as they are.
type_into 1007 500
wait_until 10 "the readings for 500 K" eval '! text_is 1002 "$hall" && enabled_is 1035 1'
hall_500=$(value control.1002.text)
sample_500=$(value control.1003.text)
xdotool key End
xdotool type --delay 60 0
wait_until 10 "the temperature box to show 5000" text_is 1007 5000
locked_but_temperature() {
    enabled_is 1007 1 && enabled_is 1035 0 && enabled_is 1005 0 && enabled_is 1006 0 && enabled_is 1009 0 &&
        enabled_is 1011 0 && enabled_is 1008 0
}
wait_until 5 "every input but the temperature to be locked" locked_but_temperature
if ! text_is 1002 "$hall_500" || ! text_is 1003 "$sample_500"; then
    fail "the readings changed from $hall_500 and $sample_500 to $(value control.1002.text) and $(value control.1003.text) for a rejected temperature"
fi
shot temperature-locked

step="4. the range warning appears after its delay"
warning_shown() {
    [ "$(value message.text)" = 'Invalid set of parameters.\nValid range: [77.0, 1680.0].' ] &&
        [ "$(value foreground)" = message ]
}
wait_until 10 "the range warning" warning_shown
[ "$(value message.caption)" = "$kCaption" ] || fail "the warning's caption is \"$(value message.caption)\""
shot range-warning

step="4. OK clicked with the mouse closes the warning"
click_middle message.ok
wait_until 10 "the warning to close" eval '! has_window message && [ "$(value foreground)" = panel ]'
locked_but_temperature || fail "the panel unlocked while the temperature is still 5000"

step="4. repairing the temperature unlocks the panel"
type_into 1007 300
unlocked() {
    enabled_is 1035 1 && enabled_is 1005 1 && enabled_is 1006 1 && enabled_is 1009 1 && enabled_is 1011 1 &&
        enabled_is 1008 1
}
wait_until 5 "the panel to unlock" unlocked
if ! text_is 1002 "$hall" || ! text_is 1003 "$sample"; then
    fail "the readings at 300 K again are $(value control.1002.text) and $(value control.1003.text), not $hall and $sample"
fi
# A repaired input leaves no warning pending: none appears after the delay.
repaired=$SECONDS
while [ $((SECONDS - repaired)) -lt 3 ]; do
    look
    has_window message && fail "a warning appeared after the temperature was repaired: $(value message.text)"
    sleep 0.3
done
xdotool key Return  # ends the editing of the temperature box
shot temperature-repaired

# ---------------------------------------------------------------- 5. editor

step="5. the system menu opens with Alt+Space"
xdotool key alt+space
wait_until 10 "the system menu" has_window menu
# The window menu starts with Restore, Move, Size, Minimize and Maximize
# (the greyed ones are still stepped through), then a separator, then the
# panel's "Parameters...".
xdotool key Home Down Down Down Down Down
sleep 0.3
shot system-menu
xdotool key Return

step="5. the password dialog"
password_shown() {
    has_window panel || fail "the menu item closed the panel instead of asking for the password"
    has_window password && [ "$(value foreground)" = password ] && [ "$(value focus.id)" = 921 ]
}
wait_until 10 "the password dialog with the focus in its box" password_shown
xdotool type --delay 60 "$kPassword"
shot password
xdotool key Return

step="5. the parameter table opens"
query_args=("cell=0,1" "cell=0,12" "cell=1,1")
table_shown() {
    has_window message && fail "the password was refused: $(value message.text)"
    has_window table && ! has_window password && [ "$(value foreground)" = table ] &&
        [ -n "$(value table.cell.0.1.rect)" ]
}
wait_until 10 "the parameter table" table_shown
[ "$(value table.rows)" = 100 ] || fail "the table has $(value table.rows) rows, not 100"
nd_before=$(value table.cell.0.1.text)
check "float('$nd_before') == 1e16" "material 1's Nd shows as \"$nd_before\", not 1e16"
check "float('$(value table.cell.0.12.text)') == 0" "material 1's ARand shows as \"$(value table.cell.0.12.text)\", not 0"
shot parameter-table

step="5. Escape in a cell drops the edit and keeps the table"
middle table.cell.1.1.rect
xdotool mousemove "$mid_x" "$mid_y" click --repeat 2 --delay 80 1
editor_open() { value table.editor >/dev/null; }
wait_until 10 "the cell editor on material 2's Nd" editor_open
xdotool key End shift+Home
xdotool type --delay 60 "7e17"
wait_until 10 "the cell editor to hold 7e17" eval '[ "$(value table.editor.text)" = 7e17 ]'
xdotool key Escape
edit_dropped() {
    ! value table.editor >/dev/null && has_window table && [ "$(value foreground)" = table ] &&
        [ "$(value table.rows)" = 100 ]
}
wait_until 10 "the editor to close with the table still open" edit_dropped
[ "$(value table.cell.1.1.text)" = "$nd_before" ] || fail "after Escape material 2's Nd shows $(value table.cell.1.1.text)"
shot cell-edit-dropped

step="5. changing material 1's Nd in the table"
middle table.cell.0.1.rect
xdotool mousemove "$mid_x" "$mid_y" click --repeat 2 --delay 80 1
wait_until 10 "the cell editor" editor_open
[ "$(value table.editor.text)" = "$nd_before" ] || fail "the cell editor holds \"$(value table.editor.text)\""
xdotool key End shift+Home
xdotool type --delay 60 "2e16"
wait_until 10 "the cell editor to hold 2e16" eval '[ "$(value table.editor.text)" = 2e16 ]'
xdotool key Return
cell_changed() {
    ! value table.editor >/dev/null && [ "$(value table.cell.0.1.text)" != "$nd_before" ] &&
        python3 -c "import sys; sys.exit(0 if float('$(value table.cell.0.1.text)') == 2e16 else 1)"
}
wait_until 10 "the cell to show 2e16" cell_changed
[ "$(value table.cell.1.1.text)" = "$nd_before" ] || fail "material 2's Nd changed to $(value table.cell.1.1.text)"
shot parameter-changed

step="5. OK takes the table over"
click_middle table.ok
query_args=()
readings_changed() {
    ! has_window table && [ "$(value foreground)" = panel ] && ! text_is 1002 "$hall"
}
wait_until 10 "the table to close and the readings to change" readings_changed
hall_after=$(value control.1002.text)
sample_after=$(value control.1003.text)
# Twice the donors: about half the Hall voltage, and a lower sample voltage.
check "0.4 < $hall_after / $hall < 0.6" "the Hall voltage went from $hall to $hall_after mV with twice the donors"
check "abs($sample_after) < abs($sample)" "the sample voltage went from $sample to $sample_after mV with twice the donors"
echo "desktop test: with Nd = 2e16: V_H = $hall_after mV, V_sigma = $sample_after mV"
shot readings-after-edit

# ---------------------------------------------------------------- 6. log

step="6. F9 records a reading"
log_started=$SECONDS
[ "$(log_file_rows)" = 0 ] || fail "Tesmor.csv holds readings before any was recorded"
look
t_first=$(value control.1007.text)
hall_first=$(value control.1002.text)
xdotool key F9
wait_until 10 "Tesmor.csv with the first reading" eval '[ "$(log_file_rows)" = 1 ]'
type_into 1007 350
wait_until 10 "the readings for 350 K" eval '! text_is 1002 "$hall_first" && enabled_is 1035 1'
t_second=$(value control.1007.text)
hall_second=$(value control.1002.text)
xdotool key F9
wait_until 10 "Tesmor.csv with the second reading" eval '[ "$(log_file_rows)" = 2 ]'
check_log_file 2 "1,9=$t_first" "1,12=$hall_first" "2,9=$t_second" "2,12=$hall_second"

step="6. F1 in the panel opens the help"
[ "$(help_opened)" = 0 ] || fail "the help was opened before F1 was pressed"
xdotool key F1
wait_until 10 "the browser asked for the help's first page" eval '[ "$(help_opened)" = 1 ]'
[ "$(value foreground)" = panel ] || fail "the panel lost the foreground to F1"

step="6. Ctrl+L opens the measurement log"
xdotool key ctrl+l
query_args=("cell=0,0" "cell=0,9" "cell=0,12" "cell=1,0" "cell=1,9" "cell=1,12")
log_shown() { has_window log && [ "$(value foreground)" = log ] && [ "$(value log.rows)" = 2 ]; }
wait_until 10 "the measurement log with two readings" log_shown
[ "$(value log.caption)" = "Measurement log" ] || fail "the log window's caption is \"$(value log.caption)\""
has_window panel || fail "the panel went when the log opened"
for cell in "0.0 1" "0.9 $t_first" "0.12 $hall_first" "1.0 2" "1.9 $t_second" "1.12 $hall_second"; do
    read -r where wanted <<<"$cell"
    [ "$(value "log.cell.$where.text")" = "$wanted" ] ||
        fail "the log lists \"$(value "log.cell.$where.text")\" in cell $where, not \"$wanted\""
done
[ "$(value log.status)" = "Reading 2 recorded." ] || fail "the log's status line says \"$(value log.status)\""
shot measurement-log

step="6. F1 in the log opens the help"
sleep 0.6  # a second press, not the repeat of a held key
xdotool key F1
wait_until 10 "the browser asked again, from the log" eval '[ "$(help_opened)" = 2 ]'
has_window log && [ "$(value foreground)" = log ] || fail "the log lost the foreground to F1"

step="6. Escape closes the measurement log"
xdotool key Escape
wait_until 10 "the log window to close" eval '! has_window log && [ "$(value foreground)" = panel ]'
query_args=()

step="6. the menu bar's keys open the automatic series"
# F10 selects "Measurements", Down opens it on "Record reading", and two more
# Downs reach "Automatic series...".
xdotool key F10
sleep 0.3
xdotool key Down
wait_until 10 "the Measurements menu" has_window menu
xdotool key Down Down
sleep 0.3
shot measurements-menu
xdotool key Return
series_shown() { has_window series && [ "$(value foreground)" = series ]; }
wait_until 10 "the automatic series dialog" series_shown
[ "$(value series.caption)" = "Automatic series" ] || fail "the series dialog's caption is \"$(value series.caption)\""
[ "$(value series.quantity)" = "T (K)" ] || fail "the series dialog proposes to vary \"$(value series.quantity)\""
[ "$(value series.bystep)" = 1 ] || fail "the series dialog does not propose steps"
for field in "from 100" "to 1680" "step 10" "count 159"; do
    read -r key wanted <<<"$field"
    check "float('$(value "series.$key")') == $wanted" \
        "the series dialog proposes $key \"$(value "series.$key")\", not $wanted"
done
shot automatic-series

step="6. a step of 20 K typed into the series dialog: the greyed number of points follows"
click_middle series.stepbox
xdotool key End shift+Home
xdotool type --delay 60 20
wait_until 10 "the step 20 and 80 points" eval '[ "$(value series.step)" = 20 ] && [ "$(value series.count)" = 80 ]'

step="6. Enter runs the series and shows the log"
xdotool key Return
query_args=("cell=2,9" "cell=81,0" "cell=81,9")
series_done() {
    ! has_window series && has_window log && [ "$(value foreground)" = log ] && [ "$(value log.rows)" = 82 ]
}
wait_until 60 "the series to end and the log to show 82 readings" series_done
check "float('$(value log.cell.2.9.text)') == 100" "the series' first reading is at T = $(value log.cell.2.9.text)"
[ "$(value log.cell.81.0.text)" = 82 ] || fail "the last reading is numbered $(value log.cell.81.0.text)"
check "float('$(value log.cell.81.9.text)') == 1680" "the series' last reading is at T = $(value log.cell.81.9.text)"
shot series-log
# The newest reading is in view, below the header and above the scroll bar.
read -r _ list_top _ list_bottom <<<"$(value log.list.client)"
read -r _ row_top _ row_bottom <<<"$(value log.cell.81.0.rect)"
[ "$row_top" -gt "$list_top" ] && [ "$row_bottom" -le "$list_bottom" ] ||
    fail "the newest reading (rows $row_top to $row_bottom) is out of the list's view ($list_top to $list_bottom)"

# The log's window as a person checks it after each change of its size: the
# list still ends with the newest reading, in view, and the buttons, the axes'
# choices and the status line are inside the window; and what it shows is what
# it shows once it is painted again whole (panel_driver repaint-log), pixel for
# pixel.
# The rows are counted from the list itself, so that the steps hold for a
# series of any length.
readings=$(value log.rows)
newest=$((readings - 1))
pick=$((readings - 3))
query_args=("cell=$pick,0" "cell=$newest,0")
log_whole() {
    local wl wt wr wb l t r b key
    read -r wl wt wr wb <<<"$(value log.rect)" || return 1
    for key in log.list log.xchoice log.ychoice log.statusline log.clear log.undo; do
        read -r l t r b <<<"$(value "$key")" || return 1
        [ "$l" -ge "$wl" ] && [ "$t" -ge "$wt" ] && [ "$r" -le "$wr" ] && [ "$b" -le "$wb" ] || return 1
    done
    read -r _ list_top _ list_bottom <<<"$(value log.list.client)"
    read -r _ row_top _ row_bottom <<<"$(value "log.cell.$newest.0.rect")"
    [ "$row_top" -gt "$list_top" ] && [ "$row_bottom" -le "$list_bottom" ] &&
        [ "$(value "log.cell.$newest.0.text")" = "$readings" ] && [ "$(value log.rows)" = "$readings" ]
}
shows_as_repainted() {
    local l t r b geometry differ
    sleep 0.5
    look "${query_args[@]}"
    read -r l t r b <<<"$(value log.client)" || fail "no client area of the log's window"
    geometry="$((r - l))x$((b - t))+$l+$t"
    timeout 10 import -window root -crop "$geometry" "$out/shown.png" || fail "no picture of the log's window"
    timeout 20 wine "$driver" repaint-log </dev/null >/dev/null 2>&1 || fail "the log's window could not be repainted"
    sleep 0.5
    timeout 10 import -window root -crop "$geometry" "$out/repainted.png" || fail "no picture of the log's window"
    differ=$(compare -metric AE "$out/shown.png" "$out/repainted.png" null: 2>&1)
    [ "$differ" = 0 ] || {
        cp "$out/shown.png" "$out/$1-shown.png"
        cp "$out/repainted.png" "$out/$1-repainted.png"
        fail "after $1 the log's window showed $differ pixels otherwise than a full repaint: $out/$1-*.png"
    }
    rm -f "$out/shown.png" "$out/repainted.png"
}
# drag FROM_X FROM_Y TO_X TO_Y: presses the left button, moves in steps, lets go.
drag() {
    xdotool mousemove "$1" "$2" sleep 0.3 mousedown 1 sleep 0.3
    local k
    for k in 1 2 3 4; do
        xdotool mousemove $(($1 + ($3 - $1) * k / 4)) $(($2 + ($4 - $2) * k / 4)) sleep 0.15
    done
    xdotool mouseup 1
}

step="6. the log's window dragged by its top edge"
look "${query_args[@]}"
read -r log_left log_top log_right log_bottom <<<"$(value log.rect)"
drag $(((log_left + log_right) / 2)) $((log_top + 1)) $(((log_left + log_right) / 2)) $((log_top + 91))
wait_until 10 "the log's top edge to move down" eval \
    'read -r _ t _ _ <<<"$(value log.rect)" && [ "$t" -gt $((log_top + 40)) ] && log_whole'
shows_as_repainted "the top edge dragged down"
look "${query_args[@]}"
read -r _ log_top _ _ <<<"$(value log.rect)"
drag $(((log_left + log_right) / 2)) $((log_top + 1)) $(((log_left + log_right) / 2)) $((log_top - 61))
wait_until 10 "the log's top edge to move up" eval \
    'read -r _ t _ _ <<<"$(value log.rect)" && [ "$t" -lt $((log_top - 30)) ] && log_whole'
shows_as_repainted "the top edge dragged up"
shot log-top-edge-dragged

step="6. the log's window made smaller by its bottom right corner"
look "${query_args[@]}"
read -r log_left log_top log_right log_bottom <<<"$(value log.rect)"
drag $((log_right - 2)) $((log_bottom - 2)) $((log_right - 302)) $((log_bottom - 152))
wait_until 10 "the log's window to be smaller" eval \
    'read -r _ _ r b <<<"$(value log.rect)" && [ "$r" -lt $((log_right - 150)) ] && [ "$b" -lt $((log_bottom - 75)) ] && log_whole'
shows_as_repainted "the corner dragged in"
shot log-smaller

step="6. the log's window maximized and restored"
xdotool key alt+space sleep 0.5 key x
wait_until 10 "the log's window maximized" eval '[ "$(value log.maximized)" = 1 ] && log_whole'
shows_as_repainted "maximizing"
shot log-maximized
xdotool key alt+space sleep 0.5 key r
wait_until 10 "the log's window restored" eval '[ "$(value log.maximized)" = 0 ] && log_whole'
shows_as_repainted "restoring"

step="6. Delete, then Ctrl+Z, in the log's list"
look "${query_args[@]}"
click_middle "log.cell.$pick.0.rect"
xdotool key Delete
wait_until 10 "reading $((pick + 1)) deleted" eval \
    '[ "$(value log.rows)" = $((readings - 1)) ] && [ "$(value "log.cell.$pick.0.text")" = $((pick + 2)) ] &&
     [ "$(value log.undo.enabled)" = 1 ]'
[ "$(log_file_rows)" = $((readings - 1)) ] ||
    fail "Tesmor.csv holds $(log_file_rows) readings after the delete, not $((readings - 1))"
shot log-row-deleted
xdotool key ctrl+z
wait_until 10 "reading $((pick + 1)) back in its place" eval \
    '[ "$(value "log.cell.$pick.0.text")" = $((pick + 1)) ] && log_whole && [ "$(value log.undo.enabled)" = 0 ]'
[ "$(value log.status)" = "1 row put back." ] || fail "the log's status line says \"$(value log.status)\""
shows_as_repainted "the undo"
shot log-row-put-back
check_log_file 82 "1,9=$t_first" "2,9=$t_second" \
    $(for k in $(seq 0 79); do echo "$((k + 3)),9~x==$((100 + 20 * k))"; done)
echo "desktop test: F9 twice and a series of 80 temperatures, 82 readings in the log and in Tesmor.csv," \
    "in $((SECONDS - log_started)) s"
xdotool key Escape
wait_until 10 "the log window to close" eval '! has_window log && [ "$(value foreground)" = panel ]'
query_args=()

step="6. Alt+M, S opens the series dialog again, as it was left"
xdotool key alt+m
wait_until 10 "the Measurements menu" has_window menu
xdotool key s
wait_until 10 "the automatic series dialog again" series_shown
for field in "from 100" "to 1680" "step 20" "count 80"; do
    read -r key wanted <<<"$field"
    check "float('$(value "series.$key")') == $wanted" \
        "the series dialog opened again with $key \"$(value "series.$key")\", not $wanted"
done
[ "$(value series.bystep)" = 1 ] || fail "the series dialog opened again without its steps"
[ "$(value series.status)" = "Choose what to vary and press Start." ] ||
    fail "the series dialog opened again saying \"$(value series.status)\""
shot automatic-series-again
xdotool key Escape
wait_until 10 "the series dialog to close" eval '! has_window series && [ "$(value foreground)" = panel ]'

step="6. a decimal comma in the I box: F9 records the current the panel used"
# "2,5" reads as 2 mA (the decimal separator is the point): the readings follow
# 2 mA, and the log keeps 2.0, not the text, which a spreadsheet with a decimal
# comma would take for 2.5.
look
current_before=$(value control.1005.text)
hall_before=$(value control.1002.text)
type_into 1005 "2,5"
wait_until 10 "the readings for I = 2 mA" eval '! text_is 1002 "$hall_before"'
hall_comma=$(value control.1002.text)
check "abs($hall_comma - $hall_before * 2 / $current_before) <= 0.02 + 1e-4 * abs($hall_comma)" \
    "the Hall voltage $hall_comma mV is not the one for 2 mA ($hall_before mV at $current_before mA)"
xdotool key F9
wait_until 10 "Tesmor.csv with the reading at \"2,5\"" eval '[ "$(log_file_rows)" = 83 ]'
text_is 1005 "2,5" || fail "the I box shows \"$(value control.1005.text)\" after F9, not what was typed"
check_log_file 83 "82,9~x==1680" "83,10=2.0" "83,12=$hall_comma"
shot decimal-comma-recorded

# ------------------------------------- 7. a spreadsheet holds the log's file

step="7. F9 while another program holds the log's file: told once, kept"
(cd "$run" && exec wine "$driver" hold Tesmor.csv 60) </dev/null >"$out/hold.txt" 2>&1 &
holder_pid=$!
wait_until 20 "the log's file to be held" grep -q held "$out/hold.txt"
xdotool key F9
not_written='The file of measurements Tesmor.csv cannot be written.\nThe measurements are kept here and written at the next change.'
wait_until 10 "the box about the file that cannot be written" \
    eval '[ "$(value foreground)" = message ] && [ "$(value message.text)" = "$not_written" ]'
xdotool key Return
wait_until 10 "the box to close" eval '! has_window message && [ "$(value foreground)" = panel ]'

step="7. the close button asks before a reading is dropped, and Cancel keeps Tesmor"
close_button=$(value panel.close) || fail "the panel's caption has no close button"
read -r close_x close_y <<<"$close_button"
xdotool mousemove "$close_x" "$close_y" click 1
unsaved_question() {
    [ "$(value foreground)" = message ] &&
        [[ "$(value message.text)" == "1 reading could not be written to the file of measurements"* ]]
}
wait_until 10 "the question about the unsaved reading" unsaved_question
[[ "$(value message.text)" == *"Cancel keeps Tesmor open." ]] || fail "the question reads \"$(value message.text)\""
shot unsaved-at-close
# A Yes/No/Cancel box has no OK: message.ok is its Cancel.
click_middle message.ok
wait_until 10 "the panel, still open" eval '! has_window message && has_window panel && [ "$(value foreground)" = panel ]'
kill -0 "$tesmor_pid" 2>/dev/null || fail "Tesmor ended although Cancel was pressed"

step="7. let go of, the file takes the reading without another key"
kill "$holder_pid" 2>/dev/null
wait "$holder_pid" 2>/dev/null
log_rows() { python3 -c 'import sys; print(open(sys.argv[1], "rb").read().count(b"\r\n") - 1)' "$run/Tesmor.csv"; }
wait_until 15 "the held reading in Tesmor.csv" eval '[ "$(log_rows)" = 84 ]'

# ---------------------------------------------------------------- 8. close

step="8. closing with the caption's close button"
look
close_button=$(value panel.close) || fail "the panel's caption has no close button"
read -r close_x close_y <<<"$close_button"
xdotool mousemove "$close_x" "$close_y" click 1
deadline=$((SECONDS + 20))
while kill -0 "$tesmor_pid" 2>/dev/null; do
    if [ "$SECONDS" -ge "$deadline" ]; then
        look
        fail "Tesmor did not end within 20 s of the close button"
    fi
    sleep 0.2
done
wait "$tesmor_pid"
code=$?
tesmor_pid=
shot closed

# ---------------------------------------------------------------- 9. results

step="9. the exit code"
[ "$code" = 2 ] || fail "Tesmor ended with exit code $code, not 2 (IDCANCEL)"

step="9. the parameters file"
file="$run/Tesmor.smp"
[ -f "$file" ] || fail "no $file was written"
python3 - "$file" <<'EOF' || fail "the parameters file does not hold the table (see above)"
import struct, sys

data = open(sys.argv[1], "rb").read()
problems = []
if len(data) != 9604:
    sys.exit(f"the file has {len(data)} bytes, not 9604")
count = struct.unpack_from("<i", data, 0)[0]
if count != 100:
    sys.exit(f"the file's count is {count}, not 100")

# Column order, default values and the byte each column inverts (7 - selector).
columns = [("Nd", 1e16, 1), ("Na", 1e14, 0), ("munL0", 8000, 0), ("munI0", 8000, 1),
           ("TL0", 80, 0), ("TI0", 20, 1), ("alpha", -1.5, 1), ("beta", 1.5, 0),
           ("b", 2.5, 0), ("ni0", 1.49e10, 1), ("Eg", 1.12, 1), ("ARand", 0.0, 0)]
for k, (name, default, selector) in enumerate(columns):
    for m in range(count):
        offset = 4 + 8 * (count * k + m)
        raw = bytearray(data[offset:offset + 8])
        raw[7 - selector] ^= 0xFF
        value = struct.unpack("<d", bytes(raw))[0]
        wanted = 2e16 if (name == "Nd" and m == 0) else default
        if value != wanted:
            problems.append(f"{name} of material {m + 1} is {value!r}, not {wanted!r}")
for problem in problems[:10]:
    print(f"desktop test: {problem}", file=sys.stderr)
sys.exit(1 if problems else 0)
EOF

step="9. the log's file"
# Closing leaves the readings as they were saved, the one recorded while the
# file was held among them.
check_log_file 84 "1,9=$t_first" "2,9=$t_second" "82,9~x==1680" "83,10=2.0" "84,10=2.0"

step="done"
echo "desktop test: passed in $((SECONDS - started)) s; exit code $code; $file holds Nd = 2e16 for material 1"
echo "desktop test: screenshots in $out"
