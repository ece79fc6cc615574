#!/usr/bin/env bash
# A hands-off check of the real window: a 1 GiB ext4 loop "card" in /dev/shm, throttled to
# 20 MiB/s through the blkio controller and named in LUMORACARD_REMOVABLE_ROOTS, the window
# started under Xvfb with its own settings folder, Start clicked, the format offer answered
# No; the debug log and three screenshots land in the work folder. Needs root, Xvfb, xdotool
# and ImageMagick's import. Run it inside xvfb-run:
#   xvfb-run -a -s "-screen 0 1300x950x24" bash scripts/gui-check.sh build/src/app/lumoracard
set -euo pipefail

app=$(realpath "${1:?usage: gui-check.sh PATH/TO/lumoracard}")
work=$(mktemp -d /tmp/lumoracard-guicheck.XXXXXX)
image=/dev/shm/$(basename "$work").img
group=/sys/fs/cgroup/blkio/$(basename "$work")
dev=""
pid=""

cleanup() {
    set +e
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    echo $$ > /sys/fs/cgroup/blkio/cgroup.procs 2>/dev/null
    [ -d "$group" ] && rmdir "$group"
    mountpoint -q "$work/card" && umount "$work/card"
    [ -n "$dev" ] && losetup -d "$dev"
    rm -f "$image"
    echo "log and screenshots: $work"
}
trap cleanup EXIT

truncate -s 1G "$image"
dev=$(losetup --find --show "$image")
mkfs.ext4 -q -F -m 0 -E lazy_itable_init=0,lazy_journal_init=0 "$dev"
mkdir -p "$work/card" && mount "$dev" "$work/card"
majmin=$(lsblk -dno MAJ:MIN "$dev" | tr -d ' ')
mkdir "$group"
echo "$majmin 20971520" > "$group/blkio.throttle.write_bps_device"
echo "$majmin 20971520" > "$group/blkio.throttle.read_bps_device"

mkdir -p "$work/config/Lumora"
printf '[ui]\nlanguage=1\n\n[testSettings]\ntestMode=0\ntestSizeIndex=0\nstreamCount=1\n' \
    > "$work/config/Lumora/LumoraCard.conf"

XDG_CONFIG_HOME=$work/config LUMORACARD_REMOVABLE_ROOTS=$work/card "$app" > "$work/app.log" 2>&1 &
pid=$!
echo "$pid" > "$group/cgroup.procs"
win=$(xdotool search --sync --onlyvisible --pid "$pid" | head -1)
xdotool windowmove "$win" 0 0 windowsize "$win" 1300 950
sleep 2
import -window root "$work/before.png"
xdotool mousemove 436 232 click 1   # Start, as laid out at 1300 x 950
sleep 2
import -window root "$work/asked.png"
xdotool key Escape                  # "Format the card first?" -> No
# 512 MB at 20 MiB/s, and a little more.
for _ in $(seq 60); do
    grep -q -e '==========.*complete' -e 'Error' "$work/app.log" && break
    sleep 1
done
import -window root "$work/after.png"
cat "$work/app.log"
