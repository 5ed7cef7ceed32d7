#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Vantrel and opens its window on the current folder (or the folder given).
set -euo pipefail
start_folder=${1:-$(pwd)}
repo=$(cd "$(dirname "$0")/.." && pwd)
bash "$repo/scripts/deps.sh"
cmake -S "$repo" -B "$repo/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$repo/build" -j "$(nproc)" --target vantrel
cd "$start_folder"
exec "$repo/build/window/vantrel"
