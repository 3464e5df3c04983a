#!/usr/bin/env bash
# Pictures the desktop window in the middle of a run: starts it on a virtual X display, runs the
# bundled knot list from a scratch folder that holds only that list (so that examples/ stays as it
# is and the window's folder tree and file list show just that folder), pauses it as a knot begins
# and saves the window as docs/window.png (or the path given as the first argument), and the
# Results window at that moment, with the signature function of 5_1, as docs/results.png (or the
# second argument).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD:-$root/build}"
picture="${1:-$root/docs/window.png}"
results="${2:-$root/docs/results.png}"

if ! command -v xvfb-run >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends xvfb xauth
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target corvane-screenshot

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/examples"
cp "$root/examples/knots.txt" "$scratch/examples/knots.txt"
mkdir -p "$(dirname "$picture")"

# Pause as soon as the seventh knot (8_18) begins.
xvfb-run -a -s "-screen 0 1280x900x24" \
  "$build/bin/corvane-screenshot" "$scratch/examples/knots.txt" 7 "$picture" 5_1 "$results"
echo "Saved $picture and $results"
