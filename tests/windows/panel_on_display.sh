#!/usr/bin/env bash
# The control panel test on the display xvfb-run provides, with a picture of
# the window while it shows its log. run.sh calls it with its Wine
# environment (W: the loader of the programs):  panel_on_display.sh BIN RUN PICTURE
set -euo pipefail

BIN=$1 RUN=$2 PICTURE=$3
WINESERVER=/usr/lib/wine/wineserver
winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }

rm -f "$RUN/picture.ready" "$RUN/picture.done" "$PICTURE"
"$W" "$BIN/tovrak_panel_client.exe" "$(winpath "$RUN/picture.ready")" \
  "$(winpath "$RUN/picture.done")" &
client=$!
# The client says when the window is ready; it waits for the picture.
for _ in $(seq 600); do
  [ -e "$RUN/picture.ready" ] && break
  kill -0 "$client" 2>/dev/null || break
  sleep 0.1
done
if [ -e "$RUN/picture.ready" ]; then
  sleep 0.5  # for the picture only: the window is painted
  where=$(tr -d '\r\n' <"$RUN/picture.ready")
  import -window root -crop "$where" +repage "$PICTURE" || echo "no picture taken" >&2
fi
touch "$RUN/picture.done"
wait "$client" && rc=0 || rc=$?
# Wine ends while its display is still there.
"$WINESERVER" -k >/dev/null 2>&1 || true
exit "$rc"
