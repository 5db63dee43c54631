# Shared set-up of the end-to-end tests, sourced by each scenario script.
#
# A scenario runs the real zelvo as a user would: inside a private network
# namespace that holds four box addresses on lo, with a box simulator on
# port 80 of each, on its own Xvfb display with the tray host trayer, in a
# temporary working folder, under libfaketime so that the wanted minute
# comes within seconds. Nothing leaves the namespace: it has no device but lo.
#
# Environment (set by CTest): ZELVO_VERSION (from the build), ZELVO_BIN,
# BOXSIM_BIN, ZELVO_SCREENSHOTS.
# A scenario that cannot run here says why and exits 77 (skipped).

set -u

# Every tool driven here (xdotool typing "„Opa“ 5 €", jq, zelvo) in UTF-8,
# whatever the caller's locale, or none (C.UTF-8 needs no generated locale).
export LC_ALL=C.UTF-8
unset LANGUAGE

E2E_SCRIPT_NAME=$(basename "$0" .sh)
E2E_SKIP=77
# the main window's title (a regular expression): a Zelvo on a folder other
# than ~/Zelvo names it there
E2E_MAIN_TITLE="Zelvo v${ZELVO_VERSION:?set by CTest from the build} beta( - .*)?"
E2E_BOX_ADDRESSES=(10.77.0.2 10.77.0.3 10.77.0.4 10.77.0.5) # boxes 1 to 4
E2E_FAKE_START="2026-12-24 07:24:55"                         # a Thursday
E2E_PIDS=()
E2E_WORK=""
E2E_DISPLAY=""
E2E_ZELVO_PID=""
E2E_ZELVO_T0=""
E2E_ZELVO_WRAPPER=() # a command that zelvo is started through, e.g. to drop capabilities
# Every helper dies with this script, even when it is killed without a chance
# to clean up (a CTest time-out), so no process keeps the namespace alive.
E2E_GUARD=(setpriv --pdeathsig KILL --)

e2e_skip() {
    echo "SKIPPED ($E2E_SCRIPT_NAME): $*"
    exit "$E2E_SKIP"
}

e2e_log() {
    echo "[$(date +%H:%M:%S.%3N)] $*"
}

# Prints what the programs said, then fails the scenario.
e2e_fail() {
    echo "FAIL ($E2E_SCRIPT_NAME): $*" >&2
    if [ -n "$E2E_WORK" ] && [ -d "$E2E_WORK" ]; then
        local f
        for f in "$E2E_WORK"/logs/*; do
            [ -f "$f" ] || continue
            echo "----- $(basename "$f") (last 60 lines)" >&2
            tail -n 60 "$f" >&2
        done
    fi
    exit 1
}

# Everything this scenario needs, or a skip that says what is missing.
e2e_require() {
    [ "$(locale charmap 2>/dev/null)" = UTF-8 ] ||
        e2e_skip "the locale C.UTF-8 is missing (Debian's C library has it): typing German text needs a UTF-8 locale"
    [ "$(id -u)" -eq 0 ] || e2e_skip "needs root: only root can give the simulated boxes a private network"
    [ -n "${ZELVO_BIN:-}" ] && [ -x "$ZELVO_BIN" ] || e2e_skip "the program zelvo was not built (looked for '${ZELVO_BIN:-}')"
    [ -n "${BOXSIM_BIN:-}" ] && [ -x "$BOXSIM_BIN" ] || e2e_skip "the program boxsim was not built (looked for '${BOXSIM_BIN:-}')"
    local tool
    for tool in unshare setpriv ip sysctl Xvfb trayer xdotool xwininfo jq; do
        command -v "$tool" >/dev/null 2>&1 || e2e_skip "the tool $tool is missing: make test installs it"
    done
    E2E_FAKETIME_LIB=""
    local lib
    for lib in /usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 /usr/lib/*/faketime/libfaketime.so.1; do
        if [ -f "$lib" ]; then E2E_FAKETIME_LIB=$lib; break; fi
    done
    [ -n "$E2E_FAKETIME_LIB" ] || e2e_skip "the fake-time library is missing: make test installs it (Debian package faketime)"
}

