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

# ---------------------------------------------------------------- set-up

mkdir -p "$out" || fail "cannot make $out"
rm -f "$out"/*.png "$out"/wine.log
run="$out/run"
{ rm -rf "$run" && mkdir -p "$run"; } || fail "cannot make the scratch folder $run"
cp "$program" "$run/Tesmor.exe" || fail "cannot copy $program"

start_virtual_screen 120 || fail "no virtual screen"
echo "desktop test: virtual screen $DISPLAY, output in $out"

export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A wineserver left from an earlier run would still draw on its old screen.
timeout 20 wineserver -k 2>/dev/null || true
timeout 20 wineserver -w 2>/dev/null || true
timeout 180 "$source_dir/tools/wine-prefix.sh" "$prefix" --desktop </dev/null >/dev/null ||
    fail "the Wine prefix $prefix could not be set up"
# The wineserver is started here, not by the first wine below, so that it does
# not hold the output pipe of whoever runs this test.
timeout 20 wineserver -p5 </dev/null >/dev/null 2>&1 || true

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

# ---------------------------------------------------------------- 6. close

step="6. closing with the caption's close button"
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

# ---------------------------------------------------------------- 7. results

step="7. the exit code"
[ "$code" = 2 ] || fail "Tesmor ended with exit code $code, not 2 (IDCANCEL)"

step="7. the parameters file"
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

step="done"
echo "desktop test: passed in $((SECONDS - started)) s; exit code $code; $file holds Nd = 2e16 for material 1"
echo "desktop test: screenshots in $out"
