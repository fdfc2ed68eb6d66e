#!/usr/bin/env bash
# The tovrak program against `tovrak sim --pty`, in real time: one-shots on a
# real port and through a sharing server, real signals to `tovrak script` and
# `tovrak share` while the radio is keyed and to a one-shot waiting for a
# radio that answers nothing, the sim's ownership of its link
# (each name, refusal and other way out: one_shot_test, script_test,
# ways_out_test). Checks wait with a generous deadline, never for a time.
set -euo pipefail
TOVRAK=$1
DIR=$(mktemp -d)
RADIO=$DIR/radio
SIM= RUN= SHARE= MUTE=
trap 'kill $SIM $RUN $SHARE $MUTE 2>/dev/null; wait 2>/dev/null; rm -rf "$DIR"' EXIT

fail() { echo "FAIL: $*"; exit 1; }
eventually() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; return 1; }
# expect STATUS OUTPUT-PATTERN ARGS...: runs tovrak ARGS, checks both.
expect() {
  local want=$1 pattern=$2 out status=0
  shift 2
  out=$("$TOVRAK" "$@" 2>&1) || status=$?
  [ "$status" -eq "$want" ] || fail "tovrak $* exited $status, not $want: $out"
  grep -qE -- "$pattern" <<<"$out" || fail "tovrak $* printed \"$out\", not /$pattern/"
}
"$TOVRAK" sim --pty "$RADIO" --id 19 >/dev/null 2>&1 &
SIM=$!
eventually test -L "$RADIO" || fail "no simulated radio"

expect 0 '^freq 14\.250000 MHz$' set freq 14250kHz --port "$RADIO"

printf 'SetPort True, "", "", ""\nSetCAT 1\n@wait 500\nSetPTT 1\n@wait 60000\nSetMode 3\n' >"$DIR/keyed"
# Each starts the front end keyed, in the background as $RUN; the script
# stopped in its wait goes no further.
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
    ! grep -q "SetMode" "$DIR/out" || fail "script after SIG$sig went on: $(cat "$DIR/out")"
    expect 0 '^off$' get ptt --port "$RADIO"
  done
done

# A one-shot stopped while it waits for a radio that answers nothing says so
# and ends its own way, once it has taken Ctrl-C over from the default.
caught_int() { (($(printf '%d' "0x$(awk '/^SigCgt/ {print $2}' "/proc/$1/status")") & 2)); }
"$TOVRAK" sim --pty "$DIR/mute" --drop 1 >/dev/null 2>&1 &
MUTE=$!
eventually test -L "$DIR/mute" || fail "no mute radio"
"$TOVRAK" get freq --port "$DIR/mute" >"$DIR/out" 2>"$DIR/err" &
RUN=$!
eventually caught_int $RUN || fail "get: Ctrl-C not taken over"
kill -INT $RUN
status=0
wait $RUN || status=$?
RUN=
[ $status -eq 130 ] && grep -qx "tovrak get: interrupted" "$DIR/err" ||
  fail "get after SIGINT exited $status: $(cat "$DIR/err")"
kill $MUTE
wait $MUTE 2>/dev/null || true
MUTE=

# The sim owns its link: another program is refused, and SIGHUP removes it
# (a killed owner's link taken over is endpoints_test.cpp's).
expect 1 "in use by a running tovrak \(process $SIM\)" sim --pty "$RADIO"
kill -HUP $SIM
wait $SIM 2>/dev/null || true
SIM=
[ ! -e "$RADIO" ] && [ ! -L "$RADIO" ] || fail "the link outlived its sim"

PORT=$((20000 + RANDOM % 20000))
"$TOVRAK" share --sim --listen "127.0.0.1:$PORT" --plain >/dev/null 2>&1 &
SHARE=$!
eventually "$TOVRAK" get ptt --server "127.0.0.1:$PORT" >/dev/null 2>&1 || fail "no sharing server"
expect 0 '^freq [0-9]+\.[0-9]{6} MHz  mode [A-Z]+$' get freq mode --server "127.0.0.1:$PORT"
expect 1 '^ptt refused: the sharing server releases a transmitter' ptt on --server "127.0.0.1:$PORT"
expect 0 '^ptt off$' ptt off --server "127.0.0.1:$PORT"
echo "the tovrak program works on a real pseudo-terminal and leaves the radio released"
