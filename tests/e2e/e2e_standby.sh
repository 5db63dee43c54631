#!/usr/bin/env bash
# A box in standby shows nothing, so it gets nothing until it is switched on.
# Box 1 is on (tv), box 2 is in standby, box 3 is in standby too but has an
# old web server that cannot say so, box 4 is off. At 07:25:00, five seconds
# after the start, each of boxes 1 to 3 has a reminder due: box 1 and box 3
# get theirs at once (box 3 throws it away, as such a box does), box 2's is
# held, its lamp is amber and the tray tip counts it. `zelvo send --wait` to
# box 2 exits 3 (held), with --expire 0 it exits 1 (never held); the
# send-text dialog holds its text for box 2 and says so. Switched to tv, box 2
# gets the reminder, the script's text and the typed one, each once, within
# one watch tick; its lamp turns green and box 1 hears that box 2 was
# switched on.

source "$(dirname "$0")/lib.sh"
e2e_require
command -v convert >/dev/null 2>&1 && command -v identify >/dev/null 2>&1 ||
    e2e_skip "ImageMagick (convert, identify) is missing: make test installs it"
e2e_enter_namespace "$@"
e2e_setup_work
e2e_network 1 2 3

# Box 1 asks for status notices, the others do not.
e2e_write_crlf "$E2E_WORK/boxip.ini" "${E2E_BOX_ADDRESSES[@]}" " 1 " " 0 " " 0 " " 0 "
# The send-text dialog was last used for a popup to boxes 1 and 2.
e2e_write_crlf "$E2E_WORK/wendrel.ini" "Wahr" "Falsch" " 1 " " 1 " " 0 " " 0 "
# Box 2's reminder last, so that the panel speaks of it.
e2e_write_crlf "$E2E_WORK/zlv-tag.txt" \
    "07:25 07:30 p 1 Kaffee kochen" \
    "07:25 07:30 p 3 Blumen giessen" \
    "07:25 07:30 p 2 Muell rausbringen"

e2e_start_box 1 --mode tv
e2e_start_box 2 --mode standby
e2e_start_box 3 --mode standby --no-getmode
e2e_start_display
e2e_start_zelvo
main=$(e2e_window "$E2E_MAIN_TITLE")

reminder() { echo "Es ist 07:25 Uhr!"$'\n'"$E2E_RULE"$'\n\n'"07:30 Uhr $1"; }
reminder1=$(reminder "Kaffee kochen")
reminder2=$(reminder "Muell rausbringen")
reminder3=$(reminder "Blumen giessen")
head="Der Status der D-Boxen hat sich geändert:"$'\n\n'
held_file="$E2E_WORK/zelvo-zurueckgehalten.json"

# Requests to box $1 whose text (as sent, shown or not) is $2.
sent_count() {
    jq -c --arg t "$2" 'select(.text == $t)' "$E2E_WORK/box$1.jsonl" 2>/dev/null | wc -l
}
# The held messages, one JSON line each: box, reason, text.
held_list() {
    jq -c '.held[] | {box, reason, text}' "$held_file" 2>/dev/null
}
lamp_is() {
    local shot=$1 box=$2 colour=$3 actual
    actual=$(e2e_lamp_colour "$shot" "$box")
    [ "$actual" = "$colour" ] || e2e_fail "box $box's lamp in $(basename "$shot") is $actual, not $colour"
}
# Aktionen > Verlauf in a screenshot named $1, then closed.
verlauf_screenshot() {
    e2e_menu_entry "$main" 0 2
    e2e_wait_until 10 e2e_window "Verlauf" >/dev/null || e2e_fail "Aktionen > Verlauf did not open the record"
    local verlauf
    verlauf=$(e2e_window "Verlauf")
    # Wider than it opens, so that a delivered entry's outcome fits; at the
    # screen's left edge, so that none of it lies beyond the screen.
    xdotool windowmove "$verlauf" 0 0 windowsize "$verlauf" 1000 320 || e2e_fail "the Verlauf window could not be resized"
    e2e_wait_until 5 eval '[ "$(xdotool getwindowgeometry "$verlauf" | awk "/Geometry/ {print \$2}")" = 1000x320 ]' ||
        e2e_fail "the Verlauf window kept its size: $(xdotool getwindowgeometry "$verlauf")"
    sleep 0.7
    e2e_screenshot "$verlauf" "$1"
    e2e_keys Escape
    e2e_wait_until 5 e2e_no_window "Verlauf" || e2e_fail "the Verlauf window did not close"
}

