#!/bin/sh
# Builds tessarel and runs it on an example input set in a fresh folder.
# Usage: scripts/run-example.sh [example-name]   (default: grid)
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
example=${1:-grid}
sh "$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=Release -DTESSAREL_TESTS=OFF
cmake --build "$here/build" -j "$(nproc)" --target tessarel
rm -rf "$here/run/$example"
mkdir -p "$here/run/$example"
cp "$here/examples/$example"/* "$here/run/$example/"
cd "$here/run/$example"
"$here/build/tessarel"
echo "Results of example '$example' are in $here/run/$example (log: tessarel.log)"
