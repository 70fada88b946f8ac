#!/usr/bin/env bash
# Regenerates the README's pictures, docs/pictures/*.png: the interactive
# demo's picture of every dialog and message box of an install and an
# uninstall (./demo.sh --interactive).
set -euo pipefail
cd "$(dirname "$0")/.."
rm -f docs/pictures/*.png
./demo.sh --interactive --pictures docs/pictures
