#!/usr/bin/env bash
# Which window stands above which, and where windows first open, as a user
# sees it: the real program runs as its own process under a virtual X server
# (800 x 600) with a window manager (openbox); windows are opened, clicked,
# maximised and closed with the mouse and the keyboard (xdotool), and the
# window manager's stacking order (_NET_CLIENT_LIST_STACKING), states
# (_NET_WM_STATE) and frames are read back.
#
#   - Windows without a stored place open whole on the screen, each at a
#     corner of its own, leaving the main window's menu bar and page tabs
#     uncovered (and its tool bars, for a window that fits beside them).
#   - Windows kept on top stay above every plain window, whatever is
#     shown, clicked or restored after them: the tracking and traffic
#     windows left open come back above the hand pad and the reference
#     image; the hand pad and the Preferences opened from a window kept on
#     top (the tracking window, the message window) open under it and stay
#     there when clicked or when their opener is chosen again from the menu
#     (it takes the keyboard); the message window comes in front with each
#     line; the script window chosen again stays above the motion
#     detection opened over it; the chart stays above its goto dialog. Once
#     the window kept on top is closed, a click on the main window brings
#     the main window above the plain window, which was never kept on top.
#   - Each window kept on top (the message, tracking, chart, script,
#     wizard, planner, button properties, display, focusing, measurement,
#     kernel grid, full-screen, preview, histogram and resources windows),
#     opened as a user opens it, stays above the hand pad clicked after it.
#   - The full-screen window maximised and restored with its title bar's
#     button is on top again, at its size before.
#   - A plain window shown where windows kept on top would cover it (the
#     Preferences from the menu, the image window from a script, under the
#     tracking and message windows) opens under them and stays under them
#     when clicked, shown again or when one of them is closed or minimised;
#     minimising one leaves the other shown. Of two plain windows, the one
#     shown last (the image window from a script, over the Preferences,
#     while a script brings its windows forward) stays in front of the
#     other. The About box, which waits for its Ok, stands in front of them
#     all, clicked too, until Return or Escape answers it.
#   - A plain window opened for the first time where windows kept on top
#     would cover it opens where they leave the most of it in sight, a
#     third of its title bar at least, clear of the main window's menu bar
#     and page tabs where that costs nothing in sight: the goto dialog from
#     the chart; then, in a fresh program folder on a 1024 x 768 screen as a
#     user first meets them, the image window beside the tracking and
#     message windows, the motion detection beside the tracking and script
#     windows, the lost-star window and the long-exposure window beside the
#     tracking and message windows, the goto dialog beside the chart.
#   - What the windows that stay on top open (the measurement window's, the
#     display window's, the planner's and the function button's file
#     dialogs, the big FWHM window, the kernel grid, the script window)
#     opens above them, whole on the screen; the big FWHM window opens clear
#     of the display window, whose next click would hide it.
#   - In that fresh program folder, whose settings file holds a value that
#     cannot be read (a note at the start tells it), the message window
#     closed and shown again by a line of the remote client comes back where
#     it showed first, and the Preferences opened beside it and the tracking
#     window after each line open at one place, whole on the screen.
#   - Windows left open come back stacked as they were left, after two
#     restarts; at a third, a value made unreadable again, the note the
#     start shows stands in front of them all, whole, with the keyboard.
#
#   window_stacking_e2e.sh BUILD_DIR SOURCE_DIR
#
# NJ_E2E_SHOTS=DIR keeps a screenshot at each step checked. Exit status 0
# when all pass, 77 when a tool is missing.
set -u

build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
program="$build/src/nightjarpro"
client="$build/src/nightjarpro-dde"
# shellcheck source=../support/x11_session.sh
source "$source_dir/tests/support/x11_session.sh"
need_tools Xvfb openbox xdotool xwininfo xprop python3

work=$(mktemp -d /tmp/nj-stacking-e2e.XXXXXX)
xvfb_pid="" ; wm_pid="" ; app_pid=""
failures=0
sw=800 ; sh=600

trap end_session EXIT

fail() { echo "FAIL $*"; failures=$((failures + 1)); session_report; }
ok() { echo "  ok $*"; }
shot() {
  [ -n "${NJ_E2E_SHOTS:-}" ] || return 0
  mkdir -p "$NJ_E2E_SHOTS"
  import -window root "$NJ_E2E_SHOTS/$1.png" 2>/dev/null
}

# --- the program ------------------------------------------------------------

# The tool windows' places are not stored: those left open (the serial
# traffic and the reference image) open at start-up where they first go;
# the hand pad and the tracking window come back where they were left, over
# each other.
start_program() {
  local prog="$work/prog"
  new_program_dir "$prog" "$work/run"
  printf '[Prefs]\r\nLangue=1\r\n[Autoguide]\r\nRDB_Aucun.Checked=0\r\nRDB_LX200.Checked=1\r\nAG_PortSerie=19\r\n[Windows]\r\nFRM_ComTrafic_visible=1\r\nFRM_ImgRef_visible=1\r\nFRM_Raquette_Left=40\r\nFRM_Raquette_Top=80\r\nFRM_Raquette_visible=1\r\nFRM_Tool_Suivi_Left=120\r\nFRM_Tool_Suivi_Top=100\r\nFRM_Tool_Suivi_visible=1\r\n' \
    >"$prog/NightjarPro.ini"
  export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
  start_program_in "$prog" "$work/program.log" || exit 1
}

window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }

# --- what the window manager shows --------------------------------------------

states_of() { xprop -id "$1" _NET_WM_STATE 2>/dev/null; }
names_in_stacking() {
  local id
  for id in $(stacking); do printf '"%s" ' "$(xdotool getwindowname "$id" 2>/dev/null)"; done
}

# --- what a user does ----------------------------------------------------------

# Opens the main menu whose title lies X pixels right of the main window's
# left, chooses its first item (Up then Down), then the keys given.
menu() {
  local x=$1
  shift
  activate "$(main_window)"
  sleep 0.1
  click_at "$(main_window)" "$x" 9
  sleep 0.2
  keys Up Down "$@"
}
# A click on the right end of the main window's menu bar, where no menu is:
# the window manager brings the main window to the front.
click_main() {
  local x y w h
  read -r x y w h <<<"$(client_of "$(main_window)")"
  xdotool mousemove $((x + w - 6)) $((y + 8))
  sleep 0.05
  xdotool click 1
  sleep 0.4
}
close_win() {
  local closing=$1
  close_with_alt_f4 "$closing" || fail "\"$(xdotool getwindowname "$closing")\" does not close"
}
wait_window() {
  local wanted=$1
  until_true 5 '[ -n "$(window_named "$wanted")" ]' && window_named "$wanted"
}

F=140 AIDE=480 PREFS=275

# --- first places --------------------------------------------------------------

# The main window's menu bar and page tabs take the top of its client, its
# tool bars the right of it below them (the layout of an 800-pixel-wide main
# window).
STRIP=46 PANEL=270

