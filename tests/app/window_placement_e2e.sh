#!/usr/bin/env bash
# Opens the program's windows as a user does and checks where they land. The
# real program runs as its own process under a virtual X server with a
# window manager (openbox), at 800 x 600, 1024 x 768 and 1280 x 1024. Each
# window is opened through its menu item or its button with the mouse and
# the keyboard (the goto dialog from the sky chart's right click, "Objet"),
# and the frame the window manager drew around it (the client's place from
# xwininfo, the frame's edges from _NET_FRAME_EXTENTS) must lie whole on the
# screen, title bar included; so must the dialogs and boxes the program
# opens by itself.
#
# The program lists its windows and logs each window as it shows
# (NIGHTJARPRO_WINDOW_LOG): every window it lists must be opened by a step
# of this test, and every window shown must have come through the program's
# one show path. From a fresh program folder, a window that does not wait
# for its answer leaves the main window's menu bar and page tabs, and its
# tool bars, uncovered wherever the screen has room for it beside or below
# them. The image window opens near its design size; the long-exposure
# window at the main window's left edge, its bottom on the main window's
# bottom (nothing kept on top covering that place); the webcam's control
# window, from its menu item and from "Avance", shows its pan/tilt pad whole
# with its four arrows and its point (read off the screen); the player stays
# above the main window clicked; the hand pad opened while the chart stands
# on top is not above it; the serial traffic opened from the Preferences
# stays above them clicked.
#
# A second start reads window positions stored from a larger screen and
# negative ones: the windows it shows must lie whole on the screen as well,
# clear of the main window's menu bar and page tabs where they fit below
# them, and stay whole when one grows (the hand pad's "Inversions"); closed
# through its menu the program must store the places of their frames as
# they are (nothing creeps by a frame from one start to the next). Windows
# left open as the program closes come back where they were, at the size
# they had, those kept on top above the plain ones, started again once and,
# with the hand pad dragged over the main window's menu bar, twice, the main
# window dragged down before the second close (the windows then lying on its
# bars come back where they were left all the same); the script window,
# stored off the screen before the third start, comes back clear of the
# main window's menu bar and page tabs where the main window takes its
# place. Left open a third time below the bars, the main window dragged up
# before the close, the hand pad comes back where and as it was closed.
#
# A place is the user's only when the user put the window there: every
# window shown from a fresh folder and closed is stored as the program's
# place. A user's steps beside windows kept on top (the tracking window, a
# remote message, Images; the serial traffic from the Preferences; the
# FWHM read-out from Affichage) open their windows at the same places in a
# folder started before as in a fresh one, after one restart and after two,
# the serial traffic and the read-out clear of the window opening them; a
# window dragged with the mouse comes back where it was dragged. The sizes
# run side by side, each on a display of its own (about five minutes).
#
#   window_placement_e2e.sh BUILD_DIR SOURCE_DIR [WIDTHxHEIGHT...]
#
# Every size runs unless some are named. NJ_E2E_SHOTS=DIR keeps a screenshot
# of the screen at each window checked (ImageMagick's import).
# Exit status 0 when all pass.
set -u

build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
shift 2
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(800x600 1024x768 1280x1024)

program="$build/src/nightjarpro"
client="$build/src/nightjarpro-dde"
# shellcheck source=../support/x11_session.sh
source "$source_dir/tests/support/x11_session.sh"
need_tools Xvfb openbox xdotool xwininfo xprop import convert

work=$(mktemp -d /tmp/nj-placement-e2e.XXXXXX)
xvfb_pid="" ; wm_pid="" ; app_pid=""
failures=0
screen="" ; phase=""

stop_program() {
  [ -n "$app_pid" ] || return 0
  kill "$app_pid" 2>/dev/null
  local n=0
  while kill -0 "$app_pid" 2>/dev/null && [ $n -lt 50 ]; do sleep 0.1; n=$((n + 1)); done
  kill -9 "$app_pid" 2>/dev/null
  wait "$app_pid" 2>/dev/null
  app_pid=""
}
stop_display() {
  stop_program
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && kill -CONT "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "$wm_pid" ] && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null
  wm_pid="" ; xvfb_pid=""
}
cleanup() {
  if [ "$failures" -eq 0 ] && [ -z "${NJ_E2E_KEEP:-}" ]; then rm -rf "$work"; else echo "kept: $work"; fi
}
trap cleanup EXIT

fail() { echo "FAIL [$screen $phase] $*"; failures=$((failures + 1)); session_report; }

# --- the display and the program ---------------------------------------------

# Starts the program in a fresh program folder whose settings file holds $1
# (printf's escapes, lines ending in \r\n as the program writes them).
start_program() {
  local prog="$work/prog-$screen-$phase"
  local run="$work/run-$screen"
  new_program_dir "$prog" "$run"
  printf '%b' "$1" >"$prog/NightjarPro.ini"
  wlog="$work/windows-$screen-$phase.log"
  # The demonstration webcam stands in for a webcam.
  export XDG_RUNTIME_DIR="$run" QT_QPA_PLATFORM=xcb NIGHTJARPRO_WINDOW_LOG="$wlog" NJ_FAKE_WEBCAM=1
  start_program_in "$prog" "$work/program-$screen-$phase.log"
}