# ---- start: box 2 in standby is not "switched on" -----------------------------
# The start-up notice names boxes 1 and 3 (whose mode cannot be known), not 2.
e2e_expect_message 1 nmsg 10 "$head- die 1. D-Box wurde eingeschaltet"$'\n'"- die 3. D-Box wurde eingeschaltet"$'\n'

# ---- 07:25:00: held for box 2, sent at once to boxes 1 and 3 -----------------------
e2e_expect_message 1 popup 15 "$reminder1"
e2e_wait_until 5 eval '[ "$(sent_count 3 "$reminder3")" -eq 1 ]' ||
    e2e_fail "box 3 (no mode question) did not get its reminder at once:"$'\n'"$(e2e_received 3)"
due=$(e2e_seconds_between "$E2E_ZELVO_T0" "$(e2e_arrival 1 "$reminder1")")
e2e_within "$due" 3 10 || e2e_fail "the reminders fired $due s after the start, not about 5 s"
# Box 3 threw it away, as a box in standby does; Zelvo could not know.
[ "$(jq -r --arg t "$reminder3" 'select(.text == $t) | .discarded' "$E2E_WORK/box3.jsonl")" = standby ] ||
    e2e_fail "box 3's simulator did not discard the reminder in standby: $(e2e_received 3)"
e2e_wait_until 5 eval '[ "$(held_list)" = "$(jq -c -n --arg t "$reminder2" "{box: 2, reason: \"standby\", text: \$t}")" ]' ||
    e2e_fail "box 2's reminder is not in $(basename "$held_file"): $(cat "$held_file" 2>/dev/null)"
grep -q "Box 2: Nachricht zurückgehalten (Box im Standby)" "$E2E_WORK/logs/zelvo.log" ||
    e2e_fail "the log does not say that box 2's reminder was held"
e2e_log "07:25: reminders sent to boxes 1 and 3, held for box 2"

# ---- zelvo send to the standby box ------------------------------------------------
out=$( (e2e_exec_zelvo send --wait --expire 0 --box 2 "Nur jetzt") 2>&1)
status=$?
[ "$status" -eq 1 ] || e2e_fail "zelvo send --wait --expire 0 to box 2 in standby exited $status, not 1: $out"
# The running Zelvo answers at once that it did not send it.
grep -q "Box 2 .*nicht angekommen - .*Box im Standby, nicht zurückgehalten" <<<"$out" ||
    e2e_fail "zelvo send --expire 0 did not say why nothing was sent: $out"
out=$( (e2e_exec_zelvo send --wait --box 2 "Bitte zurueckrufen") 2>&1)
status=$?
[ "$status" -eq 3 ] || e2e_fail "zelvo send --wait to box 2 in standby exited $status, not 3: $out"
grep -q "Box 2 .*zurückgehalten (Box im Standby)" <<<"$out" || e2e_fail "zelvo send did not say that it was held: $out"
e2e_log "zelvo send: --expire 0 exit 1, held exit 3"$'\n'"$out"

sleep 1
shot_amber="$E2E_SHOTS/e2e-standby-lampe-gelb.png"
e2e_screenshot "$main" e2e-standby-lampe-gelb
[ -f "$shot_amber" ] || e2e_fail "no screenshot of the main window"
lamp_is "$shot_amber" 1 00FF00
lamp_is "$shot_amber" 2 FFB000
lamp_is "$shot_amber" 3 00FF00
lamp_is "$shot_amber" 4 FF0000
verlauf_screenshot e2e-standby-verlauf-zurueckgehalten
# The tray icon's tip counts the held messages. (The tip window, titled
# "Zelvo" and larger than the icon, is not found by xdotool's search.)
tray_tip() {
    xwininfo -root -tree | awk '$2 == "\"Zelvo\":" && /\("zelvo" "Zelvo"\)/ {
        split($(NF-1), g, /[x+]/); if (g[1] > 64) { print $1; exit } }' | grep .
}
read -r ix iy < <(e2e_tray_icon) || e2e_fail "no tray icon of zelvo in trayer"
xdotool mousemove "$ix" "$iy" sleep 0.3 mousemove $((ix + 1)) "$iy" || e2e_fail "cannot point at the tray icon"
e2e_wait_until 5 tray_tip >/dev/null || e2e_fail "the tray icon shows no tip"
sleep 0.3
e2e_screenshot "$(tray_tip)" e2e-standby-tray-tipp

