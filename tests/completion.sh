#!/usr/bin/env bash
# Completes command lines with kesmal-cli's bash completion alone, as plain
# bash loads it without bash-completion, and compares the words offered.
#
# usage: completion.sh COMPLETION_SCRIPT
set -uo pipefail
# shellcheck source=packaging/kesmal-cli.bash-completion
source "$1"

passed=0
failed=0
# The words before the cursor as bash splits them ("=" is a word of its own),
# the word at the cursor last; then "::" and the words expected, in order.
row() {
  local name=$1
  shift
  local -a words=()
  while [[ $1 != "::" ]]; do
    words+=("$1")
    shift
  done
  shift
  local expected="$*"
  COMP_WORDS=("${words[@]}")
  COMP_CWORD=$((${#words[@]} - 1))
  COMPREPLY=()
  _kesmal_cli
  if [[ "${COMPREPLY[*]}" == "$expected" ]]; then
    ((passed++))
  else
    echo "completion: $name: offered '${COMPREPLY[*]}', expected '$expected'" >&2
    ((failed++))
  fi
}

row commands_and_global_options kesmal-cli '' :: check make scan mask --help --version
row jurisdictions_by_prefix kesmal-cli make c :: cn cn15
row option_of_a_jurisdiction kesmal-cli make hk --l :: --length
row options_after_a_flag kesmal-cli make tw --unique --s :: --seed --sex
row choice kesmal-cli make kr --sex '' :: male female
row choice_after_equals kesmal-cli make cn --sex = f :: female
row choice_right_at_equals kesmal-cli make hk --length = :: 8 9
row choice_in_one_word kesmal-cli check --rules=cu :: --rules=current
row faults_the_jurisdiction_reports kesmal-cli make cn15 --invalid '' :: digits birth_date any
row taiwan_region_letters kesmal-cli make tw --region '' :: {A..Z}
row free_value_offers_nothing kesmal-cli make cn --region '' ::
row mask_near_misses kesmal-cli mask --near-misses '' :: mask keep redact

((failed == 0)) || { echo "completion: $failed of $((passed + failed)) rows failed" >&2; exit 1; }
echo "completion: all $passed rows offered the expected words"
