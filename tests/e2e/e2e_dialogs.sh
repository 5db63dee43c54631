#!/usr/bin/env bash
# The user's hands: the send-text dialog and the box address dialog driven
# with xdotool through the menus, the "Verlauf" window with every message
# sent or refused, and quitting through the tray menu. Boxes 1 and 2 are on,
# boxes 3 and 4 are off.

source "$(dirname "$0")/lib.sh"
e2e_require
e2e_enter_namespace "$@"
e2e_setup_work
e2e_network 1 2

e2e_write_crlf "$E2E_WORK/boxip.ini" "${E2E_BOX_ADDRESSES[@]}" " 0 " " 0 " " 0 " " 0 "
# Last time: Message, and box 3 ticked (box 3 is off now, so it shows greyed).
e2e_write_crlf "$E2E_WORK/wendrel.ini" "Falsch" "Wahr" " 0 " " 0 " " 1 " " 0 "

e2e_start_boxes
e2e_start_display
e2e_start_zelvo
main=$(e2e_window "$E2E_MAIN_TITLE")
sleep 1.5 # the start-up status tick has set the lamps

# Opens a menu of the main window's bar: "Aktionen" is its first title;
# Right moves on to the next menu ($1 times); entry $2 (counted from 1, the
# first by default) is chosen with Down and taken with Return. Reached with
# the keyboard, a menu opens with its first item already active.
open_from_menu() {
    e2e_click "$main" 36 9
    local downs=${2:-1}
    if [ "$1" -gt 0 ]; then
        e2e_keys $(for ((i = 0; i < $1; i++)); do echo Right; done)
        downs=$((downs - 1))
    fi
    e2e_keys $(for ((i = 0; i < downs; i++)); do echo Down; done) Return
}

# ---- send a text at once ---------------------------------------------------
open_from_menu 0 # Aktionen > Text sofort senden
e2e_wait_until 10 e2e_window "Text sofort senden" >/dev/null || e2e_fail "the send-text dialog did not open"
textsend=$(e2e_window "Text sofort senden")
e2e_screenshot "$textsend" e2e-textsend-open

e2e_click_twips "$textsend" 120 120 4095 2565 # Text1
e2e_type "Erste Zeile & 100% #1"
e2e_keys Return
e2e_type "Zweite Zeile"
e2e_click_twips "$textsend" $((120 + 120)) $((2880 + 360)) 975 255    # Option1(0) "Popup"
e2e_click_twips "$textsend" $((1680 + 120)) $((2880 + 360)) 1095 255  # Check1(0) box 1
e2e_click_twips "$textsend" $((1680 + 120)) $((2880 + 600)) 1095 255  # Check1(1) box 2
e2e_screenshot "$textsend" e2e-textsend-filled
e2e_click_twips "$textsend" 120 4080 4095 375 # Command1 "Text senden & Schließen"
# Box 3 is ticked but off: the text waits for it, and the dialog says so.
e2e_wait_until 5 e2e_window "Zelvo" >/dev/null || e2e_fail "the dialog did not say which box holds the text"
e2e_screenshot "$(e2e_window Zelvo)" e2e-textsend-gehalten
e2e_keys Return

sent="Erste Zeile & 100% #1"$'\n'"Zweite Zeile"
e2e_expect_message 1 popup 5 "$sent"
e2e_expect_message 2 popup 5 "$sent"
e2e_wait_until 5 e2e_no_window "Text sofort senden" || e2e_fail "the send-text dialog stayed open after sending"
e2e_screenshot "$main" e2e-startform-sendtext
printf 'Wahr\r\nFalsch\r\n 1 \r\n 1 \r\n 1 \r\n 0 \r\n' >"$E2E_WORK/wendrel.expected"
cmp -s "$E2E_WORK/wendrel.ini" "$E2E_WORK/wendrel.expected" ||
    e2e_fail "wendrel.ini is not the six expected lines:"$'\n'"$(od -c "$E2E_WORK/wendrel.ini")"
sleep 1
# Box 3 was ticked but is off (its text is held); boxes 3 and 4 hear nothing.
[ "$(e2e_total 3)" -eq 0 ] && [ "$(e2e_total 4)" -eq 0 ] || e2e_fail "a switched-off box received something"
e2e_log "send-text dialog: sent to boxes 1 and 2, wendrel.ini written"

# ---- box addresses -----------------------------------------------------------
open_from_menu 1 # Einstellungen > IP der D-Boxen
e2e_wait_until 10 e2e_window "IP der D-Boxen" >/dev/null || e2e_fail "the box address dialog did not open"
boxip=$(e2e_window "IP der D-Boxen")
e2e_screenshot "$boxip" e2e-boxip-open

# Box 4 gets box 2's address: entering the field selects its text, typing
# replaces it. A comma or a double quote would break boxip.ini: not taken.
e2e_click_twips "$boxip" $((3000 + 120)) $((1800 + 720)) 1695 285 # Text1(3)
e2e_type '10.77.0.3,"'
e2e_click_twips "$boxip" $((3000 + 1920)) $((1800 + 720)) 495 255 # Command2(3) "Test"
test_text="Dies ist ein Test für die  4. D-Box2!"$'\n\n'"Wenn Sie dies auf dem Fernseher lesen können,"$'\n'"ist die IP 10.77.0.3 richtig!"
e2e_expect_message 2 nmsg 5 "$test_text"
e2e_window "IP der D-Boxen" >/dev/null || e2e_fail "the box address dialog closed on Test"

