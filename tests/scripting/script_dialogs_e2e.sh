#!/usr/bin/env bash
# The questions, boxes, file dialogs and the capture-driver choice that
# scripts open, in the real program under a virtual X server with a window
# manager: scripts started through the remote-control client and typed into
# the script window and run with F9, each while the user works in another
# window. The window manager's stacking order (_NET_CLIENT_LIST_STACKING)
# must show each of them above every other window of the program (the
# script window, kept on top and raised at every statement, the message
# window written to meanwhile, the hand pad the keypad's centre key brings
# up, the sky chart), also once the script window is raised again; the keys
# typed, without clicking anything first, must reach them; a box that
# follows a choice answered with a held Enter must wait for its own answer.
# The object picker the sky chart opens, which waits for its answer as
# well, must stand in front of them all in the same way. The windows kept
# on top that a script shows stay in front of the script window. The
# scripts the user keeps: the custom-function menu that runs them, and the
# question asked before a script never saved, typed or generated, is lost.
#
#   script_dialogs_e2e.sh BUILD_DIR SOURCE_DIR [CASE...]
#
# Every case runs unless some are named. Exit status 0 when all pass.
set -u

source "$(dirname "${BASH_SOURCE[0]}")/e2e_session.sh" "$@"

# --- stacking and keyboard ---------------------------------------------------

main_window() { xdotool search --name "^Nightjar Pro 2.3 \\(Release" 2>/dev/null | head -1; }
script_window() { xdotool search --onlyvisible --name "^Script" 2>/dev/null | head -1; }

# Position of a window in the stacking order (0 at the bottom), or -1.
stack_position() {
  local i=0 id
  for id in $(stacking); do
    [ "$id" = "$1" ] && { echo $i; return; }
    i=$((i + 1))
  done
  echo -1
}

# The user works in another window of the program (the main window).
work_elsewhere() {
  local w
  w=$(main_window)
  [ -n "$w" ] && activate "$w"
}

# The window at the top of the stacking order.
top_window() { stacking | tail -1; }

# The stacking order from bottom to top, by title.
stacking_titles() {
  local id
  for id in $(stacking); do printf '"%s" ' "$(xdotool getwindowname "$id" 2>/dev/null)"; done
}

# A dialog or box ($1, a window id; $2 names it) stands above every other
# window of the program, the script window first, and has the keyboard, and
# stays in front when the script window is raised again, as it is at every
# statement.
check_in_front() {
  local win=$1 what=$2 script
  script=$(script_window)
  [ -n "$script" ] || { fail "no script window on screen"; return 1; }
  until_true 5 '[ "$(top_window)" = "$win" ]' \
    || fail "$what is under another window, bottom to top: $(stacking_titles)"
  until_true 5 '[ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ]' \
    || fail "$what does not have the keyboard ($(xdotool getactivewindow getwindowname 2>/dev/null))"
  xdotool windowraise "$script"
  sleep 0.5
  [ "$(top_window)" = "$win" ] \
    || fail "$what went under the raised script window, bottom to top: $(stacking_titles)"
  [ -n "${NJ_E2E_SHOT:-}" ] && import -window root "$NJ_E2E_SHOT.$case_name.$(date +%s%N).png"
  return 0
}

