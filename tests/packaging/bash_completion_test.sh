#!/usr/bin/env bash
# The bash completion of tessaport-reg: what each partly typed command line offers.
# usage: bash_completion_test.sh COMPLETION_FILE
set -uo pipefail

# shellcheck source=../../packaging/bash-completion/tessaport-reg
source "$1"
here=$(cd "$(dirname "$0")" && pwd)
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" && touch settings.reg other.txt

suite=bash-completion
# shellcheck source=checks.sh
source "$here/checks.sh"

# The completions of the last word of LINE (a trailing space starts a new, empty word), sorted.
offered() {
    local line=$1
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tessaport_reg
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}

offers() { # line expected
    local actual
    actual=$(offered "$1")
    [ "$actual" = "$2" ] || { say "'$1' offers '$actual', expected '$2'"; return 1; }
}

cases=(
    "tessaport-reg |export get import set"
    "tessaport-reg g|get"
    "tessaport-reg -|--help --json --version"
    "tessaport-reg --v|--version"
    "tessaport-reg get |Adlink Advantech"
    "tessaport-reg get Ad|Adlink Advantech"
    "tessaport-reg get adv|Advantech"
    "tessaport-reg get ADL|Adlink"
    "tessaport-reg get Advantech |"
    "tessaport-reg --json get a|Adlink Advantech"
    "tessaport-reg get --|--json"
    "tessaport-reg set |Adlink Advantech"
    "tessaport-reg set Adlink |"
    "tessaport-reg set Adlink 3 10 20 --|--check"
    "tessaport-reg export s|settings.reg"
    "tessaport-reg import o|other.txt"
    "tessaport-reg import settings.reg |"
    "tessaport-reg frobnicate |"
)
for entry in "${cases[@]}"; do
    check "'${entry%%|*}' offers '${entry#*|}'" offers "${entry%%|*}" "${entry#*|}"
done
checks_summary