# Runs the rest of the calling script again inside a new network namespace.
# The namespace lives as long as the processes in it: the exit trap ends
# them all, and with them the namespace.
e2e_enter_namespace() {
    if [ "${ZELVO_E2E_IN_NETNS:-}" = 1 ]; then
        return 0
    fi
    unshare --net true 2>/dev/null || e2e_skip "no private network: this system does not let the test have one (unshare --net failed)"
    exec unshare --net -- env ZELVO_E2E_IN_NETNS=1 bash "$0" "$@"
}

# lo up, the wanted box addresses on it, a route for the whole box net (so an
# address that is not on lo is a box that is switched off), ping sockets for
# everyone, and binding to box addresses that are not there (yet).
e2e_network() {
    # Never touch the host's network: this must be a namespace of our own.
    [ "${ZELVO_E2E_IN_NETNS:-}" = 1 ] && [ "$(readlink /proc/self/ns/net)" != "$(readlink /proc/1/ns/net)" ] ||
        e2e_fail "not inside a private network namespace"
    ip link set lo up || e2e_fail "cannot bring up lo"
    local box
    for box in "$@"; do
        ip addr add "${E2E_BOX_ADDRESSES[$((box - 1))]}/32" dev lo || e2e_fail "cannot add box $box's address"
    done
    ip route add 10.77.0.0/24 dev lo || e2e_fail "cannot add the box route"
    if [ "${E2E_PING_SOCKETS:-1}" = 1 ]; then
        sysctl -qw net.ipv4.ping_group_range="0 2147483647" || e2e_fail "cannot open ping sockets in the namespace"
    else
        sysctl -qw net.ipv4.ping_group_range="1 0" || e2e_fail "cannot close ping sockets in the namespace"
    fi
    sysctl -qw net.ipv4.ip_nonlocal_bind=1 || e2e_fail "cannot allow non-local binds in the namespace"
    # Only lo exists here: nothing can reach another network.
    if ip -o link show | grep -qv ': lo:'; then
        e2e_fail "the private namespace has devices other than lo"
    fi
}

e2e_box_on() {
    ip addr add "${E2E_BOX_ADDRESSES[$(($1 - 1))]}/32" dev lo || e2e_fail "cannot switch box $1 on"
}

e2e_box_off() {
    ip addr del "${E2E_BOX_ADDRESSES[$(($1 - 1))]}/32" dev lo || e2e_fail "cannot switch box $1 off"
}

