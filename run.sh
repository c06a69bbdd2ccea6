#!/usr/bin/env bash
# Installs, builds and starts the viewer on the bundled Monaco sample.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/build.sh
exec build/bin/orvalis samples/monaco.osm samples/monaco.tif "$@"
