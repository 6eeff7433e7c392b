#!/usr/bin/env bash
# The Debian package as an administrator meets it: lintian, the metadata it installs, then
# apt-get install, the settings file shared by the group tessaport (a member may read and write
# it, anybody else may not), the installed window under Xvfb, and a purge that leaves the
# settings in place. Leaves the machine as it found it: users, group, /etc/tessaport.
# Needs root. usage: deb_test.sh PACKAGE.deb
set -uo pipefail

deb=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
package=tessaport-config
folder=/etc/tessaport
settings=$folder/registry.reg

if [ "$(id -u)" -ne 0 ]; then
    echo "deb: needs root" >&2
    exit 1
fi
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'installed'; then
    echo "deb: SKIPPED, $package is already installed on this machine"
    exit 0
fi

suite=deb
# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"

# --- What was there before, put back at the end.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessaport-deb-test.XXXXXX")
chmod 755 "$scratch"
had_group=no
getent group tessaport >/dev/null && had_group=yes
had_folder=no
if [ -e "$folder" ]; then
    had_folder=yes
    tar -C /etc -cpf "$scratch/etc-tessaport.tar" tessaport
fi
suffix=$$
member=tpmember$suffix
outsider=tpoutsider$suffix
cleanup() {
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'installed' &&
        apt-get purge -y -q "$package" >/dev/null 2>&1
    userdel "$member" >/dev/null 2>&1
    userdel "$outsider" >/dev/null 2>&1
    rm -rf "$folder"
    [ $had_folder = yes ] && tar -C /etc -xpf "$scratch/etc-tessaport.tar"
    [ $had_group = no ] && groupdel tessaport >/dev/null 2>&1
    rm -rf "$scratch"
}
trap cleanup EXIT
# A settings file of this machine's own would get in the way of the checks below.
rm -rf "$folder"

# --- The package's files, before installing.
lintian_clean() {
    local status=0
    lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 || status=$?
    grep -v 'running with root privileges' "$scratch/lintian.log" >&2
    [ "$status" -eq 0 ] && ! grep -q '^[EW]:' "$scratch/lintian.log"
}
check "lintian reports no error or warning" lintian_clean

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
has_all_files() {
    local file missing=0
    for file in usr/bin/tessaport-config usr/bin/tessaport-reg \
        usr/share/man/man1/tessaport-config.1.gz usr/share/man/man1/tessaport-reg.1.gz \
        usr/share/applications/tessaport-config.desktop \
        usr/share/metainfo/com.korvanta.tessaport_config.metainfo.xml \
        usr/share/doc/tessaport-config/copyright usr/share/doc/tessaport-config/README.md.gz \
        usr/share/bash-completion/completions/tessaport-reg \
        usr/share/ansible/roles/tessaport/library/tessaport_settings.py \
        usr/share/ansible/roles/tessaport/meta/main.yml \
        usr/share/ansible/roles/tessaport/tasks/main.yml; do
        grep -qx "\./$file" <<<"$contents" || { say "missing: $file"; missing=1; }
    done
    for size in 16 32 48 64 128 256; do
        grep -qx "\./usr/share/icons/hicolor/${size}x$size/apps/tessaport-config.png" \
            <<<"$contents" || { say "missing: ${size}x$size icon"; missing=1; }
    done
    # The settings belong to the driver: the package ships none, so dpkg never removes them.
    grep -q '^\./etc' <<<"$contents" && { say "ships files in /etc"; missing=1; }
    return $missing
}
check "package holds both programs, man pages, desktop entry, icons, metadata, README, completion, Ansible role" \
    has_all_files

unpacked=$scratch/unpacked
dpkg-deb -x "$deb" "$unpacked"
check "copyright names the MIT (Expat) licence" \
    grep -q '^License: Expat' "$unpacked/usr/share/doc/tessaport-config/copyright"
icon_sizes_match() {
    local size actual ok=0
    for size in 16 32 48 64 128 256; do
        actual=$(identify -format '%wx%h' \
            "$unpacked/usr/share/icons/hicolor/${size}x$size/apps/tessaport-config.png")
        [ "$actual" = "${size}x$size" ] || { say "${size}x$size icon is $actual"; ok=1; }
    done
    return $ok
}
check "each hicolor icon has its folder's size" icon_sizes_match
one_publisher() {
    local maintainer developer
    maintainer=$(dpkg-deb -f "$deb" Maintainer)
    developer=$(sed -n 's:.*<developer_name>\(.*\)</developer_name>.*:\1:p' \
        "$unpacked/usr/share/metainfo/com.korvanta.tessaport_config.metainfo.xml")
    [[ $maintainer == "TessaportConfig <"* ]] && [ "$developer" = TessaportConfig ] ||
        { say "maintainer '$maintainer', AppStream developer '$developer'"; return 1; }
}
check "the package and its AppStream file name the publisher TessaportConfig" one_publisher
check "appstreamcli validates the metainfo" \
    appstreamcli validate --no-net "$unpacked/usr/share/metainfo/com.korvanta.tessaport_config.metainfo.xml"
check "desktop entry validates" \
    desktop-file-validate "$unpacked/usr/share/applications/tessaport-config.desktop"
