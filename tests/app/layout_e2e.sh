#!/usr/bin/env bash
# What a user at a small or an ordinary screen sees and clicks: the hand
# pad's "-" and "+", a long custom-function menu, the execute and abort
# buttons of the main window and night mode. The real program runs as its
# own process under a virtual X server with a window manager (openbox), at
# 1280 x 1024, 1024 x 768 and 800 x 600, side by side, each on a display of
# its own (about a minute):
#
# - the hand pad opened from the main menu, its "-" clicked with the mouse,
#   must come down to its direction buttons, the same size on every screen,
#   whole on it, and its "+" must bring it back to its whole size;
# - at 800 x 600, with forty custom functions in the scripts folder, every
#   item of the "Scripts" menu must be on the screen and run its script when
#   clicked (each script shows a box naming itself, logged by the program
#   through NIGHTJARPRO_BOX_LOG and answered with Return);
# - at 800 x 600, the abort and execute buttons (found on screen by their
#   red and green pictures) must be greyed out with no operation; a camera
#   started and the camera orientation armed from the "Operations" menu,
#   clicks where they are must start, stop and then drop the operation, and
#   with another operation armed they must stand where they stood;
# - at 1024 x 768, night mode switched on with its button, the hand pad's
#   "N" must be drawn on the scheme's own face colour (128,0,0) with its
#   caption standing out as much as the scheme's red allows (2.7:1).
#
#   layout_e2e.sh BUILD_DIR SOURCE_DIR [WIDTHxHEIGHT...]
#
# NJ_E2E_SHOTS=DIR keeps screenshots. Exit status 0 when all pass, 77 when a
# tool is missing.
set -u

build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
shift 2
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1280x1024 1024x768 800x600)

program="$build/src/nightjarpro"
client="$build/src/nightjarpro-dde"
# shellcheck source=../support/x11_session.sh
source "$source_dir/tests/support/x11_session.sh"
need_tools Xvfb openbox xdotool xwininfo xprop import convert

work=$(mktemp -d /tmp/nj-layout-e2e.XXXXXX)
xvfb_pid="" ; wm_pid="" ; app_pid=""
failures=0
screen=""
functions=40

cleanup() {
  if [ "$failures" -eq 0 ] && [ -z "${NJ_E2E_KEEP:-}" ]; then rm -rf "$work"; else echo "kept: $work"; fi
}
trap cleanup EXIT

fail() { echo "FAIL [$screen] $*"; failures=$((failures + 1)); session_report; }

stop_display() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  app_pid="" ; wm_pid="" ; xvfb_pid=""
}

# The program in a program folder of its own: an LX200 mount (the hand pad's
# menu is enabled) and the custom-function scripts.
start_program() {
  local prog="$work/prog-$screen" run="$work/run-$screen" i name
  new_program_dir "$prog" "$run"
  mkdir -p "$prog/Scripts"
  printf '[Prefs]\r\nLangue=1\r\n[Autoguide]\r\nRDB_Aucun.Checked=0\r\nRDB_LX200.Checked=1\r\nAG_PortSerie=19\r\n' \
    >"$prog/NightjarPro.ini"
  for i in $(seq -w 1 "$functions"); do
    name="F$i"
    printf '// @Menu(%s)\r\nmessage.show("%s")\r\n' "$name" "$name" >"$prog/Scripts/f$i.txt"
  done
  boxlog="$work/boxes-$screen.log"
  : >"$boxlog"
  export XDG_RUNTIME_DIR="$run" QT_QPA_PLATFORM=xcb NIGHTJARPRO_BOX_LOG="$boxlog"
  start_program_in "$prog" "$work/program-$screen.log"
}

alive() { [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; }
visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }

whole_on_screen() {
  local x y w h
  read -r x y w h <<<"$2"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$sw" ] && [ $((y + h)) -le "$sh" ] \
    || fail "$1: ${w}x${h} at $x,$y is not whole on the ${sw}x${sh} screen"
}
shot() {
  [ -n "${NJ_E2E_SHOTS:-}" ] || return 0
  mkdir -p "$NJ_E2E_SHOTS"
  import -window root "$NJ_E2E_SHOTS/$screen-$1.png" 2>/dev/null
}

# --- the hand pad --------------------------------------------------------------

# Where its buttons are, from the client's top left: "-" in the whole
# window, "+" in the reduced one (both beside the direction buttons).
MINUS=342,62 PLUS=292,35

