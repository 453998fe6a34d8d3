#!/usr/bin/env bash
# Installs the Debian 12 packages Vortamix needs to build, run and test.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libsdl2-dev libpulse-dev libjpeg62-turbo-dev libsndfile1-dev libasound2-dev libspeexdsp-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 fonts-dejavu-core
  xvfb xauth x11-apps x11-utils xdotool imagemagick openbox
  sox libsox-fmt-all ffmpeg lame twolame
  libxmp-dev libopenmpt-dev libmad0-dev
  clang libclang-rt-14-dev
  pulseaudio pulseaudio-utils libasound2-plugins alsa-utils
  python3 desktop-file-utils locales procps
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The settings tests write numbers under a locale whose decimal separator is a comma.
locale -a | grep -qix 'de_DE.utf8' || "${sudo_cmd[@]}" localedef -i de_DE -c -f UTF-8 de_DE.UTF-8
