#!/usr/bin/env bash
# Regenerates the README's pictures, docs/pictures/*.png: the interactive
# demo's picture of every dialog and message box of an install and an
# uninstall (./demo.sh --interactive), and the sample screen saver running.
set -euo pipefail
cd "$(dirname "$0")/.."
rm -f docs/pictures/*.png
./demo.sh --interactive --pictures docs/pictures
BUILD_ROOT=${BUILD_ROOT:-$PWD/build} demo/saver_picture.py docs/pictures/lanterns.png
