#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run, test and benchmark.
# Idempotent: does nothing (and needs no network) when all of them are already installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  zlib1g-dev libdeflate-dev libzip-dev libgtest-dev libgmock-dev libbenchmark-dev libicu-dev libboost1.81-dev
  qt6-base-dev qt6-svg-dev qt6-webengine-dev qt6-translations-l10n
  help2man lintian appstream bash-completion desktop-file-utils dpkg-dev
  poppler-utils
  fonts-noto-cjk xvfb xauth
  openbox
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
