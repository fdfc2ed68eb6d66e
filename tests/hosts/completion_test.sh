#!/usr/bin/env bash
# The bash completion (the file given, by docs_test.cpp) as bash runs it:
# what Tab offers after each kind of word; _filedir stands in, offering "FILES".
set -uo pipefail
COMPLETION=$1
_init_completion() {
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]:-}
  words=("${COMP_WORDS[@]}")
  cword=$COMP_CWORD
}
_filedir() { COMPREPLY=(FILES); }
source "$COMPLETION"

failed=0
offers() {  # "WORDS ON THE LINE" EXPECTED: Tab after the last word
  read -ra COMP_WORDS <<<"$1"
  [[ $1 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _tovrak
  local got="${COMPREPLY[*]}"
  [[ $got == "$2" ]] || { echo "tovrak ${1#tovrak }<Tab>: \"$got\", not \"$2\""; failed=1; }
}

offers "tovrak " "demo script monitor ports sim get set ptt share version --help --version"
offers "tovrak get " "freq txfreq mode vfo split ptt smeter width power af rf sql"
offers "tovrak get freq m" "mode"
offers "tovrak get --port /tmp/radio s" "split smeter sql"
offers "tovrak set " "freq mode vfo split power af rf sql"
offers "tovrak set freq " ""
offers "tovrak ptt " "on off"
offers "tovrak ptt --json o" "on off"
offers "tovrak get --port " "FILES"
offers "tovrak script " "FILES"
offers "tovrak sim --pty " "FILES"
offers "tovrak monitor --log " "FILES"
offers "tovrak sim --id " ""
offers "tovrak share --http-r" "--http-readonly"
offers "tovrak call " ""
exit $failed
