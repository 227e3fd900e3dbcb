#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are present.
set -euo pipefail
packages=(
  g++ cmake ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  librtmidi-dev libfluidsynth-dev libasound2-dev timgm6mb-soundfont
  qt6-base-dev qt6-base-dev-tools fonts-ipafont-gothic
  qt6-tools-dev qt6-l10n-tools
)
if [ "${TONVELA_FUZZ:-0}" = 1 ]; then
  packages+=(clang libclang-rt-dev)
fi
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo_cmd apt-get update -qq >/dev/null
$sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
