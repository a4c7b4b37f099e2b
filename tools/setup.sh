#!/usr/bin/env bash
# Sets up a Debian 12 machine for Vantrel, builds it, and then runs it or its tests.
#   ./tools/setup.sh run    install what is missing, build, start Vantrel
#   ./tools/setup.sh test   install what is missing, build (warnings as errors), run every test
#   ./tools/setup.sh build  install what is missing, build
set -euo pipefail

mode=${1:-build}
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$top/build"
jobs=$(nproc 2>/dev/null || echo 2)

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavfilter-dev
  libtinyxml-dev libx11-dev libsdl2-dev
  fonts-liberation2
  googletest libgtest-dev
  ffmpeg xvfb xauth xdotool x11-utils
  clang libclang-rt-14-dev
  locales
)

install_packages() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

configure_and_build() {
    local werror=$1
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_WERROR="$werror"
    cmake --build "$build" -j "$jobs"
}

install_packages
case "$mode" in
build)
    configure_and_build OFF
    ;;
run)
    configure_and_build OFF
    exec "$build/bin/Vantrel"
    ;;
test)
    configure_and_build ON
    cd "$build"
    # The Debian package: what it holds, and that apt could install it here.
    rm -f vantrel_*.deb
    cpack -G DEB >/dev/null
    deb=$(ls vantrel_*.deb)
    contents=$(dpkg-deb -c "$deb")
    for f in ./usr/bin/Vantrel ./usr/bin/VantrelEngine ./usr/share/vantrel/skin/mainwnd.xml \
        ./usr/share/applications/vantrel.desktop ./usr/share/icons/hicolor/256x256/apps/vantrel.png; do
        grep -q " $f\$" <<<"$contents" || { echo "$deb lacks $f" >&2; exit 1; }
    done
    apt-get install -s "./$deb" >/dev/null
    echo "Package $deb: contents and dependencies check out"
    # GUI tests need a real X server; the rest ignore DISPLAY.
    xvfb-run -a -s "-screen 0 1600x1200x24" \
        ctest --output-on-failure --timeout 600 -j "$jobs"
    ;;
*)
    echo "usage: tools/setup.sh run|test|build" >&2
    exit 2
    ;;
esac
