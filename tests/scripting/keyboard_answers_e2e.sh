#!/usr/bin/env bash
# Keys as a user at the telescope gives them, keyboard only, to the real
# program under a virtual X server with a window manager (xdotool presses
# and releases, as the X server delivers them):
#   - the hand pad's coordinates typed from the keyboard: a refused entry
#     answered with Return or Escape closes its box once and the box stays
#     closed, the refused input keeps the keyboard; Return moves on from
#     one coordinate input to the next, where the digits typed next land;
#   - the script's question: Return on a focused "Annuler" cancels it,
#     Return answers a choice with the focused choice;
#   - a script waiting for "Poursuivre" in the message window goes on with
#     Return.
# Every box the program shows is logged (NIGHTJARPRO_BOX_LOG): a box that
# comes back, or one that does not come, is seen there. About a minute.
#
#   keyboard_answers_e2e.sh BUILD_DIR SOURCE_DIR [CASE...]
#
# Every case runs unless some are named. Exit status 0 when all pass.
set -u

source "$(dirname "${BASH_SOURCE[0]}")/e2e_session.sh" "$@"

# The window with the keyboard, by its title, for a failure's message.
keyboard_in() { xdotool getactivewindow getwindowname 2>/dev/null || echo "none"; }

# Waits for box number $1 + 1 with text $2 and checks it is on screen with
# the keyboard, so that the key answering it goes to it.
box_on_screen() {
  local before=$1 text=$2 line
  until_true 10 '[ "$(box_count)" -gt "$before" ]' \
    || { fail "no box \"$text\" (the keyboard is in \"$(keyboard_in)\")"; return 1; }
  line=$(grep "^shown : " "$boxlog" | sed -n "$((before + 1))p")
  [ "$line" = "shown : Nightjar Pro 2.3 : $text" ] || fail "box \"$line\", expected \"$text\""
  until_true 10 '[ -n "$(visible_window "^Nightjar Pro 2.3$")" ]' || { fail "the box \"$text\" is not on screen"; return 1; }
  until_true 10 '[ "$(settled_active_window)" = "$(visible_window "^Nightjar Pro 2.3$")" ]' \
    || fail "the box \"$text\" does not have the keyboard (it is in \"$(keyboard_in)\")"
}

# Answers the box on screen with one key ($1), which must close it, and
# then leave it closed: no box comes back over the next moments.
answer_once() {
  local key=$1 shown closed
  shown=$(box_count)
  closed=$(closed_count)
  xdotool key "$key"
  until_true 10 '[ "$(closed_count)" -gt "$closed" ]' || { fail "$key does not close the box"; return 1; }
  sleep 1.5
  [ "$(box_count)" -eq "$shown" ] \
    || fail "the box came back after $key: $(tail -n +$((shown + 1)) "$boxlog" | grep '^shown' | tr '\n' '|')"
}

# The hand pad, brought up by the keypad's centre key, driven from the
# keyboard alone: Return takes the keyboard control, the keypad "/" first
# gives it back, then steps through the eight catalogue choices to
# "Coordonnées", whose hours input gets the keyboard.
case_hand_pad_coordinates() {
  local pad n
  xdotool key KP_Begin
  until_true 10 '[ -n "$(visible_window "^Telescope$")" ]' || { fail "the keypad's centre key brings up no hand pad"; return 1; }
  pad=$(visible_window "^Telescope$")
  press_in "$pad" Return
  for _ in 1 2 3 4 5 6 7 8 9; do xdotool key KP_Divide; sleep 0.1; done
  n=$(box_count)
  # 25 hours: refused when Return leaves the input.
  xdotool type --delay 50 25
  xdotool key Return
  box_on_screen "$n" "La valeur doit être comprise entre 0 et 23" || return 1
  answer_once Return
  # (Once the window manager has stopped passing the keyboard on.)
  until_true 10 '[ "$(settled_active_window)" = "$pad" ]' \
    || fail "the hand pad does not have the keyboard back: $(keyboard_in)"
  [ -n "${NJ_E2E_SHOT:-}" ] && import -window root "$NJ_E2E_SHOT.refused.png"
  # The refused text is selected: 5 replaces it; Return moves on to the
  # minutes, where 75 lands, refused in turn, answered with Escape.
  n=$(box_count)
  xdotool type --delay 50 5
  xdotool key Return
  sleep 0.5
  xdotool type --delay 50 75
  xdotool key Return
  box_on_screen "$n" "La valeur doit être comprise entre 0 et 60" || return 1
  answer_once Escape
  # 35 minutes, Return on to the seconds.
  n=$(box_count)
  xdotool type --delay 50 35
  xdotool key Return
  sleep 1
  [ "$(box_count)" -eq "$n" ] || fail "35 minutes refused: $(tail -n +$((n + 1)) "$boxlog" | grep '^shown' | tr '\n' '|')"
  [ -n "${NJ_E2E_SHOT:-}" ] && import -window root "$NJ_E2E_SHOT.moved-on.png"
  press_in "$pad" alt+F4
  until_true 10 '[ -z "$(visible_window "^Telescope$")" ]' || fail "the hand pad stays open"
}