alive() { [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; }
# Closes the program with the main window's close box.
close_program() {
  close_with_alt_f4 "$(main_window)" || { fail "the main window does not close"; return 1; }
  until_true 20 '! alive' || { fail "closing the main window does not end the program"; return 1; }
  app_pid=""
}
# The program's windows on screen (menus and tool tips have no name).
visible_windows() { xdotool search --onlyvisible --name '.' 2>/dev/null | sort; }

# --- what the window manager shows -------------------------------------------

# Checks that the whole frame of window $2 (called $1) lies on the screen.
check_on_screen() {
  local name=$1 win=$2 frame x y w h title
  frame=$(settled frame_of "$win") || { fail "$name: the window went away"; return 1; }
  checked_frame=$frame
  read -r x y w h <<<"$frame"
  title=$(xdotool getwindowname "$win" 2>/dev/null)
  if [ "$x" -lt 0 ] || [ "$y" -lt 0 ] || [ $((x + w)) -gt "$sw" ] || [ $((y + h)) -gt "$sh" ]; then
    fail "$name (\"$title\"): frame ${w}x${h} at $x,$y is not whole on the ${sw}x${sh} screen"
  else
    echo "  ok $name (\"$title\"): frame ${w}x${h} at $x,$y"
  fi
  if [ -n "${NJ_E2E_SHOTS:-}" ]; then
    mkdir -p "$NJ_E2E_SHOTS"
    import -window root "$NJ_E2E_SHOTS/$screen-$phase-$name.png" 2>/dev/null
  fi
}

# --- what the program logs and where the main window's bars are ----------------

# The main window's menu bar and page tabs take the top of its client, its
# tool bars the right of it below them (the layout of an 800-pixel-wide main
# window, as it opens from a fresh program folder). The menu bar's titles
# end MENUS pixels from its left: right of them is free room.
STRIP=46 PANEL=270 MENUS=490 MENU_H=20
read_main_bars() { read -r mx my mw mh <<<"$(client_of "$(main_window)")"; }

# True when a frame W x H fits in one of the free rectangles "w h" given (a
# place is looked for every 8 pixels: that much is left over).
fits_in() {
  local w=$1 h=$2 r rw rh
  shift 2
  for r in "$@"; do
    read -r rw rh <<<"$r"
    [ $((w + 8)) -le "$rw" ] && [ $((h + 8)) -le "$rh" ] && return 0
  done
  return 1
}
# Frames of the windows kept on top that are shown, one a line.
on_top_frames() {
  local w
  for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    xprop -id "$w" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_ABOVE && frame_of "$w"
  done
}
# True when a plain window covering the main window's tool bars at frame $1
# had to: windows kept on top lie over the room left of the tool bars, which
# would have hidden it, and where it stands its title bar shows beside them.
hidden_left_of_tools() {
  local frame=$1 x y w h f px covered=0 shows=1
  read -r x y w h <<<"$frame"
  local tops
  tops=$(on_top_frames)
  while read -r f; do
    [ -n "$f" ] && overlap "$f" "$mx $((my + STRIP)) $((mw - PANEL)) $((mh - STRIP))" && covered=1
  done <<<"$tops"
  [ $covered -eq 1 ] || return 1
  for px in $(seq $((x + 40)) 16 $((x + w - 40))); do
    shows=1
    while read -r f; do
      local fx fy fw fh
      read -r fx fy fw fh <<<"$f"
      [ -n "$f" ] && [ "$px" -ge "$fx" ] && [ "$px" -lt $((fx + fw)) ] && [ $((y + 8)) -ge "$fy" ] \
        && [ $((y + 8)) -lt $((fy + fh)) ] && shows=0
    done <<<"$tops"
    [ $shows -eq 1 ] && return 0
  done
  return 1
}
# A window that does not wait for its answer, opened from a fresh program
# folder: where the screen has room beside or below the main window's bars,
# its frame leaves them uncovered (the tool bars only where windows kept on
# top would hide it left of them); where it has room below the menu bar and
# page tabs only, it leaves those uncovered. One kept on top opened from
# another window ($3) leaves that window uncovered, and the menu bar and
# page tabs, before the tool bars.
check_bars() {
  local name=$1 frame=$2 opener=${3:-} x y w h menus strip tools
  read -r x y w h <<<"$frame"
  menus="$mx $my $MENUS $MENU_H"
  strip="$mx $((my + MENU_H)) $mw $((STRIP - MENU_H))"
  tools="$((mx + mw - PANEL)) $((my + STRIP)) $PANEL $((mh - STRIP))"
  if [ -n "$opener" ]; then
    local ox oy ow oh
    read -r ox oy ow oh <<<"$(frame_of "$opener")"
    # (Where the screen has room beside, below or above it.)
    fits_in "$w" "$h" "$ox $sh" "$((sw - ox - ow)) $sh" "$sw $((sh - oy - oh))" "$sw $((oy - my - STRIP))" \
      && overlap "$frame" "$ox $oy $ow $oh" \
      && fail "$name: frame ${w}x${h} at $x,$y covers \"$(xdotool getwindowname "$opener")\", which opened it"
    { overlap "$frame" "$menus" || overlap "$frame" "$strip"; } \
      && fail "$name: frame ${w}x${h} at $x,$y covers the main window's menu bar or page tabs"
    return
  fi
  # The largest free rectangles: left, right, above and below the main
  # window; below its strip left of its tool bars; below its strip.
  local left="$mx $sh" right="$((sw - mx - mw)) $sh" over="$sw $my" under="$sw $((sh - my - mh))"
  if fits_in "$w" "$h" "$left" "$right" "$over" "$under" "$((mx + mw - PANEL)) $((sh - my - STRIP))"; then
    if overlap "$frame" "$menus" || overlap "$frame" "$strip"; then
      fail "$name: frame ${w}x${h} at $x,$y covers the main window's bars (room was left beside or below them)"
    elif overlap "$frame" "$tools" && ! hidden_left_of_tools "$frame"; then
      fail "$name: frame ${w}x${h} at $x,$y covers the main window's tool bars (room was left beside or below them)"
    fi
  elif fits_in "$w" "$h" "$left" "$right" "$over" "$sw $((sh - my - STRIP))"; then
    { overlap "$frame" "$menus" || overlap "$frame" "$strip"; } \
      && fail "$name: frame ${w}x${h} at $x,$y covers the main window's menu bar or page tabs (room was left below them)"
  fi
}

# Every window shown is logged once as it shows; window $2 (called $1) must
# have come through the program's show path. Its name goes to the list of
# windows opened; $3 "bars" checks a window that does not wait for its
# answer against the main window's bars (its frame as check_on_screen read
# it last).
check_logged() {
  local name=$1 win=$2 line wname how kind
  line=$(grep "^shown : [^:]* : $win : " "$wlog" | tail -1)
  if [ -z "$line" ]; then
    fail "$name: window $win is not in the program's window log"
    return 1
  fi
  IFS=: read -r _ wname _ how kind _ <<<"$line"
  wname=${wname// /} how=${how// /} kind=${kind// /}
  echo "$wname" >>"$work/opened-$screen"
  [ "$how" = path ] || fail "$name ($wname): shown outside the program's show path"
  if [ "${3:-}" = bars ] && [ "$kind" = plain ]; then
    # (Opened from another window than the main one, and kept on top.)
    local tops
    tops=$(on_top_frames)
    if [ -n "$step_target" ] && [ "$step_target" != "$(main_window)" ] \
       && xprop -id "$win" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_ABOVE; then
      check_bars "$name ($wname)" "$checked_frame" "$step_target"
    elif [ -n "$tops" ] && ! xprop -id "$win" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_ABOVE; then
      # A plain window opened beside windows kept on top: where they leave
      # the most of it in sight, clear of the bars where that costs nothing.
      TOP_FRAMES=$tops most_in_sight "$win" "$name ($wname)"
    else
      check_bars "$name ($wname)" "$checked_frame"
    fi
  fi
  return 0
}

# Windows the program makes that a user does not open: the main window, the
# remote-control server's, and the progress windows shown for a moment while
# the program works (a long script read, the frame ring made).
NOT_OPENED="FRM_Alv FRM_DDEServer FRM_Progress ExtraProgress"

# Every window the program listed was opened by a step above, and every
# window shown came through the show path.
check_inventory() {
  local name title n=0
  while IFS=: read -r _ name title; do
    name=${name// /}
    n=$((n + 1))
    case " $NOT_OPENED " in *" $name "*) continue ;; esac
    grep -qx "$name" "$work/opened-$screen" 2>/dev/null \
      || fail "$name (\"${title# }\"): the program has this window, and no step of this test opened it"
  done < <(grep "^window : " "$wlog")
  [ "$n" -ge 30 ] || fail "the program listed only $n windows"
  grep "^shown : " "$wlog" | grep " : outside : " | while IFS=: read -r _ name _; do
    echo "FAIL [$screen $phase] ${name// /}: shown outside the program's show path"
  done | grep . && failures=$((failures + 1))
  echo "  ok $n windows listed by the program, $(sort -u "$work/opened-$screen" | wc -l) opened"
}

# --- what a user does ----------------------------------------------------------

# Runs a user's steps, separated by blanks:
#   m:X        click the main menu's title X pixels right of the main window's left
#   tab:X,Y    click in the main window (a tab or a button of its tool bar)
#   r2:X,Y     right click there
#   type:TEXT  type the text
#   w:TITLE    the window whose title matches (a regular expression) is clicked in next
#   c:X,Y      left click at X,Y in that window;  r:X,Y  right click there
#   k:KEY[*N]  press a key (N times)
#   dde:LINES  send script lines (separated by ";") through the remote client,
#              as another program does
#   wm-late:N  the window manager is held from here until N seconds after the
#              last step, as a busy machine leaves it without the processor:
#              a window shown meanwhile is framed that much later
# The window clicked in last is left in $step_target.
steps() {
  local target step key n xy lines late=""
  target=$(main_window)
  step_target=$target
  [ -n "$target" ] || { fail "no main window"; return 1; }
  activate "$target"
  sleep 0.1
  for step in $1; do
    # A click opens a menu or a page: it gets a moment to show.
    case $step in
      m:*) click_at "$(main_window)" "${step#m:}" 9; sleep 0.15 ;;
      tab:*) xy=${step#tab:}; click_at "$(main_window)" "${xy%,*}" "${xy#*,}"; sleep 0.15 ;;
      r2:*) xy=${step#r2:}; click_at "$(main_window)" "${xy%,*}" "${xy#*,}" 3; sleep 0.15 ;;
      type:*) xdotool type --delay 10 "${step#type:}" ;;
      c:*) xy=${step#c:}; click_at "$target" "${xy%,*}" "${xy#*,}"; sleep 0.15 ;;
      r:*) xy=${step#r:}; click_at "$target" "${xy%,*}" "${xy#*,}" 3; sleep 0.15 ;;
      # The client waits for the line to end, a box for its answer.
      dde:*) IFS=';' read -ra lines <<<"${step#dde:}"
             ("$client" execute "${lines[@]}" >/dev/null 2>&1 &) ;;
      w:*) target=$(xdotool search --onlyvisible --name "${step#w:}" 2>/dev/null | head -1)
           [ -n "$target" ] || { fail "no window \"${step#w:}\" to click in"; return 1; }
           step_target=$target
           activate "$target" ;;
      k:*) key=${step#k:}; n=1
           case $key in *\**) n=${key#*\*}; key=${key%\**} ;; esac
           for _ in $(seq "$n"); do keys "$key"; done ;;
      wm-late:*) late=${step#wm-late:}; kill -STOP "$wm_pid" ;;
    esac
    sleep 0.05
  done
  [ -n "$late" ] && { sleep "$late"; kill -CONT "$wm_pid"; }
  return 0
}

