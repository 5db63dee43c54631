#!/usr/bin/env bash
# zelvo as started from a menu, a service or a terminal without a screen:
# --version; without a display it runs zelvo-headless by itself, says so,
# loads no widget or GUI library, creates the default folder with its
# LIESMICH.txt and prints nothing else; a missing --folder is refused; the
# window on the offscreen platform prints no Qt warnings either.
# Arguments: the zelvo program, the project version.
set -u
# The same words whatever locale the caller has, or none.
export LC_ALL=C.UTF-8
zelvo=${1:?zelvo program}
version=${2:?version}

fail() { echo "FAIL (test_headless): $*" >&2; [ -n "${work:-}" ] && tail -n 20 "$work"/*.log >&2; exit 1; }

work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$work/home"

[ "$("$zelvo" --version)" = "zelvo $version" ] || fail "zelvo --version: $("$zelvo" --version 2>&1)"
"$zelvo" --folder "$work/fehlt" >/dev/null 2>"$work/missing.log" && fail "a missing --folder was accepted"
grep -q "gibt es nicht" "$work/missing.log" || fail "no reason for the missing folder"

# Starts zelvo in the background with the given environment changes.
start() {
    (cd "$work" && exec env -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR HOME="$work/home" LC_ALL=C.UTF-8 "$@") \
        >"$work/out.log" 2>"$work/err.log" &
    pid=$!
}
# Waits up to 10 s for a line in its stderr.
wait_for() {
    local i
    for i in $(seq 100); do
        grep -q "$1" "$work/err.log" && return 0
        kill -0 "$pid" 2>/dev/null || fail "zelvo ended: $1 never came"
        sleep 0.1
    done
    fail "no '$1' within 10 s"
}
stop() {
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null
    pid=""
}
# Nothing on stderr but the lines named.
only() {
    local extra
    extra=$(grep -v "$@" "$work/err.log")
    [ -z "$extra" ] || fail "unexpected output on stderr:"$'\n'"$extra"
}

# No display: headless by itself, in the default folder.
start env -u DISPLAY -u QT_QPA_PLATFORM "$zelvo" --default-folder
wait_for "läuft ohne Fenster im Ordner $work/home/Zelvo"
maps=$(cat "/proc/$pid/maps")
grep -q "zelvo-headless" <<<"$maps" || fail "not zelvo-headless that runs"
! grep -Eq "libQt6(Widgets|Gui)" <<<"$maps" || fail "a widget or GUI library is loaded"
[ -s "$work/home/Zelvo/LIESMICH.txt" ] || fail "the default folder has no LIESMICH.txt"
stop
grep -q "kein Bildschirm gefunden" "$work/err.log" || fail "zelvo did not say that it runs without a window"
# A first start in the new folder says once what is missing, in the log.
[ "$(grep -c "Es fehlen boxip.ini, .*LIESMICH.txt.*zelvo-check" "$work/err.log")" = 1 ] ||
    fail "the first start did not log once which files are missing"
only -e "kein Bildschirm gefunden" -e "läuft ohne Fenster im Ordner" -e "Es fehlen" -e "Zelvo beendet (SIGTERM)$"

# --headless with a display, in the current folder: no word about a display.
start env DISPLAY=:97 "$zelvo" --headless
wait_for "läuft ohne Fenster im Ordner $work\$"
stop
only -e "läuft ohne Fenster im Ordner" -e "Es fehlen" -e "Zelvo beendet (SIGTERM)$"

# The window on the offscreen platform, started the same way.
start env QT_QPA_PLATFORM=offscreen "$zelvo"
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the window ended within 2 s"
stop
only -e "^$" -e "Zelvo beendet (SIGTERM)$"
# zelvo send logs as Zelvo does: time stamp, category, message. Box 1's
# address is this machine's 0.x network, which is never contacted.
mkdir "$work/send"
printf '0.1.2.3\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n' >"$work/send/boxip.ini"
env -u XDG_RUNTIME_DIR HOME="$work/home" "$zelvo" send --folder "$work/send" "Hallo" 2>"$work/send.log"
grep -Eq "^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} zelvo\.send .*nicht gesendet an \"0\.1\.2\.3\"" \
    "$work/send.log" || fail "zelvo send does not log with time stamp and category:"$'\n'"$(cat "$work/send.log")"
echo "test_headless passed"
