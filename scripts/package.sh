#!/usr/bin/env bash
# Builds build/package/vantoro_<version>_amd64.deb (CPack's DEB generator on the
# build folder; the dependencies come from dpkg-shlibdeps) and checks it with lintian,
# which is installed for this script only.
# --no-lintian leaves the check out.
set -euo pipefail
cd "$(dirname "$0")/.."
lint=1
[ "${1:-}" = "--no-lintian" ] && lint=0
bash scripts/setup.sh
# Only what the package holds; an existing build is reused as it is.
bash scripts/build.sh --target vantoro --target vantoro-cli --target camera_sound --target packaging_files
rm -f build/package/vantoro_*.deb
cpack --config build/CPackConfig.cmake -B build/package >/dev/null
deb=$(ls build/package/vantoro_*_amd64.deb)
if [ "$lint" = 1 ]; then
    bash scripts/install-missing.sh lintian
    # Root runs of lintian are refused without this; CI and containers run as root.
    lintian --allow-root --fail-on error,warning --display-info "$deb"
fi
echo "$deb"
