#!/usr/bin/env bash
# Installs, on Debian 12, the packages the build and the tests need; skips
# what is already there. Non-interactive; run as root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libfmt-dev libcli11-dev nlohmann-json3-dev
  libcairo2-dev libfontconfig-dev libfltk1.3-dev libx11-dev
)
# Extras for the sanitizer, fuzzing and window checks, and the browser the
# map viewer's test drives (skipped without it).
if [[ "${1:-}" == "--all" ]]; then
  packages+=(clang libclang-rt-14-dev xvfb gcovr chromium)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
