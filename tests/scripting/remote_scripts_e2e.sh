#!/usr/bin/env bash
# Runs users' scripts in the real program as an observatory's automation
# starts them: the program runs as its own process under a virtual X server
# with a window manager, each script is started through the remote-control
# client (callfar), the capture-driver choice and the boxes are answered with
# the keyboard as a user does, and the boxes (logged by the program through
# NIGHTJARPRO_BOX_LOG), the files written and the script window's caption are
# checked.
#
#   remote_scripts_e2e.sh BUILD_DIR SOURCE_DIR [CASE...]
#
# Every case runs unless some are named. Exit status 0 when all pass.
set -u

build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
shift 2
only=("$@")

program="$build/src/nightjarpro"
client="$build/src/nightjarpro-dde"
for tool in Xvfb openbox xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh)"; exit 77; }
done

work=$(mktemp -d /tmp/nj-remote-e2e.XXXXXX)
prog="$work/prog"
out="$work/out"
boxlog="$work/boxes.log"
mkdir -p "$work/run" "$prog/Plugins" "$prog/Scripts" "$out"
chmod 700 "$work/run"
cp -r "$source_dir/resources/programdir/." "$prog/"
cp "$build"/Plugins/NJ_*.so "$prog/Plugins/"
# The mount: LX200 on COM20, the built-in simulated mount (comports.map).
printf '[Prefs]\r\nLangue=1\r\n[Autoguide]\r\nRDB_Aucun.Checked=0\r\nRDB_LX200.Checked=1\r\nAG_PortSerie=19\r\n' >"$prog/NightjarPro.ini"
: >"$boxlog"

xvfb_pid="" ; wm_pid="" ; app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  if [ "${failures:-1}" -eq 0 ] && [ -z "${NJ_E2E_KEEP:-}" ]; then rm -rf "$work"; else echo "kept: $work"; fi
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }

# shellcheck source=../support/x11_session.sh
source "$source_dir/tests/support/x11_session.sh"

# --- the display, the window manager and the program ------------------------
start_x11_display 1280x1024 "$work"

export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
export NIGHTJARPRO_BOX_LOG="$boxlog"
(cd "$prog" && exec "$program" >"$work/program.log" 2>&1) &
app_pid=$!
until_true 60 '"$client" request DDEServerItem >/dev/null 2>&1' \
  || { echo "FAIL: the program's remote control does not answer"; cat "$work/program.log"; exit 1; }
# The start-up finishes at the main window's first activation.
until_true 30 'xdotool search --name "^Nightjar Pro 2.3 \\(Release" >/dev/null 2>&1' \
  || echo "note: the main window's title is not the application's"

alive() { kill -0 "$app_pid" 2>/dev/null; }
# The user watches the script window.
"$client" execute "window.scripts(show)" || echo "note: window.scripts(show) refused"

# --- what a user sees and does -----------------------------------------------
box_count() { grep -c "^shown : " "$boxlog"; }
closed_count() { grep -c "^closed : " "$boxlog"; }

# The visible window whose title matches, or nothing.
visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }

# Brings a window to the front and presses keys in it, as a user would.
press_in() {
  local win=$1; shift
  xdotool windowactivate --sync "$win" >/dev/null 2>&1 || xdotool windowfocus --sync "$win" >/dev/null 2>&1
  sleep 0.2
  xdotool key --clearmodifiers "$@"
}

# Answers the capture-driver choice: the first entry (the built-in simulated
# camera) or, with "last", the last one (the simulator plug-in's camera).
# With "hold", Enter is held down a moment, as a hand resting on the key
# does: the key repeats into whatever window has the focus next.
answer_driver() {
  local which=${1:-first} how=${2:-press} win
  until_true 20 '[ -n "$(visible_window "^Pilote de capture")" ]' || { fail "no driver choice"; return 1; }
  win=$(visible_window "^Pilote de capture")
  # The list has the focus: End picks its last entry.
  [ "$which" = last ] && press_in "$win" End
  if [ "$how" = hold ]; then
    xdotool windowactivate --sync "$win" >/dev/null 2>&1
    sleep 0.2
    xdotool keydown Return
    sleep 1.2
    xdotool keyup Return
  else
    press_in "$win" Return
  fi
  until_true 10 '[ -z "$(visible_window "^Pilote de capture")" ]' || fail "the driver choice stays open"
}

