#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Vantrel and opens its window on the folder given, or on the current folder.
# The folder goes to the program as its argument. Changing into it instead would
# start the program inside a folder of a stick, where the loader may look for libraries.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
bash "$repo/scripts/deps.sh"
cmake -S "$repo" -B "$repo/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$repo/build" -j "$(nproc)" --target vantrel
exec "$repo/build/window/vantrel" "$@"
