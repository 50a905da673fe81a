#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those that are missing,
# so that a second run costs nothing.
set -euo pipefail
# qt6-translations-l10n: the French texts of Qt's own dialogs and buttons; openbox: title bars
# in the pictures of scripts/screenshots.sh; poppler-utils: the report's PDF read back in tests;
# dpkg-dev and file serve `make package` (dpkg-shlibdeps), libx11-dev bench/startup.sh; chromium
# renders the HTML report in tests/report/browser_test.sh. Printing (Qt6 PrintSupport) comes with
# qt6-base-dev.
packages=(cmake ninja-build g++ clang pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libsqlite3-dev sqlite3 mdbtools-dev qt6-base-dev qt6-translations-l10n xvfb xauth
          openbox fonts-dejavu-core fonts-dejavu-extra clang-format clang-tidy cppcheck
          libclang-rt-14-dev poppler-utils dpkg-dev file libx11-dev chromium)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