# The first window shown since the list $1 whose title matches $2.
new_window() {
  local w
  for w in $(comm -13 <(echo "$1") <(visible_windows)); do
    if xdotool getwindowname "$w" 2>/dev/null | grep -Eq -- "$2"; then
      echo "$w"
      return 0
    fi
  done
}

# Closes a window with the keys given (default the window manager's close,
# Alt+F4); what stays open would cover the main window's menu.
close_with() {
  local name=$1 win=$2
  shift 2
  if [ "$*" = alt+F4 ]; then
    close_with_alt_f4 "$win" || fail "$name: it does not close with $*"
    return
  fi
  activate "$win"
  sleep 0.1
  keys "$@"
  if ! until_true 5 '! shown "$win"'; then
    fail "$name: it does not close with $*"
    activate "$win"
    keys alt+F4
  fi
}

# Opens a window with the user's steps and checks it: a window whose title
# matches must appear. It is closed again with the keys given (default
# Alt+F4), or left open with "keep".
#   open_and_check NAME TITLE_REGEX STEPS [CLOSE_KEYS...]
open_and_check() {
  local name=$1 title=$2 how=$3 before win
  shift 3
  [ $# -eq 0 ] && set -- alt+F4
  before=$(visible_windows)
  steps "$how" || return 1
  if ! until_true 5 '[ -n "$(new_window "$before" "$title")" ]'; then
    local names="" w
    for w in $(comm -13 <(echo "$before") <(visible_windows)); do names="$names \"$(xdotool getwindowname "$w")\""; done
    fail "$name: no window \"$title\" opened (new windows:${names:- none})"
    keys Escape Escape Escape
    for w in $(comm -13 <(echo "$before") <(visible_windows)); do close_with "$name" "$w" alt+F4; done
    return 1
  fi
  win=$(new_window "$before" "$title")
  check_on_screen "$name" "$win"
  [ "$phase" = menus ] && check_logged "$name" "$win" bars
  [ "$1" = keep ] || close_with "$name" "$win" "$@"
  alive || { fail "the program ended"; tail -20 "$work/program-$screen-$phase.log"; return 1; }
}

# Closes the visible window whose title matches.
close_window() {
  local win
  win=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
  [ -n "$win" ] && close_with "$1" "$win" alt+F4
}

# --- the windows ---------------------------------------------------------------
# Titles are matched without their accented letters.

# The main menu's titles, from the main window's left edge. A menu opened by
# the mouse has its first item chosen or none, as it was last left: Up then
# Down always chooses the first; "k:Down*N" then chooses item N (from 0,
# disabled items skipped), "k:Right" opens its submenu at its first item.
M_FICHIER="m:29 k:Up k:Down" M_VIDEO="m:80 k:Up k:Down" M_FONCTIONS="m:140 k:Up k:Down"
M_OPERATIONS="m:357 k:Up k:Down" M_AIDE="m:480 k:Up k:Down"
# Titles without a menu: the item itself.
M_PREFS=m:275 M_TELESCOPE=m:434
# The beginner tool bar's "Assistants/Outils" page and its buttons.
T_OUTILS=tab:730,139 B_DETECT=tab:664,266

# A picture of 64 x 48 grey pixels, as a user's file source.
write_picture() {
  local le='import struct,sys; w,h=64,48; d=bytes([90])*(w*h*3)
sys.stdout.buffer.write(b"BM"+struct.pack("<IHHIIiiHHIIiiII",54+len(d),0,0,54,40,w,h,1,24,0,len(d),2835,2835,0,0)+d)'
  python3 -c "$le" >"$1"
}

# The image window opens near its design size (520 x 520), clear of the
# main window's menus where the screen has room (checked as it opens).
check_image_window_size() {
  local win x y w h
  win=$(xdotool search --onlyvisible --name "^Images$" 2>/dev/null | head -1)
  [ -n "$win" ] || { fail "the image window is not open"; return; }
  read -r x y w h <<<"$(settled frame_of "$win")"
  if [ "$w" -gt 560 ] || [ "$h" -gt 580 ]; then
    fail "the image window opens at ${w}x${h}, far from its 520 x 520 design"
  else
    echo "  ok the image window opens at ${w}x${h}"
  fi
}

# The player "Controle de lecture" of a picture opened with "Fichier >
# Ouvrir > Image", then a click on the main window's page tab: the player
# stays above the main window, as its tool window, not above every window.
the_player() {
  local picture="$work/picture-$screen.bmp" player
  write_picture "$picture"
  open_and_check player "^Contr.*le de lecture$" \
    "$M_FICHIER k:Right k:Return w:^Ouvrir type:$picture k:Return" keep || return
  player=$(xdotool search --onlyvisible --name "^Contr.*le de lecture$" 2>/dev/null | head -1)
  # "Source 2", then "Source 1" again.
  steps "tab:116,33 tab:39,33"
  sleep 0.5
  above "$player" "$(main_window)" || fail "player: the main window clicked covers it"
  xprop -id "$player" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE && fail "player: it is kept above every window"
  echo "  ok player above the main window clicked"
}

windows_of_the_menus() {
  open_and_check tool-images "^Images$" "$M_FONCTIONS k:Right k:Return" keep
  check_image_window_size
  # "Filtres" > "Montrer matrice de deconvolution": the kernel grid.
  open_and_check kernel-grid "^Matrice de Deconvolution$" "$M_FONCTIONS k:Right k:Down*2 k:Return w:^Images$ c:300,428"
  close_window "^Images$"
  open_and_check info "^Info$" "$M_FONCTIONS k:Right k:Down*6 k:Return"
  open_and_check tool-affichage "^Affichage$" "$M_FONCTIONS k:Down k:Right k:Return" keep
  # Its "Mise au point" page, "GROS": the big FWHM read-out.
  open_and_check fwhm "^Mise au point$" "w:^Affichage$ c:61,22 c:229,146"
  close_window "^Affichage$"
  open_and_check mini-source "^MiniSource$" "$M_FONCTIONS k:Down k:Right k:Down*3 k:Return"
  open_and_check full-screen "^Full Screen" "$M_FONCTIONS k:Down k:Right k:Down*4 k:Return"
  open_and_check tool-mesures "^Mesures$" "$M_FONCTIONS k:Down*2 k:Right k:Return"
  open_and_check detect-mvt "^Detect" "$M_FONCTIONS k:Down*5 k:Return"
  # (Framed five seconds late, it opens where it would at once.)
  open_and_check planner "^Programmateur de Mosa" "$M_FONCTIONS k:Down*7 wm-late:5 k:Return"
  open_and_check preferences "^Pr.*f.*rences$" "$M_PREFS" keep
  # "Controle du Telescope" > "Vitesse des moteurs" > "Afficher Activite",
  # then "Interface" > "Historique de communication" (at 800 x 600 the
  # pages scroll: their places move).
  if [ "$sh" -ge 768 ]; then
    open_and_check mount-activity "^Autoguidage$" "w:^Pr.*f.*rences$ c:452,22 c:367,83 c:37,210"
    open_and_check comm-traffic "^Comm Trafic$" "w:^Pr.*f.*rences$ c:59,83 c:37,490" keep
    traffic_over_preferences
  fi
  close_window "^Pr.*f.*rences$"
  # "Charger une sequence de fichiers".
  open_and_check sequence "^Chargement de s" "$M_FICHIER k:Down k:Return" Escape
  # A right click on the function button 1 of the main window's "Scripts"
  # page: its properties.
  open_and_check button-properties "^Propri" "tab:662,165 r2:570,313"
  open_and_check about "^A propos$" "$M_AIDE k:Down k:Return"
  open_and_check resources "^Ressources$" "$M_AIDE k:Down*2 k:Return"
  open_and_check save-dialog "^Enregistrer$" "$M_FICHIER k:Down*3 k:Return" Escape
  open_and_check open-dialog "^Ouvrir" "$M_FICHIER k:Right k:Return" Escape
  the_player
}

# The chart stays on top: the search dialog and its settings open in front
# of it, the goto dialog and the hand pad (plain windows) under it.
windows_of_the_chart() {
  open_and_check sky "^Carte C" "$M_FONCTIONS k:Down*6 k:Return" keep
  # Right click > "Objet" > the entry of the cursor's place.
  open_and_check goto "^Curseur$" "w:^Carte.C r:320,240 k:Up k:Down k:Right k:Return" keep
  hand_pad_by_windows_on_top
  close_window "^Curseur$"
  # "Rechercher" > "Etoile" > "SAO".
  open_and_check search "^Recherche" "w:^Carte.C c:115,9 k:Up k:Down k:Right k:Return" Escape
  # "Affichage" (the chart's settings).
  open_and_check chart-settings "^Pr.*f.*rences$" "w:^Carte.C c:40,9"
  close_window "^Carte.C"
  # A tree built without the catalogues' sources: the chart told each
  # missing file in the message window, which the user reads and closes.
  if [ -n "$(xdotool search --onlyvisible --name "^Message$" 2>/dev/null | head -1)" ]; then
    echo "note [$screen $phase]: the chart wrote to the message window (no catalogues in $build/skydata?)"
    close_window "^Message$"
  fi
}

# The hand pad opened from the Telescope menu while the chart stands on top
# and its goto dialog is open: whole, under the chart where they overlap,
# in front of the goto dialog shown before it.
hand_pad_by_windows_on_top() {
  local pad chart goto frame ok=1
  open_and_check hand-pad-over-chart "^Telescope$" "$M_TELESCOPE" keep || return
  pad=$(xdotool search --onlyvisible --name "^Telescope$" 2>/dev/null | head -1)
  chart=$(xdotool search --onlyvisible --name "^Carte C" 2>/dev/null | head -1)
  goto=$(xdotool search --onlyvisible --name "^Curseur$" 2>/dev/null | head -1)
  sleep 0.5
  frame=$(settled frame_of "$pad")
  if [ -n "$chart" ] && overlap "$frame" "$(frame_of "$chart")" && ! above "$chart" "$pad"; then
    fail "hand pad: opened at $frame above the chart, which stays on top"
    ok=0
  fi
  if [ -n "$goto" ] && overlap "$frame" "$(frame_of "$goto")" && ! above "$pad" "$goto"; then
    fail "hand pad: opened at $frame under the goto dialog shown before it"
    ok=0
  fi
  [ $ok -eq 1 ] && echo "  ok hand pad under the chart, in front of the goto dialog"
  close_window "^Telescope$"
}

# The serial traffic opened from the Preferences' "Historique de
# communication" stays above them once they are clicked (their title bar,
# where the traffic leaves it uncovered), and is closed.
traffic_over_preferences() {
  local traffic pref
  traffic=$(xdotool search --onlyvisible --name "^Comm Trafic$" 2>/dev/null | head -1)
  pref=$(xdotool search --onlyvisible --name "^Pr.*f.*rences$" 2>/dev/null | head -1)
  [ -n "$traffic" ] && [ -n "$pref" ] || return
  ON_TOP="^Comm Trafic$" click_title "$pref"
  if above "$traffic" "$pref"; then
    echo "  ok the serial traffic stays above the Preferences clicked"
  else
    fail "the serial traffic goes under the Preferences clicked"
  fi
  close_with comm-traffic "$traffic" alt+F4
}

# Windows opened from buttons and from other windows' menus; the windows
# holding the buttons are checked as they open from the main menu.
windows_of_buttons() {
  open_and_check tools-detect "^Detect" "$T_OUTILS $B_DETECT"
  open_and_check tool-suivi "^Suivi/Autoguidage$" "$M_FONCTIONS k:Down*4 k:Return" keep
  open_and_check lost-star "perte d" "w:^Suivi/Autoguidage c:422,416"
  open_and_check guiding-settings "^Pr.*f.*rences$" "w:^Suivi/Autoguidage c:260,122"
  close_window "^Suivi/Autoguidage$"
  open_and_check hand-pad "^Telescope$" "$M_TELESCOPE" keep
  open_and_check joystick "^Joystick" "w:^Telescope$ c:570,163"
  close_window "^Telescope$"
  open_and_check scripts "^Script" "$M_FONCTIONS k:Down*8 k:Return" keep
  open_and_check wizard "^Assistant" "w:^Script c:147,8"
  # "Edition > Rechercher" (Ctrl+F).
  open_and_check script-search "^Rechercher$" "w:^Script k:ctrl+f"
  close_window "^Script"
}

# Boxes and windows the program opens by itself.
windows_of_the_program() {
  open_and_check message-window "^Message$" 'dde:messagebox.show("placement")'
  open_and_check message-box "^Nightjar Pro 2.3$" 'dde:message.show("placement")' Return
  # A script's question (a script of the Scripts folder started remotely).
  mkdir -p "$work/prog-$screen-$phase/Scripts"
  printf 'var(s,string)\r\ninputstring("placement",s)\r\n' >"$work/prog-$screen-$phase/Scripts/question.script"
  open_and_check script-question "^Input" 'dde:callfar("question.script")' Return
}

# A camera runs: the driver choice, the camera's dialogs and the operations.
windows_of_a_camera() {
  # Asked for when the camera starts: the last driver, the simulator
  # plug-in's camera, which also takes long exposures.
  open_and_check driver-choice "^Pilote de capture" "$M_VIDEO k:Right k:Down*2 k:Return" End Return
  sleep 1
  # Camera 1 > Mode > "Longue pose" ("Arreter" is enabled, "Flux" is not).
  # Its frame is also read as soon as it shows.
  local seen=$work/long-exposure-seen-$screen
  (end=$((SECONDS + 20)) w=""
   while [ -z "$w" ] && [ $SECONDS -lt $end ]; do
     w=$(xdotool search --onlyvisible --name "^(Longue|Poses longues)" 2>/dev/null | head -1)
   done
   [ -n "$w" ] && frame_of "$w") >"$seen" &
  local watcher=$!
  open_and_check long-exposure "^(Longue|Poses longues)" "$M_VIDEO k:Right k:Down*3 k:Right k:Down k:Return" keep
  wait "$watcher"
  long_exposure_at_the_main_windows_edge "$(cat "$seen")"
  open_and_check polar-alignment "^Mise en station$" "$M_OPERATIONS k:Down k:Return"
  open_and_check periodic-error "^Erreur P" "$M_OPERATIONS k:Down*2 k:Return"
  # The motion detection's "Image de reference" and "Definir".
  open_and_check detect-camera "^Detect" "$M_FONCTIONS k:Down*5 k:Return" keep
  # ("Active" first: they are greyed out while detection is off.)
  open_and_check reference-image "^Image de r" "w:^Detect c:16,19 c:346,19"
  open_and_check detect-action "^Actions? .*lors d.une d" "w:^Detect c:380,176"
  steps "w:^Detect c:16,19"
  close_window "^Detect"
  # Camera 2 started on the demonstration webcam (the third driver): its
  # format page and its control window.
  open_and_check driver-choice-2 "^Pilote de capture" "$M_VIDEO k:Down k:Right k:Down*2 k:Return" Home Down Down Return
  sleep 1
  open_and_check webcam-format "^Format vid" "$M_VIDEO k:Down k:Right k:Return" Escape
  open_and_check webcam-controls "^WDM Advanced Control$" "$M_VIDEO k:Down k:Right k:Down*2 k:Return" keep
  check_pan_tilt_pad webcam-controls
  # Again with "Avance" of camera 2 on the main window's "Controle Camera"
  # page.
  open_and_check webcam-controls-button "^WDM Advanced Control$" "tab:729,56 tab:726,287" keep
  check_pan_tilt_pad webcam-controls-button
}

# The long-exposure window just opened (its frame as check_on_screen read
# it) stands at the main window's left edge, its bottom on the main
# window's bottom, where no window kept on top covers that place, and it
# opened there: its frame as soon as it showed ($1) was the same; it is
# closed.
long_exposure_at_the_main_windows_edge() {
  local win x y w h fx fy fw fh top
  win=$(xdotool search --onlyvisible --name "^(Longue|Poses longues)" 2>/dev/null | head -1)
  [ -n "$win" ] || return
  read -r x y w h <<<"$checked_frame"
  [ "$1" = "$checked_frame" ] || fail "long-exposure: it showed at $1 (left top width height), then went to $checked_frame"
  read -r fx fy fw fh <<<"$(settled frame_of "$(main_window)")"
  while read -r top; do
    [ -n "$top" ] && overlap "$top" "$fx $((fy + fh - h)) $w $h" && { close_with long-exposure "$win" alt+F4; return; }
  done <<<"$(on_top_frames)"
  if [ "$x" -eq "$fx" ] && [ $((y + h)) -eq $((fy + fh)) ]; then
    echo "  ok long-exposure: at the main window's left edge, its bottom on the main window's"
  else
    fail "long-exposure: frame ${w}x${h} at $x,$y; the main window's frame ${fw}x${fh} at $fx,$fy (its left edge and bottom)"
  fi
  close_with long-exposure "$win" alt+F4
}

# The webcam's pan/tilt pad in the open control window, as the screen shows
# it: its zone (the pad's colour, 0,128,128) with the pad's 15-pixel border
# around it inside the window, an arrow in the border on each of its four
# sides (dark pixels on the window's light face) and the point's
# coordinates written in the zone (light pixels on it).
check_pan_tilt_pad() {
  local name=$1 win x y w h zw zh zx zy b=15 side crop low shot="$work/wdm-$screen-$1.png"
  win=$(xdotool search --onlyvisible --name "^WDM Advanced Control$" 2>/dev/null | head -1)
  [ -n "$win" ] || { fail "$name: the control window is not open"; return; }
  read -r x y w h <<<"$(settled client_of "$win")"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot" 2>/dev/null
  read -r zw zh zx zy <<<"$(convert "$shot" -fill black +opaque "rgb(0,128,128)" -trim -format '%w %h %X %Y' info: 2>/dev/null | tr -d +)"
  if [ -z "$zy" ] || [ "$zw" -ge "$w" ] || [ $((zx - b)) -lt 0 ] || [ $((zy - b)) -lt 0 ] \
     || [ $((zx + zw + b)) -gt "$w" ] || [ $((zy + zh + b)) -gt "$h" ]; then
    fail "$name: the pan/tilt pad's zone (${zw:-no}x${zh:-zone} at ${zx:-?},${zy:-?}) and its border are not whole in the ${w}x${h} window"
    return
  fi
  for side in left right top bottom; do
    case $side in
      left) crop="${b}x${zh}+$((zx - b))+$zy" ;;
      right) crop="${b}x${zh}+$((zx + zw))+$zy" ;;
      top) crop="${zw}x${b}+$zx+$((zy - b))" ;;
      bottom) crop="${zw}x${b}+$zx+$((zy + zh))" ;;
    esac
    low=$(convert "$shot" -crop "$crop" +repage -colorspace gray -format '%[fx:minima < 0.6 ? 1 : 0]' info: 2>/dev/null)
    [ "$low" = 1 ] || fail "$name: the pan/tilt pad shows no arrow on its $side side"
  done
  [ "$(convert "$shot" -crop "${zw}x${zh}+$zx+$zy" +repage -colorspace gray -format '%[fx:maxima > 0.6 ? 1 : 0]' info: 2>/dev/null)" = 1 ] \
    || fail "$name: the pan/tilt pad's zone shows no point"
  echo "  ok $name: the pan/tilt pad whole, its zone ${zw}x${zh} at $zx,$zy, four arrows and its point"
  close_with "$name" "$win" alt+F4
}

