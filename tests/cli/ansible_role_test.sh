#!/usr/bin/env bash
# The Ansible role against this machine (-c local) on a scratch hive: check mode writes nothing,
# the first run reports changed, the second ok and leaves the file byte for byte the same.
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

cat >"$scratch/site.yml" <<PLAY
- hosts: localhost
  gather_facts: false
  roles:
    - role: tessaport
      tessaport_reg: "$tool"
      tessaport_registry: "$hive"
      tessaport_providers:
        Advantech: { cards: 3, di_start: 10, do_start: 20 }
        adlink: { cards: 0, di_start: 49, do_start: 1 }
PLAY

failed=0
# The providers reported changed, and the play's recap count of changed tasks: "2 1".
run() { # label, ansible-playbook options...
    local label=$1 log=$scratch/$1.log
    shift
    if ! ansible-playbook -i localhost, -c local "$@" "$scratch/site.yml" >"$log" 2>&1; then
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
expect "first run reports changes" "2 1" "$(run first)"
expect "first run's settings" "NumberOfCards=0 PIIBeginAddress=49 PIQBeginAddress=1" \
    "$(TESSAPORT_REGISTRY=$hive "$tool" get Adlink | tr '\n' ' ' | sed 's/ $//')"
before=$(sha256sum <"$hive")
expect "second run reports no change" "0 0" "$(run second)"
expect "second run leaves the file" "$before" "$(sha256sum <"$hive")"
expect "check mode after the runs" "0 0" "$(run check-again --check)"
[ "$failed" -eq 0 ] || { cat "$scratch/second.log"; exit 1; }