man_pages_clean() {
    local page status=0
    for page in "$unpacked"/usr/share/man/man1/*.1.gz; do
        zcat "$page" >"$scratch/page.1"
        mandoc -T lint -W warning "$scratch/page.1" || status=1
    done
    return $status
}
check "man pages render without warnings (mandoc -T lint)" man_pages_clean

# --- Installing.
install_log=$scratch/install.log
installed() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$install_log" 2>&1 ||
        { cat "$install_log" >&2; return 1; }
    [ -x /usr/bin/tessaport-reg ] && [ -x /usr/bin/tessaport-config ]
}
check "apt-get install ./PACKAGE.deb" installed

mode_of() { stat -c '%U:%G %a' "$1" 2>/dev/null; }
group_model() {
    local gid ok=0
    gid=$(getent group tessaport | cut -d: -f3)
    [ -n "$gid" ] && [ "$gid" -lt 1000 ] || { say "no system group tessaport: '$gid'"; ok=1; }
    [ "$(mode_of "$folder")" = "root:tessaport 2770" ] || { say "folder: $(mode_of "$folder")"; ok=1; }
    [ "$(mode_of "$settings")" = "root:tessaport 660" ] || { say "file: $(mode_of "$settings")"; ok=1; }
    [ -f "$settings" ] && [ ! -s "$settings" ] || { say "the settings file is not empty"; ok=1; }
    return $ok
}
check "group tessaport, $folder 2770 and an empty registry.reg 0660, root:tessaport" group_model

useradd --system --no-create-home --shell /usr/sbin/nologin "$member"
useradd --system --no-create-home --shell /usr/sbin/nologin "$outsider"
adduser --quiet "$member" tessaport
as() { # user command...
    local user=$1
    shift
    setpriv --reuid="$user" --regid="$user" --init-groups env -u TESSAPORT_REGISTRY "$@"
}

member_edits() {
    local out
    as "$member" tessaport-reg set Advantech 3 10 20 || return 1
    out=$(as "$member" tessaport-reg get Advantech) || return 1
    [ "$out" = $'NumberOfCards=3\nPIIBeginAddress=10\nPIQBeginAddress=20' ] ||
        { say "member reads: $out"; return 1; }
    # Another member, and root, see and change the same file.
    tessaport-reg set Adlink 1 2 3 || return 1
    [ "$(as "$member" tessaport-reg get Adlink)" = \
        $'NumberOfCards=1\nPIIBeginAddress=2\nPIQBeginAddress=3' ]
}
check "a member of tessaport sets and gets the settings (setpriv)" member_edits

outsider_refused() {
    local before status out ok=0
    before=$(sha256sum "$settings")
    out=$(as "$outsider" tessaport-reg get Advantech 2>&1)
    status=$?
    [ $status -eq 1 ] || { say "non-member get: status $status: $out"; ok=1; }
    out=$(as "$outsider" tessaport-reg set Advantech 1 1 1 2>&1)
    status=$?
    [ $status -eq 1 ] || { say "non-member set: status $status: $out"; ok=1; }
    [ "$(sha256sum "$settings")" = "$before" ] || { say "a non-member changed the file"; ok=1; }
    return $ok
}
check "a non-member can neither read nor change them" outsider_refused

window_starts() {
    (
        # shellcheck source=../../scripts/lib/session.sh
        source "$here/../../scripts/lib/session.sh"
        trap session_cleanup EXIT
        session_start_x 1024x768
        chmod 755 "$session_work"
        unset TESSAPORT_REGISTRY
        export XDG_RUNTIME_DIR=$session_work/member-runtime
        mkdir -m 700 "$XDG_RUNTIME_DIR" && chown "$member" "$XDG_RUNTIME_DIR"
        session_start "$session_work/app.log" setpriv --reuid="$member" --regid="$member" --init-groups \
            /usr/bin/tessaport-config
        app=${session_groups[-1]}
        shown() { wid=$(xdotool search --onlyvisible --name '^Tessaport Configuration$' | head -n1) &&
            [ -n "$wid" ]; }
        session_wait_until 60 shown || session_fail "the installed window did not appear"
        [ "$session_window_manager" = yes ] && timeout 30 xdotool windowactivate --sync "$wid"
        # Exit, at its place in the window.
        xdotool mousemove --window "$wid" 301 252 click 1
        ended() { ! kill -0 "$app" 2>/dev/null; }
        session_wait_until 60 ended || session_fail "the window did not close on Exit"
        status=0
        wait "$app" || status=$?
        [ $status -eq 0 ] || session_fail "exit status $status"
    )
}
check "the installed window starts from /usr/bin under Xvfb and exits with 0" window_starts

# --- An existing settings file is never touched by an install.
reinstall_keeps_settings() {
    local before
    chown root:root "$settings"
    chmod 0640 "$settings"
    before=$(sha256sum "$settings")
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall "$deb" >"$install_log" 2>&1 ||
        { cat "$install_log" >&2; return 1; }
    [ "$(sha256sum "$settings")" = "$before" ] && [ "$(mode_of "$settings")" = "root:root 640" ] ||
        { say "after reinstall: $(mode_of "$settings")"; return 1; }
    chown root:tessaport "$settings"
    chmod 0660 "$settings"
}
check "reinstalling leaves an existing settings file, its owner and mode alone" reinstall_keeps_settings

purge_keeps_settings() {
    local before
    before=$(sha256sum "$settings")
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -q "$package" >"$install_log" 2>&1 ||
        { cat "$install_log" >&2; return 1; }
    [ ! -e /usr/bin/tessaport-reg ] && [ ! -e /usr/bin/tessaport-config ] ||
        { say "programs left after purge"; return 1; }
    [ "$(sha256sum "$settings" 2>/dev/null)" = "$before" ] ||
        { say "settings file changed or gone after purge"; return 1; }
}
check "purge removes the programs and keeps the settings file" purge_keeps_settings

checks_summary
