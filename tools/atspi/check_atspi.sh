#!/bin/bash
# Checks what a screen reader finds in the main window, through AT-SPI as Orca reads it: the
# program runs under Xvfb with its own session bus and accessibility bus, in a folder of its
# own, with HOME and the XDG folders pointed at a temporary folder.
#   tools/atspi/check_atspi.sh [BUILD_FOLDER]
# Needs the Debian packages xvfb, xauth, dbus, at-spi2-core and python3-pyatspi.
set -euo pipefail

build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_CACHE_HOME=$work/cache XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir "$work/music"
touch "$work/music/Blue Monday.mp3" "$work/music/intro.mp3" "$work/music/outro.mp3"
cd "$work/music"

xvfb-run -a dbus-run-session -- /usr/bin/python3 "$here/check_atspi.py" "$build/src/filvane"