# A question on screen with the keyboard: waits for it.
question_on_screen() {
  until_true 20 '[ -n "$(visible_window "^Input")" ]' || { fail "no question on screen"; return 1; }
  until_true 10 '[ "$(settled_active_window)" = "$(visible_window "^Input")" ]' \
    || { fail "the question does not have the keyboard (it is in \"$(keyboard_in)\")"; return 1; }
}

# A count typed, then Tab to "Annuler" and Return: cancelled, the script
# says the question was not answered.
case_question_cancelled_with_return() {
  local n
  n=$(box_count)
  start_script "$case_name.txt" 'var(n,integer)
inputinteger("Combien de poses ?",n)
message.show(n)'
  question_on_screen || return 1
  xdotool type --delay 50 5
  xdotool key Tab Tab Return
  until_true 10 '[ -z "$(visible_window "^Input")" ]' || { fail "Return on Annuler leaves the question open"; return 1; }
  box_on_screen "$n" "Line 2 : n : Not answered" || return 1
  answer_once Return
  until_true 10 script_idle || fail "the script window still runs: $(script_caption)"
}

# Return answers a choice with the focused button: the current value's;
# a list of one choice has only "Annuler", which Return presses.
case_choice_answered_with_return() {
  local n
  n=$(box_count)
  start_script "$case_name.txt" 'var(s,string)
s:="Flat"
inputchoice("Quoi ?",Dark/Flat/Light,s)
message.show(s)
inputchoice("Seul ?",Dark,s)'
  question_on_screen || return 1
  xdotool key Return
  until_true 10 '[ -z "$(visible_window "^Input")" ]' || { fail "Return leaves the choice open"; return 1; }
  box_on_screen "$n" "Flat" || return 1
  answer_once Return
  question_on_screen || return 1
  xdotool key Return
  until_true 10 '[ -z "$(visible_window "^Input")" ]' || { fail "Return leaves the one-choice question open"; return 1; }
  box_on_screen $((n + 1)) "Line 5 : s : Not answered" || return 1
  answer_once Return
  until_true 10 script_idle || fail "the script window still runs: $(script_caption)"
}

# A script waits for "Poursuivre": Return in the message window presses it.
case_poursuivre_with_return() {
  local n msg
  n=$(box_count)
  start_script "$case_name.txt" 'messagebox.showwait("Mettre le cache puis Poursuivre")
message.show("Flats")'
  until_true 20 '[ -n "$(visible_window "^Message$")" ]' || { fail "the message window is not on screen"; return 1; }
  msg=$(visible_window "^Message$")
  until_true 10 'script_runs_file "$case_name.txt"' || fail "the script does not wait: $(script_caption)"
  press_in "$msg" Return
  box_on_screen "$n" "Flats" || return 1
  answer_once Return
  until_true 10 script_idle || fail "the script window still runs: $(script_caption)"
  press_in "$(visible_window "^Message$")" Escape
}

# --- run -----------------------------------------------------------------------
run_case hand-pad-coordinates case_hand_pad_coordinates
run_case question-cancelled-with-return case_question_cancelled_with_return
run_case choice-answered-with-return case_choice_answered_with_return
run_case poursuivre-with-return case_poursuivre_with_return

finish