# Waits for the next box (after $1 boxes), checks its text ($2, a grep -F
# pattern of the whole line "shown : title : text") and that it is on screen
# under the application's title, then answers it with Return.
expect_box() {
  local before=$1 text=$2 win line
  if ! until_true "${3:-30}" '[ "$(box_count)" -gt "$before" ]'; then
    fail "no box \"$text\""
    return 1
  fi
  line=$(grep "^shown : " "$boxlog" | sed -n "$((before + 1))p")
  [ "$line" = "shown : Nightjar Pro 2.3 : $text" ] || fail "box \"$line\", expected \"$text\""
  if ! until_true 10 '[ -n "$(visible_window "^Nightjar Pro 2.3$")" ]'; then
    fail "the box \"$text\" is not on screen"
    return 1
  fi
  local closed_before
  closed_before=$(closed_count)
  [ "$closed_before" -eq "$before" ] || fail "the box \"$text\" closed by itself"
  win=$(visible_window "^Nightjar Pro 2.3$")
  press_in "$win" Return
  until_true 10 '[ "$(closed_count)" -gt "$closed_before" ]' || fail "the box \"$text\" does not close on Return"
}

# Clicks in a window at an offset from its top left corner (negative: from
# its right or bottom edge).
click_in() {
  local info x y w h dx=$2 dy=$3
  info=$(xwininfo -id "$1") || return 1
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/^ *Width: *//p' <<<"$info")
  h=$(sed -n 's/^ *Height: *//p' <<<"$info")
  [ "$dx" -lt 0 ] && dx=$((w + dx))
  [ "$dy" -lt 0 ] && dy=$((h + dy))
  xdotool mousemove --sync $((x + dx)) $((y + dy)) click 1
}

script_caption() {
  local w
  w=$(xdotool search --name "^Scripts : " 2>/dev/null | head -1)
  [ -n "$w" ] && xdotool getwindowname "$w"
}
script_idle() { script_caption | grep -q "^Scripts : $"; }
script_runs_file() { script_caption | grep -q "^Scripts : .*$1"; }

# Starts a script file of the Scripts folder through the remote client.
start_script() {
  local name=$1
  printf '%s' "$2" | sed 's/$/\r/' >"$prog/Scripts/$name"
  "$client" execute "callfar(\"$name\")" || fail "the remote client was refused"
}

# Stops whatever still runs with the script window's menu "Arreter", the
# fifth of its menu bar.
stop_from_script_window() {
  local w
  w=$(xdotool search --onlyvisible --name "^Scripts : " 2>/dev/null | head -1)
  [ -n "$w" ] && click_in "$w" 277 9
}

files_in() { find "$out/$1" -type f 2>/dev/null | wc -l; }

