#!/usr/bin/env bash
# tovrak get / set / ptt against `tovrak sim --pty` (exit status 0 done, 1
# refused or no radio, 2 usage); then the sim's ownership of its link.
set -euo pipefail
TOVRAK=$1
DIR=$(mktemp -d)
LINK=$DIR/radio
"$TOVRAK" sim --pty "$LINK" --id 19 >/dev/null 2>&1 &
SIM=$!
SHARE=
trap 'kill $SIM $SHARE 2>/dev/null; wait $SIM $SHARE 2>/dev/null; rm -rf "$DIR"' EXIT
for _ in $(seq 50); do [ -L "$LINK" ] && break; sleep 0.1; done

fail() { echo "FAIL: $*"; exit 1; }
# expect STATUS OUTPUT-PATTERN ARGS...: runs tovrak ARGS, checks both.
expect() {
  local want=$1 pattern=$2 out status=0
  shift 2
  out=$("$TOVRAK" "$@" 2>&1) || status=$?
  [ "$status" -eq "$want" ] || fail "tovrak $* exited $status, not $want: $out"
  grep -qE -- "$pattern" <<<"$out" || fail "tovrak $* printed \"$out\", not /$pattern/"
}

# End to end on a real pseudo-terminal: the words, the port and the exit
# status (what each name reads and writes, and each refusal, are the
# in-process rows' of one_shot_test.cpp and script_test.cpp).
expect 0 '^freq 14\.250000 MHz$' set freq 14250kHz --port "$LINK"
expect 0 '^\{"freq": 14250000, "mode": "USB"\}$' get freq mode --json --port "$LINK"
expect 2 'unknown name "bogus"' get bogus --port "$LINK"
expect 1 'no radio on' get freq --port "$DIR/none"

# The sim owns its link: another sim or a share is refused, and SIGHUP
# removes it (a killed owner's link taken over is endpoints_test.cpp's).
expect 1 "in use by a running tovrak \(process $SIM\)" sim --pty "$LINK"
expect 1 "in use by a running tovrak \(process $SIM\)" share --sim --pty "$LINK" --plain
kill -HUP $SIM
wait $SIM 2>/dev/null || true
[ ! -e "$LINK" ] && [ ! -L "$LINK" ] || fail "the link outlived its sim"

# Through a sharing server's TCP endpoint.
PORT=$((20000 + RANDOM % 20000))
"$TOVRAK" share --sim --listen "127.0.0.1:$PORT" --plain >/dev/null 2>&1 &
SHARE=$!
for _ in $(seq 50); do "$TOVRAK" get ptt --server "127.0.0.1:$PORT" >/dev/null 2>&1 && break; sleep 0.1; done
expect 0 '^freq [0-9]+\.[0-9]{6} MHz  mode [A-Z]+$' get freq mode --server "127.0.0.1:$PORT"
expect 1 '^ptt refused: the sharing server releases a transmitter' ptt on --server "127.0.0.1:$PORT"
expect 0 '^ptt off$' ptt off --server "127.0.0.1:$PORT"
echo "the one-shot commands work"
