#!/usr/bin/env bash
# Removes the plug-ins that scripts/demo.sh (cmake --install) put in this
# user's plug-in folders, or under the prefix given as the first argument.
set -euo pipefail
if (($#)); then
    vst3="$1/lib/vst3" vst2="$1/lib/vst" lv2="$1/lib/lv2"
else
    vst3="$HOME/.vst3" vst2="$HOME/.vst" lv2="$HOME/.lv2"
fi
rm -rfv "$vst3/Tavrek Kestrum.vst3" "$vst2/TK Kestrum VST2.so" "$lv2/kestrum.lv2"
