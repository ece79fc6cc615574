#!/usr/bin/env bash
# The Windows window end to end under Wine, started as a user starts it: from the unpacked
# package, without WINEPATH (a DLL or plug-in the package lacks stops it), on a virtual X
# screen. A folder of the run's own is removable drive E:; the settings of a fresh prefix are
# English and the smallest test size. The test is started with the window's own shortcut
# (Ctrl+Return) and must reach its verdict: the history records a completed test with a
# verdict, and the card is left empty. Screenshots of the screen at 96 and 144 DPI (100 % and
# 150 %) go to SHOTS_DIR as PNG.
#
#   wine-window-run.sh WINE PACKAGE_DIR SHOTS_DIR      (WINEPREFIX set to a prefix of the caller's)
set -euo pipefail
wine=$1
package=$2
shots=$3
wineserver=$(dirname "$wine")/wineserver

skip() { echo "  skipped: $*"; exit 77; }
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xwd >/dev/null \
    || skip "Xvfb, xdotool or xwd missing"

mkdir -p "$shots"
work=$(mktemp -d /tmp/lumoracard-winewindow-XXXXXX)
xvfb=""
app=""
drive=$WINEPREFIX/dosdevices/e:
cleanup() {
    set +e
    [ -n "$app" ] && kill "$app" 2>/dev/null
    "$wineserver" -k 2>/dev/null
    "$wineserver" -w 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -f "$drive"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A full-HD screen (the size a 150 % laptop has), on a display number Xvfb picks itself.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.2; done
[ -s "$work/display" ] || { echo "  Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$work/display")

mkdir "$work/card"
ln -sfn "$work/card" "$drive"
reg() { "$wine" reg add "$@" /f >/dev/null 2>&1; }
reg 'HKLM\Software\Wine\Drives' /v e: /d floppy
reg 'HKCU\Software\Lumora\LumoraCard\ui' /v language /t REG_DWORD /d 1
reg 'HKCU\Software\Lumora\LumoraCard\testSettings' /v testSizeIndex /t REG_DWORD /d 0
history="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Lumora/LumoraCard/history.sqlite"
rm -f "$history"

# Starts the window at DPI $1 and waits for its main window; sets $app and $win.
start_window() {
    reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1"
    "$wineserver" -k 2>/dev/null || true  # drive types and DPI are read when Wine starts
    "$wineserver" -w 2>/dev/null || true
    (cd "$work" && exec env -u WINEPATH "$wine" "$package/lumoracard.exe" >"$work/window-$1.log" 2>&1) &
    app=$!
    win=""
    for _ in $(seq 120); do
        win=$(xdotool search --onlyvisible --name 'Memory Card Test' 2>/dev/null | head -n1) || true
        [ -n "$win" ] && break
        kill -0 "$app" 2>/dev/null || break
        sleep 0.5
    done
    [ -n "$win" ] || { echo "  the window did not show at $1 DPI"; tail -n 20 "$work/window-$1.log"; return 1; }
    sleep 3  # the first paint and the drive list
}

shot() {
    xwd -root -silent >"$work/shot.xwd" && python3 "$(dirname "$0")/xwd2png.py" "$work/shot.xwd" "$shots/$1.png"
}

stop_window() {
    kill "$app" 2>/dev/null || true
    "$wineserver" -k 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    app=""
}

ok=1
start_window 96 || exit 1
shot window-96dpi
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key ctrl+Return
# The window first offers to format the card: No, its default.
question=""
for _ in $(seq 60); do
    question=$(xdotool search --onlyvisible --name '^Format before test$' 2>/dev/null | head -n1) || true
    [ -n "$question" ] && break
    sleep 0.5
done
[ -n "$question" ] || { echo "  the window did not ask about formatting"; ok=0; }
sleep 1
xdotool windowfocus --sync "$question" 2>/dev/null || true
xdotool key Return
# A 512 MB write and read of a folder under Wine takes seconds; the history is written last.
recorded=""
for _ in $(seq 240); do
    if [ -f "$history" ]; then
        recorded=$(python3 - "$history" <<'PY' 2>/dev/null || true
import sqlite3, sys
db = sqlite3.connect(f"file:{sys.argv[1]}?mode=ro", uri=True)
for outcome, verdict, w, r, tool in db.execute(
        "SELECT outcome, verdict, write_avg, read_avg, tool FROM tests"):
    read = "no read pass" if r is None else f"read {r:.1f} MB/s"
    print(f"{tool}: {outcome}, verdict {verdict}, write {w:.1f} MB/s, {read}")
PY
)
        [ -n "$recorded" ] && break
    fi
    sleep 0.5
done
sleep 1
shot window-96dpi-done
if [ -n "$recorded" ]; then
    echo "  the window's test, as its history recorded it: $recorded"
    [[ $recorded == *": completed, verdict "[a-z]* ]] || { echo "  not a completed test with a verdict"; ok=0; }
else
    echo "  the window's test reached no recorded result"
    ok=0
fi
left=$(find "$work/card" -mindepth 1 -maxdepth 1)
[ -z "$left" ] || { echo "  files left on the card: $left"; ok=0; }
stop_window

# The same window at 150 %: a screenshot to look at, and it must show.
start_window 144 || ok=0
[ -z "$app" ] || shot window-144dpi
stop_window
reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96
echo "  screenshots: $shots/window-96dpi, window-96dpi-done, window-144dpi"
[ "$ok" -eq 1 ]
