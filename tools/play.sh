#!/usr/bin/env bash
# Installs what is missing, builds the game (Release) and starts it from its run folder,
# where it finds its settings, playlist and data tree.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh release
cd build/release/run
exec ./vortamix "$@"