# Waits for the next box (after $1 boxes) with text $2, checks it is in
# front with the keyboard, then answers it with keys typed where the keyboard
# is, the rest of the arguments (Return by default).
answer_box_in_front() {
  local before=$1 text=$2 win closed_before
  shift 2
  [ $# -eq 0 ] && set -- Return
  until_true 30 '[ "$(box_count)" -gt "$before" ]' || { fail "no box \"$text\""; return 1; }
  [ "$(grep "^shown : " "$boxlog" | sed -n "$((before + 1))p")" = "shown : Nightjar Pro 2.3 : $text" ] \
    || fail "box \"$(grep "^shown : " "$boxlog" | sed -n "$((before + 1))p")\", expected \"$text\""
  until_true 10 '[ -n "$(visible_window "^Nightjar Pro 2.3$")" ]' || { fail "the box \"$text\" is not on screen"; return 1; }
  win=$(visible_window "^Nightjar Pro 2.3$")
  closed_before=$(closed_count)
  [ "$closed_before" -eq "$before" ] || fail "the box \"$text\" closed by itself"
  check_in_front "$win" "the box \"$text\""
  xdotool key --clearmodifiers "$@"
  until_true 10 '[ "$(closed_count)" -gt "$closed_before" ]' || fail "the box \"$text\" does not take $*"
}

# --- the cases ---------------------------------------------------------------

# A question and the box that shows its answer.
readonly question_script='var(n,integer)
wait(2500)
inputinteger("Combien de poses ?",n)
message.show(n)'

# The driver choice, answered with Enter, and the error box after it.
readonly driver_script='wait(2500)
camera(1,start)
image.sequence.filetype(jpg)'

# A file dialog, the file name typed into it, and the box that shows it.
readonly file_dialog_script='var(s,string)
wait(2500)
image.name.savedialog(s)
message.show(s)'

# With the user in another window meanwhile, waits for the window titled
# $1 ($2 names it), checks it is in front with the keyboard and keeps its id
# in dialog_win.
dialog_win=""
wait_dialog_in_front() {
  local title=$1 what=$2
  sleep 0.5
  work_elsewhere
  until_true 20 '[ -n "$(visible_window "$title")" ]' || { fail "no $what on screen"; return 1; }
  dialog_win=$(visible_window "$title")
  check_in_front "$dialog_win" "the $what"
}

# The user's side of question_script.
answer_question() {
  local n win
  n=$(box_count)
  wait_dialog_in_front "^Input" "question" || return 1
  win=$dialog_win
  xdotool type --delay 50 4
  # Another program writes to the message window while the user types.
  "$client" execute 'messagebox.show("pendant la question")' >/dev/null
  check_in_front "$win" "the question written over in the message window"
  xdotool type --delay 50 2
  xdotool key Return
  if ! until_true 10 '[ -z "$(visible_window "^Input")" ]'; then
    fail "Return does not confirm the question"
    # Closed by its title bar's button, so that the next cases can run.
    close_with_alt_f4 "$win"
    return 1
  fi
  answer_box_in_front "$n" "42"
  # The message window closes with a key, as the user does, so that it does
  # not cover the script window's editor in the next cases.
  local message
  until_true 10 script_idle || fail "the script window still runs: $(script_caption)"
  message=$(visible_window "^Message$")
  [ -n "$message" ] && press_in "$message" Escape
  until_true 5 '[ -z "$(visible_window "^Message$")" ]' || fail "the message window stays open"
}

# The user's side of driver_script: Enter held down $1 seconds (a hand
# resting on the key: it repeats into the box that comes next), 0.15 by
# default (a quick press, the release after the choice has closed).
answer_driver_with_enter() {
  local n hold=${1:-0.15}
  n=$(box_count)
  wait_dialog_in_front "^Pilote de capture" "driver choice" || return 1
  xdotool keydown Return
  sleep "$hold"
  xdotool keyup Return
  until_true 10 '[ -z "$(visible_window "^Pilote de capture")" ]' || fail "Enter leaves the driver choice open"
  sleep 0.5
  answer_box_in_front "$n" "Line 3 : jpg"
  "$client" execute "camera(1,stop)" >/dev/null
}

# The user's side of file_dialog_script.
answer_file_dialog() {
  local n
  n=$(box_count)
  wait_dialog_in_front "^Enregistrer" "file dialog" || return 1
  # Its name field has the keyboard.
  xdotool type --delay 20 "$out/m42.jpg"
  xdotool key Return
  until_true 10 '[ -z "$(visible_window "^Enregistrer")" ]' || { fail "Return does not accept the file dialog"; return 1; }
  answer_box_in_front "$n" "$out/m42.jpg"
}

# Starts a script ($1) through the remote client and plays the user's side
# (the rest of the arguments).
through_remote_client() {
  start_script "$case_name.txt" "$1"
  shift
  "$@"
  until_true 10 script_idle || fail "the script window still runs: $(script_caption)"
}

# Types a script ($1) into the script window in place of its text, a Return
# after each line.
type_script_lines() {
  local script line
  script=$(script_window)
  [ -n "$script" ] || { fail "no script window on screen"; return 1; }
  # The editor lies under the menu bar.
  click_in "$script" 60 60
  xdotool key --clearmodifiers ctrl+a
  while IFS= read -r line; do
    xdotool type --delay 5 "$line"
    xdotool key Return
  done <<<"$1"
}

# Types a script ($1) into the script window in place of its text and runs
# it from the start (F9), then plays the user's side (the rest).
from_the_editor() {
  type_script_lines "$1" || return 1
  xdotool key --clearmodifiers F9
  shift
  "$@"
}

# A box from another program's statement while a script goes on, raising
# the script window and writing to the message window at every pass.
case_box_while_running() {
  local n
  n=$(box_count)
  # Twenty passes, some seven seconds.
  start_script "passes.txt" 'var(i,integer)
:passe
wait(300)
messagebox.show("passe")
i:=i+1
jumpif(i<20,passe)'
  sleep 1
  work_elsewhere
  ( "$client" execute 'message.show("Distant")' >/dev/null 2>&1 & )
  until_true 20 '[ "$(box_count)" -gt "$n" ]' || { fail "no box from the remote statement"; return 1; }
  # A few passes of the script while the box waits.
  sleep 2
  script_runs_file passes.txt || fail "the script stopped under the box: $(script_caption)"
  answer_box_in_front "$n" "distant"
  until_true 15 script_idle || fail "the script did not end: $(script_caption)"
  [ "$(box_count)" -eq $((n + 1)) ] || fail "boxes: $(tail -n +$((n + 1)) "$boxlog" | grep '^shown' | tr '\n' '|')"
}

# The keypad's centre key, released in a box that waits, brings up the hand
# pad: behind the box, which keeps the keyboard.
case_hand_pad_behind_box() {
  local n box
  n=$(box_count)
  start_script "$case_name.txt" 'wait(1500)
message.show("pave")'
  until_true 20 '[ "$(box_count)" -gt "$n" ] && [ -n "$(visible_window "^Nightjar Pro 2.3$")" ]' \
    || { fail "no box"; return 1; }
  box=$(visible_window "^Nightjar Pro 2.3$")
  xdotool key KP_Begin
  until_true 10 '[ -n "$(visible_window "^Telescope$")" ]' || fail "the keypad's centre key brings up no hand pad"
  answer_box_in_front "$n" "pave"
  # What a failure left open is closed, so that the next cases can run.
  if [ "$(closed_count)" -le "$n" ]; then
    activate "$box"
    xdotool key --clearmodifiers Return
  fi
  until_true 10 script_idle || fail "the script did not end: $(script_caption)"
  press_in "$(visible_window "^Telescope$")" alt+F4
  until_true 10 '[ -z "$(visible_window "^Telescope$")" ]' || fail "the hand pad stays open"
}

# The object picker, opened from the sky chart's menu "Rechercher" with the
# message window on screen, waits for its answer in front of them all.
case_picker_from_sky_chart() {
  local chart picker
  "$client" execute 'window.sky(show)' >/dev/null
  "$client" execute 'messagebox.show("carte")' >/dev/null
  until_true 20 '[ -n "$(visible_window "^Carte C")" ] && [ -n "$(visible_window "^Message$")" ]' \
    || { fail "no sky chart and message window on screen"; return 1; }
  chart=$(visible_window "^Carte C")
  activate "$chart"
  # "Rechercher", the second menu of its menu bar, then "Ciel Profond".
  click_in "$chart" 110 9
  sleep 0.3
  xdotool key Down Down Return
  until_true 20 '[ -n "$(visible_window "^Recherche")" ]' || { fail "no object picker"; return 1; }
  picker=$(visible_window "^Recherche")
  check_in_front "$picker" "the object picker"
  # The user clicks the chart: the picker comes back in front.
  xdotool windowactivate "$chart" >/dev/null 2>&1
  sleep 0.5
  until_true 5 '[ "$(top_window)" = "$picker" ] && [ "$(xdotool getactivewindow 2>/dev/null)" = "$picker" ]' \
    || fail "the object picker is left behind the clicked chart, bottom to top: $(stacking_titles)"
  activate "$picker"
  xdotool key --clearmodifiers Escape
  until_true 10 '[ -z "$(visible_window "^Recherche")" ]' || fail "Escape leaves the object picker open"
  "$client" execute 'window.sky(hide)' >/dev/null
  press_in "$(visible_window "^Message$")" Escape
}

# What a script typed into the script window shows, the tracking window and
# the message window (both kept on top), stays in front of the script
# window, which takes the keyboard at each statement, through the statements
# after it and once the script has ended; the script window has the
# keyboard.
readonly shows_script='window.track(show)
wait(1500)
messagebox.show("fin")
wait(1000)'

shown_windows_in_front() {
  local script tracking message w
  until_true 20 '[ -n "$(visible_window "^Message$")" ]' || { fail "no message window"; return 1; }
  # Its last statement, then its end.
  sleep 2
  script=$(script_window)
  tracking=$(visible_window "^Suivi/Autoguidage$")
  message=$(visible_window "^Message$")
  [ -n "$tracking" ] || fail "no tracking window"
  for w in "$tracking" "$message"; do
    [ -n "$w" ] && [ "$(stack_position "$w")" -gt "$(stack_position "$script")" ] \
      || fail "\"$(xdotool getwindowname "$w")\" shown by the script went under the script window: $(stacking_titles)"
  done
  [ "$(xdotool getactivewindow 2>/dev/null)" = "$script" ] \
    || fail "the script window does not have the keyboard ($(xdotool getactivewindow getwindowname 2>/dev/null))"
  [ -n "${NJ_E2E_SHOT:-}" ] && import -window root "$NJ_E2E_SHOT.$case_name.png"
  press_in "$message" Escape
  press_in "$tracking" alt+F4
  until_true 5 '[ -z "$(visible_window "^Message$")" ] && [ -z "$(visible_window "^Suivi/Autoguidage$")" ]' \
    || fail "the message or the tracking window stays open"
}

# The program closed with a script typed into the script window and never
# saved, through the main window's menu "Fichier > Fermer" and through the
# window manager's close (Alt+F4): the question a new script asks, in front
# with the keyboard. Escape (Annuler) keeps the program open with the edit;
# Return (Oui) opens the save dialog, and Escape there keeps the program open
# too; Oui with a file name typed into the dialog writes the script, then
# the program closes and writes its settings. At the next start, a script
# typed and answered "n" (Non) is dropped and the program closes.
readonly edited_question="Le script a été modifié et n'est pas enregistré. Enregistrer les modifications ?"
readonly edited_script='messagebox.show("m42")'

# Types $1 into the script window's editor in place of its text.
type_into_editor() {
  local script
  script=$(script_window)
  [ -n "$script" ] || { fail "no script window on screen"; return 1; }
  click_in "$script" 60 60
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 5 "$1"
}

# Asks the main window to close, through its menu ("menu") or the window
# manager ("wm"), and waits for the question (after $2 boxes); the window
# manager now and then lets Alt+F4 through to the window under load, so the
# close is asked again while no question came.
ask_to_close() {
  local how=$1 before=$2 main try
  for try in 1 2 3; do
    main=$(main_window)
    [ -n "$main" ] || { fail "no main window"; return 1; }
    if [ "$how" = menu ]; then
      press_in "$main" alt+f
      sleep 0.3
      xdotool key --clearmodifiers f
    else
      press_in "$main" alt+F4
    fi
    until_true 10 '[ "$(box_count)" -gt "$before" ]' && return 0
  done
  fail "closing through the $how asks nothing"
  return 1
}

# The save dialog the answer Oui opens: Escape, or a file name typed and Return.
answer_save_dialog() {
  until_true 20 '[ -n "$(visible_window "^Enregistrer")" ]' || { fail "Oui opens no save dialog"; return 1; }
  dialog_win=$(visible_window "^Enregistrer")
  check_in_front "$dialog_win" "the save dialog"
  if [ $# -gt 0 ]; then
    xdotool type --delay 20 "$1"
    xdotool key Return
  else
    xdotool key Escape
  fi
  until_true 10 '[ -z "$(visible_window "^Enregistrer")" ]' || fail "the save dialog stays open"
}

still_open() {
  sleep 1
  alive || { fail "the program ended: $1"; return 1; }
  [ -n "$(main_window)" ] || fail "the main window is gone: $1"
}

ended() {
  until_true 60 '! alive' || { fail "the program does not end: $1"; return 1; }
  wait "$app_pid" 2>/dev/null
  return 0
}

restart() {
  start_program_in "$prog" "$work/program.$1.log" || return 1
  "$client" execute "window.scripts(show)" >/dev/null || fail "window.scripts(show) refused"
  until_true 20 '[ -n "$(script_window)" ]' || fail "no script window after the restart"
}

case_close_with_edited_script() {
  local n settings
  type_into_editor "$edited_script" || return 1
  settings=$(md5sum <"$prog/NightjarPro.ini")

  n=$(box_count)
  ask_to_close menu "$n" || return 1
  answer_box_in_front "$n" "$edited_question" Escape
  still_open "Annuler answered" || return 1

  n=$(box_count)
  ask_to_close wm "$n" || return 1
  answer_box_in_front "$n" "$edited_question" Return
  answer_save_dialog
  still_open "the save dialog cancelled" || return 1
  [ "$(md5sum <"$prog/NightjarPro.ini")" = "$settings" ] || fail "the settings were written by a close that did not happen"

  n=$(box_count)
  ask_to_close menu "$n" || return 1
  answer_box_in_front "$n" "$edited_question" Return
  answer_save_dialog "$out/m42.txt"
  ended "Oui answered and the script saved" || return 1
  [ "$(cat "$out/m42.txt" 2>/dev/null)" = "$edited_script"$'\r' ] \
    || fail "the script saved holds \"$(od -c "$out/m42.txt" 2>&1 | head -3)\""
  [ "$(md5sum <"$prog/NightjarPro.ini")" != "$settings" ] || fail "the close did not write the settings"

  restart second || return 1
  type_into_editor 'messagebox.show("m43")' || return 1
  n=$(box_count)
  ask_to_close wm "$n" || return 1
  answer_box_in_front "$n" "$edited_question" n
  ended "Non answered" || return 1
  [ "$(cat "$out/m42.txt" 2>/dev/null)" = "$edited_script"$'\r' ] || fail "Non wrote the script"
  [ "$(find "$out" -name '*.txt' | wc -l)" -eq 1 ] || fail "Non wrote a file: $(ls "$out")"
  # The next cases find the program running.
  restart third
}

# The custom-function menu of the main window's menu bar ("Scripts"), opened
# while no script is marked for it; then a script marked for it is saved from
# the script window ("Enregistrer sous..."). In the same run the menu shows
# it, opened by a click on its title, by its Alt key and by sliding over
# from the menu beside it ("Fonctions"), and its item runs the script.
# Places in the main window: the two menu titles, the menu's first item.
readonly custom_menu_x=204 neighbour_menu_x=140 menu_bar_y=8 first_item_x=220 first_item_y=29
readonly marked_script='@Menu(Premier)
message.show("premier")'

# True when a menu dropped from the main window's menu bar is on screen
# under the title at $1 (an offset in the main window): a window of the
# program whose top left corner lies just under the menu bar, a little left
# of the title. (Qt takes the clicks meant for a menu it believes shown
# even when the window system never showed it, so an item chosen blind
# proves nothing.)
menu_dropped_under() {
  local main id x y left top
  main=$(main_window)
  read -r x y _ _ <<<"$(client_of "$main")"
  for id in $(xdotool search --onlyvisible --class nightjarpro 2>/dev/null); do
    [ "$id" = "$main" ] && continue
    read -r left top _ _ <<<"$(client_of "$id")"
    [ "$left" -le $((x + $1)) ] && [ "$left" -ge $((x + $1 - 40)) ] \
      && [ "$top" -gt $((y + menu_bar_y)) ] && [ "$top" -le $((y + menu_bar_y + 30)) ] && return 0
  done
  return 1
}

# Opens the custom-function menu one way ($1: click, alt, slide), checks it
# is on screen and chooses its first item, then answers the box of its
# script.
choose_custom_function() {
  local how=$1 main n x y step
  main=$(main_window)
  n=$(box_count)
  case $how in
    alt)
      press_in "$main" alt+s
      ;;
    slide)
      click_in "$main" "$neighbour_menu_x" "$menu_bar_y"
      sleep 0.5
      read -r x y _ _ <<<"$(client_of "$main")"
      for step in 1 2 3 4 5 6 7 8; do
        xdotool mousemove $((x + neighbour_menu_x + (custom_menu_x - neighbour_menu_x) * step / 8)) $((y + menu_bar_y))
        sleep 0.05
      done
      ;;
    *)
      click_in "$main" "$custom_menu_x" "$menu_bar_y"
      ;;
  esac
  if ! until_true 5 'menu_dropped_under "$custom_menu_x"'; then
    fail "the custom-function menu opened by $how is not on screen"
    xdotool key Escape
    sleep 0.3
    xdotool key Escape
    return 1
  fi
  [ -n "${NJ_E2E_SHOT:-}" ] && import -window root "$NJ_E2E_SHOT.$case_name.$how.png"
  if [ "$how" = alt ]; then
    xdotool key --clearmodifiers Return
  else
    click_in "$main" "$first_item_x" "$first_item_y"
  fi
  expect_box "$n" "premier" 10 || fail "the custom-function menu opened by $how did not run its item"
  # Its last statement ends it at the next tick.
  sleep 1
}

