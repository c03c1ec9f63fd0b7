#!/usr/bin/env bash
# Builds the korvel package, installs it with pip into a venv, and runs the
# example: compile an expression, evaluate it on dicts, read a value by path.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

need_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

install_in_venv "$BUILD/venv"
# From outside the source tree, so that the installed package is the one used.
cd "$BUILD" && "$BUILD/venv/bin/python" "$ROOT/examples/example.py"
