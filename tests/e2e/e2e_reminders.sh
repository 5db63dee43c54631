#!/usr/bin/env bash
# The road of one reminder, and the weekly and dated lists in the same
# minute, with a second zelvo started in the same folder: zelvo starts at 07:24:55 on Thursday 24 December 2026; the daily
# list fires at 07:25:00, the weekly list at 07:25:20, the dated list at
# 07:25:40. Two records of one list in one minute, for two boxes, both arrive.

source "$(dirname "$0")/lib.sh"
e2e_require
e2e_enter_namespace "$@"
e2e_setup_work
e2e_network 1 2 3 4

# No status notices here (every option off), so each box gets reminders only.
e2e_write_crlf "$E2E_WORK/boxip.ini" "${E2E_BOX_ADDRESSES[@]}" " 0 " " 0 " " 0 " " 0 "
e2e_write_crlf "$E2E_WORK/zlv-tag.txt" \
    "07:25 07:30 p 2 Muell rausbringen" \
    "7:25 07:30 p 1 one-digit hour never fires" \
    "07:25 07:35 m 4 Fenster schliessen"
e2e_write_crlf "$E2E_WORK/zlv-woch.txt" \
    "do 07:25 07:40 p 3 Zeitung holen" \
    "sa 07:25 07:40 p 2 saturday never fires today" \
    "Do 07:25 07:40 p 2 upper case never fires" \
    "mf 07:25 07:45 m 1 Kaffee kochen"
e2e_write_crlf "$E2E_WORK/zlv-term.txt" \
    "25-12-2026 07:25 07:50 p 2 tomorrow" \
    "24-12-2026 07:25 07:50 p 3 Bescherung vorbereiten" \
    '"24-12-2026 ??:25 08:00 m 4 Kekse, Tee"'

e2e_start_boxes
e2e_start_display
e2e_start_zelvo
main=$(e2e_window "$E2E_MAIN_TITLE")

daily2="Es ist 07:25 Uhr!"$'\n'"$E2E_RULE"$'\n\n'"07:30 Uhr Muell rausbringen"
daily4="Es ist 07:25 Uhr!"$'\n'"$E2E_RULE"$'\n\n'"07:35 Uhr Fenster schliessen"
weekly3="Es ist Donnerstag 07:25 Uhr!"$'\n'"$E2E_RULE"$'\n\n'"07:40 Uhr Zeitung holen"
weekly1="Es ist Donnerstag 07:25 Uhr!"$'\n'"$E2E_RULE"$'\n\n'"07:45 Uhr Kaffee kochen"
# In the dated list the blank behind the box digit belongs to the text.
dated3="Es ist der 24-12-2026 07:25 Uhr !"$'\n'"$E2E_RULE"$'\n\n'"07:50 Uhr  Bescherung vorbereiten"
dated4="Es ist der 24-12-2026 07:25 Uhr !"$'\n'"$E2E_RULE"$'\n\n'"08:00 Uhr  Kekse, Tee"

# A second start in the same folder hands over to the first and ends at
# once; every count below stays what one Zelvo sends.
second=$( (e2e_exec_zelvo) 2>&1)
status=$?
[ "$status" -eq 0 ] || e2e_fail "the second zelvo ended with status $status: $second"
grep -q "läuft in diesem Ordner .* bereits als Prozess $E2E_ZELVO_PID" <<<"$second" ||
    e2e_fail "the second zelvo did not name the first one: $second"
e2e_log "second start handed over: $(grep 'bereits' <<<"$second")"

# 07:25:00 comes five seconds after the start.
e2e_expect_message 2 popup 15 "$daily2"
e2e_expect_message 4 nmsg 5 "$daily4"
sleep 1
e2e_screenshot "$main" e2e-startform-info
e2e_log "daily reminders arrived"

# The exact request line of the road of one reminder.
expected="GET /control/message?popup=Es%20ist%2007%3A25%20Uhr%21%0A${E2E_RULE}%0A%0A07%3A30%20Uhr%20Muell%20rausbringen HTTP/1.1"
actual=$(jq -r --arg t "$daily2" 'select(.text == $t) | .request' "$E2E_WORK/box2.jsonl" | head -n1)
[ "$actual" = "$expected" ] || e2e_fail "request line differs:"$'\n'"expected: $expected"$'\n'"actual:   $actual"

e2e_expect_message 3 popup 25 "$weekly3"
e2e_expect_message 1 nmsg 5 "$weekly1"
e2e_log "weekly reminders arrived"
e2e_expect_message 3 popup 25 "$dated3"
e2e_expect_message 4 nmsg 5 "$dated4"
e2e_log "dated reminders arrived"

# The lists are consulted 20 seconds apart.
t_daily=$(e2e_arrival 2 "$daily2")
t_weekly=$(e2e_arrival 3 "$weekly3")
t_dated=$(e2e_arrival 3 "$dated3")
d1=$(e2e_seconds_between "$t_daily" "$t_weekly")
d2=$(e2e_seconds_between "$t_weekly" "$t_dated")
d0=$(e2e_seconds_between "$E2E_ZELVO_T0" "$t_daily")
e2e_log "daily $d0 s after the start, weekly $d1 s after it, dated $d2 s after that"
e2e_within "$d0" 3 10 || e2e_fail "the daily list fired $d0 s after the start, not about 5 s (07:24:55 -> 07:25:00)"
e2e_within "$d1" 18.5 21.5 || e2e_fail "weekly $d1 s after daily, expected 20"
e2e_within "$d2" 18.5 21.5 || e2e_fail "dated $d2 s after weekly, expected 20"

# Nothing else, and nothing twice: wait past 07:25:45 and count.
sleep 3
for expectation in "1 1" "2 1" "3 2" "4 2"; do
    read -r box count <<<"$expectation"
    total=$(e2e_total "$box")
    [ "$total" -eq "$count" ] || e2e_fail "box $box received $total requests, expected $count:"$'\n'"$(e2e_received "$box")"
done
e2e_zelvo_running || e2e_fail "zelvo is no longer running"
echo "PASS ($E2E_SCRIPT_NAME)"