case_custom_function_menu() {
  local main
  main=$(main_window)
  [ -n "$main" ] || { fail "no main window"; return 1; }
  activate "$main"
  # Nothing in it: nothing opens; Escape leaves the menu bar.
  click_in "$main" "$custom_menu_x" "$menu_bar_y"
  sleep 0.5
  xdotool key Escape
  sleep 0.3

  type_script_lines "$marked_script" || return 1
  press_in "$(script_window)" alt+f
  sleep 0.3
  xdotool key --clearmodifiers s
  answer_save_dialog "$prog/Scripts/premier.txt"
  until_true 10 '[ -f "$prog/Scripts/premier.txt" ]' || { fail "the marked script was not saved"; return 1; }

  choose_custom_function click
  choose_custom_function alt
  choose_custom_function slide
  # The next cases find a new script in the script window ("Nouveau").
  press_in "$(script_window)" alt+f
  sleep 0.3
  xdotool key --clearmodifiers n
  until_true 10 'script_caption | grep -q "^Scripts : Nouveau script$"' || fail "Nouveau leaves \"$(script_caption)\""
}

# A mosaic script generated by the planner (opened from the main window's
# menu "Fonctions", a name typed, "Ajouter", "Generer") is in no file: the
# script window names none, and a second "Generer" asks the question of an
# edited script, answered Annuler. The program closed with the close box of
# the main window's title bar asks it too: Oui opens the save dialog, the
# script is written under the name typed there and the program closes. The
# file the script window showed before ("Ouvrir") is left as it was.
readonly planner_item_x=225 planner_item_y=183
readonly planner_name_x=343 planner_name_y=19 planner_add_x=343 planner_generate_x=613 planner_buttons_y=47

