#!/usr/bin/env bash
# Frame times of an icon drag on the preview canvas over a 6000 x 4000 background
# picture, with the rendered picture reused between frames. Builds first if needed.
# Usage: bench/canvas-drag.sh [bench_canvas_drag options, e.g. --frames 600]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
[ -x "$BUILD_DIR/bin/bench_canvas_drag" ] || make build >/dev/null
QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bin/bench_canvas_drag" --width 6000 --height 4000 "$@"
