# Shared by the end-to-end tests that run the real program as its own process
# under a virtual X server with a window manager. Source it; it defines:
#
#   need_tools TOOL...                ends the test as skipped (77) when a tool
#                                     is missing
#   until_true SECONDS CONDITION...   polls CONDITION (a shell command) every
#                                     0.1 s for at most SECONDS; its status
#
# The bounds of the waits for a state (until_true, settled, activate) are
# those of a quiet machine: a machine whose cores are all busy may take
# several times as long to reach the same state, so each wait is given
# NJ_E2E_PATIENCE (default 3) times its bound. A wait ends as soon as its
# state comes: only a check that fails takes the longer time.
#
#   start_x11_display WxH LOGDIR      starts Xvfb on a display no other
#                                     process holds (the server chooses it;
#                                     its lock file is written) at that size
#                                     and openbox on it; sets DISPLAY,
#                                     xvfb_pid and wm_pid; ends the test
#                                     when either does not start
#   end_display                       ends the program (app_pid; killed
#                                     after 5 s), the window manager and the
#                                     X server, so that another display can
#                                     be started
#   end_session                       for "trap end_session EXIT": ends them
#                                     (end_display) and removes $work unless
#                                     a case failed ($failures) or
#                                     NJ_E2E_KEEP is set
#
# and what the tests read off the window manager and do as a user:
#
#   main_window                       the program's main window, if shown
#   shown WIN                         WIN is mapped and viewable
#   client_of WIN, frame_of WIN       "left top width height" of its client
#                                     area, of its frame (title bar included)
#   overlap RECT1 RECT2               rectangles "x y w h" overlap
#   settled PROBE WIN                 PROBE's answer (client_of, frame_of) once
#                                     the program and the window manager have
#                                     stopped moving the window: the same three
#                                     times running, each read after the
#                                     program (app_pid, through $client) has
#                                     answered, so it has handled what the
#                                     window system told it before
#   stacking                          managed windows, bottom to top (decimal)
#   above WIN1 WIN2                   WIN1 stands above WIN2 in that order
#   click_at WIN DX DY [BUTTON]       clicks at DX,DY from WIN's client corner
#   free_spot WIN [title]             "x y" of a point of WIN's frame (of its
#                                     title bar only, with "title") that no
#                                     other window whose title matches $ON_TOP
#                                     (a regular expression, may be unset)
#                                     covers; status 1 when there is none
#   click_title WIN [quiet]           clicks WIN's title bar at such a point;
#                                     status 1 when it is covered whole,
#                                     after the test's fail unless "quiet"
#   in_sight WIN RECT                 what the windows whose titles match
#                                     $ON_TOP (or whose frames $TOP_FRAMES
#                                     lists, one a line) leave in sight of
#                                     WIN's frame on the $sw x $sh screen
#   most_in_sight WIN NAME            WIN (called NAME), a plain window
#                                     opened beside them, shows the most any
#                                     place would, a third of its title bar
#                                     at least, over the main window's top
#                                     $STRIP rows (menu bar, page tabs) only
#                                     where no place clear of them shows as
#                                     much; the test's fail otherwise
#   drag_by WIN DX DY                 drags WIN by DX,DY with the mouse by
#                                     its title bar, or with Alt from a point
#                                     of it (as openbox moves a window
#                                     grabbed anywhere) where no such window
#                                     leaves its title bar uncovered
#   keys KEY...                       presses and releases each key in turn
#   activate WIN                      asks the window manager to make WIN
#                                     the active window and waits for it, 5 s
#                                     at most (on a quiet machine)
#   close_with_alt_f4 WIN             closes WIN with the window manager's
#                                     Alt+F4; status 1 if it stays
#   session_report                    once per test (call it from fail): which
#                                     of the X server, the window manager and
#                                     the program still run, and the end of
#                                     their logs
#   new_program_dir DIR RUNDIR        a program folder as the program ships
#                                     (its files, the plug-ins, the converted
#                                     sky catalogues) and a private runtime
#                                     folder; needs $build and $source_dir
#   start_program_in DIR LOG          starts the program in DIR as its own
#                                     process (app_pid), its output in LOG,
#                                     and waits for its remote control and
#                                     main window; needs $program, $client
#                                     and the test's fail; status 1 if not
#   on_each_screen FUNC LOGDIR SIZE...  runs FUNC SIZE for every size side by
#                                     side (each starts its own display) and
#                                     prints their outputs in turn; adds the
#                                     sizes that failed to $failures

