#!/usr/bin/env bash
# Builds the optimised preset and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

# The main program is not built yet: say what was built and how to check it.
echo
echo "Built into build/release:"
find build/release -maxdepth 3 -type f \( -name '*.a' -o -name '*.so' -o -name '*.sys' -o -perm -u+x \) \
  ! -path '*/CMakeFiles/*' -printf '  %P\n' | sort
echo
echo "The Zelvante main program does not exist yet; there is nothing to run."
echo "Run the tests with: scripts/test.sh"
