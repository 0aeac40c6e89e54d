#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what it holds and declares, that
# its desktop entry, AppStream metadata and icons are valid, that lintian finds no error, and
# starts the packaged program from an unpacked copy to see that it runs.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work" >/dev/null)
deb=$(ls "$work"/filvane_*.deb)

app=io.github.orvessa.Filvane
contents=$(dpkg-deb -c "$deb")
paths=(./usr/bin/filvane "./usr/share/applications/$app.desktop"
    "./usr/share/metainfo/$app.metainfo.xml" ./usr/share/doc/filvane/copyright
    ./usr/share/doc/filvane/changelog.gz ./usr/share/man/man1/filvane.1.gz)
sizes=(16 22 24 32 48 64 128 256 512)
for size in "${sizes[@]}"; do
    paths+=("./usr/share/icons/hicolor/${size}x$size/apps/filvane.png")
done
# The scripting command, once built, comes with its manual page.
if grep -q " ./usr/bin/filvane-rename\$" <<<"$contents"; then
    paths+=(./usr/share/man/man1/filvane-rename.1.gz)
fi
for path in "${paths[@]}"; do
    grep -q " $path\$" <<<"$contents" || fail "missing from the package: $path"
done

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 fonts-liberation2; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = filvane ] || fail "wrong package name"

dpkg-deb -x "$deb" "$work/root"
share="$work/root/usr/share"
desktop="$share/applications/$app.desktop"
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
grep -qx "Exec=filvane %F" "$desktop" && grep -qx "Icon=filvane" "$desktop" ||
    fail "desktop entry does not start filvane with its icon and the paths given"
grep -qx "MimeType=inode/directory;" "$desktop" || fail "desktop entry is not offered on folders"

metainfo="$share/metainfo/$app.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log"; fail "AppStream metadata does not validate"; }
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$metainfo" ||
    fail "AppStream metadata does not name the desktop entry"

for size in "${sizes[@]}"; do
    file -b "$share/icons/hicolor/${size}x$size/apps/filvane.png" |
        grep -q "^PNG image data, $size x $size, 8-bit/color RGBA" ||
        fail "icon ${size}x$size is not a $size-pixel PNG with alpha"
done

head -n1 "$share/doc/filvane/copyright" |
    grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
    fail "copyright file is not in the machine-readable format"

# Every manual page formats without a warning, also one whose command is not built yet.
for page in "$(dirname "$0")"/../../packaging/*.1; do
    messages=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$messages" ] || fail "$(basename "$page"): $messages"
done

# Errors fail; the warnings kept are named in the README.
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian reports errors"; }
grep -E '^[EW]: ' "$work/lintian.log" || true

# The program may read and write its settings: in a home of its own, not the user's.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_STATE_HOME="$work/home/.local/state" XDG_CACHE_HOME="$work/home/.cache"
mkdir -p "$HOME"

# Answers on a terminal without a display.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/filvane" --version)
[ "$version" = "filvane $(dpkg-deb -f "$deb" Version)" ] || fail "packaged --version says: $version"

# Still running after two seconds means it started and is waiting for the user.
status=0
QT_QPA_PLATFORM=offscreen timeout 2 "$work/root/usr/bin/filvane" || status=$?
[ "$status" -eq 124 ] || fail "the packaged program exited with $status"
echo "package ok: $(basename "$deb")"