e2e_cleanup() {
    # Last started first: zelvo before its display, the display before the boxes.
    local pid idx
    local reversed=()
    for ((idx = ${#E2E_PIDS[@]} - 1; idx >= 0; idx--)); do
        reversed+=("${E2E_PIDS[$idx]}")
    done
    for pid in "${reversed[@]}"; do
        kill -TERM "$pid" 2>/dev/null
    done
    for pid in "${reversed[@]}"; do
        # Bounded: a process that ignores TERM gets KILL after two seconds.
        local i
        for i in $(seq 1 20); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    if [ -n "$E2E_WORK" ] && [ -d "$E2E_WORK" ] && [ -z "${ZELVO_E2E_KEEP:-}" ]; then
        rm -rf "$E2E_WORK"
    fi
}

e2e_setup_work() {
    E2E_WORK=$(mktemp -d /tmp/zelvo-e2e-"$E2E_SCRIPT_NAME".XXXXXX) || e2e_fail "cannot make a working folder"
    mkdir -p "$E2E_WORK/logs" "$E2E_WORK/runtime" "$E2E_WORK/home"
    chmod 700 "$E2E_WORK/runtime"
    trap e2e_cleanup EXIT
    trap 'exit 1' INT TERM
    E2E_SHOTS=${ZELVO_SCREENSHOTS:-$E2E_WORK/screenshots}
    mkdir -p "$E2E_SHOTS"
}

# Polls "$@" every 0.1 s until it succeeds or $1 seconds have passed.
e2e_wait_until() {
    local seconds=$1
    shift
    local tries=$((seconds * 10)) i
    for ((i = 0; i < tries; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}

e2e_now() {
    date +%s.%N
}

# A file written with CR LF line ends.
e2e_write_crlf() {
    local file=$1
    shift
    : >"$file"
    local line
    for line in "$@"; do
        printf '%s\r\n' "$line" >>"$file"
    done
}

e2e_start_boxes() {
    local box address
    for box in 1 2 3 4; do
        address=${E2E_BOX_ADDRESSES[$((box - 1))]}
        "${E2E_GUARD[@]}" "$BOXSIM_BIN" --address "$address" --port 80 --out "$E2E_WORK/box$box.jsonl" \
            >"$E2E_WORK/logs/boxsim$box.log" 2>&1 &
        E2E_PIDS+=($!)
    done
    for box in 1 2 3 4; do
        e2e_wait_until 10 grep -q "wartet auf" "$E2E_WORK/logs/boxsim$box.log" ||
            e2e_fail "box simulator $box did not start"
    done
}

# A display number of our own. Xvfb takes /tmp/.X<n>-lock atomically, and a
# second server for the same number gives up; -displayfd alone is not enough,
# since servers in different network namespaces do not see each other's
# sockets and would all take :0.
# Extra arguments go to Xvfb.
e2e_start_display() {
    local attempt n pid i
    E2E_DISPLAY=""
    for attempt in $(seq 1 20); do
        n=$((40 + (RANDOM % 400)))
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        "${E2E_GUARD[@]}" Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset "$@" >"$E2E_WORK/logs/xvfb.log" 2>&1 &
        pid=$!
        for i in $(seq 1 100); do
            kill -0 "$pid" 2>/dev/null || break
            if [ "$(cat "/tmp/.X$n-lock" 2>/dev/null | tr -dc '0-9')" = "$pid" ] &&
                xwininfo -display ":$n" -root >/dev/null 2>&1; then
                E2E_DISPLAY=":$n"
                break
            fi
            sleep 0.1
        done
        if [ -n "$E2E_DISPLAY" ]; then
            E2E_PIDS+=("$pid")
            break
        fi
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    [ -n "$E2E_DISPLAY" ] || e2e_fail "Xvfb did not start on any free display"
    export DISPLAY=$E2E_DISPLAY
    e2e_log "display $DISPLAY"

    # The tray host, at the bottom right; zelvo's icon docks into it.
    "${E2E_GUARD[@]}" trayer --edge bottom --align right --widthtype pixel --width 96 --heighttype pixel --height 28 \
        --SetDockType true --SetPartialStrut false --transparent false --tint 0x404040 \
        >"$E2E_WORK/logs/trayer.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait_until 15 e2e_trayer_window >/dev/null || e2e_fail "the tray host trayer did not come up"
}

e2e_trayer_window() {
    xdotool search --classname '^trayer$' 2>/dev/null | head -n1 | grep .
}

# Starts zelvo in the working folder at the faked moment E2E_FAKE_START.
# Runs zelvo (with the arguments given) in the working folder, on the
# scenario's display, clock and runtime folder; call it in a subshell.
e2e_exec_zelvo() {
    cd "$E2E_WORK" || exit 1
    exec env -u DBUS_SESSION_BUS_ADDRESS -u WAYLAND_DISPLAY \
        QT_QPA_PLATFORM=xcb DISPLAY="$E2E_DISPLAY" \
        XDG_RUNTIME_DIR="$E2E_WORK/runtime" HOME="$E2E_WORK/home" \
        TZ=Europe/Berlin LC_ALL=C.UTF-8 \
        LD_PRELOAD="$E2E_FAKETIME_LIB" FAKETIME="@$E2E_FAKE_START" \
        FAKETIME_DONT_FAKE_MONOTONIC=1 FAKETIME_NO_CACHE=1 \
        "${E2E_GUARD[@]}" "${E2E_ZELVO_WRAPPER[@]}" "$ZELVO_BIN" "$@"
}

e2e_start_zelvo() {
    (e2e_exec_zelvo) >"$E2E_WORK/logs/zelvo.log" 2>&1 &
    E2E_ZELVO_PID=$!
    E2E_ZELVO_T0=$(e2e_now)
    E2E_PIDS+=("$E2E_ZELVO_PID")
    e2e_wait_until 20 e2e_window "$E2E_MAIN_TITLE" >/dev/null || e2e_fail "the main window did not appear"
    e2e_log "zelvo runs (pid $E2E_ZELVO_PID), main window $(e2e_window "$E2E_MAIN_TITLE")"
}

# Starts zelvo --headless on the working folder at the faked moment
# E2E_FAKE_START, with no display at all, and waits until it runs.
e2e_start_headless() {
    (
        cd / || exit 1
        exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u DBUS_SESSION_BUS_ADDRESS \
            HOME="$E2E_WORK/home" TZ=Europe/Berlin LC_ALL=C.UTF-8 \
            LD_PRELOAD="$E2E_FAKETIME_LIB" FAKETIME="@$E2E_FAKE_START" \
            FAKETIME_DONT_FAKE_MONOTONIC=1 FAKETIME_NO_CACHE=1 \
            "${E2E_GUARD[@]}" "$ZELVO_BIN" --headless --folder "$E2E_WORK"
    ) >"$E2E_WORK/logs/zelvo.log" 2>&1 &
    E2E_ZELVO_PID=$!
    E2E_PIDS+=("$E2E_ZELVO_PID")
    e2e_wait_until 10 grep -qs "läuft ohne Fenster" "$E2E_WORK/logs/zelvo.log" || e2e_fail "zelvo --headless did not start"
}

# The id of a visible window with exactly this title that is larger than a
# tray icon (a message box has the program's name as its title, as the icon).
e2e_big_window() {
    local id
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        if [ "$(xwininfo -id "$id" | awk '/^ +Width:/ {print $2}')" -gt 100 ]; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

# The id of the visible window with exactly this title.
e2e_window() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 | grep .
}

e2e_no_window() {
    ! e2e_window "$1" >/dev/null
}

# x y of a window's top left corner on the screen.
e2e_window_origin() {
    local id=$1
    xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}'
}

# Clicks a point given in the window's own pixels. (No "mousemove --sync":
# it waits for a motion that never comes when the pointer is there already.)
e2e_click() {
    local id=$1 x=$2 y=$3 button=${4:-1}
    local ox oy
    read -r ox oy < <(e2e_window_origin "$id")
    xdotool mousemove $((ox + x)) $((oy + y)) sleep 0.15 click "$button" || e2e_fail "click at $x,$y failed"
    sleep 0.3
}

# Clicks the centre of a control given by its position in twips (15 twips are
# one pixel), relative to the window's client area.
e2e_click_twips() {
    local id=$1 left=$2 top=$3 width=$4 height=$5
    e2e_click "$id" $(((left + width / 2) / 15)) $(((top + height / 2) / 15))
}

e2e_keys() {
    xdotool key --delay 60 "$@" || e2e_fail "keys $* failed"
    sleep 0.2
}

e2e_type() {
    # Characters the keymap lacks get spare keys first: xdotool would remap a
    # key per character, and under load the program reads a key by the map
    # that came after it, so a character went missing.
    local c code=200 binds=()
    while IFS= read -r c; do
        [ -n "$c" ] && binds+=(-e "keycode $code = $(printf 'U%04X' "'$c")") && code=$((code + 1))
    done < <(printf '%s' "$1" | grep -o '[^ -~]' | sort -u)
    if [ ${#binds[@]} -gt 0 ]; then
        xmodmap "${binds[@]}" || e2e_fail "the keymap could not be extended"
        sleep 0.3
    fi
    xdotool type --delay 40 -- "$1" || e2e_fail "typing failed"
    sleep 0.2
}

e2e_screenshot() {
    local id=$1 name=$2
    if ! command -v import >/dev/null 2>&1; then
        echo "warning: no screenshot $name: 'import' (imagemagick) is missing" >&2
        return 0
    fi
    if import -display "$E2E_DISPLAY" -window "$id" "$E2E_SHOTS/$name.png" 2>"$E2E_WORK/logs/import.log"; then
        e2e_log "screenshot $E2E_SHOTS/$name.png"
    else
        echo "warning: screenshot $name failed: $(cat "$E2E_WORK/logs/import.log")" >&2
    fi
}

# How many messages of kind $2 box $1 received whose text the television
# shows exactly as $3.
e2e_count() {
    local box=$1 kind=$2 text=$3
    [ -f "$E2E_WORK/box$box.jsonl" ] || { echo 0; return; }
    jq -c --arg k "$kind" --arg t "$text" 'select(.kind == $k and .shown == $t)' "$E2E_WORK/box$box.jsonl" | wc -l
}

e2e_has() {
    [ "$(e2e_count "$@")" -ge 1 ]
}

# How many requests box $1 received in all, besides the question for its web
# server version that each box is asked when it comes on.
e2e_total() {
    if [ -f "$E2E_WORK/box$1.jsonl" ]; then
        e2e_messages "$1" | wc -l
    else
        echo 0
    fi
}

# The requests to box $1 that were messages, not questions (version, mode).
e2e_messages() {
    [ -f "$E2E_WORK/box$1.jsonl" ] || return 0
    jq -c 'select(.request | test("^GET /(control/(info\\?nhttpd_version|getmode|standby)|api/(about|powerstate|statusinfo))[ ?]") | not)' \
        "$E2E_WORK/box$1.jsonl"
}

e2e_received() {
    cat "$E2E_WORK/box$1.jsonl" 2>/dev/null
}

# Waits up to $3 seconds for box $1 to receive a message of kind $2 whose text
# is exactly $4.
e2e_expect_message() {
    local box=$1 kind=$2 seconds=$3 text=$4
    e2e_wait_until "$seconds" e2e_has "$box" "$kind" "$text" ||
        e2e_fail "box $box received no $kind with the text $(jq -n --arg t "$text" '$t') within $seconds s"$'\n'"it received: $(e2e_received "$box")"
}

# The arrival time (seconds since the epoch, with fraction) of the first
# request to box $1 whose text the television shows exactly as $2.
e2e_arrival() {
    local box=$1 text=$2
    jq -r --arg t "$text" 'select(.shown == $t) | .time
        | ((sub("\\.[0-9]+Z$"; "Z") | fromdateiso8601) + (.[20:23] | tonumber) / 1000)' \
        "$E2E_WORK/box$box.jsonl" 2>/dev/null | head -n1
}

# Seconds from $1 to $2 (epoch seconds with fraction), to one decimal.
e2e_seconds_between() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'
}

# True when $1 lies within [$2, $3].
e2e_within() {
    awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'
}

# The centre of zelvo's tray icon on the screen: its small window docked
# into trayer's panel.
e2e_tray_icon() {
    xwininfo -root -tree | awk -v title="$E2E_MAIN_TITLE" '/\("zelvo" "Zelvo"\)/ && $0 !~ title {
        split($(NF-1), g, /[x+]/); if (g[1] >= 8 && g[1] <= 64 && g[2] >= 8 && g[2] <= 64) {
            split($NF, a, "+"); print a[2] + int(g[1] / 2), a[3] + int(g[2] / 2); exit } }' | grep .
}

# Right-click on the tray icon, then "Beenden", the third entry of its menu.
e2e_tray_quit() {
    e2e_tray_menu "${1:-e2e-tray-menu}"
    e2e_keys Down Down Down Down Return # Öffnen, Text sofort senden, Verlauf, Beenden
}

# Right-click on the tray icon: its menu "Datei" opens.
e2e_tray_menu() {
    local shot=$1
    e2e_wait_until 5 e2e_tray_icon >/dev/null || e2e_fail "no tray icon of zelvo in trayer:"$'\n'"$(xwininfo -root -tree)"
    local ix iy
    read -r ix iy < <(e2e_tray_icon)
    xdotool mousemove "$ix" "$iy" sleep 0.15 click 3 || e2e_fail "right-click on the tray icon failed"
    sleep 0.7
    [ -n "$shot" ] && e2e_screenshot root "$shot"
}

e2e_zelvo_running() {
    kill -0 "$E2E_ZELVO_PID" 2>/dev/null
}

# The rule of 62 hyphens of every reminder message.
E2E_RULE=$(printf -- '-%.0s' $(seq 1 62))

# Starts the box simulator of box $1 alone, with further boxsim options
# (e.g. --mode standby, --no-getmode), and waits until it listens.
e2e_start_box() {
    local box=$1
    shift
    "${E2E_GUARD[@]}" "$BOXSIM_BIN" --address "${E2E_BOX_ADDRESSES[$((box - 1))]}" --port 80 \
        --out "$E2E_WORK/box$box.jsonl" "$@" >"$E2E_WORK/logs/boxsim$box.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait_until 10 grep -q "wartet auf" "$E2E_WORK/logs/boxsim$box.log" ||
        e2e_fail "box simulator $box did not start"
}

# Switches box $1's simulator to mode $2 (tv, standby, avinput, ...) as the
# remote control would; boxsim answers with the mode it is in now. Plain
# bash, no HTTP client needed.
e2e_box_mode() {
    local box=$1 mode=$2 answer
    exec {fd}<>"/dev/tcp/${E2E_BOX_ADDRESSES[$((box - 1))]}/80" || e2e_fail "cannot reach box $box's simulator"
    printf 'GET /boxsim/mode?set=%s HTTP/1.1\r\nHost: box\r\nConnection: close\r\n\r\n' "$mode" >&"$fd"
    answer=$(tail -n1 <&"$fd")
    exec {fd}<&-
    [ "$answer" = "$mode" ] || e2e_fail "box $box's simulator did not switch to $mode: $answer"
}

# The colour of one pixel of a PNG file, as RRGGBB.
e2e_pixel() {
    convert "$1" -format '%[hex:u.p{'"$2,$3"'}]' info: 2>/dev/null | cut -c1-6
}

# The colour (RRGGBB) of box $2's lamp in the screenshot $1 of the main
# window: each lamp is a 6 x 6 pixel square at the right of the drawn box,
# 9 pixels below the one before; the client area is the window's bottom
# 293 pixels (the menu bar is above it).
e2e_lamp_colour() {
    local shot=$1 box=$2 height
    height=$(identify -format '%h' "$shot") || return 1
    e2e_pixel "$shot" 355 $((height - 293 + 227 + 9 * (box - 1) + 3))
}

# Opens entry $3 (counted from 1) of a menu in the bar of window $1: the
# first menu, "Aktionen", or $2 times Right from it. Opened by a click, a
# menu has no item active; reached with the keyboard, its first one.
e2e_menu_entry() {
    local id=$1 rights=$2 downs=$3 i
    e2e_click "$id" 36 9
    if [ "$rights" -gt 0 ]; then
        e2e_keys $(for ((i = 0; i < rights; i++)); do echo Right; done)
        downs=$((downs - 1))
    fi
    e2e_keys $(for ((i = 0; i < downs; i++)); do echo Down; done) Return
}
