#!/bin/sh
# scripts/install-deps.sh -- install the Debian 12 packages that building, running and testing need.
# Quick when everything is there: dpkg-query decides, apt-get runs only for what is missing.
set -eu

PACKAGES="
build-essential cmake pkg-config
libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl1 libegl-mesa0
libsdl2-dev
libgtest-dev libgmock-dev libbenchmark-dev
libturbojpeg0-dev libjpeg62-turbo-dev
libfreetype-dev libfontconfig-dev fonts-liberation
libfltk1.3-dev fluid
libopenmpt-dev
libcli11-dev libpng-dev ffmpeg
xvfb xauth xdotool xfonts-base x11-utils imagemagick
sox python3
clang-14 libclang-rt-14-dev valgrind
emscripten chromium
"

missing=""
for p in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $p" ;;
    esac
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "install-deps: installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
else
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