end_display() {
  if [ -n "${app_pid:-}" ]; then
    kill "$app_pid" 2>/dev/null
    local n=0
    while kill -0 "$app_pid" 2>/dev/null && [ $n -lt 50 ]; do sleep 0.1; n=$((n + 1)); done
    kill -9 "$app_pid" 2>/dev/null
    wait "$app_pid" 2>/dev/null
  fi
  # (A window manager a test holds stopped ends only once let go on.)
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null && kill -CONT "$wm_pid" 2>/dev/null
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "${wm_pid:-}" ] && wait "$wm_pid" 2>/dev/null
  [ -n "${xvfb_pid:-}" ] && wait "$xvfb_pid" 2>/dev/null
  app_pid="" wm_pid="" xvfb_pid=""
  return 0
}

end_session() {
  end_display
  if [ "${failures:-1}" -eq 0 ] && [ -z "${NJ_E2E_KEEP:-}" ]; then rm -rf "$work"; else echo "kept: $work"; fi
}

need_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh)"; exit 77; }
  done
}

e2e_patience=${NJ_E2E_PATIENCE:-3}

until_true() {
  local seconds=$(($1 * e2e_patience)); shift
  local end=$((SECONDS + seconds))
  while [ $SECONDS -lt $end ]; do
    if eval "$@"; then return 0; fi
    sleep 0.1
  done
  eval "$@"
}

# Xvfb -displayfd takes the first display number no server listens on (its
# log then holds a "SocketCreateListener() failed" and a "server already
# running" for each number it found taken: its way of looking, not a
# clash), but writes no lock file (/tmp/.X<n>-lock), by which other
# programs (xvfb-run, scripts starting "Xvfb :<n>") tell a number in use:
# one of them would start its own server on that number, see it fail, and
# run its programs on this display, among the test's windows. The lock is
# written here and goes with the server. False when another live process
# holds it: the number is left to that process.
claim_display() {
  local lock="/tmp/.X$1-lock" holder
  if ! (set -o noclobber; printf '%10d\n' "$xvfb_pid" >"$lock") 2>/dev/null; then
    holder=$(tr -d ' \n' <"$lock" 2>/dev/null)
    [ -n "$holder" ] && [ "$holder" != "$xvfb_pid" ] && kill -0 "$holder" 2>/dev/null && return 1
    printf '%10d\n' "$xvfb_pid" >"$lock" 2>/dev/null || return 1
  fi
  (tail --pid="$xvfb_pid" -f /dev/null
   [ "$(tr -d ' \n' <"$lock" 2>/dev/null)" = "$xvfb_pid" ] && rm -f "$lock") </dev/null >/dev/null 2>&1 &
  return 0
}

