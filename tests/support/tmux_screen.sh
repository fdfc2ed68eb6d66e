# The screen of a program in tmux, for the screen tests (sourced; the test
# sets SOCKET, the tmux server it started its 80x24 session on).
screen() { tmux -L "$SOCKET" capture-pane -p; }
wait_for() {  # TEXT SECONDS [ROW]: the text on the screen (on that row, from 1)
  for ((i = 0; i < $2 * 10; i++)); do
    screen | sed -n "${3:-1,\$}p" | grep -qF -- "$1" && return 0
    sleep 0.1
  done
  echo "not on the screen${3:+ (row $3)}: $1"
  screen
  exit 1
}
keys() { tmux -L "$SOCKET" send-keys "$@"; sleep 0.3; }
