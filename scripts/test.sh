#!/usr/bin/env bash
# Builds and tests every preset CI checks: optimised with warnings as errors, then under the
# address/undefined-behaviour sanitizers, then the thread sanitizer, then runs each fuzz target of
# the image decoders for a bounded time (about 30 s; a finding fails it). Exits non-zero on any
# failure.
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh || exit 1

# The names of the failed tests in a ctest log, so the summary at the end says which ones.
failed_tests() {
  sed -n '/The following tests FAILED:/,$p' "$1" | grep -E '^[[:space:]]+[0-9]+ - ' || true
}

jobs=$(nproc)
status=0
summary=()
for preset in ci asan tsan fuzz; do
  echo "==== preset ${preset} ===="
  if ! cmake --preset "$preset" >/dev/null; then
    summary+=("${preset}: configure failed"); status=1; continue
  fi
  if ! cmake --build --preset "$preset" -j "$jobs"; then
    summary+=("${preset}: build failed"); status=1; continue
  fi
  # The thread sanitizer run covers the tests that exercise threads.
  label_args=()
  if [ "$preset" = tsan ]; then
    label_args=(-L concurrency)
    # Listed into a variable first: grep -q closing the pipe early would fail it under pipefail.
    tsan_tests=$(ctest --preset tsan -N -L concurrency)
    if ! grep -q 'Test *#' <<<"$tsan_tests"; then
      summary+=("tsan: no concurrency tests yet"); continue
    fi
  fi
  if ctest --preset "$preset" -j "$jobs" -LE gui "${label_args[@]}" 2>&1 | tee "build/${preset}/ctest.log"; then
    summary+=("${preset}: $(grep -E 'tests passed' "build/${preset}/ctest.log" | tail -n 1)")
  else
    summary+=("${preset}: $(grep -E 'tests passed|tests failed' "build/${preset}/ctest.log" | tail -n 1)")
    summary+=("$(failed_tests "build/${preset}/ctest.log")")
    status=1
  fi
  # The gui tests show real windows on one Xvfb screen, one test at a time. Not under tsan: GTK,
  # like GLib, is invisible to ThreadSanitizer.
  if [ "$preset" = ci ] || [ "$preset" = asan ]; then
    if xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset "$preset" -L gui 2>&1 | tee "build/${preset}/ctest-gui.log"; then
      summary+=("${preset} gui: $(grep -E 'tests passed' "build/${preset}/ctest-gui.log" | tail -n 1)")
    else
      summary+=("${preset} gui: $(grep -E 'tests passed|tests failed' "build/${preset}/ctest-gui.log" | tail -n 1)")
      summary+=("$(failed_tests "build/${preset}/ctest-gui.log")")
      status=1
    fi
  fi
done

echo "==== summary ===="
printf '%s\n' "${summary[@]}"
exit $status
