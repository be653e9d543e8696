#!/bin/sh
# Draws the pictures in Images/ and the flags in Languages/ again from make_images.cpp.
#   data/make-images.sh [PREVIEW_DIR]
# With PREVIEW_DIR, enlarged PNG copies of every picture are written there as well.
# Needs g++, pkg-config and qt6-base-dev.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
# shellcheck disable=SC2046
g++ -std=c++20 -O1 -fPIC -Wall -Wextra "$here/make_images.cpp" -o "$tmp/make_images" \
    $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$tmp/make_images" "$here" "$@"