should_run() {
  [ ${#only[@]} -eq 0 ] && return 0
  local c
  for c in "${only[@]}"; do [ "$c" = "$1" ] && return 0; done
  return 1
}

# --- the cases ---------------------------------------------------------------

case_filetype_error() {
  local camera=$1 n
  mkdir -p "$out/ft$camera"
  n=$(box_count)
  start_script "ft$camera.txt" "camera(1,start)
image.sequence.prefix(\"$out/ft$camera/img\")
image.sequence.filetype(jpg)
image.sequence(save)
camera(1,stop)"
  answer_driver "$camera" || return
  expect_box "$n" "Line 3 : jpg"
  until_true 10 script_idle || fail "the script window still runs: $(script_caption)"
}

case_integration() {
  local n
  n=$(box_count)
  start_script "stack.txt" "camera(1,start)
integration(on)
integration.type(dark)
integration.count(10)
integration(startwait)
integration.type(unique)
integration.count(20)
integration(startwait)
image.tabsource(result)
image.name(\"$out/stack.bmp\")
image.save
camera(1,stop)"
  answer_driver first hold || return
  until_true 90 '[ -f "$out/stack.bmp" ]' || fail "no stacked file after 90 s"
  until_true 20 script_idle || fail "the script window still runs: $(script_caption)"
  [ "$(box_count)" -eq "$n" ] || fail "boxes: $(tail -n +$((n + 1)) "$boxlog" | grep '^shown' | tr '\n' '|')"
}

case_loop() {
  local camera=$1 n files
  mkdir -p "$out/loop$camera"
  n=$(box_count)
  start_script "loop$camera.txt" "camera(1,start)
image.sequence.prefix(\"$out/loop$camera/img\")
:encore
image.sequence(save)
wait(1000)
jump(encore)"
  answer_driver "$camera" hold || return
  # It runs until the user stops it: still there after 8 s, a file a second.
  sleep 8
  files=$(files_in "loop$camera")
  [ "$files" -ge 5 ] || fail "only $files files after 8 s"
  script_runs_file "loop$camera.txt" || fail "the script window no longer runs it: $(script_caption)"
  # A single statement from another program meanwhile leaves the loop running.
  "$client" execute "messagebox.show(\"distant\")" || fail "the remote client was refused"
  sleep 3
  [ "$(files_in "loop$camera")" -ge $((files + 2)) ] || fail "the loop stopped after a remote statement"
  script_runs_file "loop$camera.txt" || fail "the script window no longer runs it: $(script_caption)"
  [ "$(box_count)" -eq "$n" ] || fail "boxes: $(tail -n +$((n + 1)) "$boxlog" | grep '^shown' | tr '\n' '|')"
  stop_from_script_window
  until_true 10 script_idle || fail "the stop did not stop it: $(script_caption)"
  "$client" execute "camera(1,stop)" >/dev/null
}

case_longexposure() {
  local n
  mkdir -p "$out/le"
  n=$(box_count)
  start_script "le.txt" "camera(1,start)
camera.mode(1,longexposure)
longexposure.length(1000)
longexposure.count(3)
image.sequence.prefix(\"$out/le/dark\")
image.sequence(start)
longexposure(startwait)
image.sequence(stop)
image.sequence.prefix(\"$out/le/light\")
image.sequence(start)
longexposure(startwait)
image.sequence(stop)
camera(1,stop)"
  answer_driver last hold || return
  until_true 60 'ls "$out/le" 2>/dev/null | grep -q "^light"' || fail "no light frame: $(ls "$out/le" | tr '\n' ' ')"
  until_true 60 script_idle || fail "the script window still runs: $(script_caption)"
  [ "$(box_count)" -eq "$n" ] || fail "boxes: $(tail -n +$((n + 1)) "$boxlog" | grep '^shown' | tr '\n' '|')"
}

case_showwait() {
  local n win before
  n=$(box_count)
  start_script "flats.txt" "messagebox.clear
messagebox.show(\"Debut de la nuit\")
wait(1500)
message.show(\"Pret pour les flats ?\")
messagebox.showwait(\"Mettre le cache puis Poursuivre\")
message.show(\"Flats\")"
  expect_box "$n" "Pret pour les flats ?"
  # The message window stays on screen with its "Poursuivre" while it waits.
  sleep 1.5
  win=$(visible_window "^Message")
  [ -n "$win" ] || { fail "the message window is not on screen"; return; }
  script_runs_file flats.txt || fail "the script no longer waits: $(script_caption)"
  before=$(box_count)
  # "Poursuivre" is the last button at the bottom right of the message window.
  [ -n "${NJ_E2E_SHOT:-}" ] && import -window root "$NJ_E2E_SHOT"
  click_in "$win" -40 -13
  expect_box "$before" "Flats"
  until_true 10 script_idle || fail "the script window still runs: $(script_caption)"
}

case_gotos() {
  local n m
  mkdir -p "$out/goto"
  n=$(box_count)
  start_script "gotos.txt" "camera(1,start)
goto.mode(absolute)
image.sequence.for(3,images)
goto.destination(00h20m00s,05d00m00s)
goto.execute
image.sequence.prefix(\"$out/goto/m1_\")
image.sequence(startwait)
goto.destination(00h40m00s,10d00m00s)
goto.execute
image.sequence.prefix(\"$out/goto/m2_\")
image.sequence(startwait)
goto.destination(01h00m00s,05d00m00s)
goto.execute
image.sequence.prefix(\"$out/goto/m3_\")
image.sequence(startwait)
camera(1,stop)"
  answer_driver first hold || return
  until_true 90 script_idle || fail "the script window still runs: $(script_caption)"
  for m in m1 m2 m3; do
    [ "$(ls "$out/goto" | grep -c "^${m}_")" -ge 3 ] || fail "after the goto $m: $(ls "$out/goto" | tr '\n' ' ')"
  done
  [ "$(box_count)" -eq "$n" ] || fail "boxes: $(tail -n +$((n + 1)) "$boxlog" | grep '^shown' | tr '\n' '|')"
}

case_goto_error() {
  local n
  n=$(box_count)
  start_script "goto.txt" "wait(100)
goto.origin(12h30m,45d0m0s)"
  expect_box "$n" "Line 2 : 12h30m: Bad format, should be : XXhXXmXX.XXs"
  until_true 10 script_idle || fail "the script window still runs: $(script_caption)"
}

# --- run -----------------------------------------------------------------------
run_case() {
  case_name=$1
  shift
  should_run "$case_name" || return 0
  local before=$failures
  echo "case $case_name"
  "$@"
  alive || { fail "the program ended"; cat "$work/program.log"; exit 1; }
  [ "$failures" -eq "$before" ] && echo "  ok"
}

run_case filetype-builtin case_filetype_error first
run_case filetype-plugin case_filetype_error last
run_case loop-builtin case_loop first
run_case loop-plugin case_loop last
run_case integration case_integration
run_case longexposure case_longexposure
run_case showwait case_showwait
run_case gotos case_gotos
run_case goto-error case_goto_error

echo "boxes:"; sed 's/^/  /' "$boxlog"
if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  tail -40 "$work/program.log"
  exit 1
fi
echo "all passed"
