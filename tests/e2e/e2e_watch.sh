#!/usr/bin/env bash
# The box status watch over real ICMP: boxes 1 and 2 are on (their addresses
# are on lo), boxes 3 and 4 are off (configured, but not on lo). At start-up
# boxes 1 and 2, which ask for notices, hear that both came on. Taking box
# 2's address away switches it off and box 1 hears so within one watch
# period; putting it back brings the notice again, to both. At the end the
# info window stays open across "Beenden".

source "$(dirname "$0")/lib.sh"
e2e_require
e2e_enter_namespace "$@"
e2e_setup_work
e2e_network 1 2

e2e_write_crlf "$E2E_WORK/boxip.ini" "${E2E_BOX_ADDRESSES[@]}" " 1 " " 1 " " 0 " " 1 "

e2e_start_boxes
e2e_start_display
e2e_start_zelvo
main=$(e2e_window "$E2E_MAIN_TITLE")

head="Der Status der D-Boxen hat sich geändert:"$'\n\n'
line() { echo "- die $1. D-Box wurde $2geschaltet"; }

both_on="$head$(line 1 ein)"$'\n'"$(line 2 ein)"$'\n'
e2e_expect_message 1 nmsg 10 "$both_on"
e2e_expect_message 2 nmsg 5 "$both_on"
sleep 1 # the clock label shows the first tick
e2e_screenshot "$main" e2e-startform-status
# The notice goes in UTF-8 after the question for the web server version, so
# the television shows "geändert" and all behind it (in Windows-1252 it stopped
# at "ge").
first=$(jq -r 'select(.request | startswith("GET /control/getmode") | not) | .request' "$E2E_WORK/box1.jsonl" | head -n2 | tr '\n' ' ')
case "$first" in
"GET /control/info?nhttpd_version HTTP/1.1 GET /control/message?nmsg=Der%20Status%20der%20D-Boxen%20hat%20sich%20ge%C3%A4ndert%3A"*) ;;
*) e2e_fail "box 1 was not asked for its version before the UTF-8 notice: $first" ;;
esac
e2e_log "start-up notice arrived at boxes 1 and 2, shown in full"

# Box 4 asks for notices but is off: it must get nothing, ever.
[ "$(e2e_total 4)" -eq 0 ] || e2e_fail "box 4 is off and still received: $(e2e_received 4)"

# Let the first periodic tick pass unchanged: nothing new may be sent.
sleep 2
[ "$(e2e_total 1)" -eq 1 ] && [ "$(e2e_total 2)" -eq 1 ] ||
    e2e_fail "an unchanged status sent something:"$'\n'"$(e2e_received 1)"$'\n'"$(e2e_received 2)"

e2e_box_off 2
t_off=$(e2e_now)
two_off="$head$(line 2 aus)"$'\n'
e2e_expect_message 1 nmsg 13 "$two_off"
took=$(e2e_seconds_between "$t_off" "$(e2e_arrival 1 "$two_off")")
e2e_log "box 1 heard of box 2 switched off after $took s"
e2e_within "$took" 0 11 || e2e_fail "the off notice took $took s, more than one watch period"
# Nobody reaches box 2 now, and box 2 had been told nothing in between.
[ "$(e2e_count 2 nmsg "$two_off")" -eq 0 ] || e2e_fail "box 2 was told of its own switching off"

e2e_box_on 2
t_on=$(e2e_now)
two_on="$head$(line 2 ein)"$'\n'
e2e_expect_message 1 nmsg 13 "$two_on"
e2e_expect_message 2 nmsg 5 "$two_on"
took=$(e2e_seconds_between "$t_on" "$(e2e_arrival 2 "$two_on")")
e2e_log "box 2 heard of itself switched on after $took s"
e2e_within "$took" 0 11 || e2e_fail "the on notice took $took s, more than one watch period"

[ "$(e2e_total 1)" -eq 3 ] || e2e_fail "box 1 received $(e2e_total 1) requests, expected 3:"$'\n'"$(e2e_received 1)"
[ "$(e2e_total 2)" -eq 2 ] || e2e_fail "box 2 received $(e2e_total 2) requests, expected 2:"$'\n'"$(e2e_received 2)"
[ "$(e2e_total 3)" -eq 0 ] && [ "$(e2e_total 4)" -eq 0 ] || e2e_fail "a switched-off box received something"
e2e_zelvo_running || e2e_fail "zelvo is no longer running"

# The info window: "Info" is the third title of the main window's bar.
e2e_click "$main" 36 9
e2e_keys Right Right Return
e2e_wait_until 5 e2e_window "Info" >/dev/null || e2e_fail "the info window did not open"
e2e_screenshot "$(e2e_window "Info")" e2e-infoanz
# An open info window keeps the program alive after "Beenden"; the main
# window and the tray icon go at once.
e2e_tray_quit e2e-tray-menu-info-open
e2e_wait_until 5 e2e_no_window "$E2E_MAIN_TITLE" || e2e_fail "the main window stayed after Beenden"
e2e_wait_until 5 eval '! e2e_tray_icon >/dev/null' || e2e_fail "the tray icon stayed after Beenden"
sleep 1
e2e_zelvo_running || e2e_fail "zelvo ended although its info window was open"
e2e_window "Info" >/dev/null || e2e_fail "the info window went with Beenden"
e2e_log "Beenden with the info window open: main window and icon gone, info window stays"
echo "PASS ($E2E_SCRIPT_NAME)"
