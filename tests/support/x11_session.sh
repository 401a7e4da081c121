# Shared by the end-to-end tests that run the real program as its own process
# under a virtual X server with a window manager. Source it; it defines:
#
#   until_true SECONDS CONDITION...   polls CONDITION (a shell command) every
#                                     0.1 s for at most SECONDS; its status
#   start_x11_display WxH LOGDIR      starts Xvfb on a free display of its own
#                                     at that size and openbox on it; sets
#                                     DISPLAY, xvfb_pid and wm_pid; ends the
#                                     test when either does not start

until_true() {
  local seconds=$1; shift
  local end=$((SECONDS + seconds))
  while [ $SECONDS -lt $end ]; do
    if eval "$@"; then return 0; fi
    sleep 0.1
  done
  eval "$@"
}

start_x11_display() {
  local size=$1 logs=$2 display="" attempt
  # Servers starting at the same moment (the tests run side by side) may
  # reach for the same free display: the one that loses gives up, and is
  # started again a moment later.
  for attempt in 1 2 3 4 5; do
    exec 5<> <(:)
    Xvfb -displayfd 5 -screen 0 "${size}x24" -nolisten tcp >"$logs/xvfb-$size.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      read -r -t 0.2 display <&5 && break
      kill -0 "$xvfb_pid" 2>/dev/null || break
    done
    exec 5<&-
    [ -n "$display" ] && break
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    sleep "0.$((RANDOM % 8 + 2))"
  done
  [ -n "$display" ] || { echo "FAIL: the virtual X server did not start"; cat "$logs/xvfb-$size.log"; exit 1; }
  export DISPLAY=":$display"
  openbox >"$logs/openbox-$size.log" 2>&1 &
  wm_pid=$!
  until_true 20 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window' \
    || { echo "FAIL: the window manager did not start"; exit 1; }
}