case_close_with_generated_mosaic() {
  local main planner message script n x y w h
  printf 'wait(100)\r\n' >"$out/guidage.txt"
  script=$(script_window)
  [ -n "$script" ] || { fail "no script window on screen"; return 1; }
  press_in "$script" alt+f
  sleep 0.3
  xdotool key --clearmodifiers o
  until_true 20 '[ -n "$(visible_window "^Ouvrir")" ]' || { fail "no open dialog"; return 1; }
  xdotool type --delay 20 "$out/guidage.txt"
  xdotool key Return
  until_true 10 'script_runs_file guidage.txt' || { fail "the script window shows \"$(script_caption)\""; return 1; }

  main=$(main_window)
  [ -n "$main" ] || { fail "no main window"; return 1; }
  activate "$main"
  click_in "$main" "$neighbour_menu_x" "$menu_bar_y"
  sleep 0.5
  click_in "$main" "$planner_item_x" "$planner_item_y"
  until_true 10 '[ -n "$(visible_window "^Programmateur de Mosa")" ]' || { fail "no planner window"; return 1; }
  planner=$(visible_window "^Programmateur de Mosa")
  activate "$planner"
  click_in "$planner" "$planner_name_x" "$planner_name_y"
  xdotool type --delay 20 M42
  click_in "$planner" "$planner_add_x" "$planner_buttons_y"
  # Without a sky chart drawn there is no field to add: the message window
  # says so, and "Generer" gives the script's head and foot.
  if until_true 5 '[ -n "$(visible_window "^Message$")" ]'; then
    message=$(visible_window "^Message$")
    press_in "$message" Escape
    until_true 5 '[ -z "$(visible_window "^Message$")" ]' || fail "the message window stays open"
  fi
  activate "$planner"
  click_in "$planner" "$planner_generate_x" "$planner_buttons_y"
  until_true 10 'script_caption | grep -q "^Scripts : Nouveau script$"' \
    || { fail "Generer leaves the script window at \"$(script_caption)\""; return 1; }
  [ -n "${NJ_E2E_SHOT:-}" ] && import -window root "$NJ_E2E_SHOT.$case_name.generated.png"

  n=$(box_count)
  activate "$planner"
  click_in "$planner" "$planner_generate_x" "$planner_buttons_y"
  answer_box_in_front "$n" "$edited_question" Escape

  # The close box, openbox's rightmost button of the title bar.
  n=$(box_count)
  read -r x y w h <<<"$(settled frame_of "$(main_window)")"
  xdotool mousemove --sync $((x + w - 10)) $((y + 9)) click 1
  answer_box_in_front "$n" "$edited_question" Return
  answer_save_dialog "$out/mosaique.txt"
  ended "Oui answered and the mosaic saved" || return 1
  grep -q '^telescope.softspeed(' "$out/mosaique.txt" && grep -q '^messagebox.clear' "$out/mosaique.txt" \
    || fail "the mosaic saved holds \"$(head -c 300 "$out/mosaique.txt" 2>&1)\""
  [ "$(cat "$out/guidage.txt")" = $'wait(100)\r' ] || fail "the file shown before holds \"$(head -c 300 "$out/guidage.txt")\""
  # The next cases find the program running.
  restart fourth
}

# --- run -----------------------------------------------------------------------
run_case question-remote through_remote_client "$question_script" answer_question
run_case driver-remote through_remote_client "$driver_script" answer_driver_with_enter 1.5
run_case question-editor from_the_editor "$question_script" answer_question
run_case driver-editor from_the_editor "$driver_script" answer_driver_with_enter
run_case file-dialog-remote through_remote_client "$file_dialog_script" answer_file_dialog
run_case box-while-running case_box_while_running
run_case hand-pad-behind-box case_hand_pad_behind_box
run_case picker-from-sky-chart case_picker_from_sky_chart
run_case shown-by-the-editor from_the_editor "$shows_script" shown_windows_in_front
run_case custom-function-menu case_custom_function_menu
run_case close-with-edited-script case_close_with_edited_script
run_case close-with-generated-mosaic case_close_with_generated_mosaic

finish
