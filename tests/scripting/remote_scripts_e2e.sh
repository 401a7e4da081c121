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

source "$(dirname "${BASH_SOURCE[0]}")/e2e_session.sh" "$@"

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
  # It runs until the user stops it: a file a second, five of them and more
  # (however long a busy machine takes to write them).
  until_true 40 '[ "$(files_in "loop$camera")" -ge 5 ]' || fail "only $(files_in "loop$camera") files"
  files=$(files_in "loop$camera")
  script_runs_file "loop$camera.txt" || fail "the script window no longer runs it: $(script_caption)"
  # A single statement from another program meanwhile leaves the loop running.
  "$client" execute "messagebox.show(\"distant\")" || fail "the remote client was refused"
  until_true 20 '[ "$(files_in "loop$camera")" -ge $((files + 2)) ]' || fail "the loop stopped after a remote statement"
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
  until_true 10 '[ -n "$(visible_window "^Message")" ]'
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

# Stopped with "Arreter" while it waits for "Poursuivre", a script takes
# the button along: a click where it was does not end the next script's wait
# for a sequence of pictures a second apart, which ends with the sequence.
case_showwait_stopped() {
  local n win
  mkdir -p "$out/pours"
  start_script "cache.txt" "messagebox.showwait(\"Mettre le cache\")"
  until_true 10 '[ -n "$(visible_window "^Message")" ]' || { fail "the message window is not on screen"; return; }
  until_true 10 'script_runs_file cache.txt' || fail "the script does not wait: $(script_caption)"
  stop_from_script_window
  until_true 10 script_idle || { fail "the stop did not stop it: $(script_caption)"; return; }
  n=$(box_count)
  start_script "seq.txt" "camera(1,start)
image.sequence.prefix(\"$out/pours/img\")
image.sequence.every(1,seconds)
image.sequence.for(12,images)
image.sequence(startwait)
camera(1,stop)
message.show(\"Fin de la sequence\")"
  answer_driver first || return
  until_true 20 '[ "$(files_in pours)" -ge 1 ]' || fail "the sequence does not start"
  win=$(visible_window "^Message")
  [ -n "$win" ] || { fail "the message window is not on screen"; return; }
  click_in "$win" -40 -13
  until_true 40 '[ "$(box_count)" -gt "$n" ]'
  [ "$(files_in pours)" -ge 12 ] || fail "the script went on at $(files_in pours) files"
  expect_box "$n" "Fin de la sequence"
  until_true 10 script_idle || fail "the script window still runs: $(script_caption)"
}

case_gotos() {
  local n m
  mkdir -p "$out/goto"
  n=$(box_count)
  # Places the simulated mount, at 48.85 degrees north, sees at every hour
  # of the run: it refuses a goto under its horizon.
  start_script "gotos.txt" "camera(1,start)
goto.mode(absolute)
image.sequence.for(3,images)
goto.destination(00h20m00s,45d00m00s)
goto.execute
image.sequence.prefix(\"$out/goto/m1_\")
image.sequence(startwait)
goto.destination(00h40m00s,50d00m00s)
goto.execute
image.sequence.prefix(\"$out/goto/m2_\")
image.sequence(startwait)
goto.destination(01h00m00s,45d00m00s)
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

# The mount's adapter unplugged (COM20 mapped to a device that is not
# there): a move another program asks for is refused at once with the
# port's failure, the text of the one box the user is told; a goto asked
# next is refused with it too, once the user has been told, and nothing
# after either runs. The mount is plugged back in for the cases after. Runs
# before anything has connected the mount.
case_unplugged() {
  local map n rc reason
  map=$(cat "$prog/comports.map")
  printf 'COM20=%s\n' "$work/unplugged-tty" >"$prog/comports.map"
  refused_at_once "^open_com, erreur = 2 \(.*unplugged-tty" : "goto.move(nowait,n,1000)" "message.show(\"after move\")"
  n=$(box_count)
  timeout 60 "$client" execute "goto.mode(absolute)" "goto.destination(00h20m00s,45d00m00s)" "goto.execute" \
    "message.show(\"after goto\")" >/dev/null 2>"$work/refused.err"
  rc=$?
  reason=$(sed -n 's/^nightjarpro-dde: refused: //p' "$work/refused.err")
  [ "$rc" -eq 1 ] || fail "goto: the client ended with $rc: $(cat "$work/refused.err")"
  grep -Eq "^open_com, erreur = 2 \(.*unplugged-tty" <<<"$reason" || fail "goto: standard error: $(cat "$work/refused.err")"
  until_true 10 '[ "$(box_count)" -gt "$n" ]' && press_in "$(visible_window "^Nightjar Pro 2.3$")" Return
  ! until_true 2 'grep -q "after goto" "$boxlog"' || fail "the line after the refused goto ran"
  printf '%s\n' "$map" >"$prog/comports.map"
}

# A script that calls one that is there but cannot be read (a file the
# kernel refuses to read, whoever asks) stops on its callfar line with the
# file's name and the reason; from another program that callfar is refused.
case_callfar_unreadable() {
  local n line
  ln -sf /proc/sys/vm/drop_caches "$prog/Scripts/ferme.txt"
  n=$(box_count)
  start_script "appel.txt" "callfar(\"ferme.txt\")
message.show(\"after call\")"
  until_true 30 '[ "$(box_count)" -gt "$n" ]' || { fail "no box"; return; }
  line=$(grep "^shown : " "$boxlog" | sed -n "$((n + 1))p")
  [[ "$line" == "shown : Nightjar Pro 2.3 : Line 1 : $prog/Scripts/ferme.txt : "* ]] || fail "box \"$line\""
  press_in "$(visible_window "^Nightjar Pro 2.3$")" Return
  until_true 10 script_idle || fail "the calling script still runs: $(script_caption)"
  ! grep -q "after call" "$boxlog" || fail "the line after the callfar ran"
  refused_at_once "^Line [0-9]+ : .*/Scripts/ferme\.txt : " : "callfar(\"ferme.txt\")" "message.show(\"after call\")"
}

case_goto_error() {
  local n
  n=$(box_count)
  start_script "goto.txt" "wait(100)
goto.origin(12h30m,45d0m0s)"
  expect_box "$n" "Line 2 : 12h30m: Bad format, should be : XXhXXmXX.XXs"
  until_true 10 script_idle || fail "the script window still runs: $(script_caption)"
}

# A statement the program refuses: the client ends at once with 1 and the
# program's error text, while the box the program shows for it still waits
# for the user; meanwhile the program reads its item to another client and
# runs another client's statement; then the user answers the box with Return,
# and the lines after the refused one still do not run. So for every
# statement that ends in an error, whatever shows its box: an unknown
# command, a command's own box (a camera that does not run), a failed save,
# a goto the mount refuses.
case_refused() {
  refused_at_once "^Error, Line [0-9]+ : Unknown Command$" others_served "bogus.command(1)"
  "$client" execute "// encore" || fail "the statement after the box was refused"
  "$client" execute "camera(1,stop)" >/dev/null 2>&1
  refused_at_once "^Camera 1 offline\.\.\.$" : "camera.mode(1,frame)"
  # A camera start that starts nothing (the user cancels the driver choice)
  # and a player's statement with no file open did not run either.
  answering=cancel_driver refused_at_once "^Line [0-9]+ : camera\(1,start\) : no camera started$" : \
    "camera(1,start)" "message.show(\"after start\")"
  refused_at_once "^Line [0-9]+ : player\.play\(start,forward\) : no file is open$" : \
    "player.play(start,forward)" "message.show(\"after play\")"
  refused_at_once "^Line [0-9]+ : player\.step\(forward\) : no file is open$" : "player.step(forward)"
  refused_at_once "^Line [0-9]+ : player\.go\(\) : no file is open$" : "player.go()" "message.show(\"after go\")"
  write_bmp "$out/picture.bmp"
  "$client" execute "image.name.load(image,\"$out/picture.bmp\")" || fail "the picture was not opened"
  refused_at_once "^Impossible d'écrire le fichier /nonexistent/dir/x\.bmp : " : \
    "image.name(\"/nonexistent/dir/x.bmp\")" "image.save" "message.show(\"after save\")"
  # A start whose action does not start (no camera runs under the picture,
  # integration off) is refused, never answered as run.
  refused_at_once "^Line [0-9]+ : start$" : "longexposure(start)" "message.show(\"after start\")"
  refused_at_once "^Line [0-9]+ : start$" : "integration(off)" "integration(start)" "message.show(\"after start\")"
  # A goto the mount refuses (under the horizon of the simulated mount, at
  # 48.85 degrees north, at every hour) is refused with the mount's reason
  # once the mount has said it.
  refused_at_once "^Line [0-9]+ : Goto refusé par la monture : Objet sous l.horizon$" : "goto.mode(absolute)" \
    "goto.destination(00h20m00s,-60d00m00s)" "goto.execute" "message.show(\"after goto\")"
  # A dialog of its own cancelled stops the run with no box: refused too.
  local rc
  timeout 60 "$client" execute "image.name.loaddialog(image)" "message.show(\"after load\")" >/dev/null \
    2>"$work/refused.err" &
  cancel_window "^Ouvrir$"
  wait $!
  rc=$?
  [ "$rc" -eq 1 ] || fail "loaddialog: the client ended with $rc: $(cat "$work/refused.err")"
  grep -Eq "^nightjarpro-dde: refused: Line [0-9]+ : image\.name\.loaddialog\(image\) : stopped$" "$work/refused.err" \
    || fail "loaddialog: standard error: $(cat "$work/refused.err")"
  ! until_true 2 'grep -q "after load" "$boxlog"' || fail "the line after the cancelled dialog ran"
  "$client" execute "// encore" || fail "the statement after the boxes was refused"
}

# Sends the statements (from $3 on) in one request, which the program must
# refuse at once: the client ends with 1 and the text of the box the program
# shows (matching the extended regular expression $1) while the box waits.
# The command $2 runs while the box waits, then the user answers it with
# Return; the statements after the refused one must not run then either.
# With answering=COMMAND, COMMAND answers a dialog the statement opens first,
# as the user does, while the client waits.
refused_at_once() {
  local pattern=$1 meanwhile=$2 n closed rc reason line win sender
  shift 2
  n=$(box_count)
  closed=$(closed_count)
  timeout 60 "$client" execute "$@" >/dev/null 2>"$work/refused.err" &
  sender=$!
  [ -n "${answering:-}" ] && "$answering"
  wait "$sender"
  rc=$?
  reason=$(sed -n 's/^nightjarpro-dde: refused: //p' "$work/refused.err")
  [ "$rc" -eq 1 ] || fail "$*: the client ended with $rc: $(cat "$work/refused.err")"
  grep -Eq "$pattern" <<<"$reason" || fail "$*: standard error: $(cat "$work/refused.err")"
  until_true 30 '[ "$(box_count)" -gt "$n" ]' || { fail "$*: no box"; return 1; }
  line=$(grep "^shown : " "$boxlog" | sed -n "$((n + 1))p")
  [ "$line" = "shown : Nightjar Pro 2.3 : $reason" ] || fail "$*: box \"$line\", the client said \"$reason\""
  until_true 10 '[ -n "$(visible_window "^Nightjar Pro 2.3$")" ]' || fail "$*: the box is not on screen"
  [ "$(closed_count)" -eq "$closed" ] || fail "$*: the box closed before the user answered it"
  "$meanwhile"
  win=$(visible_window "^Nightjar Pro 2.3$")
  [ -n "$win" ] || { fail "$*: the box is no longer on screen"; return 1; }
  [ -n "${NJ_E2E_SHOT:-}" ] && import -window root "$NJ_E2E_SHOT"
  press_in "$win" Return
  until_true 10 '[ "$(closed_count)" -gt "$closed" ]' || fail "$*: the box does not close on Return"
  ! until_true 2 '[ "$(box_count)" -gt $((n + 1)) ]' \
    || fail "$*: a line after the refused one ran: $(tail -n +$((n + 2)) "$boxlog" | grep '^shown' | tr '\n' '|')"
}

# The user gives up the capture-driver choice with Escape.
cancel_driver() { cancel_window "^Pilote de capture"; }

# The user closes the dialog whose title matches $1 with Escape.
cancel_window() {
  local title=$1 win
  until_true 20 '[ -n "$(visible_window "$title")" ]' || { fail "no window $title"; return 1; }
  win=$(visible_window "$title")
  press_in "$win" Escape
  until_true 10 '[ -z "$(visible_window "$title")" ]' || fail "the window $title stays open"
}

# While a refused statement's box waits (the caller's n and closed): another
# client reads the item and runs a statement, and the box stays.
others_served() {
  local item rc
  item=$(timeout 15 "$client" request DDEServerItem)
  rc=$?
  [ "$rc" -eq 0 ] && [ "$item" = "toto" ] || fail "the item read while the box waits: $rc \"$item\""
  timeout 15 "$client" execute "messagebox.show(\"pendant la boite\")" || fail "another client's statement: $?"
  [ "$(closed_count)" -eq "$closed" ] || fail "the box closed before the user answered it"
  [ "$(box_count)" -eq $((n + 1)) ] || fail "boxes: $(tail -n +$((n + 1)) "$boxlog" | grep '^shown' | tr '\n' '|')"
}

# An 8 by 8 grey 24-bit bitmap file.
write_bmp() {
  {
    printf 'BM\xf6\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00'
    printf '\x28\x00\x00\x00\x08\x00\x00\x00\x08\x00\x00\x00\x01\x00\x18\x00'
    printf '\x00\x00\x00\x00\xc0\x00\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00'
    head -c 192 /dev/zero | tr '\0' '\200'
  } >"$1"
}

# A prompt played by a script reaches the sound output; then the user closes
# the main window, the prompt's end still on its way, and the program ends by
# itself with status 0, nothing failing in its audio output on the way out.
# Run last: the program ends.
case_sound_then_close() {
  if [ -z "${PULSE_SERVER:-}" ]; then
    echo "  skipped: no sound server (pulseaudio and parec, scripts/install-deps.sh)"
    return 0
  fi
  mkdir -p "$prog/Sounds"
  cp "$source_dir/resources/sounds/OUI.wav" "$prog/Sounds/oui.wav"
  parec --device=nj_null.monitor --raw --format=s16le --rate=8000 --channels=1 --latency-msec=20 >"$work/heard.raw" &
  local rec=$! win rc
  until_true 10 '[ "$(stat -c %s "$work/heard.raw")" -gt 1000 ]' || fail "the output's monitor records nothing"
  "$client" execute "playsound(\"$prog/Sounds/oui.wav\")" || fail "the remote client was refused"
  # Loud samples for 50 ms at least (the prompt has about 100 ms of them).
  loud() { od -An -v -td2 -w2 "$work/heard.raw" | awk '{ if ($1 > 1500 || $1 < -1500) n++ } END { exit !(n > 400) }'; }
  until_true 10 loud || fail "the prompt was not heard on the sound output"
  kill "$rec" 2>/dev/null
  wait "$rec" 2>/dev/null
  main_window() { visible_window "^Nightjar Pro 2.3 \\(Release"; }
  [ -n "$(main_window)" ] || { fail "the main window is not on screen"; return 1; }
  # Alt+F4 goes to the active window: a key that reached another window
  # (activation is slow on a busy machine) is pressed again, as a user does.
  for _ in 1 2 3; do
    win=$(main_window)
    [ -n "$win" ] || break
    press_in "$win" alt+F4
    until_true 10 '[ -z "$(main_window)" ]' && break
  done
  if ! until_true 60 '! alive'; then
    if [ -n "$(main_window)" ]; then
      fail "the main window does not close on Alt+F4"
    else
      fail "the program does not end once its main window has closed"
      command -v gdb >/dev/null && gdb -q -batch -p "$app_pid" -ex "thread apply all bt 30" 2>&1 | grep "^#\|^Thread"
    fi
    return 1
  fi
  wait "$app_pid"
  rc=$?
  app_pid=""
  [ "$rc" -eq 0 ] || fail "the program ended with status $rc"
  ! grep -n "Assertion\|Aborted\|Segmentation" "$work/program.log" || fail "the program failed on its way out"
}

# --- run -----------------------------------------------------------------------
run_case filetype-builtin case_filetype_error first
run_case filetype-plugin case_filetype_error last
run_case loop-builtin case_loop first
run_case loop-plugin case_loop last
run_case integration case_integration
run_case longexposure case_longexposure
run_case showwait case_showwait
run_case unplugged case_unplugged
run_case gotos case_gotos
run_case showwait-stopped case_showwait_stopped
run_case goto-error case_goto_error
run_case callfar-unreadable case_callfar_unreadable
run_case refused case_refused
if should_run sound-exit; then
  case_name=sound-exit
  before=$failures
  echo "case $case_name"
  case_sound_then_close
  [ "$failures" -eq "$before" ] && echo "  ok"
fi

finish
