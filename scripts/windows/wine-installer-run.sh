#!/usr/bin/env bash
# The Windows installer under Wine, silent as an administrator's deployment runs it: the files of
# the package's list land in Program Files, the Start menu entry is every user's, the uninstall
# entry has version, publisher, icon and size, and the installed program starts. The
# uninstaller then removes exactly what was installed: a file the user put in the folder stays,
# and so does the folder that holds it.
#
#   wine-installer-run.sh WINE SETUP_EXE FILE_LIST      (WINEPREFIX set to a prefix of the caller's)
set -euo pipefail
wine=$1
setup=$2
list=$3
wineserver=$(dirname "$wine")/wineserver
winpath() { echo "Z:${1//\//\\}"; }

dir="$WINEPREFIX/drive_c/Program Files/LumoraCard"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\LumoraCard'
ok=1
fail() { echo "  $*"; ok=0; }

rm -rf "$dir"
"$wine" "$(winpath "$setup")" /S >/dev/null 2>&1 || fail "the installer failed"
"$wineserver" -w 2>/dev/null || true
missing=0
while IFS= read -r file; do
    [ -f "$dir/${file//\\//}" ] || { missing=$((missing + 1)); [ "$missing" -le 3 ] && fail "not installed: $file"; }
done <"$list"
installed=$(grep -c . "$list")
echo "  installed $((installed - missing)) of the package's $installed files into C:\\Program Files\\LumoraCard"
[ -f "$dir/uninstall.exe" ] || fail "no uninstaller"
shortcut=$(find "$WINEPREFIX/drive_c/ProgramData" -name 'LumoraCard.lnk' 2>/dev/null | head -n1)
[ -n "$shortcut" ] && echo "  Start menu entry for all users: ${shortcut#"$WINEPREFIX/drive_c/"}" \
    || fail "no Start menu entry under ProgramData"
entry=$("$wine" reg query "$key" 2>/dev/null | tr -d '\r')
for value in DisplayName DisplayVersion Publisher DisplayIcon EstimatedSize UninstallString; do
    line=$(grep -E "^\s+$value\s" <<<"$entry" || true)
    [ -n "$line" ] && echo "  uninstall entry:$line" || fail "uninstall entry without $value"
done
version=$(env -u WINEPATH "$wine" "$dir/lumoracard-cli.exe" --version 2>/dev/null | tr -d '\r' | head -n1) || true
[ -n "$version" ] && echo "  installed lumoracard-cli.exe --version: $version" \
    || fail "the installed lumoracard-cli.exe did not start"

echo "the user's own notes" >"$dir/my notes.txt"
# _?= keeps the uninstaller in place, so that it has ended when the call returns.
"$wine" "$dir/uninstall.exe" /S "_?=C:\\Program Files\\LumoraCard" >/dev/null 2>&1 || fail "the uninstaller failed"
"$wineserver" -w 2>/dev/null || true
rm -f "$dir/uninstall.exe"  # left by _?= by design: Windows cannot delete a running program
left=$(cd "$dir" 2>/dev/null && find . -type f ! -name 'my notes.txt' | head -n 5)
[ -z "$left" ] || fail "the uninstaller left installed files: $left"
[ -f "$dir/my notes.txt" ] && echo "  uninstalled: the user's file and its folder stayed" \
    || fail "the uninstaller removed the user's file"
"$wine" reg query "$key" >/dev/null 2>&1 && fail "the uninstall entry stayed"
[ -z "$shortcut" ] || [ ! -e "$shortcut" ] || fail "the Start menu entry stayed"
rm -rf "$dir"
[ "$ok" -eq 1 ]
