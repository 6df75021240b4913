#!/usr/bin/env bash
# Installs the Debian packages QK needs to build, test and run. Does nothing when all of them
# are present already, so it is cheap to call before every build.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  libcpp-httplib-dev nlohmann-json3-dev libsqlite3-dev libsodium-dev sqlite3
  libgtest-dev libgmock-dev libboost-dev libssl-dev openssl
  qt6-base-dev qt6-svg-dev qt6-translations-l10n fonts-noto-cjk libxlsxwriter-dev
  libgmime-3.0-dev libzip-dev libpugixml-dev
  poppler-utils xvfb xauth openbox curl
  dpkg-dev file adduser qt6-qpa-plugins
  clang-14 libclang-rt-14-dev
  libqrencode-dev zbar-tools chromium nodejs
  haproxy libpq-dev postgresql
  # Qt Charts' CMake files need Qt OpenGL's, which Debian's qt6-charts-dev does not pull in.
  qt6-charts-dev libqt6opengl6-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The shop-floor page's build and browser test need npm; some node packages bring their own.
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