start_x11_display() {
  local size=$1 logs=$2 display="" attempt passed=()
  # A server that ended before naming its display is started again; so is
  # one whose number another process holds, kept running meanwhile so that
  # the next one takes another number.
  for attempt in 1 2 3 4 5; do
    display=""
    exec 5<> <(:)
    # -noreset: the server keeps its state when its last client goes (a
    # probe of the tests disconnecting before the window manager connected
    # would otherwise reset it under the window manager's first connection).
    Xvfb -displayfd 5 -screen 0 "${size}x24" -nolisten tcp -noreset >"$logs/xvfb-$size.log" 2>&1 &
    xvfb_pid=$!
    # (Up to a minute: on a busy machine the server takes its time.)
    for _ in $(seq 300); do
      read -r -t 0.2 display <&5 && break
      kill -0 "$xvfb_pid" 2>/dev/null || break
    done
    exec 5<&-
    [ -n "$display" ] && claim_display "$display" && break
    if [ -n "$display" ]; then
      passed+=("$xvfb_pid")
    else
      kill "$xvfb_pid" 2>/dev/null
      wait "$xvfb_pid" 2>/dev/null
      sleep "0.$((RANDOM % 8 + 2))"
    fi
    display=""
  done
  for attempt in "${passed[@]}"; do kill "$attempt" 2>/dev/null; wait "$attempt" 2>/dev/null; done
  [ -n "$display" ] || { echo "FAIL: the virtual X server did not start"; cat "$logs/xvfb-$size.log"; exit 1; }
  export DISPLAY=":$display"
  x11_logs=("$logs/xvfb-$size.log" "$logs/openbox-$size.log")
  # The window manager runs once it names its check window on the root
  # window ("window id # 0x..."; without one xprop says "no such atom on any
  # window"). One that ended at its start is started again.
  for attempt in 1 2 3; do
    openbox >>"$logs/openbox-$size.log" 2>&1 &
    wm_pid=$!
    until_true 60 '! kill -0 "$wm_pid" 2>/dev/null || xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id #"'
    kill -0 "$wm_pid" 2>/dev/null && xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id #" && return 0
    kill "$wm_pid" 2>/dev/null
    wait "$wm_pid" 2>/dev/null
    sleep 0.5
  done
  echo "FAIL: the window manager did not start"
  cat "$logs/openbox-$size.log"
  exit 1
}

# (What the tests read off the window manager is parsed in the shell: a
# program started for each value costs more than its answer on a busy
# machine, where these are read thousands of times.)
main_window() {
  local found
  found=$(xdotool search --onlyvisible --name "^Nightjar Pro 2.3 \\(Release" 2>/dev/null)
  echo "${found%%$'\n'*}"
}
shown() { [[ $(xwininfo -id "$1" 2>/dev/null) == *IsViewable* ]]; }

client_of() {
  local info
  info=$(xwininfo -id "$1" 2>/dev/null) || return 1
  [[ $info =~ Absolute\ upper-left\ X:\ *(-?[0-9]+).*Absolute\ upper-left\ Y:\ *(-?[0-9]+).*Width:\ *([0-9]+).*Height:\ *([0-9]+) ]] \
    || return 1
  echo "${BASH_REMATCH[1]} ${BASH_REMATCH[2]} ${BASH_REMATCH[3]} ${BASH_REMATCH[4]}"
}

frame_of() {
  local x y w h ext l r t b
  read -r x y w h <<<"$(client_of "$1")" || return 1
  [ -n "$h" ] || return 1
  ext=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null)
  if [[ $ext =~ =\ *([0-9]+),\ *([0-9]+),\ *([0-9]+),\ *([0-9]+) ]]; then
    l=${BASH_REMATCH[1]} r=${BASH_REMATCH[2]} t=${BASH_REMATCH[3]} b=${BASH_REMATCH[4]}
  else
    l=0 r=0 t=0 b=0
  fi
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}

# True when rectangles "x y w h" $1 and $2 overlap.
overlap() {
  local ax ay aw ah bx by bw bh
  read -r ax ay aw ah <<<"$1"
  read -r bx by bw bh <<<"$2"
  [ "$ax" -lt $((bx + bw)) ] && [ "$bx" -lt $((ax + aw)) ] && [ "$ay" -lt $((by + bh)) ] && [ "$by" -lt $((ay + ah)) ]
}

# A round trip through the program's event loop (its remote control), when
# the test runs the program: what the window system told it before has been
# handled, and what it does about it asked of the window manager. A program
# busy with a box waiting for its answer is waited for a moment only.
program_answered() {
  [ -n "${app_pid:-}" ] && [ -n "${client:-}" ] && kill -0 "$app_pid" 2>/dev/null || return 0
  timeout 3 "$client" request DDEServerItem >/dev/null 2>&1
  return 0
}

settled() {
  local probe=$1 win=$2 last now n=0 same=0
  program_answered
  last=$("$probe" "$win") || return 1
  while [ $n -lt $((30 * e2e_patience)) ]; do
    sleep 0.2
    program_answered
    now=$("$probe" "$win") || return 1
    if [ "$now" = "$last" ]; then
      same=$((same + 1))
      [ $same -ge 2 ] && { echo "$now"; return 0; }
    else
      same=0
    fi
    last=$now
    n=$((n + 1))
  done
  echo "$now"
}

