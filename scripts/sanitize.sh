#!/usr/bin/env bash
# Builds Orvalis with a sanitizer and runs the whole test suite under it:
#   scripts/sanitize.sh asan   AddressSanitizer with UndefinedBehaviorSanitizer, into build-asan/
#   scripts/sanitize.sh tsan   ThreadSanitizer, into build-tsan/
# Fails when a test fails or a sanitizer reports anything. No report is suppressed;
# the ThreadSanitizer options below say what it is not asked to watch.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-}
# Without a session bus named, libdbus (under Qt) tries to launch one and leaks when
# it cannot; the tests need no bus.
test_env=(DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent)
case "$kind" in
  asan)
    flags="-fsanitize=address,undefined -fno-omit-frame-pointer"
    # Mesa unloads its driver before the leak check at exit, and what the driver still
    # holds then looks leaked, with no library name left to tell it by. Loaded from
    # the start, the driver stays (its own link order then differs from ASan's liking).
    test_env+=(LD_PRELOAD="/usr/lib/$(gcc -dumpmachine)/dri/swrast_dri.so")
    export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:verify_asan_link_order=0"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    ;;
  tsan)
    flags="-fsanitize=thread"
    # Qt, OpenSceneGraph, GDAL, Mesa and X are not built with the sanitizer: their own
    # memory accesses are invisible to it anyway, and what they do through its
    # interceptors (copies, frees, locks taken in one library and released in another)
    # only gives reports about their internals. Their locks still order the project's
    # accesses.
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1"
    ;;
  *)
    echo "usage: scripts/sanitize.sh asan|tsan" >&2
    exit 2
    ;;
esac
build=build-$kind

./scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build" -j"$(nproc)"

# A sanitized test may run several times as long as in the normal build.
ctest_cmd=(env "${test_env[@]}" ctest --test-dir "$build" --output-on-failure -j2 --timeout 3600)
if [ -z "${DISPLAY:-}" ]; then
  ctest_cmd=(xvfb-run -a -s "-screen 0 1920x1080x24 +extension GLX -noreset" "${ctest_cmd[@]}")
fi
log=$build/sanitize.log
status=0
"${ctest_cmd[@]}" 2>&1 | tee "$log" || status=$?

# A report normally fails its test; counting them also catches one a test let pass.
reports=$(grep -cE '^==[0-9]+==ERROR: |^WARNING: ThreadSanitizer:|: runtime error: ' "$log" || true)
echo "$kind: $reports sanitizer reports (the whole output is in $log)"
[ "$status" -eq 0 ] && [ "$reports" -eq 0 ]
