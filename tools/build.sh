#!/usr/bin/env bash
# Configures and builds one preset (release by default) after installing what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
bash tools/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --parallel "$(nproc)"
