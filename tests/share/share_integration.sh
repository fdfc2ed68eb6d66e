#!/usr/bin/env bash
# `tovrak share --sim` over real endpoints, in real time (each check waits for
# an answer with a generous deadline).
set -euo pipefail
TOVRAK=$1
DIR=$(mktemp -d)
"$TOVRAK" share --sim --pty "$DIR/radio" --listen 127.0.0.1:0 --plain --tx-timeout 60 --allow-tx \
  --listen 0.0.0.0:0 --allow 10.255.255.0/24 --log "$DIR/log" >"$DIR/out" 2>&1 &
SHARE=$!
KEYER=
trap 'kill $SHARE $KEYER 2>/dev/null; wait $SHARE 2>/dev/null; rm -rf "$DIR"' EXIT

fail() { echo "FAIL: $*"; exit 1; }
eventually() { for _ in $(seq 50); do "$@" && return 0; sleep 0.1; done; return 1; }
# settles FD QUERY WANT: asks until the answer is WANT (the server learns
# from the radio's polls).
settles() {
  local got= end=$((SECONDS + 5))
  while [ $SECONDS -le $end ]; do
    printf %s "$2" >&"$1"
    read -r -t 3 -d ';' -u "$1" got || true
    [ "$got;" = "$3" ] && return 0
    sleep 0.1
  done
  fail "$2 answered \"$got;\", not $3"
}
# The pseudo-terminal as fd 5, opened as a program opens it: raw, any speed.
pty() { exec 5<>"$DIR/radio" && stty raw -echo 4800 <&5; }

eventually grep -q "endpoint tcp" "$DIR/out" || fail "no TCP endpoint: $(cat "$DIR/out")"
PORT=$(sed -n 's/.*endpoint tcp 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$DIR/out")
exec 3<>"/dev/tcp/127.0.0.1/$PORT" 4<>"/dev/tcp/127.0.0.1/$PORT"
pty
# Two TCP clients and a program on the pseudo-terminal see each other's changes.
printf 'FA07012000;' >&3
settles 4 'FA;' 'FA07012000;'
settles 5 'FA;' 'FA07012000;'
printf 'MD03;' >&5
settles 3 'MD0;' 'MD03;'
exec 5>&- # the program closes the port and opens it again
pty
settles 5 'MD0;' 'MD03;'
exec 5>&-

# A client killed while transmitting: the server releases the transmitter.
(exec 6<>"/dev/tcp/127.0.0.1/$PORT" && printf 'TX1;' >&6 && exec sleep 60) >/dev/null 2>&1 &
KEYER=$!
settles 3 'TX;' 'TX1;'
kill -9 $KEYER
wait $KEYER 2>/dev/null || true
settles 3 'TX;' 'TX0;'
eventually grep -q "  TX TX0;$" "$DIR/log" || fail "TX0; never reached the radio"
# The log has the client's command and the server's notes as notes; the
# operator reads why the transmitter went.
grep -qE "  C[0-9]+ TX1$" "$DIR/log" || fail "the client's TX1 is not in the log"
grep -qE "  -- client [0-9]+: client [0-9]+ left while transmitting" "$DIR/log" ||
  fail "the release is not in the log"
! grep -qE "  N-?[0-9]+ " "$DIR/log" || fail "notes logged as client lines"
for shown in "client [0-9]+: connected on tcp 127\.0\.0\.1:" "left while transmitting: releasing the transmitter"; do
  eventually grep -qE "$shown" "$DIR/out" || fail "not shown: /$shown/ in $(cat "$DIR/out")"
done

# A peer from this machine's own network address is not in the allowed
# network: turned away at once, and the operator and the log are told.
LAN=$(ip -4 -o addr show scope global 2>/dev/null | awk '{sub("/.*", "", $4); print $4; exit}')
if [ -n "$LAN" ]; then
  ANY=$(sed -n 's/.*endpoint tcp 0\.0\.0\.0:\([0-9]*\).*/\1/p' "$DIR/out")
  exec 8<>"/dev/tcp/$LAN/$ANY"
  timeout 5 cat <&8 >/dev/null || fail "a peer from $LAN was let in"
  exec 8>&-
  refused="refused ${LAN//./\\.}:[0-9]+: not in an allowed network"
  eventually grep -qE "$refused" "$DIR/out" || fail "not shown: $refused in $(cat "$DIR/out")"
  grep -qE "  -- $refused" "$DIR/log" || fail "not logged: $refused"
fi

# A flood ends the flooding connection only: its reads come to an end.
printf 'PC100;%.0s' $(seq 400) >&4
status=0
timeout 5 cat <&4 >/dev/null 2>&1 || status=$?
[ $status -ne 124 ] || fail "the flooding connection stayed open"
printf 'PC050;' >&3
settles 3 'PC;' 'PC050;'

# Standard output nobody reads holds up nothing: a TCP client that may not
# transmit fills it with refusals, and the transmit timeout still releases
# the pseudo-terminal's key. Then a reader that has gone: no SIGPIPE.
for reader in "sleep 30" "head -1"; do
  "$TOVRAK" share --sim --pty "$DIR/radio2" --listen 127.0.0.1:0 --plain --tx-timeout 1 \
    > >(exec $reader >/dev/null 2>&1) 2>/dev/null &
  SHARE2=$!
  port2() { PORT2=$(ss -Hltnp | sed -n "s/.*127\.0\.0\.1:\([0-9]*\).*pid=$SHARE2,.*/\1/p") && [ -n "$PORT2" ]; }
  eventually port2 || fail "no port of the second share"
  exec 7<>"/dev/tcp/127.0.0.1/$PORT2"
  printf 'TX1;%.0s' $(seq 3000) >&7
  exec 6<>"$DIR/radio2" && stty raw -echo <&6
  printf 'TX1;' >&6
  settles 6 'TX;' 'TX1;'
  settles 6 'TX;' 'TX0;'
  kill -0 $SHARE2 || fail "share died with its output ($reader)"
  exec 6>&- 7>&-
  kill $SHARE2
  wait $SHARE2 || [ $? -eq 143 ] || fail "share ended badly ($reader)"
done
echo "clients share the radio, and none can hold or flood it"
