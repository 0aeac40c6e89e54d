#!/usr/bin/env bash
# Installs what a fresh Debian 12 / Ubuntu machine lacks to build, run and test Filvane.
set -euo pipefail

packages=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev
    libgmock-dev libbenchmark-dev libicu-dev xvfb xauth fonts-dejavu-core fonts-liberation2
    dpkg-dev file qt6-translations-l10n lintian appstream desktop-file-utils man-db
    dbus at-spi2-core python3-pyatspi)
# The formatting check of tools/test.sh.
packages+=(clang-format)
# The check that the core's folders include each other without a cycle.
packages+=(python3)
# Audio tags and photos' EXIF, read by the core.
packages+=(libtag1-dev libexiv2-dev)
# The scripting command's peers in bench/process/bench_filvane_rename.sh.
packages+=(rename mmv)
# Drives without no-replace renames or links, mounted through FUSE by the tests.
packages+=(exfat-fuse exfatprogs ntfs-3g fuse3 strace)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
