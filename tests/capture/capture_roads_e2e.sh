#!/usr/bin/env bash
# A user's evening with cameras, pictures and a sequence, in the real
# program run as its own process under a virtual X server with a window
# manager (openbox) at 800 x 600, driven with the mouse, the wheel and the
# keys as the X server delivers them (xdotool), and read off the screen
# (ImageMagick) and the files written (about a minute):
#
# - camera 1 is the simulator plug-in's "Ciel simule 1"; a picture opened on
#   its slot shows there; camera 2 started with "Ciel simule 2" ends the
#   picture, and source 1 shows camera 1's frames again: two screenshots of
#   it 1.5 s apart differ;
# - a picture of 1300 x 100, too wide for a frame, opened over camera 1:
#   the size message, and source 1 keeps showing new frames;
# - the built-in camera, the Images window's recording page scrolled to its
#   end with the wheel, the pointer over the list "images" of "Enregistrer
#   une image toutes les": a sequence for 3 seconds then saves every frame,
#   as "images" says (the list kept its choice);
# - the camera put in stream mode ("Flux"), one image every 2 seconds for 7
#   seconds: 4 files, not one a frame;
# - pause pressed, then every image for 3 images started: the start lets
#   pause up and the sequence writes its 3 files and ends;
# - a film cut short with head -c, opened: the message window says so as
#   it opens;
# - a whole film playing, then camera 1's and camera 2's starts given up
#   in the driver choice: the film plays on in source 1 after each.
#
#   capture_roads_e2e.sh BUILD_DIR SOURCE_DIR
#
# NJ_E2E_KEEP=1 keeps the screenshots and logs. Exit status 0 when all pass,
# 77 when a tool is missing.
set -u

build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)

program="$build/src/nightjarpro"
client="$build/src/nightjarpro-dde"
# shellcheck source=../support/x11_session.sh
source "$source_dir/tests/support/x11_session.sh"
need_tools Xvfb openbox xdotool xwininfo xprop import convert compare

work=$(mktemp -d /tmp/nj-capture-e2e.XXXXXX)
xvfb_pid="" ; wm_pid="" ; app_pid=""
failures=0
case_name=""

trap end_session EXIT

fail() { echo "FAIL [$case_name] $*"; failures=$((failures + 1)); session_report; }

visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }

# Keys to the main window, as the user types them there.
keys_to_main() {
  activate "$main"
  sleep 0.2
  keys "$@"
}

# A camera menu item through the keyboard: Video, the camera's submenu, the
# item's letter (D Demarrer, A Arreter) or the arrows to it.
camera_menu() {
  local camera=$1
  shift
  activate "$main"
  sleep 0.2
  xdotool key alt+v
  sleep 0.3
  [ "$camera" = 2 ] && { xdotool key Down; sleep 0.1; }
  xdotool key Right
  sleep 0.3
  keys "$@"
  sleep 0.5
}

# The capture-driver choice, answered from the keyboard: End picks the last
# entry (the plug-in's "Ciel simule 2"), End then Up the one before it
# ("Ciel simule 1"), Home the first (the built-in camera), then Return;
# Escape alone gives it up.
driver_keys() {
  local win
  until_true 20 '[ -n "$(visible_window "^Pilote de capture")" ]' || { fail "no driver choice"; return 1; }
  win=$(visible_window "^Pilote de capture")
  activate "$win"
  sleep 0.2
  keys "$@"
  until_true 10 '[ -z "$(visible_window "^Pilote de capture")" ]' || fail "the driver choice stays open"
}
answer_driver() { driver_keys "$@" Return; }

# Opens a file through the "Lecture Fichiers" page's first button and the
# open dialog, typing its path.
open_file() {
  click_at "$main" 595 61
  sleep 0.3
  click_at "$main" 662 197
  until_true 10 '[ -n "$(visible_window "^Ouvrir$")" ]' || { fail "no open dialog"; return 1; }
  sleep 0.3
  xdotool type --delay 10 "$1"
  xdotool key Return
  until_true 10 '[ -z "$(visible_window "^Ouvrir$")" ]' || fail "the open dialog stays open"
  sleep 1
}

# Pixels that differ in source 1 (the left of the view, clear of the message
# window) between two screenshots 1.5 s apart.
source_one_changes() {
  local x y w h
  read -r x y w h <<<"$(client_of "$main")"
  import -window root -crop "270x460+$((x + 5))+$((y + 50))" "$work/$case_name-a.png"
  sleep 1.5
  import -window root -crop "270x460+$((x + 5))+$((y + 50))" "$work/$case_name-b.png"
  compare -metric AE "$work/$case_name-a.png" "$work/$case_name-b.png" /dev/null 2>&1
}

