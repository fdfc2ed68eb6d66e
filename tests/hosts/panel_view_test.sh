#!/usr/bin/env bash
# The control panel in the terminal view of `tovrak monitor`, driven by keys
# in a tmux session: open it, edit a row, press Set, see the new value, close.
set -euo pipefail
TOVRAK=$1
SOCKET=tovrak-panel-$$
tmux -L "$SOCKET" new-session -d -x 100 -y 34 "$TOVRAK monitor --sim; sleep 30"
trap 'tmux -L "$SOCKET" kill-server 2>/dev/null || true' EXIT

# Waits until the text is on the screen; the screen is printed if it never is.
wait_for() {
  local text=$1 tenths=$(($2 * 10))
  for ((i = 0; i < tenths; i++)); do
    if tmux -L "$SOCKET" capture-pane -p | grep -qF -- "$text"; then return 0; fi
    sleep 0.1
  done
  echo "not on the screen: $text"
  tmux -L "$SOCKET" capture-pane -p
  exit 1
}

wait_for "monitor: /dev/pts/" 20
wait_for "Commands written" 5
tmux -L "$SOCKET" send-keys C-p
wait_for "Control Panel(DLL)" 5
wait_for "All values in milliseconds (ms)" 1
wait_for "Delay between Control Commands   now 100" 1
tmux -L "$SOCKET" send-keys Down 2 5 0
wait_for "> [250     ] [Set] Delay between Control Commands" 5
tmux -L "$SOCKET" send-keys Enter
wait_for "[250     ]  Set  Delay between Control Commands   now 250" 5
tmux -L "$SOCKET" send-keys C-p
wait_for "Commands written" 5
tmux -L "$SOCKET" send-keys C-c
echo "the panel view works"