stacking() {
  local id
  for id in $(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,/ /g'); do printf '%d\n' "$id"; done
}

above() {
  local order a b
  order=$(stacking)
  a=$(grep -nx "$1" <<<"$order" | cut -d: -f1)
  b=$(grep -nx "$2" <<<"$order" | cut -d: -f1)
  [ -n "$a" ] && [ -n "$b" ] && [ "$a" -gt "$b" ]
}

click_at() {
  local win=$1 dx=$2 dy=$3 button=${4:-1} x y w h
  read -r x y w h <<<"$(client_of "$win")" || return 1
  # (--sync would wait for a move that never comes when the pointer is there.)
  xdotool mousemove $((x + dx)) $((y + dy))
  sleep 0.05
  xdotool click "$button"
}

free_spot() {
  local win=$1 x y w h px py w2 fx fy fw fh free rows frames=()
  read -r x y w h <<<"$(frame_of "$win")"
  for w2 in $([ -n "${ON_TOP:-}" ] && xdotool search --onlyvisible --name "$ON_TOP" 2>/dev/null); do
    [ "$w2" != "$win" ] && frames+=("$(frame_of "$w2")")
  done
  rows=$((y + 8))
  [ "${2:-}" = title ] || rows="$rows $(seq $((y + 32)) 24 $((y + h - 8)))"
  for py in $rows; do
    for px in $(seq $((x + 40)) 24 $((x + w - 90))); do
      free=1
      for w2 in "${frames[@]}"; do
        read -r fx fy fw fh <<<"$w2"
        [ "$px" -ge "$fx" ] && [ "$px" -lt $((fx + fw)) ] && [ "$py" -ge "$fy" ] && [ "$py" -lt $((fy + fh)) ] && free=0
      done
      [ $free -eq 1 ] && { echo "$px $py"; return 0; }
    done
  done
  return 1
}

click_title() {
  local px py
  if ! read -r px py <<<"$(free_spot "$1" title)" || [ -z "$py" ]; then
    [ "${2:-}" = quiet ] || fail "\"$(xdotool getwindowname "$1")\": its title bar is covered whole"
    return 1
  fi
  xdotool mousemove "$px" "$py"
  sleep 0.05
  xdotool click 1
  sleep 0.5
}

# In thousandths: the share of WIN's pixels; the share of its title bar's
# width (its top 20 rows) left whole; the most any place of the screen with
# a third of its title bar whole leaves of a frame that size; the same among
# the places clear of RECT ("x y w h").
in_sight() {
  local win=$1 frames=() w
  if [ -n "${TOP_FRAMES:-}" ]; then
    mapfile -t frames <<<"$TOP_FRAMES"
  else
    for w in $(xdotool search --onlyvisible --name "$ON_TOP" 2>/dev/null); do
      [ "$w" != "$win" ] && frames+=("$(frame_of "$w")")
    done
  fi
  python3 - "$sw $sh" "$(frame_of "$win")" "$2" "${frames[@]}" <<'EOF'
import sys
(sw, sh), (x, y, w, h), bar, *tops = [tuple(map(int, a.split())) for a in sys.argv[1:]]
def parts(rx, ry, rh):
    for a, b, c, d in tops:
        p = max(rx, a), max(ry, b), min(rx + w, a + c), min(ry + rh, b + d)
        if p[0] < p[2] and p[1] < p[3]:
            yield p
def shown(rx, ry):
    ps, covered = list(parts(rx, ry, h)), 0
    xs = sorted({v for p in ps for v in (p[0], p[2])})
    for x0, x1 in zip(xs, xs[1:]):
        end = rows = 0
        for t, b in sorted((p[1], p[3]) for p in ps if p[0] <= x0 and p[2] >= x1):
            rows, end = rows + max(0, b - max(t, end)), max(end, b)
        covered += rows * (x1 - x0)
    return 1 - covered / (w * h)
def title(rx, ry):
    widest, start = 0, rx
    for l, r in sorted((p[0], p[2]) for p in parts(rx, ry, 20)):
        widest, start = max(widest, l - start), max(start, r)
    return max(widest, rx + w - start) / w
places = [(a, b) for b in range(0, sh - h + 1, 4) for a in range(0, sw - w + 1, 4) if title(a, b) * 3 >= 1]
clear = [(a, b) for a, b in places if not (a < bar[0] + bar[2] and bar[0] < a + w and b < bar[1] + bar[3] and bar[1] < b + h)]
most = lambda ps: max([shown(*p) for p in ps] or [0])
print(*(round(1000 * v) for v in (shown(x, y), title(x, y), most(places), most(clear))))
EOF
}

most_in_sight() {
  local win=$1 name=$2 frame strip shown title most clear mx my mw
  frame=$(settled frame_of "$win")
  read -r mx my mw _ <<<"$(client_of "$(main_window)")"
  strip="$mx $my $mw $STRIP"
  read -r shown title most clear <<<"$(in_sight "$win" "$strip")"
  echo "  $name: frame $frame, $((shown / 10))% in sight (the most: $((most / 10))%), its title bar $((title / 10))%"
  [ "$title" -ge 333 ] || fail "$name: frame $frame opens with $((title / 10))% of its title bar in sight"
  [ "$shown" -ge $((most - 20)) ] \
    || fail "$name: frame $frame opens $((shown / 10))% in sight; a place leaving $((most / 10))% in sight was free"
  if overlap "$frame" "$strip" && [ "$clear" -ge $((shown + (shown < 1000 ? 5 : 0))) ]; then
    fail "$name: frame $frame covers the main window's menu bar or page tabs; a place below them leaving as much in sight was free"
  fi
}

drag_by() {
  local win=$1 dx=$2 dy=$3 px py alt=""
  if ! read -r px py <<<"$(free_spot "$win" title)" || [ -z "$py" ]; then
    read -r px py <<<"$(free_spot "$win")" && [ -n "$py" ] || return 1
    alt=1
  fi
  xdotool mousemove "$px" "$py"
  [ -n "$alt" ] && xdotool keydown alt
  xdotool mousedown 1
  sleep 0.2
  xdotool mousemove $((px + dx / 2)) $((py + dy / 2))
  sleep 0.2
  xdotool mousemove $((px + dx)) $((py + dy)) mouseup 1
  [ -n "$alt" ] && xdotool keyup alt
  sleep 0.3
}

keys() {
  local k
  for k in "$@"; do
    xdotool key --clearmodifiers "$k"
    sleep 0.05
  done
}

# xdotool's --sync waits for the window manager to say the window is active:
# without a time limit a window manager that has gone, or a window it will
# not activate, would hold the test until it is killed, telling nothing.
activate() { timeout $((5 * e2e_patience)) xdotool windowactivate --sync "$1" >/dev/null 2>&1; }

# Closes WIN as the user does with the window manager's Alt+F4, and waits
# for it to go. Under load the window manager now and then lets the keys
# through to the window instead of taking them: the keys are given again,
# twice at most. Status 1 when the window stays.
close_with_alt_f4() {
  local win=$1 try
  for try in 1 2 3; do
    activate "$win"
    sleep 0.1
    xdotool key --clearmodifiers alt+F4
    until_true 3 '! shown "$win"' && return 0
  done
  return 1
}

new_program_dir() {
  mkdir -p "$1/Plugins" "$2"
  chmod 700 "$2"
  cp -r "$source_dir/resources/programdir/." "$1/"
  cp "$build"/Plugins/NJ_*.so "$1/Plugins/"
  # The sky chart draws its catalogues when they were built.
  cp "$build"/skydata/*.dat "$1/" 2>/dev/null
  return 0
}

start_program_in() {
  local dir=$1 log=$2
  program_log=$log
  (cd "$dir" && exec "$program" >"$log" 2>&1) &
  app_pid=$!
  until_true 60 '"$client" request DDEServerItem >/dev/null 2>&1' \
    || { fail "the program's remote control does not answer"; cat "$log"; return 1; }
  until_true 30 '[ -n "$(main_window)" ]' || { fail "the main window is not on screen"; return 1; }
  # The settings, the menus and the window layout come at the main window's
  # first activation: once the window manager has made it the active window,
  # the program has handled that when it next answers.
  until_true 10 '[ "$(xdotool getactivewindow 2>/dev/null)" = "$(main_window)" ]'
  program_answered
}

on_each_screen() {
  local func=$1 logs=$2 i
  shift 2
  local sizes=("$@") pids=()
  for i in "${!sizes[@]}"; do
    ("$func" "${sizes[$i]}") >"$logs/out-${sizes[$i]}.log" 2>&1 &
    pids+=($!)
  done
  for i in "${!sizes[@]}"; do
    wait "${pids[$i]}" || failures=$((failures + 1))
    echo "screen ${sizes[$i]}"
    cat "$logs/out-${sizes[$i]}.log"
  done
}

# What ran when a check first failed: a window manager or X server gone, or a
# program ended, explains the failures after it.
session_report() {
  [ -z "${session_reported:-}" ] || return 0
  session_reported=1
  local name pid file
  for name in "X server:${xvfb_pid:-}" "window manager:${wm_pid:-}" "program:${app_pid:-}"; do
    pid=${name##*:}
    [ -n "$pid" ] || continue
    if kill -0 "$pid" 2>/dev/null; then echo "  (${name%%:*} running)"; else echo "  (${name%%:*} ended)"; fi
  done
  # (Without the lines of the X server looking for a free display.)
  for file in "${x11_logs[@]}" ${program_log:+"$program_log"}; do
    [ -s "$file" ] || continue
    echo "  (end of $file)"
    grep -v -e '^_XSERVTransSocketUNIXCreateListener: \.\.\.SocketCreateListener() failed$' \
      -e '^_XSERVTransMakeAllCOTSServerListeners: server already running$' "$file" | tail -n 8 | sed 's/^/    /'
  done
}

# --- every window's share in sight ------------------------------------------
#
#   sight_of_shown                    for each managed window shown, bottom to
#                                     top: "ID SHARE NAME", SHARE the
#                                     thousandths of its frame that lie on the
#                                     $sw x $sh screen under no frame standing
#                                     above it in the window manager's
#                                     stacking order (title bar included)
sight_of_shown() {
  local id frames=()
  for id in $(stacking); do
    shown "$id" || continue
    frames+=("$id $(frame_of "$id") $(xdotool getwindowname "$id" 2>/dev/null)")
  done
  python3 - "$sw $sh" "${frames[@]}" <<'PYEOF'
import sys
sw, sh = map(int, sys.argv[1].split())
wins = []
for a in sys.argv[2:]:
    f = a.split(' ', 5)
    wins.append((f[0], tuple(map(int, f[1:5])), f[5] if len(f) > 5 else ''))
def covered(r, covers):
    x, y, w, h = r
    ps = []
    for a, b, c, d in covers:
        p = max(x, a), max(y, b), min(x + w, a + c), min(y + h, b + d)
        if p[0] < p[2] and p[1] < p[3]:
            ps.append(p)
    xs, total = sorted({v for p in ps for v in (p[0], p[2])}), 0
    for x0, x1 in zip(xs, xs[1:]):
        rows, end = 0, -10**9
        for t, b in sorted((p[1], p[3]) for p in ps if p[0] <= x0 and p[2] >= x1):
            rows, end = rows + max(0, b - max(t, end)), max(end, b)
        total += rows * (x1 - x0)
    return total
for i, (wid, (x, y, w, h), name) in enumerate(wins):
    # What lies off the screen counts as hidden.
    outside = [(-10**6, -10**6, 10**6, 3 * 10**6), (sw, -10**6, 10**6, 3 * 10**6),
               (-10**6, -10**6, 3 * 10**6, 10**6), (-10**6, sh, 3 * 10**6, 10**6)]
    above = [r for _, r, _ in wins[i + 1:]]
    share = 1 - covered((x, y, w, h), above + outside) / (w * h) if w * h else 0
    print(wid, round(1000 * share), name)
PYEOF
}
