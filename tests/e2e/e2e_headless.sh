#!/usr/bin/env bash
# Reminders without a window: zelvo --headless (no display at all) sends the
# daily reminder of 07:25 to box 2 and logs it, as the user service would.

source "$(dirname "$0")/lib.sh"
e2e_require
e2e_enter_namespace "$@"
e2e_setup_work
e2e_network 1 2 3 4

e2e_write_crlf "$E2E_WORK/boxip.ini" "${E2E_BOX_ADDRESSES[@]}" " 0 " " 0 " " 0 " " 0 "
e2e_write_crlf "$E2E_WORK/zlv-tag.txt" "07:25 07:30 p 2 Muell rausbringen"
e2e_start_boxes

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

daily2="Es ist 07:25 Uhr!"$'\n'"$E2E_RULE"$'\n\n'"07:30 Uhr Muell rausbringen"
e2e_expect_message 2 popup 20 "$daily2"
e2e_zelvo_running || e2e_fail "zelvo --headless ended"
grep -q "zelvo.send" "$E2E_WORK/logs/zelvo.log" || e2e_fail "the request was not logged"
! grep -q "libQt6Widgets" "/proc/$E2E_ZELVO_PID/maps" || e2e_fail "the widget library is loaded"
e2e_log "the headless reminder arrived"