# Windows left open as the program closes come back where they were, at the
# size they opened with (the hand pad, brought back whole, clear of the main
# window's bars where the screen has room): the hand pad (the keypad's centre key in the main window), the
# image window, the tracking window, the Preferences and the sky chart. The
# program is closed with the main window's close box (the settings file
# then has where their frames were), and started again in its folder. The
# hand pad is first dragged 40 pixels down by its title bar, over the
# screen's bottom edge where it has no room below: it comes back at the size
# it opened with, brought up only as far as it takes to be whole.
LEFT_OPEN=("^Telescope$" "^Images$" "^Suivi/Autoguidage$" "^Pr.*f.*rences$" "^Carte C")
LEFT_OPEN_KEYS=(FRM_Raquette FRM_Tool_Images FRM_Tool_Suivi FRM_Pref FRM_Sky)
# Those of them kept on top, and the plain ones; the titles of the windows
# kept on top that come back (the script window with them from the third
# start).
LEFT_ON_TOP=(2 4) LEFT_PLAIN=(0 1 3) LEFT_ON_TOP_TITLES="^Suivi/Autoguidage$|^Carte C|^Script"
windows_left_open() {
  local title i x y rest stored
  open_and_check hand-pad-key "${LEFT_OPEN[0]}" "k:KP_Begin" keep
  local pad px py pw ph
  pad=$(xdotool search --onlyvisible --name "${LEFT_OPEN[0]}" 2>/dev/null | head -1)
  read -r px py pw ph <<<"$(settled frame_of "$pad")"
  xdotool mousemove $((px + pw / 2)) $((py + 9)) mousedown 1
  sleep 0.2
  xdotool mousemove $((px + pw / 2)) $((py + 29))
  sleep 0.2
  xdotool mousemove $((px + pw / 2)) $((py + 49)) mouseup 1
  sleep 0.3
  read -r px py pw ph <<<"$(settled frame_of "$pad")"
  pad_back="$px $((py + ph > sh ? sh - ph : py)) $pw $ph"
  open_and_check images-left-open "${LEFT_OPEN[1]}" "$M_FONCTIONS k:Right k:Return" keep
  open_and_check tracking-left-open "${LEFT_OPEN[2]}" "$M_FONCTIONS k:Down*4 k:Return" keep
  open_and_check preferences-left-open "${LEFT_OPEN[3]}" "$M_PREFS" keep
  open_and_check chart-left-open "${LEFT_OPEN[4]}" "$M_FONCTIONS k:Down*6 k:Return" keep
  left_open=()
  for title in "${LEFT_OPEN[@]}"; do
    left_open+=("$(settled frame_of "$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1)")")
  done
  close_program || return 1
  # The settings file has where their frames were.
  for i in "${!LEFT_OPEN[@]}"; do
    read -r x y rest <<<"${left_open[$i]}"
    stored=$(stored_place "${LEFT_OPEN_KEYS[$i]}")
    [ "$stored" = "$x,$y" ] \
      || fail "${LEFT_OPEN_KEYS[$i]}: its frame was at $x,$y as the program closed, the settings file has $stored"
  done
  # Every other window was shown where the program put it, and closed: it
  # is stored at the program's place, none of them at a place of the user's.
  local ini="$work/prog-$screen-$phase/NightjarPro.ini" key n=0
  for key in $(grep -aio "^FRM_[A-Za-z_]*_Left=" "$ini" | sed 's/_Left=$//'); do
    case " FRM_Alv ${LEFT_OPEN_KEYS[*]} " in *" $key "*) continue ;; esac
    stored=$(stored_place "$key")
    [ "$(stored_key "$work/prog-$screen-$phase" "${key}_FirstPlace")" = "$stored" ] \
      || fail "$key, shown only where the program put it, is stored at $stored as the user's place"
    n=$((n + 1))
  done
  [ "$n" -ge 12 ] || fail "only $n windows stored at the program's place"
}
windows_restored() {
  local i win frame
  read_main_bars
  for i in "${!LEFT_OPEN[@]}"; do
    win=$(xdotool search --onlyvisible --name "${LEFT_OPEN[$i]}" 2>/dev/null | head -1)
    [ -n "$win" ] || { fail "\"${LEFT_OPEN[$i]}\" left open does not come back"; continue; }
    check_on_screen "restored-$i" "$win"
    frame=$checked_frame
    if [ "$i" -eq 0 ]; then
      [ "$frame" = "$pad_back" ] \
        || fail "the hand pad closed as ${left_open[0]} comes back as ${frame}, not ${pad_back} (left top width height)"
    else
      [ "$frame" = "${left_open[$i]}" ] \
        || fail "\"${LEFT_OPEN[$i]}\" comes back as ${frame}, it was closed as ${left_open[$i]} (left top width height)"
    fi
    # (The others come back exactly where they were left, however they
    # stood against the bars: where windows kept on top were open, the
    # program may have put them over the bars, and the user left them.)
    [ "$i" -eq 0 ] && check_bars "\"${LEFT_OPEN[$i]}\" restored" "$frame"
  done
  # The chart comes back before the plain windows, the tracking window
  # after them; both stay on top, above the plain windows they overlap.
  local on_top plain j
  for j in "${LEFT_ON_TOP[@]}"; do
    on_top=$(xdotool search --onlyvisible --name "${LEFT_OPEN[$j]}" 2>/dev/null | head -1)
    [ -n "$on_top" ] || continue
    for i in "${LEFT_PLAIN[@]}"; do
      plain=$(xdotool search --onlyvisible --name "${LEFT_OPEN[$i]}" 2>/dev/null | head -1)
      [ -n "$plain" ] && overlap "$(frame_of "$plain")" "$(frame_of "$on_top")" || continue
      if above "$on_top" "$plain"; then
        echo "  ok \"${LEFT_OPEN[$i]}\" restored under \"${LEFT_OPEN[$j]}\""
      else
        fail "\"${LEFT_OPEN[$i]}\" restored above \"${LEFT_OPEN[$j]}\", kept on top"
      fi
    done
  done
}