hand_pad() {
  local pad full reduced grown
  activate "$(main_window)"
  # The "Telescope" title of the main menu opens it.
  click_at "$(main_window)" 434 9
  until_true 10 '[ -n "$(visible_window "^Telescope$")" ]' || { fail "the hand pad does not open"; return 1; }
  pad=$(visible_window "^Telescope$")
  full=$(settled client_of "$pad")
  whole_on_screen "the hand pad" "$(frame_of "$pad")"
  shot pad-whole

  click_at "$pad" "${MINUS%,*}" "${MINUS#*,}"
  sleep 0.3
  reduced=$(settled client_of "$pad")
  whole_on_screen "the reduced hand pad" "$(frame_of "$pad")"
  shot pad-reduced
  local fw fh rw rh
  read -r _ _ fw fh <<<"$full"
  read -r _ _ rw rh <<<"$reduced"
  echo "  the hand pad: ${fw}x${fh}, reduced ${rw}x${rh}"
  # Down to the row of the direction buttons and the rates beside them.
  [ "$rh" -le 160 ] || fail "the reduced hand pad is ${rw}x${rh}: it did not come down to its direction buttons"
  echo "${rw}x${rh}" >"$work/reduced-$screen"

  click_at "$pad" "${PLUS%,*}" "${PLUS#*,}"
  sleep 0.3
  grown=$(settled client_of "$pad")
  whole_on_screen "the hand pad grown again" "$(frame_of "$pad")"
  read -r _ _ gw gh <<<"$grown"
  # Where it fitted the screen it comes back as it opened; on a small screen
  # it is fitted to it again.
  if [ "$sh" -gt 600 ]; then
    [ "${gw}x${gh}" = "${fw}x${fh}" ] || fail "the hand pad grown again is ${gw}x${gh}, it opened ${fw}x${fh}"
  else
    [ "$gh" -gt $((rh * 2)) ] || fail "the hand pad grown again is ${gw}x${gh}"
  fi
  close_with_alt_f4 "$pad" || fail "the hand pad does not close"
}

# --- the custom-function menu ---------------------------------------------------

