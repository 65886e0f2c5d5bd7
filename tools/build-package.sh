#!/bin/sh
# Builds the Debian package in build-package/ (installing to /usr, without the tests) and prints
# its path. ./test then inspects, installs and removes it (tools/test-package.sh).
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUORVANE_WERROR=ON -DQUORVANE_TESTS=OFF -DQUORVANE_BENCH=OFF -DQUORVANE_PROGRAMS=ON \
    -DQUORVANE_GUI=ON >/dev/null
# The objects of the normal build serve here too: ccache sees paths relative to the tree, and the
# package's debug information is stripped anyway, so the build folder it names does not matter.
CCACHE_BASEDIR="$(pwd)" CCACHE_NOHASHDIR=true \
    cmake --build build-package -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
rm -f build-package/quorvane_*.deb
(cd build-package && cpack -G DEB >cpack.log 2>&1) || {
    cat build-package/cpack.log >&2
    exit 1
}
ls build-package/quorvane_*.deb