# Left open a second time, each window comes back as it was closed again,
# at the size it had: the hand pad restored is first dragged by its title bar
# to the screen's top edge, over the main window's menu bar, where it would
# have room to be taller than it is (at 800 x 600 and 1024 x 768 it opens
# shorter, to fit below the main window's bars). The main window is first
# dragged down: a window its bars now lie under comes back where it was
# left all the same, and the hand pad at the top edge keeps the size it
# had, though it would open shorter below the bars where the main window now
# is (at 1280 x 1024 the main window goes down far enough for that). The program is closed with
# the main window's close box and started a third time in its folder.
windows_closed_again() {
  local pad px py pw ph title
  pad=$(xdotool search --onlyvisible --name "${LEFT_OPEN[0]}" 2>/dev/null | head -1)
  [ -n "$pad" ] || return 1
  # The main window is dragged 40 pixels down by its title bar (right of
  # its middle, clear of the hand pad), 120 on the tallest screen, where
  # the screen has room: the windows restored just below its bars now lie
  # on them, where nobody put them.
  local main mfx mfy mfw mfh y down=40
  [ "$sh" -ge 1024 ] && down=120
  main=$(main_window)
  read -r mfx mfy mfw mfh <<<"$(settled frame_of "$main")"
  if [ $((mfy + mfh + down)) -le "$sh" ]; then
    activate "$main"
    xdotool mousemove $((mfx + mfw - 100)) $((mfy + 9)) mousedown 1
    sleep 0.2
    xdotool mousemove $((mfx + mfw - 100)) $((mfy + 9 + down / 2))
    sleep 0.2
    xdotool mousemove $((mfx + mfw - 100)) $((mfy + 9 + down)) mouseup 1
    sleep 0.3
    read -r _ y _ _ <<<"$(settled frame_of "$main")"
    [ "$y" -eq $((mfy + down)) ] || fail "the main window dragged $down pixels down from $mfy is at $y"
  fi
  # (Brought forward first: the windows restored after it may cover it.)
  # (Grabbed where the windows kept on top leave it uncovered.)
  activate "$pad"
  read -r px py pw ph <<<"$(settled frame_of "$pad")"
  ON_TOP="$LEFT_ON_TOP_TITLES" drag_by "$pad" 0 $((-py)) || fail "the hand pad is covered whole"
  left_again=()
  for title in "${LEFT_OPEN[@]}"; do
    left_again+=("$(settled frame_of "$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1)")")
  done
  read -r px py pw ph <<<"${left_again[0]}"
  [ "$py" -lt "$my" ] || fail "the hand pad dragged to the screen's top edge stays at $px,$py"
  close_program || return 1
  # The script window left open at a place off the screen.
  local ini="$work/prog-$screen-$closed/NightjarPro.ini"
  sed -i '/^FRM_Script_\(Left\|Top\|visible\)=/Id' "$ini"
  sed -i "s/^\[Windows\]\r\?$/[Windows]\r\nFRM_Script_Left=-150\r\nFRM_Script_Top=-60\r\nFRM_Script_visible=1\r/" "$ini"
}
windows_restored_again() {
  local i win x y w h mtop below on_bars=0
  read_main_bars
  below=$(((my + STRIP + 7) / 8 * 8))
  read -r _ mtop _ _ <<<"$(frame_of "$(main_window)")"
  for i in "${!LEFT_OPEN[@]}"; do
    [ -n "${left_again[$i]}" ] || continue
    win=$(xdotool search --onlyvisible --name "${LEFT_OPEN[$i]}" 2>/dev/null | head -1)
    [ -n "$win" ] || { fail "\"${LEFT_OPEN[$i]}\" left open again does not come back"; continue; }
    check_on_screen "restored-again-$i" "$win"
    read -r x y w h <<<"${left_again[$i]}"
    # Closed with its top edge on the bars of the main window moved down, or
    # anywhere else, it comes back where and as it was closed (the hand pad
    # at the screen's top edge keeps the size it had, though it would open
    # shorter below the bars where the main window now is).
    if [ "$y" -gt "$mtop" ] && [ "$y" -lt "$below" ]; then
      on_bars=$((on_bars + 1))
    fi
    [ "$checked_frame" = "${left_again[$i]}" ] \
      || fail "\"${LEFT_OPEN[$i]}\" comes back as ${checked_frame}, it was closed as ${left_again[$i]} (left top width height)"
  done
  [ "$sh" -ne 768 ] || [ "$on_bars" -gt 0 ] || fail "no window was closed on the bars of the main window moved down"
  # The script window comes back clear of the main window's menu bar and
  # page tabs where the main window has come back, not where it first shows.
  local script
  script=$(xdotool search --onlyvisible --name "^Script" 2>/dev/null | head -1)
  [ -n "$script" ] || { fail "the script window left open does not come back"; return; }
  check_on_screen restored-script "$script"
  if overlap "$checked_frame" "$mx $my $MENUS $MENU_H" || overlap "$checked_frame" "$mx $((my + MENU_H)) $mw $((STRIP - MENU_H))"; then
    fail "the script window stored off the screen comes back at $checked_frame over the main window's menu bar or page tabs"
  fi
}

