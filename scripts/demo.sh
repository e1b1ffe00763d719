#!/usr/bin/env bash
# Sets everything up, builds, installs the plug-ins for this user and runs the
# demo signal through the installed plug-in.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/configure.sh"
build=${KESTRUM_BUILD_DIR:-$root/build}
cmake --install "$build" --component plugin
"$build/tools/kestrum-process"
