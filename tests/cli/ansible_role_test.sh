#!/usr/bin/env bash
# The Ansible role against this machine (-c local) on a scratch hive: check mode writes nothing,
# the first run reports changed and shows the new values with --diff, the second ok and leaves the
# file byte for byte the same; a bad value, to the role or to its module, fails, names the provider
# and the value, and changes nothing.
# usage: ansible_role_test.sh TESSAPORT_REG ROLES_FOLDER
# Exits 77 (skipped) when ansible-playbook is not installed.
set -euo pipefail

tool=$(realpath "$1")
roles=$(realpath "$2")
if ! command -v ansible-playbook >/dev/null; then
    echo "ansible-playbook is not installed (Debian: ansible-core): skipped"
    exit 77
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessaport-ansible.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
hive=$scratch/registry.reg
# Everything Ansible keeps, and no configuration of the machine's or the user's.
: >"$scratch/ansible.cfg"
export ANSIBLE_CONFIG=$scratch/ansible.cfg ANSIBLE_HOME=$scratch/ansible
export ANSIBLE_LOCAL_TEMP=$scratch/ansible/tmp ANSIBLE_REMOTE_TEMP=$scratch/ansible/remote
export ANSIBLE_ROLES_PATH=$roles ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0
export ANSIBLE_PYTHON_INTERPRETER=auto_silent ANSIBLE_DEPRECATION_WARNINGS=0

play() { # file, providers as YAML
    cat >"$scratch/$1" <<PLAY
- hosts: localhost
  gather_facts: false
  roles:
    - role: tessaport
      tessaport_reg: "$tool"
      tessaport_registry: "$hive"
      tessaport_providers: $2
PLAY
}
play site.yml '
        Advantech: { cards: 3, di_start: 10, do_start: 20 }
        adlink: { cards: 0, di_start: 49, do_start: 1 }'

failed=0
# The providers reported changed, and the play's recap count of changed tasks: "2 1".
run() { # label, ansible-playbook options...
    local label=$1 log=$scratch/$1.log
    shift
    if ! ansible-playbook -i localhost, -c local "$@" "$scratch/site.yml" >"$log" 2>&1 ||
        grep -q 'cannot be converted\|MODULE FAILURE' "$log"; then
        echo "$label: ansible-playbook failed"
        cat "$log"
        exit 1
    fi
    echo "$(grep -c '^changed: \[localhost\] => (item=' "$log") $(sed -nE \
        's/^localhost +:.* changed=([0-9]+).*/\1/p' "$log")"
}
expect() { # what, expected, actual
    if [ "$2" != "$3" ]; then
        echo "$1: expected $2, got $3"
        failed=1
    else
        echo "$1: $3"
    fi
}

expect "check mode reports changes" "2 1" "$(run check --check)"
expect "check mode writes nothing" absent "$([ -e "$hive" ] && echo present || echo absent)"
expect "first run reports changes" "2 1" "$(run first --diff)"
expect "--diff shows the new values" "+PIIBeginAddress=49" \
    "$(grep -A4 '^+++ after: Adlink (after)' "$scratch/first.log" | grep -o '+PIIBeginAddress=49')"
expect "first run's settings" "NumberOfCards=0 PIIBeginAddress=49 PIQBeginAddress=1" \
    "$(TESSAPORT_REGISTRY=$hive "$tool" get Adlink | tr '\n' ' ' | sed 's/ $//')"
before=$(sha256sum <"$hive")
expect "second run reports no change" "0 0" "$(run second)"
expect "second run leaves the file" "$before" "$(sha256sum <"$hive")"
expect "check mode after the runs" "0 0" "$(run check-again --check)"
expect "--diff of a check shows old and new" "-NumberOfCards=3 +NumberOfCards=4" "$(
    sed -i 's/cards: 3,/cards: 4,/' "$scratch/site.yml"
    run diff --check --diff >/dev/null
    grep -o '^[-+]NumberOfCards=[0-9]*' "$scratch/diff.log" | paste -sd' ')"

# Refused: the run fails, no task reports a change, the message names provider and value, and
# the file stays as it is. The role checks its variables; its module checks its own arguments.
refused() { # label, message part, playbook
    local log=$scratch/$1.log
    if ansible-playbook -i localhost, -c local "$3" >"$log" 2>&1; then
        echo "$1: accepted"
    elif ! grep -qF -- "$2" "$log" || grep -q 'changed=[1-9]' "$log"; then
        echo "$1: no message with $2, or a change"
        cat "$log"
    elif [ "$(sha256sum <"$hive")" != "$before" ]; then
        echo "$1: the file changed"
    else
        echo "refused"
    fi
}
play bad-cards.yml '{ Advantech: { cards: 3, di_start: 1, do_start: 1 }, adlink: { cards: 99, di_start: 0, do_start: 0 } }'
expect "cards: 99" refused "$(refused bad-cards "adlink: {'cards': 99" "$scratch/bad-cards.yml")"
play bad-text.yml '{ Adlink: { cards: "3; touch x", di_start: 0, do_start: 0 } }'
expect '"3; touch x"' refused "$(refused bad-text "Adlink: {'cards': '3; touch x'" "$scratch/bad-text.yml")"
play bad-float.yml '{ Adlink: { cards: 3.0, di_start: 0, do_start: 0 } }'
expect "3.0" refused "$(refused bad-float "'cards': 3.0" "$scratch/bad-float.yml")"
play bad-missing.yml '{ Adlink: { cards: 3, di_start: 0 } }'
expect "a missing key" refused "$(refused bad-missing "Adlink: {'cards': 3, 'di_start': 0}" "$scratch/bad-missing.yml")"
cat >"$scratch/module.yml" <<PLAY
- hosts: localhost
  gather_facts: false
  tasks:
    - tessaport_settings: { provider: adlink, cards: 20, di_start: 0, do_start: 0, executable: "$tool", registry: "$hive" }
PLAY
expect "the module's own check" refused \
    "$(ANSIBLE_LIBRARY=$roles/tessaport/library refused module 'Adlink: value of cards must be one of' "$scratch/module.yml")"
[ "$failed" -eq 0 ] || { cat "$scratch/second.log"; exit 1; }