# Left open a third time, the hand pad is dragged by its title bar below
# the main window's bars, its frame's bottom edge on the screen's, and the
# main window up by its title bar, 100 pixels or to the screen's top edge
# (the room below its bars, where the hand pad opens taller, grows by as
# much); the program is closed with the main window's close box and started
# a fourth time in its folder. The hand pad comes back where and as it was
# closed, not taller and pushed up to stay whole on the screen.
windows_closed_after_main_up() {
  local main pad mfx mfy mfw mfh px py pw ph up y
  pad=$(xdotool search --onlyvisible --name "${LEFT_OPEN[0]}" 2>/dev/null | head -1)
  [ -n "$pad" ] || { fail "the hand pad is not open before the fourth start"; return 1; }
  main=$(main_window)
  read -r mfx mfy mfw mfh <<<"$(settled frame_of "$main")"
  up=$((mfy < 100 ? mfy : 100))
  if [ "$up" -gt 0 ]; then
    activate "$main"
    xdotool mousemove $((mfx + mfw - 100)) $((mfy + 9)) mousedown 1
    sleep 0.2
    xdotool mousemove $((mfx + mfw - 100)) $((mfy + 9 - up / 2))
    sleep 0.2
    xdotool mousemove $((mfx + mfw - 100)) $((mfy + 9 - up)) mouseup 1
    sleep 0.3
    read -r _ y _ _ <<<"$(settled frame_of "$main")"
    [ "$y" -eq $((mfy - up)) ] || fail "the main window dragged $up pixels up from $mfy is at $y"
  fi
  activate "$pad"
  read -r px py pw ph <<<"$(settled frame_of "$pad")"
  y=$((sh - ph))
  ON_TOP="$LEFT_ON_TOP_TITLES" drag_by "$pad" 0 $((y - py)) || fail "the hand pad is covered whole"
  pad_low=$(settled frame_of "$pad")
  read -r _ py _ _ <<<"$pad_low"
  [ "$py" -eq "$y" ] || fail "the hand pad dragged down to $y stays at $pad_low"
  close_program || return 1
}
pad_restored_after_main_up() {
  local pad
  pad=$(xdotool search --onlyvisible --name "${LEFT_OPEN[0]}" 2>/dev/null | head -1)
  [ -n "$pad" ] || { fail "the hand pad left open a third time does not come back"; return; }
  check_on_screen restored-after-main-up "$pad"
  [ "$checked_frame" = "$pad_low" ] \
    || fail "the hand pad closed as $pad_low, the main window moved up, comes back as $checked_frame (left top width height)"
}

