# Helpers for the scripts that drive the real program under an X server.
# Source it; it stops the program it started when the calling script exits.

TX_PID=""
TX_TMP="$(mktemp -d)"

tx_cleanup() {
  if [ -n "$TX_PID" ] && kill -0 "$TX_PID" 2>/dev/null; then
    kill "$TX_PID" 2>/dev/null || true
    wait "$TX_PID" 2>/dev/null || true
  fi
  rm -rf "$TX_TMP"
}
trap tx_cleanup EXIT

tx_fail() {
  echo "FAILED: $*" >&2
  [ -s "$TX_TMP/program.log" ] && { echo "--- program output:" >&2; cat "$TX_TMP/program.log" >&2; }
  exit 1
}

# Sets TX_HOME, the folder that holds the program's libraries (Tiles/) and demo.
# A build tree: a private home with a copy of its decoration pictures, named by
# TESSELIX_HOME. An installed program (no Gfx beside it): a fresh user's empty
# home, no TESSELIX_HOME, so the program finds its data folder itself.
tx_choose_home() {
  local build="$1"
  if [ -d "$build/Gfx" ]; then
    TX_INSTALLED=""
    export TX_HOME="$TX_TMP/home"
    mkdir -p "$TX_HOME"
    cp -r "$build/Gfx" "$TX_HOME/"
  else
    TX_INSTALLED=1
    export HOME="$TX_TMP/user"
    mkdir -p "$HOME"
    unset XDG_DATA_HOME XDG_CONFIG_HOME TESSELIX_HOME
    export TX_HOME="$HOME/.local/share/Tesselix"
  fi
}

# Runs a command with the home chosen by tx_choose_home (through env, so a command
# started in the background keeps its own process id).
tx_with_home() {
  if [ -n "${TX_INSTALLED:-}" ]; then
    env "$@"
  else
    env TESSELIX_HOME="$TX_HOME" "$@"
  fi
}

# Starts BUILD_DIR/tesselix with private settings and TX_HOME as its home (the
# build folder when none was chosen), on the X platform.
tx_start_program() {
  local build="$1"
  [ -x "$build/tesselix" ] || tx_fail "$build/tesselix is not built"
  [ -n "${TX_HOME:-}" ] || export TX_HOME="$(cd "$build" && pwd)"
  local home=(TESSELIX_HOME="$TX_HOME")
  [ -n "${TX_INSTALLED:-}" ] && home=()
  env "${home[@]}" TESSELIX_SETTINGS="$TX_TMP/settings.ini" QT_QPA_PLATFORM=xcb \
    "$build/tesselix" > "$TX_TMP/program.log" 2>&1 &
  TX_PID=$!
}

# Prints the id of the first visible window whose name matches the regular
# expression, waiting up to SECONDS for it; fails when none appears.
tx_wait_window() {
  local pattern="$1" seconds="${2:-10}" id
  for _ in $(seq $((seconds * 10))); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$TX_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Waits until no visible window matches the pattern.
tx_wait_gone() {
  local pattern="$1" seconds="${2:-10}"
  for _ in $(seq $((seconds * 10))); do
    xdotool search --onlyvisible --name "$pattern" > /dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# Gives WINDOW the keyboard focus and types the keys (xdotool key names) as real
# key presses; Xvfb has no window manager to activate windows for us.
tx_type() {
  local window="$1"
  shift
  xdotool windowfocus --sync "$window"
  xdotool key --delay 50 "$@"
}

# Waits until the window with this id is no longer shown.
tx_wait_gone_id() {
  for _ in $(seq 50); do
    xdotool search --onlyvisible --name '.' 2>/dev/null | grep -q "^$1\$" || return 0
    sleep 0.1
  done
  return 1
}

# Starts the program (again, after stopping a running one), waits for the wizard and
# for the intro to close; sets `wizard` to the wizard's window id.
tx_restart_program() {
  local build="$1"
  if [ -n "$TX_PID" ]; then
    kill "$TX_PID" 2>/dev/null || true
    wait "$TX_PID" 2>/dev/null || true
  fi
  tx_start_program "$build"
  wizard=$(tx_wait_window '^Tesselix$' 20) || tx_fail "the wizard window did not appear"
  if tx_wait_window '^About $' 3 > /dev/null; then tx_wait_gone '^About $' 5 || true; fi
}