# The program's popup menu on screen: "left top width height".
open_popup() {
  local w info
  for w in $(xwininfo -root -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "nightjarpro".*/\1/p'); do
    info=$(xwininfo -id "$w" 2>/dev/null)
    grep -q IsViewable <<<"$info" || continue
    [ "$(sed -n 's/^ *Height: *//p' <<<"$info")" -gt 100 ] || continue
    client_of "$w"
    return 0
  done
  return 1
}

# Opens the "Scripts" menu of the main menu.
open_scripts_menu() {
  activate "$(main_window)"
  click_at "$(main_window)" 205 9
  until_true 5 'open_popup >/dev/null'
}

# The captions drawn in the popup: "x y" of the middle of each, column after
# column, from a screenshot (dark text on the menu's light face).
captions_in() {
  local x y w h
  read -r x y w h <<<"$1"
  import -window root "$work/menu-$screen.png" 2>/dev/null
  convert "$work/menu-$screen.png" -crop "${w}x${h}+${x}+${y}" +repage -colorspace Gray -depth 8 -compress none pgm:- \
    | awk -v ox="$x" -v oy="$y" -v margin=3 '
      NR == 1 { next }
      NR == 2 { W = $1; H = $2; next }
      NR == 3 { next }
      { for (i = 1; i <= NF; i++) { p = n++; px = p % W; py = int(p / W);
          if ($i < 110 && px >= margin && px < W - margin && py >= margin && py < H - margin) { dark[px, py] = 1; col[px] = 1 } } }
      END {
        # Columns of text: runs of x with dark pixels, gaps under 12 pixels inside.
        c = 0; last = -100
        for (px = 0; px < W; px++) if (col[px]) { if (px - last > 12) { c++; from[c] = px } to[c] = px; last = px }
        for (k = 1; k <= c; k++) {
          cx = int((from[k] + to[k]) / 2); inBand = 0
          for (py = 0; py <= H; py++) {
            d = 0
            for (px = from[k]; px <= to[k]; px++) if (dark[px, py]) { d = 1; break }
            if (d && !inBand) { top = py; inBand = 1 }
            if (!d && inBand) { print ox + cx, oy + int((top + py - 1) / 2); inBand = 0 }
          }
        }
      }'
}

box_count() { grep -c "^shown : " "$boxlog"; }

custom_functions() {
  local popup x y w h chosen=() n before line i name missing=""
  open_scripts_menu || { fail "the Scripts menu does not open"; return 1; }
  popup=$(open_popup)
  whole_on_screen "the custom-function menu" "$popup"
  shot custom-functions
  local places
  places=$(captions_in "$popup")
  n=$(wc -l <<<"$places")
  echo "  the custom-function menu: $(awk '{print $3 "x" $4 " at " $1 "," $2}' <<<"$popup"), $n captions on screen"
  # Each caption clicked runs its script: its box names it.
  while read -r x y; do
    [ -n "$x" ] || continue
    open_popup >/dev/null || open_scripts_menu || { fail "the Scripts menu does not open again"; return 1; }
    before=$(box_count)
    xdotool mousemove "$x" "$y"
    sleep 0.1
    xdotool click 1
    if until_true 5 '[ "$(box_count)" -gt "$before" ]'; then
      line=$(grep "^shown : " "$boxlog" | sed -n "$((before + 1))p")
      chosen+=("${line##* : }")
      until_true 5 '[ -n "$(visible_window "^Nightjar Pro 2.3$")" ]'
      activate "$(visible_window "^Nightjar Pro 2.3$")"
      xdotool key --clearmodifiers Return
      until_true 5 '[ -z "$(visible_window "^Nightjar Pro 2.3$")" ]' || fail "the box of ${line##* : } does not close"
    fi
  done <<<"$places"
  for i in $(seq -w 1 "$functions"); do
    name="F$i"
    printf '%s\n' "${chosen[@]}" | grep -qx "$name" || missing="$missing $name"
  done
  [ -z "$missing" ] || fail "custom functions that could not be chosen:$missing"
  echo "  ${#chosen[@]} custom functions chosen with the mouse"
}

# --- the execute and abort buttons ----------------------------------------------

# The colours of a rectangle of the screen, one "x y r g b" line a pixel.
pixels() {
  import -window root -crop "$3x$4+$1+$2" +repage -depth 8 txt:- 2>/dev/null \
    | sed -n 's/^\([0-9]*\),\([0-9]*\): *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3 \4 \5/p'
}

# "abortX executeX": the middles of the red (abort) and the green (execute)
# pictures in the main window's status bar (the night mode's red moon at
# its right end left out), from the client's left.
operation_buttons() {
  local x y w h
  read -r x y w h <<<"$(client_of "$(main_window)")"
  pixels $((x + w / 2)) $((y + 21)) $((w / 2 - 60)) 24 | awk -v off=$((w / 2)) '
    $3 > 150 && $4 < 60 && $5 < 60 { rn++; rx += $1 }
    $4 > 100 && $3 < 60 && $5 < 60 { gn++; gx += $1 }
    END { if (rn && gn) print off + int(rx / rn), off + int(gx / gn) }'
}

# Which of the two buttons are enabled, drawn in colour: "abort execute",
# each 1 or 0.
enabled_buttons() {
  local x y w h
  read -r x y w h <<<"$(client_of "$(main_window)")"
  pixels $((x + w / 2)) $((y + 21)) $((w / 2 - 60)) 24 | awk '
    $3 > 150 && $4 < 60 && $5 < 60 { r = 1 }
    $4 > 100 && $3 < 60 && $5 < 60 { g = 1 }
    END { print (r ? 1 : 0), (g ? 1 : 0) }'
}

operations() {
  local m armed other ax ex
  m=$(main_window)
  activate "$m"
  sleep 0.3
  # At rest there is nothing to execute or abort.
  [ "$(enabled_buttons)" = "0 0" ] || fail "abort or execute is enabled with no operation armed"
  # Video > Camera 1 > the first driver, then Operations > the camera's orientation.
  click_at "$m" 80 9; sleep 0.3
  xdotool key Up Down Right Down Down Return
  until_true 10 '[ -n "$(visible_window "^Pilote de capture")" ]' || { fail "no driver choice"; return 1; }
  activate "$(visible_window "^Pilote de capture")"
  xdotool key Return
  until_true 10 '[ -z "$(visible_window "^Pilote de capture")" ]' || fail "the driver choice stays open"
  sleep 1
  activate "$m"
  click_at "$m" 357 9; sleep 0.3
  xdotool key Up Down Return
  sleep 0.5
  activate "$m"
  sleep 0.3
  armed=$(operation_buttons)
  shot operation-armed
  [ -n "$armed" ] || { fail "the orientation armed, abort and execute are not found on screen"; return 1; }
  read -r ax ex <<<"$armed"
  [ "$(enabled_buttons)" = "1 1" ] || fail "the orientation armed, abort and execute are not both enabled"
  # Started where the user saw "Executer" (only abort stays enabled),
  # stopped where "Arreter" was (armed again: both), dropped there (neither).
  click_at "$m" "$ex" 31; sleep 0.3
  shot operation-started
  [ "$(enabled_buttons)" = "1 0" ] || fail "a click where \"Executer\" was did not start the orientation"
  click_at "$m" "$ax" 31; sleep 0.3
  shot operation-stopped
  [ "$(enabled_buttons)" = "1 1" ] || fail "a click where \"Arreter\" was did not stop the orientation"
  click_at "$m" "$ax" 31; sleep 0.5
  shot operation-dropped
  [ "$(enabled_buttons)" = "0 0" ] || fail "a second click where \"Arreter\" was did not drop the orientation"
  # Another operation, a shorter name on the panel: the buttons stay.
  activate "$m"
  click_at "$m" 357 9; sleep 0.3
  xdotool key Up Down Down Down Down Return
  sleep 0.5
  activate "$m"
  sleep 0.3
  other=$(operation_buttons)
  shot operation-other
  [ "$other" = "$armed" ] || fail "abort and execute moved from x $armed to x $other with another operation armed"
  echo "  abort and execute at x $armed, whatever the operation"
}

# --- night mode --------------------------------------------------------------------

# The face (commonest colour) and the caption's contrast on it (WCAG 2) of a
# rectangle of the screen: "r,g,b ratio".
face_and_contrast() {
  pixels "$@" | awk '
    function lin(v) { v /= 255; return v <= 0.04045 ? v / 12.92 : exp(2.4 * log((v + 0.055) / 1.055)) }
    function lum(r, g, b) { return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b) }
    { c = $3 "," $4 "," $5; n[c]++; L[c] = lum($3, $4, $5) }
    END {
      for (c in n) if (n[c] > best) { best = n[c]; face = c }
      ratio = 1
      for (c in n) { hi = L[c] > L[face] ? L[c] : L[face]; lo = L[c] > L[face] ? L[face] : L[c]
                     r = (hi + 0.05) / (lo + 0.05); if (r > ratio) ratio = r }
      printf "%s %.2f\n", face, ratio
    }'
}

