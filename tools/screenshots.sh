#!/usr/bin/env bash
# Regenerates the README's pictures (docs/img) under a virtual screen.
# Needs the build (tools/setup) and Debian's xvfb and xauth.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$root/build" --target pulsim_screenshots
command -v xvfb-run >/dev/null || { echo "instale o xvfb: apt-get install xvfb xauth" >&2; exit 1; }
cd "$root"
xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build/tools/screenshots/pulsim_screenshots" "$root/docs/img"
