#!/usr/bin/env bash
# The Debian packages of this build: CPack builds them into a temporary
# folder; dpkg-deb shows their files and control fields, lintian judges them;
# unpacked, the menu entry validates and the programs start (zelvo without a
# display as the headless service, without the widget library).
# Arguments: the build folder, the project version.
set -u
# The same words whatever locale the caller has, or none.
export LC_ALL=C.UTF-8
build=${1:?build folder}
version=${2:?version}

skip() { echo "SKIPPED (test_package): $*"; exit 77; }
fail() { echo "FAIL (test_package): $*" >&2; exit 1; }

for tool in cpack dpkg-deb dpkg-shlibdeps file desktop-file-validate lintian; do
    command -v "$tool" >/dev/null 2>&1 || skip "the tool $tool is missing: make test installs it"
done

work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack could not build the packages"; }
arch=$(dpkg --print-architecture)
service="$work/out/zelvo-headless_${version}_$arch.deb"
gui="$work/out/zelvo_${version}_$arch.deb"
for deb in "$service" "$gui"; do
    [ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$work/out")"
done

# Files, with the programs executable, each in its package.
has() { # package, then lines of "program" or "file" to find in it
    local deb=$1 listing entry
    shift
    listing=$(dpkg-deb -c "$deb") || fail "dpkg-deb cannot read $deb"
    for entry in "$@"; do
        case $entry in
        usr/bin/*) grep -Eq "^-rwxr-xr-x .* \./$entry\$" <<<"$listing" ;;
        *) grep -Eq " \./$entry\$" <<<"$listing" ;;
        esac || fail "/$entry missing (or not executable) in $(basename "$deb"):"$'\n'"$listing"
    done
}
has "$service" usr/bin/zelvo-headless usr/bin/zelvo-check usr/bin/boxsim \
    usr/lib/systemd/user/zelvo.service usr/share/doc/zelvo-headless/anleitung.md \
    usr/share/doc/zelvo-headless/copyright usr/share/doc/zelvo-headless/changelog.gz
has "$gui" usr/bin/zelvo usr/share/applications/zelvo.desktop \
    usr/share/icons/hicolor/scalable/apps/zelvo.svg \
    usr/share/doc/zelvo/copyright usr/share/doc/zelvo/changelog.gz
! dpkg-deb -c "$gui" | grep -q "usr/bin/zelvo-" || fail "zelvo holds a program of zelvo-headless"

# Control fields; the dependencies are those dpkg-shlibdeps found.
field() { dpkg-deb -f "$1" "$2"; }
[ "$(field "$service" Package)" = zelvo-headless ] || fail "Package: $(field "$service" Package)"
[ "$(field "$gui" Package)" = zelvo ] || fail "Package: $(field "$gui" Package)"
for deb in "$service" "$gui"; do
    [ "$(field "$deb" Version)" = "$version" ] || fail "Version: $(field "$deb" Version), not $version"
    for name in Maintainer Section Description; do
        [ -n "$(field "$deb" "$name")" ] || fail "no $name field in $(basename "$deb")"
    done
    ! grep -Eq "\.(example|invalid|local)>|noreply" <<<"$(field "$deb" Maintainer)" ||
        fail "a placeholder maintainer: $(field "$deb" Maintainer)"
done
depends() { field "$1" Depends; }
needs() { grep -Eq "(^|, )$2( |,|\$)" <<<"$(depends "$1")"; }
for lib in libc6 libqt6core6 libqt6network6; do
    needs "$service" "$lib" || fail "zelvo-headless's Depends lacks $lib: $(depends "$service")"
done
for lib in libqt6gui6 libqt6widgets6 libqt6svg6 libqt6svgwidgets6; do
    ! needs "$service" "$lib" || fail "zelvo-headless pulls the GUI library $lib: $(depends "$service")"
done
for lib in libqt6gui6 libqt6widgets6 libqt6svgwidgets6 qt6-translations-l10n; do
    needs "$gui" "$lib" || fail "zelvo's Depends lacks $lib: $(depends "$gui")"
done
grep -Eq "(^|, )zelvo-headless \(= $version\)" <<<"$(depends "$gui")" ||
    fail "zelvo does not depend on zelvo-headless $version: $(depends "$gui")"

# lintian: errors fail the test; warnings are its advice, shown in the log.
for deb in "$service" "$gui"; do
    lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1
    grep "^W: " "$work/lintian.txt"
    ! grep -q "^E: " "$work/lintian.txt" || { cat "$work/lintian.txt" >&2; fail "lintian finds errors in $(basename "$deb")"; }
done

root="$work/root"
for deb in "$service" "$gui"; do
    dpkg-deb -x "$deb" "$root" || fail "dpkg-deb cannot unpack $deb"
done
# The installed docs name installed commands, not the build folder.
! grep -En "^(sudo )?build/(boxsim|zelvo-check)" "$root/usr/share/doc/zelvo-headless/anleitung.md" ||
    fail "the installed guide runs boxsim or zelvo-check from build/"
desktop-file-validate "$root/usr/share/applications/zelvo.desktop" ||
    fail "desktop-file-validate refuses the menu entry"

"$root/usr/bin/zelvo-check" --help >"$work/help.txt" 2>&1 ||
    { cat "$work/help.txt" >&2; fail "zelvo-check --help did not exit 0"; }
# Each help names its own program (the service has no zelvo, and no --headless).
"$root/usr/bin/zelvo-headless" send --help >"$work/help.txt" 2>&1 && grep -q "^Aufruf: zelvo-headless send " "$work/help.txt" ||
    { cat "$work/help.txt" >&2; fail "zelvo-headless send --help did not exit 0 naming zelvo-headless"; }
"$root/usr/bin/zelvo-headless" --help >"$work/help.txt" 2>&1 && grep -q "^Aufruf: zelvo-headless \[" "$work/help.txt" &&
    ! grep -Eq -- "--headless|Aufruf: zelvo " "$work/help.txt" ||
    { cat "$work/help.txt" >&2; fail "zelvo-headless --help names another program or --headless"; }
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
# A first start in an empty folder says once what is missing.
[ "$(grep -c "Es fehlen boxip.ini, zlv-tag.txt, zlv-woch.txt und zlv-term.txt" "$work/zelvo.log")" = 1 ] ||
    { cat "$work/zelvo.log" >&2; fail "the first start did not say once which files are missing"; }
echo "test_package: $(basename "$service") and $(basename "$gui") passed"
