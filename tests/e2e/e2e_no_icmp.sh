#!/usr/bin/env bash
# Without any way to send ICMP (no ping sockets, no CAP_NET_RAW) every box
# counts as off and the user is told once, in a message box, how to allow it;
# reminders still reach their box.

source "$(dirname "$0")/lib.sh"
e2e_require
e2e_enter_namespace "$@"
e2e_setup_work
E2E_PING_SOCKETS=0
e2e_network 1 2

e2e_write_crlf "$E2E_WORK/boxip.ini" "${E2E_BOX_ADDRESSES[@]}" " 1 " " 1 " " 1 " " 1 "
e2e_write_crlf "$E2E_WORK/zlv-tag.txt" "07:25 07:30 p 2 Muell rausbringen"

e2e_start_boxes
e2e_start_display
# Root, but without the capability for raw sockets.
E2E_ZELVO_WRAPPER=(setpriv --bounding-set=-net_raw --inh-caps=-net_raw --)
e2e_start_zelvo

e2e_wait_until 10 e2e_big_window "Zelvo" >/dev/null || e2e_fail "no message box about ICMP appeared"
alert=$(e2e_big_window "Zelvo")
sleep 0.5 # painted
e2e_screenshot "$alert" e2e-no-icmp-message
e2e_log "message box about ICMP shown"

# The reminder clock runs on behind the message box.
e2e_expect_message 2 popup 15 "Es ist 07:25 Uhr!"$'\n'"$E2E_RULE"$'\n\n'"07:30 Uhr Muell rausbringen"
e2e_log "the reminder arrived while the message box was open"

# OK: the message box goes, and does not come back at the next watch ticks.
read -r ax ay < <(e2e_window_origin "$alert")
xdotool mousemove $((ax + 20)) $((ay + 20)) sleep 0.15 key Return
e2e_wait_until 5 eval '! e2e_big_window "Zelvo" >/dev/null' || e2e_fail "the message box did not close on Return"
sleep 12
e2e_big_window "Zelvo" >/dev/null && e2e_fail "the message box about ICMP came again"

# Every box counts as off: no status notice was sent, although boxes 1 and 2 answer.
[ "$(e2e_total 1)" -eq 0 ] || e2e_fail "box 1 received something: $(e2e_received 1)"
[ "$(e2e_total 2)" -eq 1 ] || e2e_fail "box 2 received more than its reminder: $(e2e_received 2)"
e2e_zelvo_running || e2e_fail "zelvo is no longer running"
echo "PASS ($E2E_SCRIPT_NAME)"
