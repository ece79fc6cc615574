#!/bin/bash
# Unmounts a throttled loop card lazily under a running lumoracard-cli and says how the run
# ended: exit status, seconds from the unmount to the exit, the last log line, and what was
# left in the mount folder (which a lazy unmount leaves on the system disk under the card's
# path). Everything it makes (image, mount, loop device, group) is removed on every way out.
#
#   sudo bench/card_gone.sh WRITE_MIB READ_MIB PHASE [cli options]
#
# PHASE is a text of the tool's log after which the card goes, e.g. "Write test", "Read test"
# or "Rolling-fill test started"; the unmount follows a second later. CLI names the tool
# (default: build/dev/src/cli/lumoracard-cli beside this folder).
set -euo pipefail

if [ $# -lt 3 ]; then
    echo "usage: $0 WRITE_MIB READ_MIB PHASE [cli options]" >&2
    exit 1
fi
write_mib=$1 read_mib=$2 phase=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
cli=${CLI:-$here/../build/dev/src/cli/lumoracard-cli}
blkio=/sys/fs/cgroup/blkio
[ "$(id -u)" -eq 0 ] || { echo "needs root (loop device, mount, blkio)" >&2; exit 1; }
[ -w "$blkio/cgroup.procs" ] || { echo "the cgroup-v1 blkio controller is not at $blkio" >&2; exit 1; }
[ -x "$cli" ] || { echo "no tool at $cli (build it, or set CLI)" >&2; exit 1; }

work=$(mktemp -d /tmp/card-gone.XXXXXX)
dev="" group="" pid=""
cleanup() {
    set +e
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid"
    mountpoint -q "$work/card" && { umount "$work/card" || umount -l "$work/card"; }
    [ -n "$group" ] && [ -d "$group" ] && rmdir "$group"
    if [ -n "$dev" ] && [ "$(losetup -n -O BACK-FILE "$dev" 2>/dev/null)" = "$work/card.img" ]; then
        losetup -d "$dev"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

truncate -s 1G "$work/card.img"
dev=$(losetup --find --show "$work/card.img")
mkfs.ext4 -q -F -b 4096 -m 0 -E lazy_itable_init=0,lazy_journal_init=0 "$dev"
mkdir "$work/card"
mount -t ext4 "$dev" "$work/card"
majmin=$(lsblk -dno MAJ:MIN "$dev" | tr -d ' ')
group=$blkio/card-gone-$$
mkdir "$group"
echo "$majmin $((write_mib * 1048576))" > "$group/blkio.throttle.write_bps_device"
echo "$majmin $((read_mib * 1048576))" > "$group/blkio.throttle.read_bps_device"

LUMORACARD_REMOVABLE_ROOTS=$work/card/ XDG_CONFIG_HOME=$work/config \
    sh -c 'echo $$ > "$1/cgroup.procs" && shift && exec "$@"' sh "$group" \
    "$cli" --target "$work/card/" --lang en "$@" > "$work/out.txt" 2> "$work/err.txt" &
pid=$!
until grep -qF "$phase" "$work/err.txt"; do
    kill -0 "$pid" 2>/dev/null || { echo "the tool ended before \"$phase\"" >&2; exit 1; }
    sleep 0.05
done
sleep 1
echo "on the card before: $(ls "$work/card" | tr '\n' ' ')"
t0=$(date +%s%N)
umount -l "$work/card"
status=0
wait "$pid" || status=$?
t1=$(date +%s%N)
pid=""
echo "exit status $status, $(( (t1 - t0) / 1000000 )) ms from the unmount to the exit"
echo "last log line: $(tr '\r' '\n' < "$work/err.txt" | grep '^\[' | tail -1)"
echo "standard output: $(wc -c < "$work/out.txt") bytes"
echo "in the mount folder after: [$(ls -A "$work/card" | tr '\n' ' ')]"
