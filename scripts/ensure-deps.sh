#!/usr/bin/env bash
# Installs the Debian packages Korvel builds and runs with, when any is missing.
# Idempotent: does nothing when everything is there.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-declarative-dev qt6-image-formats-plugins
  libqt6sql6 libqt6svg6
  libsqlite3-dev libgif-dev libxcb1-dev libarchive-dev
  fonts-wqy-microhei shared-mime-info desktop-file-utils qt6-translations-l10n
  dbus-daemon
  xvfb libxtst-dev libxext-dev libx11-dev
  qt6-svg-dev appstream dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then sudo_cmd=(sudo); else
    echo "Korvel needs these Debian packages, and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
