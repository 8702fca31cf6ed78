#!/usr/bin/env bash
# Sets up everything Ostrela needs on Debian 12, builds it, and then either
# starts the program (run) or runs every test (test).
#
#   ./ostrela.sh run    install packages, build, start Ostrela
#   ./ostrela.sh test   install packages, build, run all tests
#   ./ostrela.sh build  install packages, build
#   ./ostrela.sh package  install packages, build build/ostrela_<version>_amd64.deb
#                         with dpkg-buildpackage from a copy of the tree
#
# BUILD_DIR (default: build) and CMAKE_ARGS (extra configure options, e.g.
# -DOSTRELA_ASAN=ON) may be set in the environment.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build_dir="${BUILD_DIR:-$here/build}"
mode="${1:-build}"

packages=(
  cmake ninja-build g++ ccache clang-format   # build tools and the format check
  qt6-base-dev                                # Qt 6 Widgets
  libgtest-dev googletest                     # the tests
  ffmpeg                                      # the encoder, linked as vexa.exe
  libmediainfo0v5 mediainfo                   # the media probe (the CLI for the benchmark)
  librsvg2-bin                                # pictures from their vector sources
  fp-utils                                    # chmcmd, which builds help.chm
  xchm                                        # a viewer that opens help.chm
  xdg-utils                                   # opening folders, pages and help
  desktop-file-utils                          # checks the desktop entry the install writes
  dpkg-dev debhelper lintian appstream        # builds the package and checks it
  dbus-daemon                                 # a private session bus for the notification test
  fonts-dejavu-core                           # a font for the windows
  xvfb openbox metacity mutter x11-utils      # the skinned window under real window managers
  parallel                                    # the README's recipe for batches on several machines
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if [ "$mode" = package ]; then
  "$here/res/package/build-deb.sh" "$build_dir/deb"
  version="$(sed -n 's/^project(Ostrela VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")"
  cp "$build_dir/deb/ostrela_${version}_amd64.deb" "$build_dir/"
  echo "Built $build_dir/ostrela_${version}_amd64.deb"
  exit 0
fi

# Cache compilations across checkouts of the project (paths made relative).
export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1

# shellcheck disable=SC2086
cmake -S "$here" -B "$build_dir" -G Ninja ${CMAKE_ARGS:-}
cmake --build "$build_dir"

case "$mode" in
  run)
    exec "$build_dir/bin/ostrela" ;;
  test)
    cd "$build_dir"
    exec ctest --output-on-failure -j2 ;;
  build) ;;
  *) echo "usage: $0 run|test|build|package" >&2; exit 2 ;;
esac
