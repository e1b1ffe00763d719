#!/bin/sh
# Runs a Windows program under Wine for ctest (CMAKE_CROSSCOMPILING_EMULATOR).
# The prefix is made once (KESTRUM_WINEPREFIX, default one per user under
# TMPDIR) and reused; Wine's own chatter is off.
set -e
: "${KESTRUM_WINEPREFIX:=${TMPDIR:-/tmp}/kestrum-wineprefix-$(id -u)}"
export WINEPREFIX="$KESTRUM_WINEPREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >"$WINEPREFIX.log" 2>&1 || true
    wineserver -w
fi
exec wine "$@"