# Positions stored on a larger screen (1920 x 1200) and negative ones, with
# the windows left open: each comes back whole on this screen.
stored_layout() {
  local left top
  printf '[Prefs]\\r\\nLangue=1\\r\\n[Autoguide]\\r\\nRDB_Aucun.Checked=0\\r\\nRDB_LX200.Checked=1\\r\\nAG_PortSerie=19\\r\\n'
  printf '[Windows]\\r\\nFRM_AlV_Left=%d\\r\\nFRM_AlV_Top=%d\\r\\nFRM_AlV_Width=1600\\r\\nFRM_AlV_Height=1100\\r\\n' \
    $((1920 - 1650)) -40
  local n=0 w
  for w in FRM_Tool_Images FRM_Tool_Affichage FRM_Tool_Mesures FRM_Tool_Suivi FRM_Detect_Mvt FRM_ImgRef \
           FRM_ComTrafic FRM_Prg_Suivi FRM_FWHM FRM_Raquette FRM_ScrCmd FRM_Pref FRM_Message FRM_Script FRM_Sky \
           FRM_ObjectAction; do
    # In turn: near the larger screen's far corner, just off this screen's
    # right and bottom edges, and above and left of it.
    case $((n % 3)) in
      0) left=1800; top=1100 ;;
      1) left=$((sw - 60)); top=$((sh - 40)) ;;
      2) left=-150; top=-60 ;;
    esac
    printf '%s_Left=%d\\r\\n%s_Top=%d\\r\\n%s_visible=1\\r\\n' "$w" "$left" "$w" "$top" "$w"
    n=$((n + 1))
  done
  printf 'FRM_MiseEnStation_Left=-300\\r\\nFRM_MiseEnStation_Top=900\\r\\nFRM_MiseEnstation_visible=1\\r\\n'
  # The chart taller than the room below the main window's bars, at the
  # screen's top edge.
  printf 'FRM_Script_Width=400\\r\\nFRM_Script_Height=300\\r\\nFRM_Sky_Width=640\\r\\nFRM_Sky_Height=%d\\r\\n' $((sh - 60))
}

# Where the settings file of this phase's program folder stores window $1:
# "left,top".
stored_place() {
  local ini="$work/prog-$screen-$phase/NightjarPro.ini" x y
  x=$(grep -ai "^${1}_Left=" "$ini" | head -1 | cut -d= -f2 | tr -d '\r')
  y=$(grep -ai "^${1}_Top=" "$ini" | head -1 | cut -d= -f2 | tr -d '\r')
  echo "$x,$y"
}

# The settings file's name of the window with that title.
stored_name() {
  case $1 in
    Script) echo FRM_Script ;;
    Affichage) echo FRM_Tool_Affichage ;;
    Images) echo FRM_Tool_Images ;;
    Mesures) echo FRM_Tool_Mesures ;;
    Goto) echo FRM_ObjectAction ;;
    Telescope) echo FRM_Raquette ;;
    "Comm Trafic") echo FRM_ComTrafic ;;
    Autoguidage) echo FRM_Prg_Suivi ;;
    Assistant) echo FRM_ScrCmd ;;
    "Suivi/Autoguidage") echo FRM_Tool_Suivi ;;
    "Mise en station") echo FRM_MiseEnStation ;;
    "Nightjar Pro 2.3 (Release"*) echo FRM_Alv ;;
  esac
}

