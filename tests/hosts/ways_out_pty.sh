#!/usr/bin/env bash
# Real signals to `tovrak script --port` and `tovrak share` while they keep
# the simulated radio keyed (on a pseudo-terminal): SIGINT, SIGTERM and
# SIGHUP each leave it released, with the front end's exit status (every
# other way out, a lost port among them, is ways_out_test.cpp's). The checks
# wait for what they look for with a generous deadline, never for a time.
set -euo pipefail
TOVRAK=$1
DIR=$(mktemp -d)
RADIO=$DIR/radio
SIM= RUN=
trap '[ -z "$SIM$RUN" ] || kill $SIM $RUN 2>/dev/null; wait 2>/dev/null; rm -rf "$DIR"' EXIT

fail() { echo "FAIL: $*"; exit 1; }
eventually() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; return 1; }
"$TOVRAK" sim --pty "$RADIO" --id 19 >/dev/null 2>&1 &
SIM=$!
eventually test -L "$RADIO" || fail "no simulated radio"

printf 'SetPort True, "", "", ""\nSetCAT 1\n@wait 500\nSetPTT 1\n@wait 60000\n' >"$DIR/keyed"
# Each starts the front end keyed, in the background as $RUN.
script() {
  "$TOVRAK" script --port "$RADIO" "$DIR/keyed" >"$DIR/out" 2>"$DIR/err" &
  RUN=$!
  eventually grep -q 'SetPTT(1) -> True' "$DIR/out" || fail "script: never keyed"
}
share() {
  rm -f "$DIR/log"
  "$TOVRAK" share --port "$RADIO" --pty "$DIR/a" --plain --log "$DIR/log" >"$DIR/out" 2>"$DIR/err" &
  RUN=$!
  eventually test -L "$DIR/a" || fail "share: no endpoint"
  exec 5<>"$DIR/a"
  stty raw -echo <&5
  printf 'TX1;' >&5 # the client stays, keyed
  eventually grep -q '  TX TX1;$' "$DIR/log" || fail "share: the client's TX1; never reached the radio"
}
for run in "script 130" "share 0"; do
  for sig in INT TERM HUP; do
    ${run% *}
    kill -$sig $RUN
    status=0
    wait $RUN || status=$?
    RUN=
    exec 5>&-
    [ $status -eq ${run#* } ] || fail "${run% *} after SIG$sig exited $status: $(cat "$DIR/err")"
    grep -q "transmitter released" "$DIR/err" || fail "${run% *} after SIG$sig: $(cat "$DIR/err")"
    [ "$("$TOVRAK" get ptt --port "$RADIO")" = off ] || fail "after SIG$sig to ${run% *} still keyed"
  done
done
echo "every signal leaves the radio released"
