#!/usr/bin/env bash
# `tovrak share`'s view on an 80x24 terminal, in tmux: whole rows redrawn,
# nothing left of a client that went away (its transmitting mark included),
# the notes below the table, and q writing TX0 to a radio a client keyed.
set -euo pipefail
TOVRAK=$1
SOCKET=tovrak-share-screen-$$
DIR=$(mktemp -d)
trap 'exec 5>&- 2>/dev/null || true; tmux -L "$SOCKET" kill-server 2>/dev/null || true; rm -rf "$DIR"' EXIT
tmux -L "$SOCKET" new-session -d -x 80 -y 24 "bash --norc"

source "$(dirname "$0")/../support/tmux_screen.sh"
row() { screen | sed -n "$1p" | sed 's/ *$//'; }

keys "$TOVRAK share --sim --pty $DIR/radio --log $DIR/log 2>$DIR/err; echo share-ended" Enter
wait_for "(no clients)" 30 5
# The endpoint row, whole (the table's are share_host_test.cpp's).
[ "$(row 2)" = "  endpoint pty $DIR/radio -> $(readlink "$DIR/radio")" ] || { echo "row 2"; screen; exit 1; }

exec 5<>"$DIR/radio"
stty raw -echo <&5
printf 'FA;' >&5
read -r -t 10 -d ';' -u 5 _ || { echo "no answer on the pseudo-terminal"; exit 1; }
printf 'AI1;TX1;' >&5
wait_for " AI TX" 10 5
[[ "$(row 5)" =~ ^"1   pty "[^\ ]*" TX1 "[\ 0-9]*" AI TX"$ ]] || { echo "row 5: $(row 5)"; screen; exit 1; }
exec 5>&-
wait_for "client 1: disconnected" 10
wait_for "(no clients)" 10 5
[ "$(row 5)" = "  (no clients)" ] || { echo "row 5 kept text: $(row 5)"; screen; exit 1; }
if screen | grep -q " TX$"; then echo "a transmitting mark left on the screen"; screen; exit 1; fi
# The notes sit below the table, each on a row of its own.
notes=$(screen | grep -n "client 1: " | cut -d: -f1 | head -1)
[ "$notes" -ge 7 ] || { echo "a note overprints the table"; screen; exit 1; }
keys q
wait_for "share-ended" 10
grep -q "  TX TX0;$" "$DIR/log" || { echo "TX0 never reached the radio"; cat "$DIR/log" | tail; exit 1; }
echo "the view redraws whole rows and leaves nothing behind"
