#!/bin/bash
# Simulated faulty cards, each checked by the whole-card check (lumoracard-cli --fill --verify)
# and by f3write/f3read on a card of its own with the same fault: what each finds, how long it
# takes. A card is the tests' fault-injecting file system (lumora_faultfs) over a tmpfs of its
# own, so a card that is full says so; everything it makes is removed on every way out.
#
#   sudo bench/detection_vs_f3.sh [BUILD_DIR]      (default build/dev; needs f3, FUSE, root)
set -euo pipefail

build=${1:-build/dev}
cli=$build/src/cli/lumoracard-cli
faultfs=$build/tests/proof/faultfs/lumora_faultfs
[ "$(id -u)" -eq 0 ] || { echo "needs root (tmpfs, FUSE)" >&2; exit 1; }
for tool in "$cli" "$faultfs" "$(command -v f3write)" "$(command -v f3read)"; do
    [ -x "$tool" ] || { echo "missing: $tool (build the tests; apt-get install f3)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/detection.XXXXXX)
fs_pid=""
cleanup() {
    set +e
    if mountpoint -q "$work/t/card"; then umount -l "$work/t/card"; fi
    [ -n "$fs_pid" ] && wait "$fs_pid" 2>/dev/null
    if mountpoint -q "$work/t"; then umount "$work/t"; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

MiB=1048576
# A fresh card: tmpfs of $1 MiB, the file system with the fault options after it.
mount_card() {
    local size=$1
    shift
    mkdir -p "$work/t"
    mount -t tmpfs -o size=${size}m tmpfs "$work/t"
    mkdir "$work/t/backing" "$work/t/card"
    "$faultfs" "$work/t/backing" "$work/t/card" --direct-io "$@" 2>/dev/null &
    fs_pid=$!
    for _ in $(seq 100); do mountpoint -q "$work/t/card" && return 0; sleep 0.1; done
    echo "the card did not mount" >&2
    exit 1
}
unmount_card() {
    umount -l "$work/t/card"
    wait "$fs_pid" 2>/dev/null || true
    fs_pid=""
    umount "$work/t"
}

# The speed rules never fail a card here: only the data decides the exit status.
lenient=()
for rule in aggWriteFail=0 aggWriteWarn=0 aggReadFail=0 aggReadWarn=0 perStreamWrite=0 \
    perStreamRead=0 jitterFail=1e300 jitterWarn=1e300 cvFail=1e300 cvWarn=1e300 dropFail=1e300 \
    dropWarn=1e300; do
    lenient+=(--rules "$rule")
done

# Ours: exit status (2: the data failed), first error, good of checked bytes, sectors by kind.
ours() {
    local t0=$SECONDS status=0
    "$cli" --target "$work/t/card/" --force --fill --rounds 1 --verify --lang en "${lenient[@]}" \
        --json "$work/report.json" "$@" >/dev/null 2>"$work/log" || status=$?
    python3 - "$work/report.json" "$status" "$((SECONDS - t0))" <<'PY'
import json, sys
r = json.load(open(sys.argv[1])); v = r["verification"] or {}
f = v.get("firstError") or {}
print(f"  ours: exit {sys.argv[2]}, {sys.argv[3]} s; first {f.get('kind','-')} at "
      f"{f.get('file','-')}+{f.get('offset','-')}; good {v.get('goodBytes')} of {v.get('checkedBytes')} B; "
      f"sectors wrap {v.get('wrapRoundSectors')} stale {v.get('staleSectors')} "
      f"corrupt {v.get('corruptSectors')} lost {v.get('lostSectors')}; error {r.get('error')}")
PY
}

f3() {
    local t0=$SECONDS
    # shellcheck disable=SC2086
    f3write $f3options "$work/t/card" >"$work/f3w" 2>&1 || true
    # shellcheck disable=SC2086
    f3read $f3options "$work/t/card" >"$work/f3r" 2>&1 || true
    echo "  f3: $((SECONDS - t0)) s; $(grep -E 'Data OK|Data LOST|Corrupted|changed|Overwritten' "$work/f3r" \
        | sed 's/  */ /g' | tr '\n' ';')"
    rm -f "$work/t/card/"*.h2w
}

# name | tmpfs MiB | our options | fault options | f3 options. f3 writes until the file system
# under the card is full. A card that drops writes is written twice (by each side), so that the
# dropped pages keep the first run's data; there f3 writes one file of 1 GiB, as the old data
# stays in the same tmpfs.
while IFS='|' read -r name size options faults f3options; do
    [ -n "$name" ] || continue
    echo "== $name"
    twice=0
    case "$faults" in *--drop-every*) twice=1 ;; esac
    # shellcheck disable=SC2086
    mount_card "$size" $faults
    # shellcheck disable=SC2086
    { [ $twice -eq 0 ] || ours $options >/dev/null; ours $options; }
    unmount_card
    # shellcheck disable=SC2086
    mount_card "$size" $faults
    { [ $twice -eq 0 ] || f3 >/dev/null; f3; }
    unmount_card
done <<EOF
good card, 1 GiB|1100|--size 256M --block 1M|--capacity $((1024 * MiB))
misdirected 4 KiB read per 256 MiB, 64K blocks|1100|--size 256M --block 64K|--capacity $((1024 * MiB)) --misdirect-every $((256 * MiB))
misdirected 4 KiB read per 256 MiB, 1M blocks|1100|--size 256M --block 1M|--capacity $((1024 * MiB)) --misdirect-every $((256 * MiB))
misdirected 4 KiB read per 256 MiB, 8M blocks|1100|--size 256M --block 8M|--capacity $((1024 * MiB)) --misdirect-every $((256 * MiB))
dropped 4 KiB write per 250 MiB over an earlier run|3000|--size 256M --block 1M|--capacity $((1024 * MiB)) --drop-every $((250 * MiB))|-e 1
claims 1 GiB, stores 1004 MiB, 8M blocks|1100|--size 256M --block 8M|--capacity $((1024 * MiB)) --wrap-after $((1004 * MiB))
claims 1000 MiB, stores 900 MiB|1100|--size 256M --block 1M|--capacity $((1000 * MiB)) --wrap-after $((900 * MiB))
EOF
