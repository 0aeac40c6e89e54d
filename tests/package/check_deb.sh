#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what it holds and declares, then
# starts the packaged program from an unpacked copy to see that it runs.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work" >/dev/null)
deb=$(ls "$work"/filvane_*.deb)

contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/filvane ./usr/share/applications/filvane.desktop \
    ./usr/share/icons/hicolor/48x48/apps/filvane.png \
    ./usr/share/icons/hicolor/256x256/apps/filvane.png; do
    grep -q " $path\$" <<<"$contents" || { echo "missing from the package: $path"; exit 1; }
done

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 fonts-liberation2; do
    grep -q "$library" <<<"$depends" || { echo "Depends lacks $library: $depends"; exit 1; }
done
[ "$(dpkg-deb -f "$deb" Package)" = filvane ] || { echo "wrong package name"; exit 1; }

dpkg-deb -x "$deb" "$work/root"
desktop="$work/root/usr/share/applications/filvane.desktop"
grep -qx "Exec=filvane" "$desktop" && grep -qx "Icon=filvane" "$desktop" ||
    { echo "desktop entry does not start filvane with its icon"; exit 1; }

# Still running after two seconds means it started and is waiting for the user.
status=0
QT_QPA_PLATFORM=offscreen timeout 2 "$work/root/usr/bin/filvane" || status=$?
[ "$status" -eq 124 ] || { echo "the packaged program exited with $status"; exit 1; }
echo "package ok: $(basename "$deb")"
