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

e2e_start_headless

daily2="Es ist 07:25 Uhr!"$'\n'"$E2E_RULE"$'\n\n'"07:30 Uhr Muell rausbringen"
e2e_expect_message 2 popup 20 "$daily2"
e2e_zelvo_running || e2e_fail "zelvo --headless ended"
grep -q "zelvo.send" "$E2E_WORK/logs/zelvo.log" || e2e_fail "the request was not logged"
! grep -q "libQt6Widgets" "/proc/$E2E_ZELVO_PID/maps" || e2e_fail "the widget library is loaded"
e2e_log "the headless reminder arrived"
