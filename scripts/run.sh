#!/usr/bin/env bash
# The quickest look at the product: installs what is missing (scripts/setup.sh), builds natively into build-rel,
# runs `squozen test` on the sample movies (each movie's original size, optimized size and saving, then the totals;
# the movies are not changed), then builds Squozen.exe and starts it under Wine (scripts/start-gui.sh: on the
# user's display, or with no display on a virtual one, saving a screenshot and saying where).
# Arguments, when given, go to squozen instead: scripts/run.sh optimize -r ~/movies
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build-rel" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSQZ_TESTS=OFF >/dev/null
cmake --build "$root/build-rel" -j 2 --target squozen >/dev/null
if [ $# -gt 0 ]; then
    exec "$root/build-rel/cli/squozen" "$@"
fi
"$root/build-rel/cli/squozen" test "$root/tests/corpus" || true  # bad sample files make it answer 1
exec "$root/scripts/start-gui.sh"
