#!/usr/bin/env bash
# Installs, on Debian 12, the packages the build and the tests need; skips
# what is already there. --windows adds the Windows cross build's, --all
# everything CI uses. Non-interactive; run as root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev help2man
  libfmt-dev libcli11-dev nlohmann-json3-dev
  libcairo2-dev libfontconfig-dev libfltk1.3-dev libx11-dev
  strace clang-format
)
# Extras for the sanitizer, fuzzing and window checks, and the browser the
# map viewer's test drives (skipped without it).
windows=(g++-mingw-w64-x86-64-posix wine wine64 googletest xvfb x11-utils imagemagick)
for option in "$@"; do
  case "$option" in
    --all) packages+=(clang libclang-rt-14-dev xvfb gcovr chromium "${windows[@]}") ;;
    # The Windows build: the cross compiler, Wine to run its tests, the
    # GoogleTest sources to build them, and what looking at its windows takes.
    --windows) packages+=("${windows[@]}") ;;
    *) echo "install-deps.sh: unknown option $option (--all, --windows)" >&2; exit 2 ;;
  esac
done

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
