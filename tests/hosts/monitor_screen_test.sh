#!/usr/bin/env bash
# The monitor on an 80x24 terminal, in tmux: the screen, the names Tab lists,
# long replies paged, the control panel, Ctrl-C releasing the transmitter and
# giving the terminal back, and "q" leaving (rows' contents: live_view_test).
set -euo pipefail
TOVRAK=$1
SOCKET=tovrak-screen-$$
DIR=$(mktemp -d)
trap 'tmux -L "$SOCKET" kill-server 2>/dev/null || true; rm -rf "$DIR"' EXIT
tmux -L "$SOCKET" new-session -d -x 80 -y 24 "XDG_STATE_HOME=$DIR/not/yet bash --norc"

source "$(dirname "$0")/../support/tmux_screen.sh"

keys "$TOVRAK monitor --sim 2>$DIR/err; echo monitor-ended" Enter
wait_for "CAT on, answering" 30 9
# The whole screen, each "ROW:TEXT".
for row in "1:tovrak  monitor: /dev/pts/" "3: VFO A " "4: VFO B " "6: S-meter [" "23:Ctrl-P panel" \
  "24:>"; do
  wait_for "${row#*:}" 1 "${row%%:*}"
done

keys "SetM" Tab
wait_for "4 names fit:  SetMonitor  SetMicGain  SetMeterSW  SetMode" 5
keys C-u "SetPT" Tab
wait_for "> SetPTT" 5 24
keys " 1" Enter
wait_for "SetPTT(1) -> True" 5
# A long reply from its first line, paged; Ctrl-O gives it the screen.
keys "help" Enter
wait_for "> help" 5 18
wait_for "more lines: PgDn pages on, PgUp back --" 1 23
keys NPage
screen | sed -n 18p | grep -qF "> help" && { echo "Page Down did not page"; screen; exit 1; }
keys C-o
wait_for "CAT on" 1 1
[ "$(screen | sed -n 2,22p | grep -c .)" -eq 21 ] || { echo "the replies did not fill the screen"; screen; exit 1; }
keys C-o
wait_for "VFO A" 1 3
keys "help SetFreq" Enter
wait_for "SetFreq Freq   [method]" 5
keys C-p
wait_for "Delay between Control Commands   now 100" 5
keys Down 2 5 0
wait_for "> [250     ] [Set] Delay between Control Commands" 5
keys Enter
wait_for "[250     ]  Set  Delay between Control Commands   now 250" 5
keys C-p
for ((i = 0; i < 50; i++)); do screen | grep -qF "Control Panel" || break; sleep 0.1; done
screen | grep -qF "Control Panel" && { echo "the panel stayed open"; screen; exit 1; }
keys C-c
wait_for "monitor-ended" 10
grep -q "transmitter released" "$DIR/err" || { echo "the transmitter was not released"; exit 1; }
keys "stty -a | grep -o ' echo ' ; echo screen-back" Enter
wait_for "screen-back" 5
screen | grep -q "^ echo *$" || { echo "echo not restored"; screen; exit 1; }
keys "$TOVRAK monitor --sim 2>/dev/null; echo second-ended" Enter
wait_for "CAT on" 20 9
keys "q" Enter
wait_for "second-ended" 10
echo "the monitor's screen, prompt and panel work"
