#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The bash completion of lanzhou-query, driven as bash drives it: COMP_WORDS/COMP_CWORD set for a
# command line, the completion function called, COMPREPLY compared.
#   completion_test.sh PROGRAM COMPLETION_SCRIPT
set -uo pipefail
program=$(realpath "$1")
script=$2
bash_completion=/usr/share/bash-completion/bash_completion
if [ ! -f "$bash_completion" ]; then
  echo "bash-completion is not installed: skipped"
  exit 77
fi
# The script calls the program by the name typed; put the built one first on PATH under that name.
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT
ln -s "$program" "$bin/lanzhou-query"
export PATH="$bin:$PATH"

# shellcheck disable=SC1090
source "$bash_completion"
source "$script"

failures=0
# expect "LINE" "expected words, space-separated, in order"
expect() {
  local line=$1 expected=$2
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMPREPLY=()
  _lanzhou_query
  local got="${COMPREPLY[*]}"
  if [ "$got" != "$expected" ]; then
    echo "FAIL: '$line' -> '$got', expected '$expected'"
    failures=$((failures + 1))
  fi
}

expect "lanzhou-query " "between transfer train station detail complete info journeys mcp diagram"
expect "lanzhou-query m" "mcp"
expect "lanzhou-query mcp shh" ""
expect "lanzhou-query tr" "transfer train"
expect "lanzhou-query --format " "table csv json"
expect "lanzhou-query --format j" "json"
expect "lanzhou-query --filter sf,d" "sf,dc"
expect "lanzhou-query between 北京 --fo" "--format"
# Station names from the initials table, in its order, for the stations' places only.
stations=$("$program" complete shh | tr '\n' ' ')
stations=${stations% }
[ -n "$stations" ] || { echo "FAIL: 'complete shh' printed nothing"; failures=$((failures + 1)); }
expect "lanzhou-query between shh" "$stations"
expect "lanzhou-query between 北京 shh" "$stations"
expect "lanzhou-query --format csv station shh" "$stations"
expect "lanzhou-query transfer 西安 厦门 --via shh" "$stations"
expect "lanzhou-query diagram 北京 shh" "$stations"
expect "lanzhou-query diagram -o x.svg --classes G,D,T" "G,D,T"
expect "lanzhou-query diagram 宝鸡 成都 --classes K,其" "K,其他"
expect "lanzhou-query train shh" ""
expect "lanzhou-query between 北京" ""

complete -p lanzhou-query
if [ $failures -ne 0 ]; then
  echo "$failures completion cases failed"
  exit 1
fi
echo "completion cases passed"
