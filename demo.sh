#!/usr/bin/env bash
# The project in one command.  Sets up the machine (scripts/setup.sh), builds
# what the demo shows (./build.sh --demo: the PE32 programs and scrpack),
# packages the sample screen saver Lanterns with
# scrpack and installs it under Wine in a fresh prefix (demo/demo.py):
#
#   ./demo.sh                 silent install, what it wrote, silent uninstall,
#                             and proof that nothing is left
#   ./demo.sh --interactive   the interactive install and uninstall in a Wine
#                             desktop under Xvfb, the GUI driver answering,
#                             with a PNG picture of every dialog and message box
#                             (--pictures FOLDER chooses where they go)
#
# BUILD_ROOT chooses the build tree (default: build/).
set -euo pipefail
cd "$(dirname "$0")"
BUILD_ROOT=$(realpath -m "${BUILD_ROOT:-build}")
export BUILD_ROOT

echo "Setting up the machine (scripts/setup.sh)..."
start=$SECONDS
scripts/setup.sh
echo "Set up in $((SECONDS - start)) s."

mkdir -p "$BUILD_ROOT"
log="$BUILD_ROOT/demo-build.log"
echo "Building the PE32 programs and scrpack into $BUILD_ROOT (./build.sh --demo, output in $log)..."
start=$SECONDS
if ! ./build.sh --demo >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "The build failed; the whole output is in $log" >&2
  exit 1
fi
echo "Built in $((SECONDS - start)) s."

# The demo reports its own time.
exec python3 demo/demo.py "$@"