files_in() { find "$1" -type f -name '*.bmp' 2>/dev/null | wc -l; }

# Waits out a sequence of $2 seconds started a moment ago: its time, then
# until its files under $1 stop coming (the same count for three times the
# longest period of the cases running), however late a busy machine makes
# them; two minutes at most.
sequence_written() {
  local last=-1 now same=0 n=0
  sleep "$2"
  while [ $n -lt 1200 ]; do
    now=$(files_in "$1")
    if [ "$now" = "$last" ]; then
      same=$((same + 1))
      [ $same -ge 60 ] && return 0
    else
      same=0
      last=$now
    fi
    sleep 0.1
    n=$((n + 1))
  done
}

# An uncompressed film of $2 frames of 160 x 120, each of its own colour.
write_film() {
  python3 - "$1" "$2" <<'PYEOF'
import struct, sys
path, n, w, h = sys.argv[1], int(sys.argv[2]), 160, 120
size = w * h * 3
def chunk(tag, data): return tag + struct.pack('<I', len(data)) + data
def lst(tag, data): return b'LIST' + struct.pack('<I', len(data) + 4) + tag + data
avih = struct.pack('<14I', 200000, size * 5, 0, 0x10, n, 0, 1, size, w, h, 0, 0, 0, 0)
strh = b'vidsDIB ' + struct.pack('<IHHIIIIIIIIhhhh', 0, 0, 0, 0, 1, 5, 0, n, size, 0xFFFFFFFF, 0, 0, 0, w, h)
strf = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, size, 0, 0, 0, 0)
movi, idx = b'', b''
for i in range(n):
    idx += b'00db' + struct.pack('<III', 0x10, 4 + len(movi), size)
    movi += chunk(b'00db', bytes([(40 * i) % 256, (90 + 70 * i) % 256, (200 + 30 * i) % 256]) * (w * h))
body = b'AVI ' + lst(b'hdrl', chunk(b'avih', avih) + lst(b'strl', chunk(b'strh', strh) + chunk(b'strf', strf))) \
    + lst(b'movi', movi) + chunk(b'idx1', idx)
open(path, 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)
PYEOF
}

# --- the session -------------------------------------------------------------
new_program_dir "$work/prog" "$work/run"
export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
start_x11_display 800x600 "$work"
start_program_in "$work/prog" "$work/program.log" || exit 1
main=$(main_window)
convert -size 320x240 xc:'rgb(150,150,150)' -type TrueColor "BMP3:$work/small.bmp"
convert -size 1300x100 xc:'rgb(120,120,120)' -type TrueColor "BMP3:$work/band.bmp"

case_name=camera_back_after_picture
camera_menu 1 d
answer_driver End Up
sleep 1
open_file "$work/small.bmp"
until_true 10 '[ -n "$(visible_window "^Contrôle de lecture$")" ]' || fail "the player does not show"
# (The picture takes the camera's place a moment later on a busy machine.)
until_true 20 '[ "$(source_one_changes)" = 0 ]' || fail "source 1 does not show the still picture"
[ -n "${NJ_E2E_KEEP:-}" ] && import -window root "$work/picture.png"
camera_menu 2 d
answer_driver End
until_true 20 '[ "$(source_one_changes)" -gt 0 ]'
changed=$(source_one_changes)
[ "$changed" -gt 0 ] || fail "source 1 stays frozen after camera 2 started ($changed pixels changed)"
[ -n "${NJ_E2E_KEEP:-}" ] && import -window root "$work/camera-back.png"

case_name=refused_picture
open_file "$work/band.bmp"
until_true 10 '[ -n "$(visible_window "^Message$")" ]' || fail "no size message"
until_true 20 '[ "$(source_one_changes)" -gt 0 ]'
changed=$(source_one_changes)
[ "$changed" -gt 0 ] || fail "source 1 froze after the refused picture ($changed pixels changed)"
[ -n "${NJ_E2E_KEEP:-}" ] && import -window root "$work/refused.png"
close_with_alt_f4 "$(visible_window "^Message$")" || fail "the message window stays"

