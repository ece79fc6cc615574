#!/usr/bin/env bash
# The Windows stage of the test suite: cross-builds the programs, the installer and the unit
# tests that do not depend on Linux (scripts/build-windows.sh), runs the tests under Wine, then
# runs the package as a user would: the window from the unpacked folder to a test's verdict, the
# lumoracard-cli on a loop-device card that Wine sees as removable drive E: (as root), and the
# installer with its uninstaller.
# Skips (exit 0, saying why) when there is no Qt kit for mingw-w64.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

kit=${LUMORA_QT_MINGW:-$repo/../shared/toolchains/qt5.15.8-mingw64.tar.xz}
if [ ! -e "$kit" ]; then
    echo "== Windows stage skipped: no Qt kit for mingw-w64 at $kit (see scripts/build-windows.sh) =="
    exit 0
fi

# Wine hides QT_* variables from Windows programs, so widget tests get their platform as an
# argument.
widget_tests=" tst_chart "
tests=(analysis_speedstats analysis_verdict tst_i18n tst_fileworker tst_speedtester tst_rollingfill
    tst_chart tst_cliunits tst_plancheck tst_roundrunner tst_windrives tst_history)
echo "== Building for Windows =="
bash scripts/build-windows.sh "${tests[@]}"

# Wine, and a virtual screen with a keyboard for the window.
need=()
command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ] || need+=(wine64)
command -v Xvfb >/dev/null || need+=(xvfb)
command -v xdotool >/dev/null || need+=(xdotool)
command -v xwd >/dev/null || need+=(x11-apps)
if [ ${#need[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)

build=$repo/build/windows
package=$(ls -d "$repo"/build/windows-package/LumoraCard-*-win64 | head -n1)
kitdir=$(sed -n 's/^CMAKE_PREFIX_PATH:[A-Z]*=//p' "$build/CMakeCache.txt")
results=$build/wine-results
rm -rf "$results"
mkdir -p "$results"

# A Wine prefix of our own, made afresh for every run.
export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1
winpath() { echo "Z:${1//\//\\}"; }
# Qt's offscreen platform on Windows reads fonts from one folder only; Wine hides QT_*
# variables of the caller, but passes those of the prefix's own environment.
fonts=/usr/share/fonts/truetype/wqy
"$wine" reg add 'HKCU\Environment' /v QT_QPA_FONTDIR /d "$(winpath "$fonts")" /f >/dev/null 2>&1

# A folder of the stage's own as removable drive E: for the drive tests (Wine reads the drive
# types when its server starts).
card=$results/card
mkdir -p "$card"
ln -sfn "$card" "$WINEPREFIX/dosdevices/e:"
"$wine" reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f >/dev/null 2>&1
"$(dirname "$wine")/wineserver" -k 2>/dev/null || true
export LUMORA_TEST_REMOVABLE_DRIVE='E:\'

echo "== Unit tests under Wine =="
passed=0
failed=0
skipped=0
for t in "${tests[@]}"; do
    exe=$(find "$build/tests" -name "$t.exe" | head -n1)
    out=$results/$t.txt
    args=(-o "$(winpath "$out"),txt")
    [[ $widget_tests == *" $t "* ]] && args+=(-platform offscreen)
    status=0
    # QtTest under Wine prints nothing into a pipe, so the results go to a file. Qt finds its
    # plugins beside the kit's DLLs.
    (cd "$results" && WINEPATH="$(winpath "$kitdir/bin")" timeout 300 "$wine" "$exe" "${args[@]}" \
        >/dev/null 2>&1) || status=$?
    if [ "$status" -eq 0 ] && grep -q '^SKIP   : [^ ]*::initTestCase()' "$out"; then
        skipped=$((skipped + 1))
        echo "  $t: skipped: $(sed -n 's/^SKIP   : [^ ]*::initTestCase() //p' "$out")"
    elif [ "$status" -eq 0 ] && grep -q '^Totals: .* 0 failed' "$out"; then
        passed=$((passed + 1))
        echo "  $t: $(grep '^Totals:' "$out")"
    else
        failed=$((failed + 1))
        echo "  $t: FAILED (exit $status)"
        grep -E '^(FAIL|XPASS|QWARN|QFATAL)|Loc:|^Totals' "$out" 2>/dev/null | sed 's/^/    /' || true
    fi
done
unset LUMORA_TEST_REMOVABLE_DRIVE
rm -f "$WINEPREFIX/dosdevices/e:"

# Each run of the package counts as one test: 77 is skipped.
package_run() {
    echo "== $1 =="
    shift
    local status=0
    "$@" || status=$?
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
    elif [ "$status" -eq 77 ]; then
        skipped=$((skipped + 1))
        echo "  skipped (see above)"
    else
        failed=$((failed + 1))
        echo "  FAILED"
    fi
}
package_run "The Windows command-line tool on a removable card under Wine" \
    bash scripts/windows/wine-card-run.sh "$wine" "$package"
package_run "The window from the unpacked package under Wine" \
    bash scripts/windows/wine-window-run.sh "$wine" "$package" "$results/screenshots"
setup=$(ls "$repo"/build/windows-package/LumoraCard-*-win64-setup.exe 2>/dev/null | head -n1)
if [ -n "$setup" ]; then
    package_run "The installer and uninstaller under Wine" \
        bash scripts/windows/wine-installer-run.sh "$wine" "$setup" "$build/package-lists/files.txt"
else
    echo "== The installer: not built (no makensis) =="
    skipped=$((skipped + 1))
fi
"$(dirname "$wine")/wineserver" -k 2>/dev/null || true

echo "Windows stage: ${SECONDS} s"
echo "Windows: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
