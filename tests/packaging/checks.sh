# Named checks with one line each and a closing count. Source it after setting suite, the word
# that starts each line; end the script with `checks_summary`.
# shellcheck shell=bash
: "${suite:?set suite before sourcing checks.sh}"

passed=0
failed=0
check() { # name command...
    local name=$1
    shift
    if "$@"; then
        echo "$suite: $name ... Passed"
        passed=$((passed + 1))
    else
        echo "$suite: $name ... FAILED"
        failed=$((failed + 1))
        return 1
    fi
}
# A detail of a failing check.
say() { echo "  $*" >&2; }
checks_summary() {
    echo "$suite: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
