#!/usr/bin/env bash
# Installs the Debian 12 packages Pelko needs to build and test (run as root or with sudo).
set -euo pipefail
# Qt 6 for the desktop front end (with the offscreen platform and German texts for its own
# dialogs), Xvfb, xauth and a font for the screenshots of each window. The database tests start
# PostgreSQL and MariaDB themselves and reach them through these ODBC drivers. Workbooks are
# written with libxlsxwriter and read through libzip and expat (.xlsx) or FreeXL (.xls), Access
# files through MDB Tools; the tests check written workbooks with openpyxl. clang with its runtime
# libraries (libFuzzer, sanitizers) builds the fuzz targets.
packages=(build-essential cmake git libgtest-dev libsqlite3-dev unixodbc-dev locales
  clang libclang-rt-14-dev
  qt6-base-dev qt6-qpa-plugins qt6-translations-l10n xvfb xauth fonts-dejavu-core
  postgresql-15 postgresql-client-15 odbc-postgresql mariadb-server mariadb-client odbc-mariadb
  libxlsxwriter-dev libzip-dev libexpat1-dev libfreexl-dev mdbtools-dev pkg-config python3-openpyxl)
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
# A German locale, so the tests can show that number formatting does not follow the locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    locale-gen >/dev/null
  fi
fi