windows_of_the_stored_layout() {
  local w count=0 name key x y rest places=()
  check_on_screen main "$(main_window)"
  for w in $(visible_windows); do
    [ "$w" = "$(main_window)" ] && continue
    check_on_screen "stored-$(xdotool getwindowname "$w" | tr -c 'A-Za-z0-9\n' '-')" "$w"
    count=$((count + 1))
  done
  [ "$count" -ge 12 ] || fail "only $count windows came back open"

  # Each was stored off this screen (past its edges or negative): brought
  # onto it, it leaves the main window's menu bar and page tabs uncovered
  # where it fits below them.
  local frame fh
  read_main_bars
  for w in $(visible_windows); do
    [ "$w" = "$(main_window)" ] && continue
    frame=$(frame_of "$w")
    read -r _ _ _ fh <<<"$frame"
    [ $((my + STRIP + 8 + fh)) -le "$sh" ] || continue
    if overlap "$frame" "$mx $my $MENUS $MENU_H" || overlap "$frame" "$mx $((my + MENU_H)) $mw $((STRIP - MENU_H))"; then
      fail "\"$(xdotool getwindowname "$w")\" stored off the screen comes back at $frame over the main window's menu bar or page tabs"
    fi
  done

  # The chart comes back at the size stored for it, though it opens shorter
  # at its first place on a small screen.
  local chart cw ch
  chart=$(xdotool search --onlyvisible --name "^Carte" 2>/dev/null | head -1)
  read -r _ _ cw ch <<<"$(client_of "$chart")"
  [ "$cw x $ch" = "640 x $((sh - 60))" ] || fail "the chart comes back $cw x $ch, stored as 640 x $((sh - 60))"

  # The hand pad came back in a corner; its "Inversions" shows a panel in
  # it: grown, it stays whole on the screen.
  local pad
  pad=$(xdotool search --onlyvisible --name "^Telescope$" 2>/dev/null | head -1)
  if [ -n "$pad" ]; then
    steps "w:^Telescope$ c:116,350"
    sleep 0.5
    check_on_screen hand-pad-grown "$pad"
  else
    fail "the hand pad did not come back open"
  fi

  # Closed through its menu, the program stores where the frames are: the
  # next start puts them back there, without creeping by a frame.
  for w in $(visible_windows); do
    key=$(stored_name "$(xdotool getwindowname "$w")")
    [ -n "$key" ] || continue
    read -r x y rest <<<"$(frame_of "$w")"
    places+=("$key $x $y")
  done
  activate "$(main_window)"
  sleep 0.1
  keys alt+f Down Down Return
  until_true 20 '! alive' || { fail "Fichier > Fermer does not end the program"; return 1; }
  app_pid=""
  local place stored
  for place in "${places[@]}"; do
    read -r key x y <<<"$place"
    stored=$(stored_place "$key")
    [ "$stored" = "$x,$y" ] || fail "$key: its frame was at $x,$y, the settings file has $stored"
  done
  [ ${#places[@]} -ge 8 ] || fail "only ${#places[@]} windows' places compared"
}

# --- first places after restarts ----------------------------------------------

# Notes the frames of the windows whose titles match $2... in file $1.
note_frames() {
  local out=$1 name
  shift
  for name in "$@"; do
    echo "$name|$(settled frame_of "$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -1)")" >>"$out"
  done
}
close_all() { local name; for name in "$@"; do close_window "$name"; done; }

# The steps of a user who opens windows beside windows kept on top, each
# window's frame noted in file $1 ("title|left top width height"): the
# tracking window, a line of the remote client in the message window, then
# Images; where the Preferences' pages do not scroll, the serial traffic
# from their "Historique de communication"; the big FWHM read-out from
# Affichage's "Mise au point" page. Each window is closed before the next
# group (shown only where the program put it, it is not the user's).
first_places_steps() {
  local out=$1
  : >"$out"
  open_and_check first-tracking "^Suivi/Autoguidage$" "$M_FONCTIONS k:Down*4 k:Return" keep
  open_and_check first-message "^Message$" 'dde:messagebox.show("placement")' keep
  open_and_check first-images "^Images$" "$M_FONCTIONS k:Right k:Return" keep
  note_frames "$out" "^Suivi/Autoguidage$" "^Message$" "^Images$"
  close_all "^Images$" "^Message$" "^Suivi/Autoguidage$"
  read_main_bars
  if [ "$sh" -ge 768 ]; then
    open_and_check first-preferences "^Pr.*f.*rences$" "$M_PREFS" keep
    open_and_check first-traffic "^Comm Trafic$" "w:^Pr.*f.*rences$ c:452,22 c:59,83 c:37,490" keep
    check_bars first-traffic "$(settled frame_of "$(xdotool search --onlyvisible --name "^Comm Trafic$" | head -1)")" \
      "$(xdotool search --onlyvisible --name "^Pr.*f.*rences$" | head -1)"
    note_frames "$out" "^Pr.*f.*rences$" "^Comm Trafic$"
    close_all "^Comm Trafic$" "^Pr.*f.*rences$"
  fi
  open_and_check first-affichage "^Affichage$" "$M_FONCTIONS k:Down k:Right k:Return" keep
  open_and_check first-fwhm "^Mise au point$" "w:^Affichage$ c:61,22 c:229,146" keep
  check_bars first-fwhm "$(settled frame_of "$(xdotool search --onlyvisible --name "^Mise au point$" | head -1)")" \
    "$(xdotool search --onlyvisible --name "^Affichage$" | head -1)"
  note_frames "$out" "^Affichage$" "^Mise au point$"
  close_all "^Mise au point$" "^Affichage$"
}

# The same steps open the same windows at the same places as in the fresh
# program folder (file $1 against the fresh folder's).
same_first_places() {
  local fresh name frame
  while IFS='|' read -r name frame; do
    fresh=$(grep -F "$name|" "$work/first-$screen-fresh" | head -1)
    fresh=${fresh#*|} name=${name#^} name=${name%$}
    if [ "$frame" = "$fresh" ]; then
      echo "  ok \"$name\" opens at $frame, as in a fresh program folder"
    else
      fail "\"$name\" opens at $frame after a restart, at $fresh in a fresh program folder (left top width height)"
    fi
  done <"$1"
  [ "$(wc -l <"$1")" -ge 5 ] || fail "only $(wc -l <"$1") windows compared with a fresh program folder"
}

# The value of key $2 in the settings file of program folder $1.
stored_key() { grep -ai "^${2}=" "$1/NightjarPro.ini" | head -1 | cut -d= -f2 | tr -d '\r'; }

# A place counts as the user's only when the user put the window there. The
# steps above run in a fresh program folder; in another, the program is
# started and the measures window, opened from its menu, is dragged by its
# title bar with the mouse and closed, and the program closed (no other
# window shown). Started again, the same steps open every window where the
# fresh folder has it (first places clear of the windows kept on top and
# of the window opening them), and the settings file then stores each of
# them, shown only there and closed, as the program's place; started a third
# time, the same again. The measures window comes back where it was dragged,
# after both restarts.
first_places_after_restarts() {
  local folder="$work/prog-$screen-start-1" mesures dragged x y w h fx fy
  phase=fresh
  start_program '[Prefs]\r\nLangue=1\r\n' || return
  first_places_steps "$work/first-$screen-fresh"
  stop_program
  phase=start-1
  start_program '[Prefs]\r\nLangue=1\r\n' || return
  open_and_check mesures-dragged "^Mesures$" "$M_FONCTIONS k:Down*2 k:Right k:Return" keep
  mesures=$(xdotool search --onlyvisible --name "^Mesures$" 2>/dev/null | head -1)
  read -r x y w h <<<"$(settled frame_of "$mesures")"
  # To the screen's bottom right corner, 16 pixels from its edges.
  fx=$((sw - w - 16)) fy=$((sh - h - 16))
  drag_by "$mesures" $((fx - x)) $((fy - y)) || fail "the measures window cannot be grabbed"
  dragged=$(settled frame_of "$mesures")
  [ "$dragged" != "$x $y $w $h" ] || fail "the measures window dragged from $x,$y stays there"
  close_window "^Mesures$"
  close_program || return
  local start
  for start in 2 3; do
    phase=start-$start
    start_program_in "$folder" "$work/program-$screen-$phase.log" || return
    first_places_steps "$work/first-$screen-$phase"
    same_first_places "$work/first-$screen-$phase"
    open_and_check mesures-back "^Mesures$" "$M_FONCTIONS k:Down*2 k:Right k:Return" keep
    [ "$checked_frame" = "$dragged" ] \
      || fail "the measures window dragged to $dragged comes back at $checked_frame (start $start)"
    close_window "^Mesures$"
    close_program || return
    local key place first
    for key in FRM_Tool_Suivi FRM_Message FRM_Tool_Images FRM_Tool_Affichage FRM_FWHM; do
      place=$(stored_key "$folder" "${key}_Left"),$(stored_key "$folder" "${key}_Top")
      first=$(stored_key "$folder" "${key}_FirstPlace")
      [ "$first" = "$place" ] \
        || fail "$key, shown only at its first place, is stored at $place with \"${first}\" as the program's place"
    done
    [ -z "$(stored_key "$folder" FRM_Tool_Mesures_FirstPlace)" ] \
      || fail "the measures window dragged by the user is stored as the program's place"
  done
}

# Everything at one screen size, on a display of its own; the exit status is
# the number of failures.
run_screen() {
  screen=$1
  sw=${screen%x*}
  sh=${screen#*x}
  trap stop_display EXIT
  start_x11_display "$screen" "$work"

  phase=menus
  if start_program '[Prefs]\r\nLangue=1\r\n[Autoguide]\r\nRDB_Aucun.Checked=0\r\nRDB_LX200.Checked=1\r\nAG_PortSerie=19\r\n'; then
    check_on_screen main "$(main_window)"
    read_main_bars
    windows_of_the_menus
    windows_of_the_chart
    windows_of_buttons
    windows_of_the_program
    windows_of_a_camera
    [ "$sh" -ge 768 ] && check_inventory
    windows_left_open
  fi
  stop_program

  local closed=$phase
  left_again=()
  phase=restored
  if [ -f "$work/prog-$screen-$closed/NightjarPro.ini" ] && start_program_in "$work/prog-$screen-$closed" "$work/program-$screen-$phase.log"; then
    windows_restored
    windows_closed_again
  fi
  stop_program
  phase=restored-again
  pad_low=""
  if [ ${#left_again[@]} -gt 0 ] && start_program_in "$work/prog-$screen-$closed" "$work/program-$screen-$phase.log"; then
    windows_restored_again
    windows_closed_after_main_up
  fi
  stop_program
  phase=restored-main-up
  if [ -n "$pad_low" ] && start_program_in "$work/prog-$screen-$closed" "$work/program-$screen-$phase.log"; then
    pad_restored_after_main_up
  fi
  stop_program

  phase=stored
  if start_program "$(stored_layout)"; then
    windows_of_the_stored_layout
  fi
  stop_program
  first_places_after_restarts
  stop_display
  [ "$failures" -eq 0 ] || echo "$failures failure(s) at $screen"
  exit $((failures > 0 ? 1 : 0))
}

# The sizes run side by side, each on its own display.
on_each_screen run_screen "$work" "${sizes[@]}"
[ "$failures" -eq 0 ] || exit 1
echo "all passed"
