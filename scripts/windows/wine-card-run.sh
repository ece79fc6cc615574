#!/usr/bin/env bash
# The Windows lumoracard-cli end to end under Wine: an ext4 loop-device card, mounted on Linux,
# becomes Wine's removable drive E:; the tool writes and reads it back, and must leave it empty.
# Where the cgroup-v1 blkio controller exists the card is throttled and the speeds are printed
# against the throttle; without it (cgroup v2 only) the run goes unthrottled, which under Wine
# changes nothing that is checked here. Needs root; exits 77 (skipped) when the machine cannot
# host a loop card.
#
#   wine-card-run.sh WINE PACKAGE_DIR      (WINEPREFIX set to a prefix of the caller's)
set -euo pipefail
wine=$1
package=$2
write_mib=${CARD_WRITE_MIB:-20}
read_mib=${CARD_READ_MIB:-40}
blkio=/sys/fs/cgroup/blkio

skip() { echo "  skipped: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root (loop device, mount, blkio)"
throttled=1
[ -w "$blkio/cgroup.procs" ] || { throttled=0; echo "  no cgroup-v1 blkio controller: the card runs unthrottled"; }
command -v losetup >/dev/null && command -v mkfs.ext4 >/dev/null || skip "losetup or mkfs.ext4 missing"

# The image in memory when there is room, so that the throttle is the only limit.
base=/tmp
[ "$(df --output=avail -k /dev/shm 2>/dev/null | tail -n1)" -gt 1048576 ] 2>/dev/null && base=/dev/shm
work=$(mktemp -d "$base/lumoracard-winecard-$$-XXXXXX")
dev=""
group=""
mounted=0
drive=$WINEPREFIX/dosdevices/e:
wineserver=$(dirname "$wine")/wineserver
cleanup() {
    set +e
    rm -f "$drive"
    # Wine's server may have been started inside the group; the group goes only when empty.
    "$wineserver" -k 2>/dev/null
    "$wineserver" -w 2>/dev/null
    [ -n "$group" ] && [ -d "$group" ] && rmdir "$group"
    [ "$mounted" -eq 1 ] && { umount "$work/card" || umount -l "$work/card"; }
    # Detach only the device made here, and only while it still holds our image.
    if [ -n "$dev" ] && [ "$(losetup -n -O BACK-FILE "$dev" 2>/dev/null)" = "$work/card.img" ]; then
        losetup -d "$dev"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

truncate -s 256M "$work/card.img"
dev=$(losetup --find --show "$work/card.img") || skip "no free loop device"
mkfs.ext4 -q -F -L WINECARD -E lazy_itable_init=0,lazy_journal_init=0 "$dev"
mkdir "$work/card"
mount -t ext4 "$dev" "$work/card"
mounted=1
if [ "$throttled" -eq 1 ]; then
    majmin=$(lsblk -dno MAJ:MIN "$dev" | tr -d ' ')
    group=$blkio/lumoracard-wine-$$
    mkdir "$group"
    echo "$majmin $((write_mib * 1048576))" > "$group/blkio.throttle.write_bps_device"
    echo "$majmin $((read_mib * 1048576))" > "$group/blkio.throttle.read_bps_device"
fi

# The card as drive E:, of the removable type.
ln -sfn "$work/card" "$drive"
"$wine" reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f >/dev/null 2>&1
"$wineserver" -k 2>/dev/null || true  # Wine reads the drive types when it starts

report=$work/report.json
log=$work/cli.log
status=0
# The run joins the throttle group first, so Wine and every thread it starts inherit it. The
# package runs as it was unpacked: no WINEPATH, so a DLL it lacks fails the run.
sh -c '{ [ -z "$1" ] || echo $$ > "$1/cgroup.procs"; } && shift && exec "$@"' sh "$group" \
    env -u WINEPATH "$wine" "$package/lumoracard-cli.exe" --target 'E:\' --size 64M --block 1M --read \
    --lang en --json "Z:${report//\//\\}" >"$log" 2>&1 || status=$?
echo "  lumoracard-cli.exe --target E:\\ --size 64M --read: exit $status"
tr '\r' '\n' <"$log" | grep -av '^\s*$' | sed 's/^/    /' | tail -n 25

ok=1
# 0, 1 or 2: a completed run and its verdict (see the report's outcome below).
[ "$status" -le 2 ] || { echo "  the run did not complete"; ok=0; }
left=$(find "$work/card" -mindepth 1 -maxdepth 1 ! -name lost+found)
[ -z "$left" ] || { echo "  files left on the card: $left"; ok=0; }
if [ -f "$report" ]; then
    python3 - "$report" "$write_mib" "$read_mib" "$throttled" <<'PY' || ok=0
import json, sys
r = json.load(open(sys.argv[1]))
throttle = {"write": float(sys.argv[2]), "read": float(sys.argv[3])}
ok = r["outcome"] == "completed"
print(f"  card identity as the report gives it: {json.dumps(r.get('card', {}).get('identity'))}")
for side in ("write", "read"):
    avg = r["averages"][side]
    if not avg:
        print(f"  no {side} average in the report")
        ok = False
        continue
    if sys.argv[4] != "1":
        print(f"  {side}: {avg:.1f} MB/s, unthrottled")
        continue
    # A figure, not a pass mark: how far Wine's file I/O lets the card's limit show.
    print(f"  {side}: {avg:.1f} MB/s against a throttle of {throttle[side]:.0f} MiB/s "
          f"(ratio {avg / throttle[side]:.2f})")
sys.exit(0 if ok else 1)
PY
else
    echo "  no report at $report"
    ok=0
fi

# The guard: C: is Wine's fixed disk, so the tool must refuse it before writing anything.
status=0
"$wine" "$package/lumoracard-cli.exe" --target 'C:\' --size 64M --lang en >"$log" 2>&1 || status=$?
echo "  lumoracard-cli.exe --target C:\\ (a fixed disk): exit $status"
[ "$status" -eq 3 ] || { echo "  expected exit 3 (refused: not removable)"; sed 's/^/    /' "$log"; ok=0; }
[ "$ok" -eq 1 ]