first_places() {
  echo "first places"
  local mx my mw mh win failed=$failures
  read -r mx my mw mh <<<"$(client_of "$(main_window)")"
  menu $F Right Return
  menu $F Right Down Down Down Down Down Down Return
  menu $F Down Right Return
  menu $F Down Right Down Down Down Return
  menu $F Down Right Down Down Down Down Return
  menu $F Down Down Right Return
  menu $F Down Down Down Down Down Return
  # The motion detection, a plain window, opens beside the windows kept on
  # top opened before it: where they leave the most of it in sight rather
  # than clear of the main window's bars.
  win=$(wait_window "^Detect") \
    && ON_TOP="^Info$|^Affichage$|^MiniSource$|^Full Screen|^Mesures$|^Comm Trafic$" most_in_sight "$win" "^Detect"
  menu $AIDE Down Down Return
  sleep 0.5
  shot first-places
  local title win x y w h corners="" c n=0
  for title in "^Images$" "^Info$" "^Affichage$" "^MiniSource$" "^Full Screen" "^Mesures$" "^Detect" \
               "^Ressources$" "^Comm Trafic$" "^Image de r"; do
    win=$(window_named "$title")
    [ -n "$win" ] || { fail "no window \"$title\" opened"; continue; }
    read -r x y w h <<<"$(settled frame_of "$win")"
    n=$((n + 1))
    if [ "$x" -lt 0 ] || [ "$y" -lt 0 ] || [ $((x + w)) -gt $sw ] || [ $((y + h)) -gt $sh ]; then
      fail "$title: frame ${w}x${h} at $x,$y is not whole on the screen"
    fi
    # Where the screen has room below the menu bar and page tabs, they stay
    # uncovered; so do the tool bars for a window that fits beside them with
    # room for a corner of its own (24 pixels from another's). (The motion
    # detection was checked as it opened.)
    if [ "$title" = "^Detect" ]; then
      :
    elif [ $((my + STRIP + h)) -le $sh ] && [ "$y" -lt $((my + STRIP)) ]; then
      fail "$title: frame ${w}x${h} at $x,$y covers the main window's menu bar or page tabs"
    fi
    if [ "$title" != "^Detect" ] && [ "$w" -le $((mw - PANEL)) ] && [ $((my + STRIP + h)) -le $sh ] \
       && [ $((x + w)) -gt $((mx + mw - PANEL)) ] \
       && { [ $((w + 24)) -le $((mw - PANEL)) ] || [ $((my + STRIP + h + 24)) -le $sh ]; }; then
      fail "$title: frame ${w}x${h} at $x,$y covers the main window's tool bars"
    fi
    for c in $corners; do
      if [ $(( (${c%,*} - x) * (${c%,*} - x) + (${c#*,} - y) * (${c#*,} - y) )) -lt 100 ]; then
        fail "$title: frame at $x,$y opens on the corner of another window ($c)"
      fi
    done
    corners="$corners $x,$y"
    echo "  $title: frame ${w}x${h} at $x,$y"
  done
  [ $n -ge 10 ] && [ "$failures" -eq "$failed" ] && ok "ten windows at first places of their own"
  for title in "^Images$" "^Info$" "^Affichage$" "^MiniSource$" "^Mesures$" "^Detect" "^Ressources$" \
               "^Comm Trafic$" "^Image de r"; do
    win=$(window_named "$title")
    [ -n "$win" ] && close_win "$win"
  done
}

# --- the full-screen window ------------------------------------------------------

full_screen() {
  echo "full screen: maximised and restored with the title bar's button"
  local win before x y w h failed=$failures
  win=$(window_named "^Full Screen")
  [ -n "$win" ] || { menu $F Down Right Down Down Down Down Return; win=$(wait_window "^Full Screen"); }
  [ -n "$win" ] || { fail "the full-screen window does not open"; return; }
  before=$(settled frame_of "$win")
  states_of "$win" | grep -q _NET_WM_STATE_ABOVE || fail "full screen: not on top as it opens"
  # openbox's buttons, right to left: close, maximise, iconify.
  read -r x y w h <<<"$before"
  xdotool mousemove $((x + w - 26)) $((y + 9))
  sleep 0.1
  xdotool click 1
  until_true 5 'states_of "$win" | grep -q _NET_WM_STATE_MAXIMIZED_HORZ' || fail "full screen: it does not maximise"
  # On the image its border goes away; on the top row it comes back.
  xdotool mousemove 400 300
  sleep 0.3
  xdotool mousemove 410 310
  sleep 0.6
  xdotool mousemove 400 1
  sleep 0.2
  xdotool mousemove 400 0
  sleep 0.8
  shot full-screen-maximised
  states_of "$win" | grep -q _NET_WM_STATE_ABOVE && fail "full screen: maximised, it still stays on top"
  read -r x y w h <<<"$(settled frame_of "$win")"
  xdotool mousemove $((x + w - 26)) $((y + 9))
  sleep 0.1
  xdotool click 1
  sleep 1
  win=$(window_named "^Full Screen")
  local after
  after=$(settled frame_of "$win")
  [ "$after" = "$before" ] || fail "full screen: restored at $after, it was at $before"
  states_of "$win" | grep -q _NET_WM_STATE_ABOVE || fail "full screen: restored, it is not on top again"
  click_main
  shot full-screen-restored
  above "$win" "$(main_window)" || fail "full screen: restored, the main window clicked covers it ($(names_in_stacking))"
  [ "$failures" -eq "$failed" ] && ok "full screen back on top at $after"
  close_win "$win"
}

# --- windows kept on top over plain windows --------------------------------------

# The windows kept on top a plain window may lie under.
ON_TOP="^Message$|^Suivi/Autoguidage$"

# Every shown window kept on top (matching $ON_TOP) whose frame overlaps
# that of window $1 (called $2) stands above it.
under_all() {
  local win=$1 why=$2 frame w
  frame=$(settled frame_of "$win")
  for w in $(xdotool search --onlyvisible --name "$ON_TOP" 2>/dev/null); do
    [ "$w" != "$win" ] && overlap "$frame" "$(frame_of "$w")" || continue
    until_true 1 'above "$w" "$win"' \
      || fail "\"$(xdotool getwindowname "$win")\" $why: above \"$(xdotool getwindowname "$w")\", kept on top ($(names_in_stacking))"
  done
}
# The windows left open come back: those kept on top (the tracking and
# traffic windows) above the plain ones (the hand pad and the reference
# image) wherever they overlap, whichever came back first.
restored_on_top() {
  echo "windows left open, restored"
  local title top w pairs=0 failed=$failures
  for title in "^Suivi/Autoguidage$" "^Comm Trafic$"; do
    top=$(wait_window "$title") || { fail "\"$title\" left open does not come back"; continue; }
    states_of "$top" | grep -q _NET_WM_STATE_ABOVE || fail "\"$title\" restored is not on top"
  done
  for title in "^Telescope$" "^Image de r"; do
    w=$(wait_window "$title") || { fail "\"$title\" left open does not come back"; continue; }
    ON_TOP="^Suivi/Autoguidage$|^Comm Trafic$" under_all "$w" "restored"
    for top in $(xdotool search --onlyvisible --name "^Suivi/Autoguidage$|^Comm Trafic$" 2>/dev/null); do
      overlap "$(frame_of "$w")" "$(frame_of "$top")" && pairs=$((pairs + 1))
    done
  done
  shot restored
  [ $pairs -gt 0 ] || fail "no window kept on top came back over a plain one"
  [ "$failures" -eq "$failed" ] && ok "$pairs windows kept on top restored above the plain windows they overlap"
  close_win "$(window_named "^Telescope$")"
  close_win "$(window_named "^Suivi/Autoguidage$")"
}

# Opens $2 (a title) with the steps $3 from the window $1 that stays on top:
# it opens under it where they overlap, and stays under it once clicked on
# its title bar and once the opener is brought forward again with the steps
# $4 (the opener then has the keyboard). With the opener closed (unless it
# closed itself), a click on the main window brings the main window above
# the window opened.
opened_from_on_top() {
  local opener=$1 title=$2 how=$3 again=${4:-} win before=$failures
  eval "$how"
  win=$(wait_window "$title") || { fail "\"$title\" does not open from \"$(xdotool getwindowname "$opener")\""; return; }
  sleep 0.5
  shot "opened-$(tr -c 'A-Za-z\n' '-' <<<"$title")"
  # The message window closes itself on the key that opened the hand pad.
  if shown "$opener"; then
    overlap "$(settled frame_of "$win")" "$(frame_of "$opener")" \
      || fail "\"$title\" opens clear of \"$(xdotool getwindowname "$opener")\": nothing to check"
    under_all "$win" "opened from it"
    click_title "$win" && under_all "$win" "clicked on its title bar"
    if [ -n "$again" ]; then
      eval "$again"
      sleep 0.5
      under_all "$win" "once \"$(xdotool getwindowname "$opener")\" was chosen again"
      [ "$(xdotool getactivewindow 2>/dev/null)" = "$opener" ] \
        || fail "\"$(xdotool getwindowname "$opener")\" chosen again does not have the keyboard"
    fi
    close_win "$opener"
  fi
  click_main
  above "$(main_window)" "$win" \
    || fail "\"$title\" stays above the main window clicked after its opener closed ($(names_in_stacking); $(states_of "$win"))"
  states_of "$win" | grep -q _NET_WM_STATE_ABOVE && fail "\"$title\" was left on top for good"
  [ "$failures" -eq "$before" ] && ok "\"$title\" under its opener, then under the main window clicked"
  close_win "$win"
}

# Each line given to the message window brings it in front: above the hand
# pad clicked after the first line.
message_lines_in_front() {
  local pad message
  activate "$(main_window)"
  sleep 0.1
  keys KP_Begin
  pad=$(wait_window "^Telescope$") || { fail "the hand pad does not open from the main window"; return; }
  ("$client" execute 'messagebox.show("ligne 1")' >/dev/null 2>&1 &)
  message=$(wait_window "^Message$") || { fail "the message window does not open"; return; }
  sleep 0.5
  overlap "$(settled frame_of "$message")" "$(frame_of "$pad")" || xdotool windowmove "$message" 60 120
  ON_TOP="^Message$" click_title "$pad"
  ON_TOP="^Message$" under_all "$pad" "clicked after a line in the message window"
  "$client" execute 'messagebox.show("ligne 2")' >/dev/null 2>&1
  sleep 0.5
  shot message-line-over-pad
  ON_TOP="^Message$" under_all "$pad" "under a second line in the message window"
  above "$message" "$pad" && ok "the message window in front with each line, above the hand pad clicked"
  close_win "$message"
  close_win "$pad"
}

from_windows_on_top() {
  echo "windows opened from windows that stay on top"
  local tracking message
  menu $F Down Down Down Down Return
  tracking=$(wait_window "^Suivi/Autoguidage$") || { fail "the tracking window does not open"; return; }
  # The keypad's centre key (Num Lock off) in the tracking window: the hand
  # pad; then the tracking window chosen again from its menu.
  opened_from_on_top "$tracking" "^Telescope$" 'click_at "$tracking" 200 8; sleep 0.2; keys KP_Begin' \
    'menu $F Down Down Down Down Return'

  menu $F Down Down Down Down Return
  tracking=$(wait_window "^Suivi/Autoguidage$") || { fail "the tracking window does not open again"; return; }
  # Its "Configurer" button: the Preferences on the tracking page.
  opened_from_on_top "$tracking" "^Pr.*f.*rences$" 'click_at "$tracking" 260 122'

  ("$client" execute 'messagebox.show("stacking")' >/dev/null 2>&1 &)
  message=$(wait_window "^Message$") || { fail "the message window does not open"; return; }
  opened_from_on_top "$message" "^Telescope$" 'click_at "$message" 60 8; sleep 0.2; keys KP_Begin'
  message_lines_in_front
}

# The script window chosen again from its menu, with the motion detection
# opened over it: it takes the keyboard and stays above the motion
# detection, which a click leaves under it.
script_window_over_motion_detection() {
  echo "the script window and the motion detection"
  local script detect sx sy failed=$failures
  menu $F Down Down Down Down Down Down Down Down Return
  script=$(wait_window "^Script") || { fail "the script window does not open"; return; }
  menu $F Down Down Down Down Down Return
  detect=$(wait_window "^Detect") || { fail "the motion detection does not open"; return; }
  sleep 0.5
  # Over the script window's title bar and menus, as the user may have it.
  read -r sx sy _ _ <<<"$(settled frame_of "$script")"
  xdotool windowmove "$detect" $((sx > 72 ? sx - 72 : 0)) $((sy > 72 ? sy - 72 : 0))
  sleep 0.3
  ON_TOP="^Script" under_all "$detect" "opened over the script window"
  menu $F Down Down Down Down Down Down Down Down Return
  sleep 0.5
  shot script-chosen-again
  ON_TOP="^Script" under_all "$detect" "once the script window was chosen again"
  [ "$(xdotool getactivewindow 2>/dev/null)" = "$script" ] || fail "the script window chosen again does not have the keyboard"
  ON_TOP="^Script" click_title "$detect" && ON_TOP="^Script" under_all "$detect" "clicked on its title bar"
  [ "$failures" -eq "$failed" ] && ok "the script window above the motion detection, chosen again and clicked"
  close_win "$detect"
  close_win "$script"
}

# --- the goto dialog under the chart ----------------------------------------------

# The goto dialog, a plain window, opened from the chart kept on top: under
# it whatever is clicked, yet opened where the most of it is in sight, since
# no room of this screen is clear of the chart.
goto_under_chart() {
  echo "the goto dialog and the chart"
  local chart dialog p cf df failed=$failures
  menu $F Down Down Down Down Down Down Return
  chart=$(wait_window "^Carte C") || { fail "the chart does not open"; return; }
  sleep 0.5
  # Right click > "Objet" > the entry of the cursor's place.
  activate "$chart"
  click_at "$chart" 320 240 3
  sleep 0.3
  keys Up Down Right Return
  dialog=$(wait_window "^Curseur$") || { fail "the goto dialog does not open from the chart"; return; }
  sleep 0.5
  cf=$(settled frame_of "$chart")
  df=$(settled frame_of "$dialog")
  [ "${cf% * *}" = "${df% * *}" ] && fail "the goto dialog opens on the chart's corner ($df)"
  ON_TOP="^Carte C" under_all "$dialog" "opened from the chart"
  # Under the chart, yet where the user sees it and can take it by its
  # title bar: no room on this screen is clear of the chart.
  ON_TOP="^Carte C" free_spot "$dialog" title >/dev/null \
    || fail "the goto dialog opens with its title bar wholly under the chart ($df under $cf)"
  ON_TOP="^Carte C" most_in_sight "$dialog" "the goto dialog beside the chart"
  # Left clicks re-centre the chart; a click on the dialog's title bar
  # brings it forward among the plain windows only.
  local cx cy cw ch
  read -r cx cy cw ch <<<"$(client_of "$chart")"
  for p in "620 40" "40 460" "320 460"; do
    local px=$((cx + ${p% *})) py=$((cy + ${p#* }))
    [ $px -ge $sw ] || [ $py -ge $sh ] && continue
    xdotool mousemove $px $py
    sleep 0.05
    xdotool click 1
    sleep 0.4
    ON_TOP="^Carte C" under_all "$dialog" "after a click at $p in the chart"
  done
  ON_TOP="^Carte C" click_title "$dialog" quiet && ON_TOP="^Carte C" under_all "$dialog" "clicked on its title bar"
  shot goto-under-chart
  states_of "$dialog" | grep -q _NET_WM_STATE_ABOVE && fail "the goto dialog is kept on top"
  [ "$failures" -eq "$failed" ] && ok "the chart stays above its goto dialog"
  close_win "$dialog"
  close_win "$chart"
}

# --- every window kept on top over a plain window -----------------------------------

# Window $2 (a title), kept on top, opened with the steps $1: a click on the
# hand pad's title bar (the hand pad $pad, open) leaves it above the hand
# pad. It is closed again unless $3 is "keep".
on_top_over_pad() {
  local how=$1 title=$2 win
  eval "$how"
  win=$(wait_window "$title") || { fail "\"$title\" does not open"; return 1; }
  sleep 0.5
  states_of "$win" | grep -q _NET_WM_STATE_ABOVE || fail "\"$title\" is not kept on top"
  # Dragged over the hand pad where it opened clear of it.
  local px py
  read -r px py _ _ <<<"$(frame_of "$pad")"
  overlap "$(frame_of "$win")" "$(frame_of "$pad")" || { xdotool windowmove "$win" $((px + 30)) $((py + 60)); sleep 0.3; }
  # The hand pad brought forward as a click on what shows of it does, then
  # clicked on its title bar where the window leaves it uncovered.
  activate "$pad"
  sleep 0.2
  ON_TOP="$title" click_title "$pad" quiet
  above "$win" "$pad" || fail "\"$title\" goes under the hand pad clicked ($(names_in_stacking))"
  on_top_checked=$((on_top_checked + 1))
  [ "${3:-}" = keep ] || close_win "$win"
}

each_window_on_top_over_the_hand_pad() {
  echo "each window kept on top over the hand pad"
  local pad opener on_top_checked=0 failed=$failures
  activate "$(main_window)"
  sleep 0.1
  keys KP_Begin
  pad=$(wait_window "^Telescope$") || { fail "the hand pad does not open from the main window"; return; }
  on_top_over_pad 'menu $F Down Down Down Down Return' "^Suivi/Autoguidage$"
  on_top_over_pad 'menu $F Down Down Down Down Down Down Return' "^Carte C"
  on_top_over_pad 'menu $F Down Down Right Return' "^Mesures$"
  on_top_over_pad 'menu $F Right Down Down Down Down Down Down Return' "^Info$"
  on_top_over_pad 'menu $F Down Right Down Down Down Return' "^MiniSource$"
  on_top_over_pad 'menu $F Down Right Down Down Down Down Return' "^Full Screen"
  on_top_over_pad 'menu $AIDE Down Down Return' "^Ressources$"
  on_top_over_pad 'menu $F Down Down Down Down Down Down Down Return' "^Programmateur de Mosa"
  on_top_over_pad '("$client" execute "messagebox.show(\"dessus\")" >/dev/null 2>&1 &)' "^Message$"
  # The display window's "Mise au point" page, "GROS".
  on_top_over_pad 'menu $F Down Right Return' "^Affichage$" keep
  opener=$(window_named "^Affichage$")
  [ -n "$opener" ] && on_top_over_pad 'click_at "$opener" 61 22; sleep 0.3; click_at "$opener" 229 146' "^Mise au point$"
  [ -n "$opener" ] && close_win "$opener"
  # The script window's "Assistant".
  on_top_over_pad 'menu $F Down Down Down Down Down Down Down Down Return' "^Script" keep
  opener=$(window_named "^Script")
  [ -n "$opener" ] && on_top_over_pad 'click_at "$opener" 147 8' "^Assistant"
  [ -n "$opener" ] && close_win "$opener"
  # Images > "Filtres" > "Montrer matrice de deconvolution".
  menu $F Right Return
  opener=$(wait_window "^Images$") || fail "the image window does not open"
  if [ -n "$opener" ]; then
    sleep 0.5
    click_at "$opener" 210 22
    sleep 0.3
    on_top_over_pad 'click_at "$opener" 300 428' "^Matrice de Deconvolution$"
    close_win "$opener"
  fi
  # A right click on the function button 1 of the main window's "Scripts"
  # page.
  on_top_over_pad 'activate "$(main_window)"; click_at "$(main_window)" 662 165; sleep 0.3; click_at "$(main_window)" 570 313 3' "^Propri"
  shot each-on-top-over-pad
  [ "$failures" -eq "$failed" ] && ok "$on_top_checked windows kept on top above the hand pad clicked"
  close_win "$pad"
}

# --- what the other windows that stay on top open --------------------------------

# Opens $2 (a title) with the steps $3 from the window $opener: it must open
# above it, whole on the screen, and close with the key $4. With $5, the
# steps that click in the opener: the window opened, kept on top, opens
# clear of it, and such a click leaves it in sight.
opened_above() {
  local title=$1 how=$2 closing=$3 clicked=${4:-} win x y w h before=$failures
  eval "$how"
  win=$(wait_window "$title") \
    || { fail "\"$title\" does not open from \"$(xdotool getwindowname "$opener")\""; return; }
  read -r x y w h <<<"$(settled frame_of "$win")"
  shot "from-$(tr -c 'A-Za-z\n' '-' <<<"$(xdotool getwindowname "$opener")")-$(tr -c 'A-Za-z\n' '-' <<<"$title")"
  if [ "$x" -lt 0 ] || [ "$y" -lt 0 ] || [ $((x + w)) -gt $sw ] || [ $((y + h)) -gt $sh ]; then
    fail "\"$title\": frame ${w}x${h} at $x,$y is not whole on the screen"
  fi
  above "$win" "$opener" \
    || fail "\"$title\" opens under \"$(xdotool getwindowname "$opener")\" ($(names_in_stacking))"
  if [ -n "$clicked" ]; then
    overlap "$(frame_of "$win")" "$(frame_of "$opener")" \
      && fail "\"$title\": frame ${w}x${h} at $x,$y opens over \"$(xdotool getwindowname "$opener")\", which opened it"
    eval "$clicked"
    overlap "$(frame_of "$win")" "$(frame_of "$opener")" && ! above "$win" "$opener" \
      && fail "\"$title\" goes under \"$(xdotool getwindowname "$opener")\" clicked ($(names_in_stacking))"
  fi
  activate "$win"
  sleep 0.1
  keys "$closing"
  until_true 5 '! shown "$win"' || fail "\"$title\" does not close with $closing"
  [ "$failures" -eq "$before" ] && ok "\"$title\" above \"$(xdotool getwindowname "$opener")\", whole"
  sleep 0.3
}

dialogs_of_windows_on_top() {
  echo "what the other windows that stay on top open"
  local opener
  menu $F Down Down Right Return
  opener=$(wait_window "^Mesures$") || { fail "the measurement window does not open"; return; }
  sleep 0.5
  # "..." of "Incrustation".
  opened_above "^Incrustation$" 'click_at "$opener" 305 215' Escape
  close_win "$opener"

  menu $F Down Right Return
  opener=$(wait_window "^Affichage$") || { fail "the display window does not open"; return; }
  sleep 0.5
  # The "Mise au point" page: "GROS", then "..." of "Enregistrer les mesures".
  click_at "$opener" 61 22
  sleep 0.3
  # (A click on "Son", twice: the sound goes on and off.)
  opened_above "^Mise au point$" 'click_at "$opener" 229 146' alt+F4 \
    'click_at "$opener" 97 146; sleep 0.3; click_at "$opener" 97 146; sleep 0.3'
  opened_above "^Enregistrer les mesures$" 'click_at "$opener" 302 328' Escape
  close_win "$opener"

  menu $F Down Down Down Down Down Down Down Return
  opener=$(wait_window "^Programmateur de Mosa") || { fail "the planner does not open"; return; }
  sleep 0.5
  # "Parcourir" and "Script".
  opened_above "^Enregistrer sous$" 'click_at "$opener" 614 19' Escape
  opened_above "^Script" 'click_at "$opener" 749 47' alt+F4
  close_win "$opener"

  # Images > "Filtres" > "Montrer matrice de deconvolution": the kernel grid.
  menu $F Right Return
  opener=$(wait_window "^Images$") || { fail "the image window does not open"; return; }
  sleep 0.5
  click_at "$opener" 210 22
  sleep 0.3
  opened_above "^Matrice de Deconvolution$" 'click_at "$opener" 300 428' alt+F4
  close_win "$opener"

  # A right click on the function button 1 of the main window's "Scripts"
  # page: its properties, then its two "..." and "Scr".
  click_at "$(main_window)" 662 165
  sleep 0.3
  click_at "$(main_window)" 570 313 3
  opener=$(wait_window "^Propri") || { fail "the function button's properties do not open"; return; }
  sleep 0.5
  opened_above "^Ouvrir$" 'click_at "$opener" 314 24' Escape
  opened_above "^Ouvrir$" 'click_at "$opener" 314 58' Escape
  opened_above "^Script" 'click_at "$opener" 352 24' alt+F4
  close_win "$opener"
}

# --- plain windows under the windows kept on top ------------------------------

# A click on the minimise button of window $1's title bar (openbox's
# buttons, right to left: close, maximise, iconify).
click_minimise() {
  local x y w h
  read -r x y w h <<<"$(frame_of "$1")"
  xdotool mousemove $((x + w - 44)) $((y + 9))
  sleep 0.1
  xdotool click 1
}
# Drags window $1 by its title bar $2 pixels down.
drag_down() {
  local x y w h d
  read -r x y w h <<<"$(frame_of "$1")"
  xdotool mousemove $((x + 60)) $((y + 9)) mousedown 1
  for d in $(seq 10 10 "$2"); do
    sleep 0.05
    xdotool mousemove $((x + 60)) $((y + 9 + d))
  done
  sleep 0.1
  xdotool mouseup 1
  sleep 0.5
}
# The tracking window minimised by command $1 (told as $2 in the messages,
# $3 in the screenshot's name), with the Preferences $pref under it: they
# stay on the screen; the tracking window shown again from the menu, a
# click on their title bar leaves them under it.
tracking_minimised_and_back() {
  eval "$1"
  until_true 5 '! shown "$tracking"' || fail "the tracking window does not minimise $2"
  sleep 1
  shot "every-on-top-$3"
  shown "$pref" || fail "the Preferences went away with the tracking window minimised $2 ($(xprop -id "$pref" WM_STATE | tr -s '\n\t' ' '))"
  menu $F Down Down Down Down Return
  until_true 5 'shown "$tracking"' || fail "the tracking window minimised $2 does not come back from the menu"
  sleep 0.5
  click_title "$pref"
  under_all "$pref" "clicked on its title bar after the tracking window minimised $2 came back"
}
# "Preferences", a title of the main menu without a menu.
open_preferences() {
  activate "$(main_window)"
  sleep 0.1
  click_at "$(main_window)" $PREFS 9
}
# The window manager brings window $1 to the front, as the user does by a
# click on what shows of it.
bring_forward() {
  activate "$1"
  sleep 0.4
}

# The About box, opened from "?" > "A propos..." while the $message and
# $tracking windows kept on top are open, stands in front of both with the
# keyboard, also once clicked on its title bar; the key that chose it
# leaves it open; Return answers it, then, opened again, Escape, once.
about_in_front() {
  local about key w
  for key in Return Escape; do
    menu $AIDE Down Return
    about=$(wait_window "^A propos$") || { fail "the About box does not open"; return; }
    sleep 0.5
    shot "every-on-top-about-$key"
    shown "$about" || { fail "the About box closes on the key that chose it"; continue; }
    # (A click anywhere on its title bar, over them.)
    for w in "$message" "$tracking" click "$message" "$tracking"; do
      [ "$w" = click ] && { ON_TOP="" click_title "$about"; continue; }
      above "$about" "$w" || fail "the About box under \"$(xdotool getwindowname "$w")\" ($(names_in_stacking))"
    done
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$about" ] || fail "the About box does not have the keyboard"
    keys "$key"
    until_true 5 '! shown "$about"' || { fail "the About box does not close with $key"; close_win "$about"; continue; }
    sleep 0.5
    shown "$about" && fail "the About box opens again after $key answered it"
  done
  ok "the About box in front of the windows kept on top until Return or Escape answers it"
}

# The Preferences, the About box (about_in_front), then the image window
# from a script, shown where the message window and the tracking window,
# both kept on top, would cover them: the Preferences and the image window
# open under both, and the Preferences stay under the other when one
# closes, clicked on their title bar, shown again after other windows were
# clicked, and under the tracking window a script opens later; once they
# are all closed, the main window clicked covers the Preferences, which
# were never kept above every window.
under_every_window_on_top() {
  echo "under every window kept on top"
  local message tracking pref about images w on_top failed=$failures
  # The serial traffic, open at start-up, is closed by then.
  w=$(window_named "^Comm Trafic$")
  [ -n "$w" ] && close_win "$w"
  ("$client" execute 'messagebox.show("in front")' >/dev/null 2>&1 &)
  message=$(wait_window "^Message$") || { fail "the message window does not open"; return; }
  menu $F Down Down Down Down Return
  tracking=$(wait_window "^Suivi/Autoguidage$") || { fail "the tracking window does not open"; return; }
  open_preferences
  pref=$(wait_window "^Pr.*f.*rences$") || { fail "the Preferences do not open"; return; }
  sleep 0.5
  shot every-on-top-shown
  under_all "$pref" "shown from the menu"
  about_in_front

  close_win "$tracking"
  sleep 0.5
  under_all "$pref" "after the tracking window closed"
  bring_forward "$message"
  click_title "$pref"
  shot every-on-top-title-click
  under_all "$pref" "clicked on its title bar"

  # Shown again from the menu at its place, windows clicked in between.
  close_win "$pref"
  menu $F Down Down Down Down Return
  tracking=$(wait_window "^Suivi/Autoguidage$") || { fail "the tracking window does not open again"; return; }
  click_main
  bring_forward "$tracking"
  bring_forward "$message"
  click_main
  open_preferences
  pref=$(wait_window "^Pr.*f.*rences$") || { fail "the Preferences do not open again"; return; }
  sleep 0.5
  under_all "$pref" "shown again"
  bring_forward "$tracking"
  click_title "$pref"
  under_all "$pref" "clicked on its title bar again"

  # The Preferences minimised with their title bar's button go alone: the
  # windows kept on top stay shown, on top. Shown again from the menu, they
  # are under them. Then the tracking window minimised with its own button
  # (the Preferences dragged down): the Preferences stay on the screen.
  on_top=$(xdotool search --onlyvisible --name "$ON_TOP" 2>/dev/null)
  click_minimise "$pref"
  until_true 5 '! shown "$pref"' || fail "the Preferences stay on the screen after a click on their minimise button"
  sleep 1
  shot every-on-top-preferences-minimised
  shown "$pref" && fail "the Preferences minimised with their title bar's button came back"
  xprop -id "$pref" WM_TRANSIENT_FOR | grep -q "window id" && fail "the Preferences minimised stand in front of a window"
  for w in $on_top; do
    shown "$w" || fail "\"$(xdotool getwindowname "$w")\" went away with the Preferences minimised ($(xprop -id "$w" WM_STATE | tr -s '\n\t' ' '))"
    states_of "$w" | grep -q _NET_WM_STATE_ABOVE || fail "\"$(xdotool getwindowname "$w")\" is no longer on top once the Preferences were minimised"
  done
  open_preferences
  until_true 5 'shown "$pref"' || fail "the Preferences do not come back from the menu once minimised"
  sleep 0.5
  under_all "$pref" "shown again once minimised"
  drag_down "$pref" 60
  tracking_minimised_and_back 'click_minimise "$tracking"' "with its title bar's button" tracking-minimised

  # The tracking window minimised (asked of the window manager as its title
  # bar's button does): the Preferences stay on the screen; the tracking
  # window shown again from the menu, a click on the Preferences' title bar
  # leaves them under it.
  tracking_minimised_and_back 'xdotool windowminimize "$tracking"' "as its button asks" minimised

  # Shown before the tracking window came over it (opened by a script):
  # a click on its title bar leaves it under it.
  close_win "$tracking"
  close_win "$message"
  bring_forward "$pref"
  ("$client" execute 'window.track(show)' >/dev/null 2>&1 &)
  tracking=$(wait_window "^Suivi/Autoguidage$") || { fail "the tracking window does not open from a script"; return; }
  sleep 0.5
  click_title "$pref"
  under_all "$pref" "clicked on its title bar under a window opened later"

  # The image window's "Integration" page from a script, the tracking
  # window still on top.
  ("$client" execute 'window.images(show,integration)' >/dev/null 2>&1 &)
  images=$(wait_window "^Images$") || { fail "the image window does not open from a script"; return; }
  sleep 0.5
  under_all "$images" "shown from a script"
  close_win "$images"

  close_win "$tracking"
  click_main
  shot every-on-top-gone
  above "$(main_window)" "$pref" \
    || fail "the Preferences stay above the main window clicked once the windows on top are closed ($(names_in_stacking))"
  states_of "$pref" | grep -q _NET_WM_STATE_ABOVE && fail "the Preferences were left on top for good"
  [ "$failures" -eq "$failed" ] && ok "under every window kept on top, shown, clicked and shown again"
  close_win "$pref"
}

# The Preferences opened from the menu while a script runs: the script
# window and the message window it writes to, both kept on top, come
# forward at its statements (the script window takes the keyboard, the
# message window is raised); the Preferences stay under both, and so they
# do after a click on their title bar and the statements after it. The
# image window then shown by a script statement, over the Preferences,
# stays under the windows kept on top and in front of the Preferences
# through the statements after it and a click on the message window: of
# two plain windows, the one shown or clicked last stays in front.
under_while_a_script_runs() {
  echo "under the windows a running script brings forward"
  local pref script images failed=$failures
  mkdir -p "$work/prog/Scripts"
  printf 'var(i,integer)\r\n:passe\r\nwait(400)\r\nmessagebox.show("passe")\r\ni:=i+1\r\njumpif(i<40,passe)\r\n' \
    >"$work/prog/Scripts/passes.txt"
  "$client" execute 'window.scripts(show)' >/dev/null 2>&1
  "$client" execute 'callfar("passes.txt")' >/dev/null 2>&1
  wait_window "^Message$" >/dev/null || { fail "the running script shows no message window"; return; }
  script=$(wait_window "^Script") || { fail "the script window does not open"; return; }
  open_preferences
  pref=$(wait_window "^Pr.*f.*rences$") || { fail "the Preferences do not open"; return; }
  # A few statements.
  sleep 1.5
  shot script-runs-shown
  ON_TOP="^Message$|^Script" under_all "$pref" "shown while a script runs"
  ON_TOP="^Message$|^Script" click_title "$pref"
  sleep 1.5
  shot script-runs-title-click
  ON_TOP="^Message$|^Script" under_all "$pref" "clicked on its title bar while a script runs"
  ("$client" execute 'window.images(show,integration)' >/dev/null 2>&1 &)
  images=$(wait_window "^Images$") || { fail "the image window does not open from a script while one runs"; return; }
  sleep 1.5
  shot script-runs-images
  ON_TOP="^Message$|^Script" under_all "$images" "shown from a script while one runs"
  overlap "$(frame_of "$images")" "$(frame_of "$pref")" && ! above "$images" "$pref" \
    && fail "the image window shown from a script while one runs is under the Preferences shown before it ($(names_in_stacking))"
  bring_forward "$(window_named "^Message$")"
  sleep 1
  ON_TOP="^Message$|^Script" under_all "$images" "after a click on the message window while a script runs"
  overlap "$(frame_of "$images")" "$(frame_of "$pref")" && ! above "$images" "$pref" \
    && fail "the image window goes under the Preferences shown before it at a click on the message window ($(names_in_stacking))"
  [ "$failures" -eq "$failed" ] && ok "under the script window and the message window of a running script"
  until_true 30 '[ -z "$(xdotool search --onlyvisible --name "^Scripts : .*passes" 2>/dev/null)" ]' \
    || fail "the script does not end"
  close_win "$images"
  close_win "$pref"
  close_win "$(window_named "^Message$")"
  close_win "$script"
}

# --- a fresh program on a larger screen ----------------------------------------------

# Opens window $2 (a title) with the steps $3 and checks that it opens where
# the windows kept on top leave the most of it in sight (most_in_sight, as
# $1); it is closed again.
opens_in_sight() {
  local win
  eval "$3"
  win=$(wait_window "$2") || { fail "$1 does not open"; return 1; }
  most_in_sight "$win" "$1"
  shot "fresh-${1// /-}"
  close_win "$win"
}

# The message window, closed and shown again by a line of the remote client,
# comes back where it showed first; the Preferences, opened from the menu
# beside it and the tracking window after each line, open at one place,
# whole on the screen, where they leave the most of it in sight.
preferences_at_one_place() {
  local message first="" frame pref x y w h round
  message=$(wait_window "^Message$") || { fail "the message window is not shown"; return; }
  local noted
  noted=$(settled frame_of "$message")
  for round in 1 2 3; do
    close_win "$message"
    ("$client" execute "messagebox.show(\"ligne $round\")" >/dev/null 2>&1 &)
    message=$(wait_window "^Message$") || { fail "the message window does not show again"; return; }
    frame=$(settled frame_of "$message")
    [ "$frame" = "$noted" ] || fail "the message window shows again at $frame, it showed at $noted (round $round)"
    open_preferences
    pref=$(wait_window "^Pr.*f.*rences$") || { fail "the Preferences do not open"; return; }
    frame=$(settled frame_of "$pref")
    read -r x y w h <<<"$frame"
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le $sw ] && [ $((y + h)) -le $sh ] \
      || fail "the Preferences' frame ${w}x${h} at $x,$y is not whole on the ${sw}x${sh} screen"
    if [ -z "$first" ]; then
      first=$frame
      most_in_sight "$pref" "the Preferences"
    elif [ "$frame" != "$first" ]; then
      fail "the Preferences open at $frame, they opened at $first (round $round)"
    fi
    shot "preferences-$round"
    close_win "$pref"
  done
  [ "$frame" = "$first" ] && ok "the message window and the Preferences open at one place each"
}

# The program started afresh on a 1024 x 768 screen, as a user first meets
# it (one value of its settings file unreadable, which a note at the start
# tells): plain windows opened beside the windows kept on top.
fresh_program_on_a_larger_screen() {
  echo "plain windows beside the windows kept on top, a fresh program at 1024 x 768"
  local tracking message script chart failed=$failures
  end_display
  sw=1024 sh=768
  start_x11_display "${sw}x${sh}" "$work"
  new_program_dir "$work/fresh" "$work/run-fresh"
  sed 's/^Num_Suffixe=1/Num_Suffixe=quatre/' "$work/fresh/nightjarpro.one" >"$work/fresh/NightjarPro.ini"
  export XDG_RUNTIME_DIR="$work/run-fresh"
  start_program_in "$work/fresh" "$work/program-fresh.log" || return
  menu $F Down Down Down Down Return
  tracking=$(wait_window "^Suivi/Autoguidage$") || { fail "the tracking window does not open"; return; }
  local ON_TOP="^Message$|^Suivi/Autoguidage$"
  preferences_at_one_place
  ("$client" execute 'messagebox.show("fresh")' >/dev/null 2>&1 &)
  message=$(wait_window "^Message$") || { fail "the message window does not open"; return; }
  opens_in_sight "the image window" "^Images$" 'menu $F Right Return'
  # The tracking window's "Configurer" of the lost-star alarm.
  opens_in_sight "the lost-star window" "perte d" 'click_at "$tracking" 422 416'
  # The simulator plug-in's camera (the last driver) in long exposures.
  opens_in_sight "the long-exposure window" "^(Longue|Poses longues)" 'menu 80 Right Down Down Return
    wait_window "^Pilote de capture" >/dev/null && keys End Return && sleep 1
    menu 80 Right Down Down Down Right Down Return'
  close_win "$message"
  menu $F Down Down Down Down Down Down Down Down Return
  script=$(wait_window "^Script") || { fail "the script window does not open"; return; }
  ON_TOP="^Suivi/Autoguidage$|^Script" opens_in_sight "the motion detection" "^Detect" \
    'menu $F Down Down Down Down Down Return'
  close_win "$script"
  close_win "$tracking"
  menu $F Down Down Down Down Down Down Return
  chart=$(wait_window "^Carte C") || { fail "the chart does not open"; return; }
  # A right click > "Objet" > the entry of the cursor's place.
  ON_TOP="^Carte C" opens_in_sight "the goto dialog" "^Curseur$" \
    'sleep 0.5; activate "$chart"; click_at "$chart" 320 240 3; sleep 0.3; keys Up Down Right Return'
  close_win "$chart"
  [ "$failures" -eq "$failed" ] && ok "each where the windows kept on top leave the most of it in sight"
}

# --- stacked as they were left, after restarts ---------------------------------------

# Windows the window layout does not bring back: the message window and the
# mosaic planner.
NOT_RESTORED="^Message$|^Programmateur"

# "share name" lines of the windows on the screen, bottom to top
# (sight_of_shown's share in thousandths), those brought back only.
restored_sight() {
  local id share name
  sight_of_shown | while read -r id share name; do
    grep -Eq "$NOT_RESTORED" <<<"$name" || echo "$share $name"
  done
}
names_of() { cut -d' ' -f2- <<<"$1"; }
# The share noted for window $2 (its whole title) in file $1.
share_in() { awk -v n="$2" '{ s = $1; sub(/^[0-9]+ /, ""); if ($0 == n) { print s; exit } }' "$1"; }

# Closes the program with the main window's title bar close box: the window
# stacking and every window's share in sight are noted in $1 while the box
# is held down, then the button is released and the program ends.
close_with_close_box() {
  local out=$1 x y w h px py covered id
  read -r x y w h <<<"$(settled frame_of "$(main_window)")"
  # (openbox's buttons, right to left: close, maximise, iconify.)
  px=$((x + w - 10)) py=$((y + 9))
  covered=""
  for id in $(stacking | sed -n "/^$(main_window)\$/,\$p" | tail -n +2); do
    shown "$id" || continue
    read -r x y w h <<<"$(frame_of "$id")"
    [ "$px" -ge "$x" ] && [ "$px" -lt $((x + w)) ] && [ "$py" -ge "$y" ] && [ "$py" -lt $((y + h)) ] \
      && covered="$(xdotool getwindowname "$id")"
  done
  [ -z "$covered" ] || fail "the main window's close box lies under \"$covered\""
  xdotool mousemove "$px" "$py"
  sleep 0.2
  xdotool mousedown 1
  sleep 0.5
  restored_sight >"$out"
  xdotool mouseup 1
  if ! until_true 30 '! kill -0 "$app_pid" 2>/dev/null'; then
    fail "the main window's close box does not close the program"
    close_with_alt_f4 "$(main_window)"
    until_true 30 '! kill -0 "$app_pid" 2>/dev/null'
  fi
  wait "$app_pid" 2>/dev/null
  app_pid=""
}

# Started again, the windows left open come back stacked as they were left
# (file $1, from close_with_close_box): the same windows, bottom to top, the
# one in front at the close in front again, and each shows at least as much
# of itself as it did; file $2 gets what they show now. A table of the
# shares before and after goes to the output.
stacked_as_left() {
  local left=$1 now=$2 share name was
  if ! until_true 30 '[ "$(names_of "$(restored_sight)")" = "$(names_of "$(cat "$left")")" ]'; then
    fail "the windows come back stacked as $(names_of "$(restored_sight)" | paste -sd, -), they were left as $(names_of "$(cat "$left")" | paste -sd, -) (bottom to top)"
  fi
  # (Once the program has placed them.)
  for name in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do settled frame_of "$name" >/dev/null; done
  restored_sight >"$now"
  while read -r share name; do
    was=$(share_in "$left" "$name")
    printf '  %-40s %5s%% at the close, %5s%% after the start\n' "$name" "$((${was:-0} / 10))" "$((share / 10))"
    [ -n "$was" ] || { fail "\"$name\" comes back, it was not open at the close"; continue; }
    [ "$share" -ge "$was" ] || fail "\"$name\" shows $((share / 10))% of itself after the start, $((was / 10))% at the close"
  done <"$now"
  while read -r was name; do
    [ -n "$(share_in "$now" "$name")" ] || fail "\"$name\", open at the close, does not come back"
  done <"$left"
}

# The issue's steps in the fresh program at 1024 x 768: the tracking window,
# a line of the remote client, "Mise au point", the chart, the planner, the
# script window, the hand pad (the keypad's centre key), Images > Seuils and
# Mesures > Distances, the measures window dragged to 560,360 (or as low as
# it stays whole on the screen); the program
# closed with its title bar's close box and started again in its folder,
# twice: the windows come back stacked as they were left, each showing at
# least as much of itself.
stacked_as_left_after_restarts() {
  echo "windows stacked as they were left, after two restarts"
  local mesures x y failed=$failures round
  menu $F Down Down Down Down Return
  wait_window "^Suivi/Autoguidage$" >/dev/null || { fail "the tracking window does not open"; return; }
  ("$client" execute 'messagebox.show("empilement")' >/dev/null 2>&1 &)
  wait_window "^Message$" >/dev/null || { fail "the message window does not open"; return; }
  menu $F Down Down Down Return
  wait_window "^Affichage$" >/dev/null || { fail "Mise au point does not open"; return; }
  menu $F Down Down Down Down Down Down Return
  wait_window "^Carte C" >/dev/null || { fail "the chart does not open"; return; }
  menu $F Down Down Down Down Down Down Down Return
  wait_window "^Programmateur" >/dev/null || { fail "the planner does not open"; return; }
  menu $F Down Down Down Down Down Down Down Down Return
  wait_window "^Script" >/dev/null || { fail "the script window does not open"; return; }
  activate "$(main_window)"
  sleep 0.1
  keys KP_Begin
  wait_window "^Telescope$" >/dev/null || { fail "the hand pad does not open"; return; }
  menu $F Right Return
  wait_window "^Images$" >/dev/null || { fail "the image window does not open"; return; }
  menu $F Down Down Right Down Down Return
  mesures=$(wait_window "^Mesures$") || { fail "the measures window does not open"; return; }
  # (No lower than where its frame stays whole on the screen: one left over
  # the screen's edge comes back whole, over a few more rows of the windows
  # under it.)
  local h to
  read -r x y _ h <<<"$(settled frame_of "$mesures")"
  to=$((sh - h < 360 ? sh - h : 360))
  ON_TOP="" drag_by "$mesures" $((560 - x)) $((to - y)) || fail "the measures window cannot be grabbed"
  read -r x y _ _ <<<"$(settled frame_of "$mesures")"
  [ "$x,$y" = "560,$to" ] || fail "the measures window dragged to 560,$to is at $x,$y"
  shot restart-left
  for round in 1 2; do
    close_with_close_box "$work/left-$round"
    # (The value the note of the first start told of, mended.)
    sed -i 's/^Num_Suffixe=quatre/Num_Suffixe=1/' "$work/fresh/NightjarPro.ini"
    start_program_in "$work/fresh" "$work/program-restart-$round.log" || return
    echo "  started again ($round)"
    stacked_as_left "$work/left-$round" "$work/back-$round"
    shot "restart-back-$round"
  done
  [ "$failures" -eq "$failed" ] && ok "stacked as they were left, each as much in sight, after two restarts"
  note_in_front_after_restart
}

# Closed again, a value of the settings file made unreadable, and started
# again: the note the start shows of it stands in front of every window
# that comes back, whole on the screen, with the keyboard; the windows
# that come back are stacked as they were left.
note_in_front_after_restart() {
  local left="$work/left-3" message failed=$failures
  close_with_close_box "$left"
  sed -i 's/^Num_Suffixe=1/Num_Suffixe=quatre/' "$work/fresh/NightjarPro.ini"
  grep -aq '^Num_Suffixe=quatre' "$work/fresh/NightjarPro.ini" || { fail "no value made unreadable"; return; }
  start_program_in "$work/fresh" "$work/program-restart-3.log" || return
  echo "  started again with a note"
  message=$(wait_window "^Message$") || { fail "no note shows at the start"; return; }
  until_true 30 '[ "$(names_of "$(restored_sight)")" = "$(names_of "$(cat "$left")")" ]' \
    || fail "with a note, the windows come back stacked as $(names_of "$(restored_sight)" | paste -sd, -), they were left as $(names_of "$(cat "$left")" | paste -sd, -) (bottom to top)"
  local top share
  until_true 10 '[ "$(sight_of_shown | tail -1 | cut -d" " -f1)" = "$message" ]'
  read -r top share _ <<<"$(sight_of_shown | tail -1)"
  [ "$top" = "$message" ] || fail "the note stands under \"$(xdotool getwindowname "$top")\" once the windows came back"
  share=$(sight_of_shown | awk -v id="$message" '$1 == id { print $2 }')
  [ "${share:-0}" -eq 1000 ] || fail "the note shows $((${share:-0} / 10))% of itself once the windows came back"
  until_true 5 '[ "$(xdotool getactivewindow 2>/dev/null)" = "$message" ]' \
    || fail "the note does not have the keyboard, \"$(xdotool getwindowname "$(xdotool getactivewindow)")\" has"
  shot restart-note
  [ "$failures" -eq "$failed" ] && ok "the note of the start stands in front of the windows that came back, whole"
}

start_x11_display "${sw}x${sh}" "$work"
start_program
restored_on_top
first_places
full_screen
from_windows_on_top
script_window_over_motion_detection
goto_under_chart
dialogs_of_windows_on_top
each_window_on_top_over_the_hand_pad
under_every_window_on_top
under_while_a_script_runs
fresh_program_on_a_larger_screen
stacked_as_left_after_restarts
kill -0 "$app_pid" 2>/dev/null || { fail "the program ended"; tail -20 "$work/program.log"; }
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all passed"
