#!/usr/bin/env bash
# The Debian package's postinst as an administrator's machines meet it: a group made by hand, an
# /etc/tessaport of its own file system, a folder a user owns, a settings file already there, and
# a folder where nothing can be made. Each case runs in a scratch /etc (a copy on a tmpfs) inside
# a private mount namespace, so nothing of this machine changes. Needs root.
# usage: postinst_test.sh POSTINST    (exit status 77: skipped)
set -uo pipefail

postinst=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
if [ "$(id -u)" -ne 0 ] || ! unshare --mount true 2>/dev/null; then
    echo "postinst: SKIPPED, needs root and a mount namespace"
    exit 77
fi
if [ -z "${TESSAPORT_SCRATCH_ETC:-}" ]; then
    exec unshare --mount --propagation private env TESSAPORT_SCRATCH_ETC=1 bash "$0" "$@"
fi

suite=postinst
# shellcheck source=checks.sh
source "$here/checks.sh"

folder=/etc/tessaport
settings=$folder/registry.reg
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessaport-postinst.XXXXXX")
trap 'umount -R /etc "$scratch/etc" 2>/dev/null; rm -rf "$scratch"' EXIT
mkdir "$scratch/etc"
mount -t tmpfs scratch-etc "$scratch/etc"
cp -a /etc/. "$scratch/etc/"
mount --bind "$scratch/etc" /etc

# A machine without the package's traces, then `setup` (shell commands) as the administrator left it.
fresh() {
    umount "$folder" 2>/dev/null
    rm -rf "$folder"
    getent group tessaport >/dev/null && groupdel tessaport
    eval "$1"
}
run_postinst() {
    sh "$postinst" configure >"$scratch/out" 2>"$scratch/err"
}
mode_of() { stat -c '%U:%G %a' "$1" 2>/dev/null; }
set_up_as_the_readme_says() {
    local ok=0
    [ "$(mode_of "$folder")" = "root:tessaport 2770" ] || { say "folder: $(mode_of "$folder")"; ok=1; }
    [ "$(mode_of "$settings")" = "root:tessaport 660" ] || { say "file: $(mode_of "$settings")"; ok=1; }
    [ -f "$settings" ] && [ ! -s "$settings" ] || { say "the settings file is not empty"; ok=1; }
    return $ok
}
gid_of_tessaport() { getent group tessaport | cut -d: -f3; }

no_group_yet() {
    fresh ""
    run_postinst || { cat "$scratch/err" >&2; return 1; }
    [ "$(gid_of_tessaport)" -lt 1000 ] || { say "not a system group: $(gid_of_tessaport)"; return 1; }
    set_up_as_the_readme_says
}
check "no group yet: a system group, the folder and the file" no_group_yet

normal_group_made_by_hand() {
    fresh "groupadd tessaport"
    local gid
    gid=$(gid_of_tessaport)
    run_postinst || { cat "$scratch/err" >&2; return 1; }
    [ "$(gid_of_tessaport)" = "$gid" ] || { say "the group changed"; return 1; }
    set_up_as_the_readme_says
}
check "an existing normal group (groupadd) is accepted" normal_group_made_by_hand

folder_on_its_own_file_system() {
    fresh "groupadd tessaport && mkdir $folder && mount -t tmpfs tessaport-folder $folder &&
        chown root:tessaport $folder && chmod 2770 $folder"
    run_postinst || { cat "$scratch/err" >&2; return 1; }
    set_up_as_the_readme_says
}
check "the settings file is made on a folder mounted on its own" folder_on_its_own_file_system

nothing_can_be_made_there() {
    fresh "groupadd tessaport && mkdir $folder && mount -t tmpfs -o ro tessaport-folder $folder"
    local status=0
    run_postinst || status=$?
    [ "$status" -ne 0 ] || { say "exit status 0 with no settings file"; return 1; }
    grep -q "could not create $settings" "$scratch/err" || { cat "$scratch/err" >&2; return 1; }
}
check "a settings file that cannot be made fails the set-up, saying so" nothing_can_be_made_there

users_folder_warned_of() {
    fresh "groupadd tessaport && mkdir $folder && chown 60401:tessaport $folder &&
        chmod 2777 $folder && printf 'kept' >$settings && chmod 0640 $settings"
    run_postinst || { cat "$scratch/err" >&2; return 1; }
    local ok=0
    grep -q "$folder is owned by user 60401, not root" "$scratch/err" || ok=1
    grep -q "$folder may be written by every user" "$scratch/err" || ok=1
    [ $ok -eq 0 ] || { cat "$scratch/err" >&2; return 1; }
    [ "$(cat "$settings")" = kept ] && [ "$(mode_of "$settings")" = "root:tessaport 640" ] ||
        { say "the existing file changed: $(mode_of "$settings")"; return 1; }
    [ "$(stat -c "%u:%G %a" "$folder")" = "60401:tessaport 2777" ] ||
        { say "the folder changed: $(stat -c "%u:%G %a" "$folder")"; return 1; }
}
check "a user's or world-writable folder is warned of, and nothing there is changed" \
    users_folder_warned_of

# What an administrator may have left at the folder's or the file's place: the set-up fails
# (status 1) or warns (status 0), naming the path either way.
left_in_place() { # setup status message
    fresh "groupadd tessaport && $1"
    local status=0
    run_postinst || status=$?
    [ "$status" -eq "$2" ] || { say "exit status $status"; cat "$scratch/err" >&2; return 1; }
    grep -qF -- "$3" "$scratch/err" || { cat "$scratch/err" >&2; return 1; }
}
check "a file in the folder's place fails the set-up" \
    left_in_place "printf x >$folder" 1 "$folder is not a folder"
check "a link in the folder's place to nothing fails the set-up" \
    left_in_place "ln -s /nowhere $folder" 1 "$folder is a symbolic link to /nowhere"
check "a link in the folder's place to a folder is warned of" \
    left_in_place "mkdir -p /etc/elsewhere && ln -s /etc/elsewhere $folder" 0 \
    "warning: $folder is a symbolic link to /etc/elsewhere"
check "a link in the file's place to nothing fails the set-up" \
    left_in_place "mkdir $folder && ln -s /nowhere $settings" 1 \
    "$settings is a symbolic link to /nowhere"
check "a link in the file's place to a file is warned of" \
    left_in_place "mkdir $folder && touch /etc/kept.reg && ln -s /etc/kept.reg $settings" 0 \
    "warning: $settings is a symbolic link to /etc/kept.reg"
check "a folder in the file's place fails the set-up" \
    left_in_place "mkdir -p $settings" 1 "$settings is not a regular file"

checks_summary
