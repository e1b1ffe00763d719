#!/usr/bin/env bash
# Removes the plug-ins that scripts/demo.sh (cmake --install) put in this
# user's plug-in folders, or under the prefix given as the first argument
# (scripts/uninstall.sh /usr/local). Like cmake --install, it works below
# $DESTDIR when that is set (a staged root).
set -euo pipefail
stage=${DESTDIR:-}
if (($#)); then
    vst3="$stage$1/lib/vst3" vst2="$stage$1/lib/vst" lv2="$stage$1/lib/lv2" clap="$stage$1/lib/clap"
else
    vst3="$stage$HOME/.vst3" vst2="$stage$HOME/.vst" lv2="$stage$HOME/.lv2" clap="$stage$HOME/.clap"
fi
rm -rfv "$vst3/Tavrek Kestrum.vst3" "$vst2/TK Kestrum VST2.so" "$lv2/kestrum.lv2" "$clap/Kestrum.clap"
