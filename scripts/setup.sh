#!/usr/bin/env bash
# Installs what the build and the tests need, where it is missing (Debian).
# With --windows it also installs the mingw-w64 cross-compiler.
set -euo pipefail

packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libpng-dev pkg-config)
if [[ "${1:-}" == "--windows" ]]; then
  packages+=(g++-mingw-w64-i686)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if (( ${#missing[@]} )); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "setup: missing packages: ${missing[*]} (run as root, or install them)" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
