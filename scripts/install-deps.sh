#!/usr/bin/env bash
# Installs the Debian 12 packages Pelko needs to build and test (run as root or with sudo).
set -euo pipefail
packages=(build-essential cmake git libgtest-dev libsqlite3-dev unixodbc-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -q
  $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