# Box 3's field emptied and left: "0.0.0.0" comes back. Box 1 asks for notices.
e2e_click_twips "$boxip" $((3000 + 120)) $((120 + 720)) 1695 285 # Text1(2)
e2e_keys BackSpace
# Its test reaches no box: the record says so, and the panel too.
e2e_click_twips "$boxip" $((3000 + 1920)) $((120 + 720)) 495 255 # Command2(2) "Test"
e2e_click_twips "$boxip" $((120 + 360)) $((120 + 1080)) 1815 375 # Check1(0)
e2e_screenshot "$boxip" e2e-boxip-filled
e2e_click_twips "$boxip" 120 3600 5535 375 # Command1 "Speichern & Schließen"
e2e_wait_until 5 e2e_no_window "IP der D-Boxen" || e2e_fail "the box address dialog stayed open after saving"

printf '10.77.0.2\r\n10.77.0.3\r\n0.0.0.0\r\n10.77.0.3\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n' >"$E2E_WORK/boxip.expected"
cmp -s "$E2E_WORK/boxip.ini" "$E2E_WORK/boxip.expected" ||
    e2e_fail "boxip.ini is not the eight expected lines:"$'\n'"$(od -c "$E2E_WORK/boxip.ini")"
e2e_log "box address dialog: test sent, boxip.ini written"

# The next watch tick reads the saved list: box 4 now answers, and box 1 hears so.
e2e_expect_message 1 nmsg 13 "Der Status der D-Boxen hat sich geändert:"$'\n\n'"- die 4. D-Box wurde eingeschaltet"$'\n'
e2e_log "the status watch uses the saved addresses"

# ---- the delivery record ---------------------------------------------------------
open_from_menu 0 2 # Aktionen > Verlauf
e2e_wait_until 10 e2e_window "Verlauf" >/dev/null || e2e_fail "Aktionen > Verlauf did not open the record"
verlauf=$(e2e_window "Verlauf")
sleep 0.5
e2e_screenshot "$verlauf" e2e-verlauf
# It can be enlarged so that long texts fit.
xdotool windowsize "$verlauf" 920 420 || e2e_fail "the Verlauf window could not be resized"
sleep 0.5
[ "$(xdotool getwindowgeometry "$verlauf" | awk '/Geometry/ {print $2}')" = 920x420 ] ||
    e2e_fail "the Verlauf window kept its size: $(xdotool getwindowgeometry "$verlauf")"
e2e_screenshot "$verlauf" e2e-verlauf-vergroessert
e2e_click "$verlauf" 340 200
e2e_keys Escape
e2e_wait_until 5 e2e_no_window "Verlauf" || e2e_fail "the Verlauf window did not close"
e2e_log "Verlauf: opened through the menu"

# ---- the tray menu's "Text sofort senden", closed without sending ----------------
cp "$E2E_WORK/wendrel.ini" "$E2E_WORK/wendrel.before"
e2e_tray_menu ""
e2e_keys Down Down Return # Öffnen, Text sofort senden
e2e_wait_until 10 e2e_window "Text sofort senden" >/dev/null || e2e_fail "the tray menu did not open the send-text dialog"
textsend=$(e2e_window "Text sofort senden")
e2e_click_twips "$textsend" 120 120 4095 2565
e2e_type "nie gesendet"
e2e_keys Escape
e2e_wait_until 5 e2e_no_window "Text sofort senden" || e2e_fail "the send-text dialog did not close on Escape"
sleep 0.5
cmp -s "$E2E_WORK/wendrel.ini" "$E2E_WORK/wendrel.before" || e2e_fail "closing the send-text dialog changed wendrel.ini"
for box in 1 2; do
    [ "$(e2e_count "$box" popup "nie gesendet")" -eq 0 ] || e2e_fail "closing the send-text dialog sent the text"
done
e2e_log "tray menu: send-text dialog opened and closed without sending"

# ---- quit through the tray ------------------------------------------------------
e2e_tray_quit e2e-tray-menu
exited=""
for i in $(seq 1 100); do
    if ! e2e_zelvo_running; then exited=1; break; fi
    sleep 0.1
done
[ -n "$exited" ] || e2e_fail "zelvo still runs 10 s after Beenden"
wait "$E2E_ZELVO_PID"
status=$?
[ "$status" -eq 0 ] || e2e_fail "zelvo ended with status $status"
grep -q "Zelvo beendet$" "$E2E_WORK/logs/zelvo.log" || e2e_fail "no log line that zelvo ended"
[ -z "$(ls -A "$E2E_WORK/runtime")" ] || e2e_fail "left in the runtime folder: $(ls -A "$E2E_WORK/runtime")"
if xwininfo -root -tree | grep -q '("zelvo"'; then
    e2e_fail "a window of zelvo is left:"$'\n'"$(xwininfo -root -tree | grep '("zelvo"')"
fi
e2e_log "Beenden in the tray menu: zelvo ended, no icon left"
echo "PASS ($E2E_SCRIPT_NAME)"
