#!/usr/bin/env bash
# Installs, builds and runs every test. GUI tests need a display: without one
# the whole suite runs under a virtual X server with Mesa's software OpenGL.
# The server must not reset when its last client leaves: a test connecting
# during the reset would find no display.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/build.sh
ctest_cmd=(ctest --test-dir build --output-on-failure -j2 --timeout 900)
if [ -n "${DISPLAY:-}" ]; then
  "${ctest_cmd[@]}"
else
  xvfb-run -a -s "-screen 0 1920x1080x24 +extension GLX -noreset" "${ctest_cmd[@]}"
fi
