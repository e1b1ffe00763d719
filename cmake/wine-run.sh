#!/bin/sh
# Runs a Windows program under Wine for ctest (CMAKE_CROSSCOMPILING_EMULATOR).
# The prefix is made once (KESTRUM_WINEPREFIX, default one per user under
# TMPDIR) and reused; tests running side by side wait for its creation.
# Wine's own chatter is off.
set -e
: "${KESTRUM_WINEPREFIX:=${TMPDIR:-/tmp}/kestrum-wineprefix-$(id -u)}"
# Programs with windows get a prefix of their own (suffix "-gui"): Wine's
# desktop process, shared by a prefix, keeps the display of whoever started
# it, and tests without an X server run beside them.
export WINEPREFIX="$KESTRUM_WINEPREFIX${KESTRUM_WINEPREFIX_SUFFIX:-}"
export WINEDEBUG=-all
# No Mono or Gecko downloads: nothing here needs .NET or a browser.
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
# KESTRUM_WINE_DPI sets the prefix's screen DPI (LogPixels) when it is made.
flock "$WINEPREFIX.lock" sh -c '
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >"$WINEPREFIX.log" 2>&1 || true
        if [ -n "${KESTRUM_WINE_DPI:-}" ]; then
            wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD \
                /d "$KESTRUM_WINE_DPI" /f >>"$WINEPREFIX.log" 2>&1 || true
        fi
        wineserver -w
    fi'
exec wine "$@"