# The send-text dialog offers box 2 in standby: ticked last time, it gets
# nothing now, the text is held for it, and the dialog says so.
e2e_menu_entry "$main" 0 1 # Aktionen > Text sofort senden
e2e_wait_until 10 e2e_window "Text sofort senden" >/dev/null || e2e_fail "the send-text dialog did not open"
textsend=$(e2e_window "Text sofort senden")
e2e_click_twips "$textsend" 120 120 4095 2565 # Text1
e2e_type "Wer schaut, liest dies"
e2e_screenshot "$textsend" e2e-standby-textsend
e2e_click_twips "$textsend" 120 4080 4095 375 # Command1 "Text senden & Schließen"
e2e_wait_until 5 e2e_window "Zelvo" >/dev/null || e2e_fail "the dialog did not say which box holds the text"
e2e_screenshot "$(e2e_window Zelvo)" e2e-standby-textsend-gehalten
e2e_keys Return
e2e_wait_until 5 e2e_no_window "Text sofort senden" || e2e_fail "the send-text dialog stayed open after sending"
e2e_expect_message 1 popup 5 "Wer schaut, liest dies"

# A whole watch tick more: box 2 was asked its mode, and got no message.
sleep 10
[ -z "$(e2e_messages 2)" ] || e2e_fail "box 2 received a message in standby:"$'\n'"$(e2e_messages 2)"
jq -e 'select(.request | startswith("GET /control/getmode "))' "$E2E_WORK/box2.jsonl" >/dev/null ||
    e2e_fail "box 2 was never asked its mode: $(e2e_received 2)"
[ "$(held_list | jq -s -c 'map(.text)')" = "$(jq -n -c --arg r "$reminder2" '[$r, "Bitte zurueckrufen", "Wer schaut, liest dies"]')" ] ||
    e2e_fail "not the reminder and the texts held, in this order: $(held_list)"
e2e_log "box 2 in standby: only mode questions, two messages held"

# ---- box 2 switched on: the held messages go, in order, once -------------------------
e2e_box_mode 2 tv
t_on=$(e2e_now)
e2e_expect_message 2 popup 13 "$reminder2"
took=$(e2e_seconds_between "$t_on" "$(e2e_arrival 2 "$reminder2")")
e2e_log "box 2 got the held reminder $took s after it was switched on"
e2e_within "$took" 0 12 || e2e_fail "the held reminder came $took s after the switch, more than one watch tick"
e2e_expect_message 2 nmsg 5 "Bitte zurueckrufen"
e2e_expect_message 2 popup 5 "Wer schaut, liest dies"
e2e_expect_message 1 nmsg 5 "$head- die 2. D-Box wurde eingeschaltet"$'\n'
sleep 1
shot_green="$E2E_SHOTS/e2e-standby-lampe-gruen.png"
e2e_screenshot "$main" e2e-standby-lampe-gruen
lamp_is "$shot_green" 2 00FF00
verlauf_screenshot e2e-standby-verlauf-zugestellt
grep -q "Box 2 ist eingeschaltet: 3 zurückgehaltene Nachrichten gehen hinaus" "$E2E_WORK/logs/zelvo.log" ||
    e2e_fail "the log does not say that the held messages went out"
[ -z "$(held_list)" ] || e2e_fail "still held after delivery: $(held_list)"

# Nothing twice, nothing else, after one more tick.
sleep 10
actual=$(e2e_messages 2 | jq -s -c 'map(.text)')
[ "$actual" = "$(jq -n -c --arg r "$reminder2" '[$r, "Bitte zurueckrufen", "Wer schaut, liest dies"]')" ] ||
    e2e_fail "box 2 did not get exactly the reminder, then the texts:"$'\n'"$(e2e_messages 2)"
[ "$(e2e_total 1)" -eq 4 ] || e2e_fail "box 1 received $(e2e_total 1) messages, expected 4:"$'\n'"$(e2e_messages 1)"
[ "$(e2e_total 3)" -eq 1 ] || e2e_fail "box 3 received $(e2e_total 3) messages, expected 1:"$'\n'"$(e2e_messages 3)"
e2e_zelvo_running || e2e_fail "zelvo is no longer running"
echo "PASS ($E2E_SCRIPT_NAME)"
