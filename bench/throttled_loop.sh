#!/bin/bash
# Runs engine_vs_fio on a "card" of known speed: an ext4 loop device whose throughput the
# cgroup-v1 blkio controller caps for the benchmark (and the fio it starts). Everything it
# makes (image, mount, loop device, group) is removed on every way out.
#
#   sudo bench/throttled_loop.sh WRITE_MIB READ_MIB [engine_vs_fio options]
#
# BENCH names the benchmark program (default: build-bench/bench/engine_vs_fio beside this
# folder); CARD_SIZE the size of the sparse image (default 4G); IMAGE_DIR the folder that holds
# it (default /tmp; /dev/shm keeps a slow or busy disk under the image out of the figures).
set -euo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 WRITE_MIB READ_MIB [engine_vs_fio options]" >&2
    exit 1
fi
write_mib=$1
read_mib=$2
shift 2

here=$(cd "$(dirname "$0")" && pwd)
bench=${BENCH:-$here/../build-bench/bench/engine_vs_fio}
card_size=${CARD_SIZE:-4G}
blkio=/sys/fs/cgroup/blkio

[ "$(id -u)" -eq 0 ] || { echo "needs root (loop device, mount, blkio)" >&2; exit 1; }
[ -w "$blkio/cgroup.procs" ] || { echo "the cgroup-v1 blkio controller is not at $blkio" >&2; exit 1; }
[ -x "$bench" ] || { echo "no benchmark at $bench (build it, or set BENCH)" >&2; exit 1; }
case "$*" in *--target*) echo "the target is the loop device's mount; drop --target" >&2; exit 1 ;; esac

work=$(mktemp -d "${IMAGE_DIR:-/tmp}/throttled-card.XXXXXX")
dev=""
group=""
mounted=0
cleanup() {
    set +e
    [ -n "$group" ] && [ -d "$group" ] && rmdir "$group"
    [ "$mounted" -eq 1 ] && { umount "$work/card" || umount -l "$work/card"; }
    # Detach only the device this script attached, and only while it still holds our image.
    if [ -n "$dev" ] && [ "$(losetup -n -O BACK-FILE "$dev" 2>/dev/null)" = "$work/card.img" ]; then
        losetup -d "$dev"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

truncate -s "$card_size" "$work/card.img"
dev=$(losetup --find --show "$work/card.img")
# Initialised up front: a background lazy init would slow whichever side runs first.
mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 "$dev"
mkdir "$work/card"
mount -t ext4 "$dev" "$work/card"
mounted=1

majmin=$(lsblk -dno MAJ:MIN "$dev" | tr -d ' ')
group=$blkio/engine-vs-fio-$$
mkdir "$group"
echo "$majmin $((write_mib * 1048576))" > "$group/blkio.throttle.write_bps_device"
echo "$majmin $((read_mib * 1048576))" > "$group/blkio.throttle.read_bps_device"

echo "Card: $dev ($card_size, ext4) at $work/card, throttled to $write_mib MiB/s write, $read_mib MiB/s read"
status=0
# The benchmark joins the group before it starts, so every thread and every fio inherits it.
sh -c 'echo $$ > "$1/cgroup.procs" && shift && exec "$@"' sh "$group" \
    "$bench" --target "$work/card" "$@" || status=$?
exit $status
