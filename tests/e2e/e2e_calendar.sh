#!/usr/bin/env bash
# A calendar beside the lists, under the faked clock: an .ics file whose
# alarm and a daily list line fall due in the same second, 07:25:00. zelvo
# --headless sends each once, to its boxes: the list's popup to box 2, the
# calendar's message to boxes 1 and 2; boxes 3 and 4 get nothing.

source "$(dirname "$0")/lib.sh"
e2e_require
e2e_enter_namespace "$@"
e2e_setup_work
e2e_network 1 2 3 4

e2e_write_crlf "$E2E_WORK/boxip.ini" "${E2E_BOX_ADDRESSES[@]}" " 0 " " 0 " " 0 " " 0 "
e2e_write_crlf "$E2E_WORK/zlv-tag.txt" "07:25 07:30 p 2 Muell rausbringen"
e2e_write_crlf "$E2E_WORK/zelvo.ini" "[Kalender]" "Boxen=12" "Art=message"
e2e_write_crlf "$E2E_WORK/familie.ics" "BEGIN:VCALENDAR" "VERSION:2.0" "PRODID:-//e2e//DE" \
    "BEGIN:VEVENT" "UID:bus@e2e" "DTSTAMP:20261201T000000Z" "DTSTART;TZID=Europe/Berlin:20261224T074000" \
    "SUMMARY:Bus zur Oma" "BEGIN:VALARM" "ACTION:DISPLAY" "TRIGGER:-PT15M" "END:VALARM" "END:VEVENT" "END:VCALENDAR"
e2e_start_boxes
e2e_start_headless

daily2="Es ist 07:25 Uhr!"$'\n'"$E2E_RULE"$'\n\n'"07:30 Uhr Muell rausbringen"
calendar="07:40 Bus zur Oma"
e2e_expect_message 2 popup 20 "$daily2"
e2e_expect_message 2 nmsg 5 "$calendar"
e2e_expect_message 1 nmsg 5 "$calendar"
# Both went in the same second (the boxes' clocks are not faked: they arrive
# within a second of each other).
list_at=$(e2e_arrival 2 "$daily2")
for box in 1 2; do
    at=$(e2e_arrival "$box" "$calendar")
    e2e_within "$(e2e_seconds_between "$list_at" "$at")" -0.9 0.9 ||
        e2e_fail "box $box got the calendar's reminder $(e2e_seconds_between "$list_at" "$at") s from the list's"
done
# A few seconds later still once each (those above), and nothing elsewhere.
sleep 4
expected=(0 1 2 0 0) # messages per box, 1 to 4
for box in 1 2 3 4; do
    [ "$(e2e_messages "$box" | wc -l)" = "${expected[$box]}" ] ||
        e2e_fail "box $box got other messages than its reminders, or one twice: $(e2e_received "$box")"
done
e2e_zelvo_running || e2e_fail "zelvo --headless ended"
grep -q "Kalender familie.ics an Box 1" "$E2E_WORK/logs/zelvo.log" || e2e_fail "the calendar's reminder was not logged"
e2e_log "the calendar's and the list's reminders of 07:25:00 arrived once each"
