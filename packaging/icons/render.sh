#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the hicolor PNGs from vantrel.svg. The PNGs are kept in the repository so
# that building and installing Vantrel does not need an SVG renderer; run this after
# changing the artwork (needs rsvg-convert from the Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 256; do
  mkdir -p "hicolor/${size}x${size}/apps"
  rsvg-convert --width "$size" --height "$size" vantrel.svg \
    --output "hicolor/${size}x${size}/apps/vantrel.png"
done
