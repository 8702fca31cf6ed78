#!/usr/bin/env bash
# Builds the Debian source and binary packages from a copy of this source tree
# in <folder>/ostrela-<version>, leaving ostrela_<version>_amd64.deb, the .dsc
# and the .changes in <folder>. The copy holds the files git knows (tracked or
# new, not ignored), so the build folder and the tree's own state stay out;
# the changelog is written for the version in CMakeLists.txt and the date of
# the last commit.
#
#   res/package/build-deb.sh <folder> [dpkg-buildpackage options, e.g. -b]
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 <folder> [dpkg-buildpackage options]" >&2
  exit 2
fi
src="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
mkdir -p "$1"
out="$(cd "$1" && pwd)"
version="$(sed -n 's/^project(Ostrela VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")"
copy="$out/ostrela-$version"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH="$(git -C "$src" log -1 --format=%ct 2>/dev/null || date +%s)"
fi
export SOURCE_DATE_EPOCH

rm -rf "$copy"
mkdir -p "$copy"
if git -C "$src" rev-parse --show-toplevel >/dev/null 2>&1; then
  (cd "$src" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar --null -T - -cf -) | tar -C "$copy" -xf -
else
  tar -C "$src" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$copy" -xf -
fi
cmake -DOSTRELA_SOURCE_DIR="$copy" -DOUTPUT="$copy/debian/changelog" -P "$copy/res/package/Release.cmake"

# Compilations are shared with other copies (paths made relative).
# Each copy maps its own folder to "." (-ffile-prefix-map), so the mapping
# itself is left out of the cache key.
export CCACHE_BASEDIR="$copy" CCACHE_NOHASHDIR=1 CCACHE_IGNOREOPTIONS="-ffile-prefix-map=*"
export DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}"
cd "$copy"
dpkg-buildpackage -us -uc "${@:2}"
