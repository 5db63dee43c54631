#!/usr/bin/env bash
# The Debian package of this build: CPack builds it into a temporary folder;
# dpkg-deb shows its files and control fields; unpacked, its menu entry
# validates and its programs start (zelvo without a display as the headless
# service, without the widget library).
# Arguments: the build folder, the project version.
set -u
build=${1:?build folder}
version=${2:?version}

skip() { echo "SKIPPED (test_package): $*"; exit 77; }
fail() { echo "FAIL (test_package): $*" >&2; exit 1; }

for tool in cpack dpkg-deb dpkg-shlibdeps file desktop-file-validate; do
    command -v "$tool" >/dev/null 2>&1 ||
        skip "the tool '$tool' is missing (scripts/install-deps.sh installs it)"
done

work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack could not build the package"; }
deb="$work/out/zelvo_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$work/out")"

# Files, with the programs executable.
listing=$(dpkg-deb -c "$deb") || fail "dpkg-deb cannot read $deb"
for program in zelvo zelvo-headless zelvo-check boxsim; do
    grep -Eq "^-rwxr-xr-x .* \./usr/bin/$program\$" <<<"$listing" ||
        fail "/usr/bin/$program missing or not executable:"$'\n'"$listing"
done
for file in usr/share/applications/zelvo.desktop \
            usr/share/icons/hicolor/scalable/apps/zelvo.svg \
            usr/lib/systemd/user/zelvo.service \
            usr/share/doc/zelvo/README.md; do
    grep -Eq " \./$file\$" <<<"$listing" || fail "/$file missing:"$'\n'"$listing"
done

# Control fields; the dependencies are those dpkg-shlibdeps found.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zelvo ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
for name in Maintainer Section Description; do
    [ -n "$(field "$name")" ] || fail "no $name field"
done
depends=$(field Depends)
for lib in libc6 libqt6core6 libqt6gui6 libqt6network6 libqt6widgets6 libqt6svgwidgets6; do
    grep -Eq "(^|, )$lib( |,|\$)" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

root="$work/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb cannot unpack $deb"
desktop-file-validate "$root/usr/share/applications/zelvo.desktop" ||
    fail "desktop-file-validate refuses the menu entry"

"$root/usr/bin/zelvo-check" --help >"$work/help.txt" 2>&1 ||
    { cat "$work/help.txt" >&2; fail "zelvo-check --help did not exit 0"; }
[ "$("$root/usr/bin/zelvo" --version)" = "zelvo $version" ] ||
    fail "zelvo --version: $("$root/usr/bin/zelvo" --version 2>&1)"

# zelvo without a display, in an empty folder (no boxip.ini: no box is
# contacted): it says so and runs on as the packaged zelvo-headless, without
# the widget library; stopped here after 2 s.
mkdir "$work/folder"
(cd "$work/folder" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$root/usr/bin/zelvo" >"$work/zelvo.log" 2>&1) &
pid=$!
sleep 2
kill -0 "$pid" 2>/dev/null || { cat "$work/zelvo.log" >&2; fail "zelvo ended within 2 s without a display"; }
maps=$(cat "/proc/$pid/maps")
grep -q "$root/usr/bin/zelvo-headless" <<<"$maps" || fail "zelvo did not run the packaged zelvo-headless"
! grep -q "libQt6Widgets" <<<"$maps" || fail "the widget library is loaded without a display"
kill -TERM "$pid"
wait "$pid" 2>/dev/null
pid=""
grep -q "kein Bildschirm gefunden" "$work/zelvo.log" ||
    { cat "$work/zelvo.log" >&2; fail "zelvo did not say that it runs without a display"; }
grep -q "läuft ohne Fenster im Ordner $work/folder" "$work/zelvo.log" ||
    { cat "$work/zelvo.log" >&2; fail "the headless engine did not start"; }
echo "test_package: $(basename "$deb") passed"
