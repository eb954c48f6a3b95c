#!/usr/bin/env bash
# The bash completion of vantoro-cli, driven as bash drives it (COMP_WORDS,
# COMP_CWORD, COMP_LINE, COMP_POINT), against the profiles of the program given.
# Usage: completion-test.sh VANTORO-CLI [COMPLETION-FILE]
set -uo pipefail
program=$(realpath "${1:?path of vantoro-cli}")
here=$(dirname "$0")
completion=${2:-$here/../../packaging/vantoro-cli.bash-completion}

# The loader that installed completions run under; without it the completion
# falls back to plain word splitting, which the cases below do not expect.
source /usr/share/bash-completion/bash_completion || exit 1
source "$completion"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Splits LINE as readline does (blanks, and "=" as a word of its own) and runs the
# completion with the cursor at the end. The result is in COMPREPLY.
complete_line() {
    local line=$1 word
    COMP_WORDS=()
    for word in $line; do
        while [[ $word == *=* ]]; do
            [[ -n ${word%%=*} ]] && COMP_WORDS+=("${word%%=*}")
            COMP_WORDS+=("=")
            word=${word#*=}
        done
        [[ -n $word ]] && COMP_WORDS+=("$word")
    done
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_WORDS[0]=$program
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$program ${line#* }"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _vantoro_cli
}

# expect LINE WORD...: the completions are exactly these words (in any order).
expect() {
    local line=$1
    shift
    complete_line "$line"
    local got want
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort)
    want=$(printf '%s\n' "$@" | sort)
    [[ $got == "$want" ]] || fail "\"$line\": got [$(echo $got)], want [$(echo $want)]"
}

profiles=$("$program" profiles) || { echo "vantoro-cli profiles failed" >&2; exit 1; }
# The first profile: its lists and items are compared below.
read -r first_id < <(awk -F'\t' '$1 ~ /^[0-9]+$/ { print $1; exit }' <<<"$profiles")

expect "vantoro-cli " info play transcode profiles convert --version --help
expect "vantoro-cli co" convert
expect "vantoro-cli convert --pa" --parallel
expect "vantoro-cli convert --o" --output-dir --overwrite
expect "vantoro-cli convert --then o" open-folder
expect "vantoro-cli convert --filter " hflip vflip negate
expect "vantoro-cli convert --deinterlace " auto on off
expect "vantoro-cli transcode --" --iopt --oopt --threads --help
expect "vantoro-cli play x.mkv --s" --seconds --seek --snapshot
expect "vantoro-cli profiles --" --help

# Profile ids come with their labels while several match; one match is the id alone.
complete_line "vantoro-cli convert --profile "
count=$(awk -F'\t' '$1 ~ /^[0-9]+$/' <<<"$profiles" | wc -l)
[[ ${#COMPREPLY[@]} -eq $count ]] || fail "--profile: ${#COMPREPLY[@]} candidates for $count profiles"
printf '%s\n' "${COMPREPLY[@]}" | grep -qxF "$first_id  $(awk -F'\t' -v id="$first_id" '$1 == id { print $3 }' <<<"$profiles")" ||
    fail "--profile: no \"$first_id  label\" among the candidates"
unique=$(awk -F'\t' '$1 ~ /^[0-9]+$/ { print $1 }' <<<"$profiles" | sort | awk '
    { ids[NR] = $1 } END { for (i = 1; i <= NR; i++) { n = 0; for (j = 1; j <= NR; j++) if (index(ids[j], ids[i]) == 1) n++; if (n == 1) { print ids[i]; exit } } }')
expect "vantoro-cli convert --profile $unique" "$unique"

# List names of the profile on the line, then the items of one list, quoted for the shell.
names=$(awk -F'\t' -v id="$first_id" '$1 ~ /^[0-9]+$/ { on = ($1 == id); next } on' <<<"$profiles" |
    awk '{ print $1 "=" }')
complete_line "vantoro-cli convert --profile $first_id --set "
got=$(printf '%s\n' "${COMPREPLY[@]}" | sort)
[[ $got == "$(sort <<<"$names")" ]] || fail "--set: list names [$(echo $got)], want [$(echo $names)]"
expect "vantoro-cli convert --profile $first_id --set VO" VOL=

vb_line=$(awk -v id="$first_id" -F'\t' '$1 ~ /^[0-9]+$/ { on = ($1 == id); next } on && $1 ~ /^  VB / { print; exit }' <<<"$profiles")
mapfile -t items < <(grep -o '"[^"]*"' <<<"$vb_line" | tr -d '"')
[[ ${#items[@]} -gt 0 ]] || fail "profile $first_id has no VB items"
quoted=()
for item in "${items[@]}"; do quoted+=("$(printf '%q' "$item")"); done
expect "vantoro-cli convert --profile $first_id --set VB=" "${quoted[@]}"
prefix=${items[0]:0:2}
matching=()
for q in "${items[@]}"; do [[ $q == "$prefix"* ]] && matching+=("$(printf '%q' "$q")"); done
expect "vantoro-cli convert --profile $first_id --set VB=$prefix" "${matching[@]}"
# Without a profile on the line, the lists of every profile are offered.
complete_line "vantoro-cli convert --set A"
got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
[[ $got == "AB= AE= AR= AS= " ]] || fail "--set A without a profile: got [$got]"

if ((failures)); then
    echo "$failures completion case(s) failed" >&2
    exit 1
fi
echo "completion: all cases passed"