case_name=wheel_over_the_page
camera_menu 2 a
camera_menu 1 a
camera_menu 1 d
answer_driver Home
sleep 1
# The Images window from the "Enregistrement" page's sequencer button.
click_at "$main" 596 139
sleep 0.3
click_at "$main" 662 240
until_true 10 '[ -n "$(visible_window "^Images$")" ]' || { fail "no Images window"; exit 1; }
images=$(visible_window "^Images$")
sleep 0.5
mkdir -p "$work/out"
click_at "$images" 314 108
xdotool key ctrl+a
xdotool type --delay 10 "$work/out/seq_"
xdotool key Tab
# The wheel turns the page down to its end; the pointer ends over the list.
read -r ix iy _ _ <<<"$(client_of "$images")"
xdotool mousemove $((ix + 354)) $((iy + 296))
for _ in $(seq 12); do xdotool click 5; sleep 0.1; done
sleep 0.5
[ -n "${NJ_E2E_KEEP:-}" ] && import -window root "$work/wheel.png"
# For 3 seconds: with "images" kept, every frame of the camera is saved.
click_at "$images" 60 391
click_at "$images" 244 391
xdotool key ctrl+a
xdotool type 3
xdotool key Tab
click_at "$images" 389 391
xdotool key Escape Home Down
click_at "$images" 48 432   # the sequencer's start, a green triangle
sequence_written "$work/out" 3
every=$(files_in "$work/out")
[ "$every" -ge 8 ] || fail "every image for 3 seconds wrote $every files: the list under the wheel changed"

case_name=stream_sequence
camera_menu 1 Up Up Right Down Return
activate "$images"
click_at "$images" 144 296
xdotool key ctrl+a
xdotool type 2
xdotool key Tab
click_at "$images" 354 296
xdotool key Escape Home Down
click_at "$images" 244 391
xdotool key ctrl+a
xdotool type 7
xdotool key Tab
click_at "$images" 48 432
sequence_written "$work/out" 7
timed=$(( $(files_in "$work/out") - every ))
[ "$timed" -eq 4 ] || fail "one image every 2 seconds for 7 seconds in stream mode wrote $timed files, not 4"
[ -n "${NJ_E2E_KEEP:-}" ] && import -window root "$work/timed.png"

case_name=started_with_pause_down
before=$(files_in "$work/out")
click_at "$images" 144 296
xdotool key ctrl+a
xdotool type 1
xdotool key Tab
click_at "$images" 354 296
xdotool key Escape Home
click_at "$images" 244 391
xdotool key ctrl+a
xdotool type 3
xdotool key Tab
click_at "$images" 389 391
xdotool key Escape Home
click_at "$images" 398 432   # pause, pressed before the start
click_at "$images" 48 432
until_true 30 '[ "$(files_in "$work/out")" -ge $((before + 3)) ]'
sleep 2
paused=$(( $(files_in "$work/out") - before ))
[ "$paused" -eq 3 ] || fail "every image for 3 images, pause pressed before the start, wrote $paused files, not 3"
[ -n "${NJ_E2E_KEEP:-}" ] && import -window root "$work/paused.png"
camera_menu 1 a

case_name=film_cut_short
[ -n "$images" ] && { close_with_alt_f4 "$images" || fail "the Images window stays"; }
write_film "$work/whole.avi" 100
write_film "$work/thirty.avi" 30
head -c $(( $(stat -c %s "$work/thirty.avi") / 2 )) "$work/thirty.avi" >"$work/cut.avi"
[ -n "$(visible_window "^Message$")" ] && close_with_alt_f4 "$(visible_window "^Message$")"
open_file "$work/cut.avi"
if until_true 10 '[ -n "$(visible_window "^Message$")" ]'; then
  [ -n "${NJ_E2E_KEEP:-}" ] && import -window root "$work/cut-film.png"
  close_with_alt_f4 "$(visible_window "^Message$")" || fail "the message window stays"
else
  fail "opening a film cut short says nothing"
fi

case_name=film_after_starts_given_up
open_file "$work/whole.avi"
until_true 10 '[ -n "$(visible_window "^Contrôle de lecture$")" ]' || fail "the player does not show"
activate "$(visible_window "^Contrôle de lecture$")"
sleep 0.2
keys Right   # plays forward
until_true 10 '[ "$(source_one_changes)" -gt 0 ]' || fail "the film does not play"
for camera in 1 2; do
  camera_menu "$camera" d
  driver_keys Escape
  until_true 10 '[ "$(source_one_changes)" -gt 0 ]'
  changed=$(source_one_changes)
  [ "$changed" -gt 0 ] || fail "the film stands still after camera $camera's start was given up"
  [ -n "$(visible_window "^Contrôle de lecture$")" ] || fail "the player went with camera $camera's start given up"
done
[ -n "${NJ_E2E_KEEP:-}" ] && import -window root "$work/film-plays-on.png"

echo "source 1 after the picture and camera 2, after the refused picture; files: every frame $every, timed $timed, after a pause $paused; a film cut short told, a film playing on after two starts given up"
if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  tail -20 "$work/program.log"
  exit 1
fi
echo "all passed"
