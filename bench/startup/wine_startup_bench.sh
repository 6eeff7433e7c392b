#!/usr/bin/env bash
# Start-up of tessaport-config.exe under Wine against a bare Win32 window started the same way
# in the same run, and against the same window with one line of text (the first text a process
# draws starts Wine's font system, which the bare window never does): time from starting the process to its window mapped on the X server (the
# settings are loaded before the window is shown), peak resident memory, and the files' sizes.
# One persistent wineserver, Xvfb and xfwm4; the two programs take turns.
# usage: bench/startup/wine_startup_bench.sh [RUNS]   (run by hand; builds what it needs)
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-20}
warm_up=3

build=${TESSAPORT_WINDOWS_RELEASE_BUILD:-build-mingw-release}
cmake --no-warn-unused-cli -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DTESSAPORT_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target tessaport-config >/dev/null
config=$PWD/$build/app/tessaport-config.exe
bare=$PWD/$build/bare-window.exe
text=$PWD/$build/text-window.exe
# Built with the same compiler and flags as the program.
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -s -static -municode -mwindows \
    bench/startup/BareWin32Window.cpp -o "$bare"
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -s -static -municode -mwindows \
    -DTESSAPORT_WITH_LABEL bench/startup/BareWin32Window.cpp -o "$text"

# shellcheck source=../../scripts/lib/session.sh
source scripts/lib/session.sh
trap session_cleanup EXIT

session_start_x 1024x768
session_start_wine
# Settings to load, as on a configured machine.
for value in NumberOfCards:3 PIIBeginAddress:10 PIQBeginAddress:20; do
    "$session_wine" reg add 'HKLM\Software\Korvanta\Tessaport\Advantech' /v "${value%%:*}" /t REG_DWORD \
        /d "${value#*:}" /f /reg:32 </dev/null >/dev/null 2>&1
done

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Prints "milliseconds-to-mapped peak-rss-kib" for one start of the program.
measure() { # program title
    local started pid mapped peak
    started=$(now_ms)
    setsid "$session_wine" "$1" </dev/null >/dev/null 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name "^$2\$" >/dev/null 2>&1; do
        sleep 0.005
    done
    mapped=$(now_ms)
    peak=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    # Let the window go before the next start.
    while xdotool search --onlyvisible --name "^$2\$" >/dev/null 2>&1; do sleep 0.01; done
    echo "$((mapped - started)) $peak"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

probes=(bare text config)
declare -A program=([bare]=$bare [text]=$text [config]=$config)
declare -A title=([bare]='Bare Window' [text]='Bare Window' [config]='Tessaport Configuration')
for ((i = 0; i < warm_up; i++)); do
    for probe in "${probes[@]}"; do
        measure "${program[$probe]}" "${title[$probe]}" >/dev/null
    done
done
for probe in "${probes[@]}"; do : >"$session_work/$probe.txt"; done
for ((i = 0; i < runs; i++)); do
    # Taking turns, with a different one first each round, spreads drift over all.
    for ((turn = 0; turn < ${#probes[@]}; turn++)); do
        probe=${probes[$(((i + turn) % ${#probes[@]}))]}
        measure "${program[$probe]}" "${title[$probe]}" >>"$session_work/$probe.txt"
    done
done

declare -A ms kib bytes
for probe in "${probes[@]}"; do
    ms[$probe]=$(cut -d' ' -f1 "$session_work/$probe.txt" | median)
    kib[$probe]=$(cut -d' ' -f2 "$session_work/$probe.txt" | median)
    bytes[$probe]=$(stat -c %s "${program[$probe]}")
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }

echo "Medians of $runs runs each after $warm_up warm-up runs; persistent wineserver, Xvfb, xfwm4."
printf '| measure | bare window | with one label | tessaport-config.exe | config/bare | config/label |\n'
printf '| --- | --- | --- | --- | --- | --- |\n'
printf '| start to window mapped (target <= 1.10x bare) | %s ms | %s ms | %s ms | %s | %s |\n' \
    "${ms[bare]}" "${ms[text]}" "${ms[config]}" "$(ratio "${ms[config]}" "${ms[bare]}")" \
    "$(ratio "${ms[config]}" "${ms[text]}")"
printf '| peak RSS | %s | %s | %s | %s | %s |\n' "$(mib "${kib[bare]}")" "$(mib "${kib[text]}")" \
    "$(mib "${kib[config]}")" "$(ratio "${kib[config]}" "${kib[bare]}")" \
    "$(ratio "${kib[config]}" "${kib[text]}")"
printf '| file size, stripped (target <= 1 MiB) | %s B | %s B | %s B | | |\n' "${bytes[bare]}" \
    "${bytes[text]}" "${bytes[config]}"
