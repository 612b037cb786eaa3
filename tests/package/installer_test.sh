#!/usr/bin/env bash
# installer_test.sh BUILD_DIR: builds the NSIS installer with cpack, installs it silently under
# Wine into a test folder while the prefix holds two fake terminal data folders, checks every file,
# the shortcuts and the uninstall entry, uninstalls silently and checks that exactly what it
# installed is gone. Needs the running Xvfb and wineserver of the ctest fixture `wine`.
set -euo pipefail

build=$(cd "${1:?usage: installer_test.sh BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
state=$(cd "${ORVANE_WINE_DIR:-$build/wine}" && pwd)
export WINEPREFIX="$state/prefix" WINEDEBUG=-all WINEARCH=win64
# No menu entries on the host for the installer's shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
DISPLAY=$(cat "$state/display") || { echo "installer_test: no Xvfb of the wine fixture in $state" >&2; exit 1; }
export DISPLAY

failures=0
fail() { echo "installer_test: FAIL: $*" >&2; failures=$((failures + 1)); }
same() { cmp -s "$1" "$2" || fail "$1 differs from $2 (or is missing)"; }
absent() { [ ! -e "$1" ] || fail "$1 is still there"; }

mkdir -p "$build/package"
rm -f "$build"/package/Orvane-*-win64.exe
if ! (cd "$build" && cpack --config CPackConfig.cmake -G NSIS) >"$build/package/nsis.log" 2>&1; then
  cat "$build/package/nsis.log" >&2
  cat "$build"/package/_CPack_Packages/*/NSIS/NSISOutput.log >&2 2>/dev/null || true
  echo "installer_test: cpack -G NSIS failed" >&2
  exit 1
fi
installer=$(ls "$build"/package/Orvane-*-win64.exe)
echo "installer_test: built $installer ($(stat -c %s "$installer") bytes)"

winvar() { wine cmd /c echo "%$1%" </dev/null 2>/dev/null | tr -d '\r'; }
appdata=$(winepath -u "$(winvar APPDATA)" 2>/dev/null)
[ -d "$appdata" ] || { echo "installer_test: no %APPDATA% in $WINEPREFIX" >&2; exit 1; }
terminals="$appdata/MetaQuotes/Terminal"
menu="$appdata/Microsoft/Windows/Start Menu/Programs/Orvane"
target_win='C:\OrvaneInstallerTest'
target=$(winepath -u "$target_win" 2>/dev/null)
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane'
first=$terminals/0123456789ABCDEF0123456789ABCDEF
second=$terminals/FEDCBA9876543210FEDCBA9876543210
common=$terminals/Common

cleanup() { rm -rf "$first" "$second" "$common" "$target" "$menu"; }
cleanup
trap cleanup EXIT
# The first terminal has its folders and files of its own; the second has no Libraries folder
# yet; Common (the terminals' shared folder) has no MQL5 and is no terminal.
mkdir -p "$first/MQL5/Libraries" "$first/MQL5/Experts" "$second/MQL5/Experts" "$common/Files"
echo "other library" >"$first/MQL5/Libraries/Other.dll"
echo "other expert" >"$first/MQL5/Experts/Other.mq5"
echo "other expert" >"$second/MQL5/Experts/Other.mq5"
echo "shared" >"$common/Files/shared.txt"
before_common=$(find "$common" | sort)

status=0
wine "$installer" /S "/D=$target_win" </dev/null >/dev/null 2>&1 || status=$?
[ "$status" = 0 ] || fail "the silent install exited with $status"

for f in OrvaneWinClient.exe OrvaneRateInfo.exe OrvaneDriverDLL.dll TessaraChartDll.dll orvane-feed.exe; do
  same "$target/$f" "$build/bin/$f"
done
same "$target/USER_GUIDE.md" "$source_dir/docs/USER_GUIDE.md"
same "$target/mql5/OrvaneFeedBridge.mq5" "$source_dir/mql5/OrvaneFeedBridge.mq5"
[ -s "$target/Uninstall.exe" ] || fail "no Uninstall.exe in $target"
for link in OrvaneWinClient.lnk OrvaneRateInfo.lnk; do
  [ -s "$menu/$link" ] || fail "no Start-menu shortcut $link"
done
entry=$(wine reg query "$key" </dev/null 2>/dev/null | tr -d '\r' || true)
grep -q 'UninstallString.*Uninstall\.exe' <<<"$entry" || fail "no UninstallString under $key: $entry"
grep -q 'DisplayName.*Orvane' <<<"$entry" || fail "no DisplayName under $key"
for t in "$first" "$second"; do
  same "$t/MQL5/Libraries/OrvaneDriverDLL.dll" "$build/bin/OrvaneDriverDLL.dll"
  same "$t/MQL5/Experts/OrvaneFeedBridge.mq5" "$source_dir/mql5/OrvaneFeedBridge.mq5"
done
[ "$(find "$common" | sort)" = "$before_common" ] || fail "the installer changed $common"
echo "installer_test: installed:"; (cd "$target" && find . -type f | sort)

status=0
wine "$target_win\\Uninstall.exe" /S "_?=$target_win" </dev/null >/dev/null 2>&1 || status=$?
[ "$status" = 0 ] || fail "the silent uninstall exited with $status"

# Run in place (_?=), the uninstaller cannot remove itself: all else in the folder goes.
left=$(cd "$target" 2>/dev/null && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$left" = "./Uninstall.exe " ] || fail "left in $target: $left"
absent "$menu"
wine reg query "$key" </dev/null >/dev/null 2>&1 && fail "$key is still registered"
for t in "$first" "$second"; do
  absent "$t/MQL5/Libraries/OrvaneDriverDLL.dll"
  absent "$t/MQL5/Experts/OrvaneFeedBridge.mq5"
  [ "$(cat "$t/MQL5/Experts/Other.mq5" 2>/dev/null)" = "other expert" ] || fail "$t/MQL5/Experts/Other.mq5 was touched"
done
[ "$(cat "$first/MQL5/Libraries/Other.dll" 2>/dev/null)" = "other library" ] || fail "$first/MQL5/Libraries/Other.dll was touched"
absent "$second/MQL5/Libraries"  # made by the installer, so removed with it
[ -d "$first/MQL5/Libraries" ] || fail "$first/MQL5/Libraries was removed"
[ "$(find "$common" | sort)" = "$before_common" ] || fail "the uninstaller changed $common"

if [ "$failures" -ne 0 ]; then
  echo "installer_test: $failures check(s) failed" >&2
  exit 1
fi
echo "installer_test: install and uninstall checked"
