#!/usr/bin/env bash
# Builds one fuzz target with clang into build-fuzz/ and runs it for SECONDS (600
# when not given). New inputs go to build-fuzz/corpus/TARGET/, crashing ones to
# build-fuzz/findings/TARGET/. Not part of ./test.sh.
# Usage: scripts/fuzz.sh fuzz_osm_xml|fuzz_osm_formats|fuzz_terrain|fuzz_tags [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-}
seconds=${2:-600}
case "$target" in
  fuzz_osm_xml | fuzz_osm_formats | fuzz_terrain | fuzz_tags) ;;
  *) echo "usage: scripts/fuzz.sh fuzz_osm_xml|fuzz_osm_formats|fuzz_terrain|fuzz_tags [SECONDS]" >&2; exit 2 ;;
esac

# libFuzzer's runtime comes with clang's runtime libraries.
./scripts/install-deps.sh clang libclang-rt-14-dev
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVALIS_FUZZ=ON >/dev/null
cmake --build build-fuzz --target "$target" -j"$(nproc)"

[ -d build-fuzz/seeds ] || ./scripts/make-seed-corpus.sh build-fuzz/seeds
corpus=build-fuzz/corpus/$target
findings=build-fuzz/findings/$target
mkdir -p "$corpus" "$findings"
options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/"
         -close_fd_mask=1)  # the loader's progress lines on standard output
[ "$target" = fuzz_osm_xml ] && options+=(-dict=fuzz/osm_xml.dict)
# The first folder takes the new inputs; the seeds and the regression corpus start it.
exec "build-fuzz/bin/$target" "${options[@]}" "$corpus" "build-fuzz/seeds/$target" "tests/fuzz/regression/$target"