night_mode() {
  local m pad x y w h face ratio
  m=$(main_window)
  read -r x y w h <<<"$(client_of "$m")"
  activate "$m"
  # The moon, right of the status bar.
  click_at "$m" $((w - 17)) 31
  sleep 0.5
  click_at "$m" 434 9
  until_true 10 '[ -n "$(visible_window "^Telescope$")" ]' || { fail "the hand pad does not open"; return 1; }
  pad=$(visible_window "^Telescope$")
  activate "$pad"
  sleep 0.5
  shot night
  read -r x y w h <<<"$(client_of "$pad")"
  # Inside the "N" button, its edges left out.
  read -r face ratio <<<"$(face_and_contrast $((x + 132)) $((y + 29)) 80 13)"
  echo "  night mode: the hand pad's N on $face, its caption at $ratio:1"
  [ "$face" = "128,0,0" ] || fail "the hand pad's N is drawn on $face, not on the scheme's face colour 128,0,0"
  awk -v r="$ratio" 'BEGIN { exit !(r >= 2.6) }' || fail "the hand pad's N stands out at $ratio:1 only"
}

# --- one screen -----------------------------------------------------------------

run_screen() {
  screen=$1
  sw=${screen%x*}
  sh=${screen#*x}
  trap stop_display EXIT
  start_x11_display "$screen" "$work"
  if start_program; then
    hand_pad
    [ "$screen" = 800x600 ] && custom_functions
    [ "$screen" = 800x600 ] && operations
    [ "$screen" = 1024x768 ] && night_mode
    alive || fail "the program ended: $(tail -5 "$work/program-$screen.log")"
  fi
  stop_display
  exit $((failures > 0 ? 1 : 0))
}

on_each_screen run_screen "$work" "${sizes[@]}"
# The hand pad reduced is the same on every screen.
screen=all
if [ "$(cat "$work"/reduced-* 2>/dev/null | sort -u | wc -l)" -ne 1 ]; then
  fail "the reduced hand pad differs from screen to screen: $(cd "$work" && grep . reduced-* | tr '\n' ' ')"
fi
[ "$failures" -eq 0 ] || exit 1
echo "all passed"
