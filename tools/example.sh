#!/usr/bin/env bash
# Builds korvel and runs a small example.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

need_packages "${BUILD_PACKAGES[@]}"

setup_build "$BUILD/example" -Dtests=false
meson compile -C "$BUILD/example" parse_path
"$BUILD/example/examples/parse_path" "user.roles[0]" "'first name'.text" "a.0"
