#!/usr/bin/env bash
# The bash completion of tessaport-reg: what each partly typed command line offers, and that the
# tool takes every command and option offered.
# usage: bash_completion_test.sh COMPLETION_FILE TESSAPORT_REG
set -uo pipefail
tool=$(realpath "$2")

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

# The tool does not refuse WORD where it is offered: a command or option before a command is
# run alone, one after it is run with --help after it, which stops at the first word it refuses.
# Operands ("--", providers, file names) are the cases' own business.
accepted() { # line word
    local -a words
    # The words before the one being completed.
    read -r -a words <<<"${1% *}"
    if [ "$2" = -- ] || [[ $2 != -* && ${#words[@]} -gt 1 ]]; then
        return 0
    fi
    if [ "${#words[@]}" -eq 1 ] && [[ $2 == -* ]]; then
        "$tool" "$2" >/dev/null 2>&1
    else
        TESSAPORT_REGISTRY=$folder/none.reg "$tool" "${words[@]:1}" "$2" --help >/dev/null 2>&1
    fi || { say "'$1' offers '$2', which the tool refuses"; return 1; }
}

offers() { # line expected
    local actual word
    actual=$(offered "$1")
    [ "$actual" = "$2" ] || { say "'$1' offers '$actual', expected '$2'"; return 1; }
    for word in $actual; do
        accepted "$1" "$word" || return 1
    done
}

cases=(
    "tessaport-reg |delete export get import set"
    "tessaport-reg g|get"
    "tessaport-reg -|--help --version"
    "tessaport-reg --v|--version"
    "tessaport-reg --json g|"
    "tessaport-reg get |Adlink Advantech"
    "tessaport-reg get Ad|Adlink Advantech"
    "tessaport-reg get adv|Advantech"
    "tessaport-reg get ADL|Adlink"
    "tessaport-reg get Advantech |"
    "tessaport-reg get --|-- --help --json --quiet"
    "tessaport-reg get -- --|"
    "tessaport-reg delete a|Adlink Advantech"
    "tessaport-reg delete -|-- --check --help --json --quiet -q"
    "tessaport-reg export --|-- --32-bit-windows --help --quiet"
    "tessaport-reg import --j|--json"
    "tessaport-reg export -- s|settings.reg"
    "tessaport-reg set |Adlink Advantech"
    "tessaport-reg set Adlink |"
    "tessaport-reg set Adlink 3 10 20 --c|--check"
    "tessaport-reg export s|settings.reg"
    "tessaport-reg import o|other.txt"
    "tessaport-reg import settings.reg |"
    "tessaport-reg frobnicate |"
)
for entry in "${cases[@]}"; do
    check "'${entry%%|*}' offers '${entry#*|}'" offers "${entry%%|*}" "${entry#*|}"
done
checks_summary
