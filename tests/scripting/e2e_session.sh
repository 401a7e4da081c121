# Sourced by the out-of-process script tests with their arguments
# (BUILD_DIR SOURCE_DIR [CASE...]): starts a virtual X server, a window
# manager and the real program in a program directory of its own with the
# LX200 simulator on COM20, and gives the cases what a user sees and does.
# The sourcing script defines its cases, runs them with run_case and ends
# with finish.

build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
shift 2
only=("$@")

program="$build/src/nightjarpro"
client="$build/src/nightjarpro-dde"
# shellcheck source=../support/x11_session.sh
source "$source_dir/tests/support/x11_session.sh"
need_tools Xvfb openbox xdotool xwininfo xprop

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

xvfb_pid="" ; wm_pid="" ; app_pid="" ; pulse_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null
  wait 2>/dev/null
  if [ "${failures:-1}" -eq 0 ] && [ -z "${NJ_E2E_KEEP:-}" ]; then rm -rf "$work"; else echo "kept: $work"; fi
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); session_report; }

# --- the display, the window manager and the program ------------------------
start_x11_display 1280x1024 "$work"

# The sound output: a PulseAudio server of this run with one null output,
# whose monitor is recorded; the program plays on it. Without pulseaudio and
# parec the program has no sound output and the sound cases are skipped.
unset PULSE_SERVER
if command -v pulseaudio >/dev/null && command -v parec >/dev/null; then
  mkdir -p "$work/pulse/home"
  chmod 700 "$work/pulse"
  env -u DBUS_SESSION_BUS_ADDRESS HOME="$work/pulse/home" XDG_CONFIG_HOME="$work/pulse/home" \
    XDG_RUNTIME_DIR="$work/pulse" pulseaudio --daemonize=no -n --system=false --use-pid-file=false \
    --exit-idle-time=-1 --log-target=stderr --log-level=error \
    -L "module-null-sink sink_name=nj_null rate=44100" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$work/pulse/native" >"$work/pulse.log" 2>&1 &
  pulse_pid=$!
  if until_true 10 '[ -S "$work/pulse/native" ]'; then
    export PULSE_SERVER="unix:$work/pulse/native"
  else
    echo "note: the sound server did not start: $(cat "$work/pulse.log")"
  fi
fi

export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
export NIGHTJARPRO_BOX_LOG="$boxlog"
program_log="$work/program.log"
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

# The window with the keyboard, once it has kept it for 0.3 s (at most 3 s
# on a quiet machine):
# a box just answered gives the keyboard back to the window it came over a
# moment after it is gone, as the window manager and the program pass it on.
settled_active_window() {
  local last="" now n=0 still=0
  while [ $n -lt $((30 * e2e_patience)) ]; do
    now=$(xdotool getactivewindow 2>/dev/null)
    if [ "$now" = "$last" ]; then
      still=$((still + 1))
      [ $still -ge 3 ] && break
    else
      still=0
      last=$now
    fi
    sleep 0.1
    n=$((n + 1))
  done
  echo "$last"
}

# Brings a window to the front and presses keys in it, as a user would: the
# user looks at the screen, so the keys go in once the window has the
# keyboard.
press_in() {
  local win=$1 try
  shift
  settled_active_window >/dev/null
  for try in 1 2 3; do
    activate "$win" || timeout $((5 * e2e_patience)) xdotool windowfocus --sync "$win" >/dev/null 2>&1
    sleep 0.2
    [ "$(settled_active_window)" = "$win" ] && break
  done
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
    activate "$win"
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

# --- running the cases ------------------------------------------------------
# Runs one case (a name and the command with its arguments) unless other
# cases were named.
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

# The boxes seen, and the exit status: 0 when every case passed.
finish() {
  echo "boxes:"; sed 's/^/  /' "$boxlog"
  if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    tail -40 "$work/program.log"
    exit 1
  fi
  echo "all passed"
}
