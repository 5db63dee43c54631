#!/usr/bin/env bash
# Both kinds of box at once: boxes 1 and 3 are D-Boxes (box 3 with a web
# server old enough to decode twice), boxes 2 and 4 Enigma2 receivers, box 4
# with a login. Each box gets a reminder, the status notices, a text through
# `zelvo send --wait` and one typed into the send-text dialog, each once, whole
# and in its own kind's request. Boxes 2 and 4 are put to standby before their
# reminders are due: each gets its own once, after it is switched to tv. The
# password never shows up in the log, the held-message file or zelvo-check's
# report, and zelvo.ini ends readable by its owner only.

source "$(dirname "$0")/lib.sh"
e2e_require
[ -n "${ZELVO_CHECK_BIN:-}" ] && [ -x "$ZELVO_CHECK_BIN" ] ||
    e2e_skip "the program zelvo-check was not built (looked for '${ZELVO_CHECK_BIN:-}')"
e2e_enter_namespace "$@"
e2e_setup_work
e2e_network 1 2 3 4

user="wohnzimmer"
password="Geheim-7x!Q"
# as HTTP Basic sends it, and as it would stand in a URL
basic=$(printf '%s:%s' "$user" "$password" | base64 -w0)
encoded_password=$(jq -rn --arg p "$password" '$p | @uri')

# Every box asks for status notices; the send-text dialog has every box ticked
# and "Message" chosen from last time.
e2e_write_crlf "$E2E_WORK/boxip.ini" "${E2E_BOX_ADDRESSES[@]}" " 1 " " 1 " " 1 " " 1 "
e2e_write_crlf "$E2E_WORK/wendrel.ini" "Falsch" "Wahr" " 1 " " 1 " " 1 " " 1 "
# Written as an editor would (readable by all): Zelvo takes it to its owner.
# The record's Box column wide enough for the kind and the address.
printf '[Box4]\nBenutzer=%s\nPasswort=%s\n\n[Verlauf]\nsize=@Size(1000 420)\ncolumns=110, 190, 100, 70, 300, 200\n' \
    "$user" "$password" >"$E2E_WORK/zelvo.ini"
chmod 0644 "$E2E_WORK/zelvo.ini"
# %0A in a list is a line break.
e2e_write_crlf "$E2E_WORK/zlv-tag.txt" \
    "07:25 07:30 p 1 Grüße an „Oma“: 5 € & 2 + 1 = 10 % #1%0AZeile 2" \
    "07:25 07:30 p 2 Grüße an „Opa“: 5 € & 2 + 1 = 10 % #2%0AZeile 2" \
    "07:25 07:30 m 3 Grüße an „Tom“: 5 € & 2 + 1 = 10 % #3%0AZeile 2" \
    "07:25 07:30 m 4 Grüße an „Ida“: 5 € & 2 + 1 = 10 % #4%0AZeile 2"

# Each box with its own options.
box_options=(
    ""
    "--kind enigma2"
    "--firmware old"
    "--kind enigma2 --auth $user:$password"
)
for box in 1 2 3 4; do
    options=(${box_options[$((box - 1))]})
    "${E2E_GUARD[@]}" "$BOXSIM_BIN" --address "${E2E_BOX_ADDRESSES[$((box - 1))]}" --port 80 \
        --out "$E2E_WORK/box$box.jsonl" "${options[@]}" >"$E2E_WORK/logs/boxsim$box.log" 2>&1 &
    E2E_PIDS+=($!)
done
for box in 1 2 3 4; do
    e2e_wait_until 10 grep -q "wartet auf" "$E2E_WORK/logs/boxsim$box.log" ||
        e2e_fail "box simulator $box did not start"
done

# Switches a running boxsim to mode $2 through its own path.
switch_box() {
    local address=${E2E_BOX_ADDRESSES[$(($1 - 1))]} reply
    exec 9<>"/dev/tcp/$address/80" || e2e_fail "cannot reach box $1 to switch it"
    printf 'GET /boxsim/mode?set=%s HTTP/1.1\r\nHost: %s\r\nConnection: close\r\n\r\n' "$2" "$address" >&9
    reply=$(cat <&9)
    exec 9<&-
    grep -q "^$2" <<<"$reply" || e2e_fail "box $1 did not switch to $2: $reply"
}

# The text as box $1 draws it, in $shown: a web server that decodes twice got
# words for "&", "+" and "%".
as_shown() {
    shown=$2
    if [ "$1" -eq 3 ]; then
        shown=${shown//"&"/und}
        shown=${shown//"+"/plus}
        shown=${shown//"%"/Prozent}
    fi
}

# Box $1 received the text $2 (as typed) exactly once, in its kind's request.
expect_once() {
    local box=$1 count path
    as_shown "$box" "$2"
    count=$(jq -c --arg t "$shown" 'select(.shown == $t)' "$E2E_WORK/box$box.jsonl" | wc -l)
    [ "$count" -eq 1 ] || e2e_fail "box $box showed $count times, not once: $(jq -n --arg t "$shown" '$t')"$'\n'"$(e2e_received "$box")"
    path=$(jq -r --arg t "$shown" 'select(.shown == $t) | .request' "$E2E_WORK/box$box.jsonl")
    case "$box:$path" in
    [13]:"GET /control/message?"*) ;;
    [24]:"GET /api/message?text="*"&type=1&timeout="*) ;;
    *) e2e_fail "box $box got the text in the wrong kind's request: $path" ;;
    esac
}

shows() {
    [ -n "$(jq -c --arg t "$shown" 'select(.shown == $t)' "$E2E_WORK/box$1.jsonl" 2>/dev/null)" ]
}

# Waits up to $2 seconds until box $1 shows the text $3 (as typed).
wait_shown() {
    local box=$1 seconds=$2
    as_shown "$box" "$3"
    e2e_wait_until "$seconds" shows "$box" ||
        e2e_fail "box $box did not show $(jq -n --arg t "$shown" '$t') within $seconds s"$'\n'"it received: $(e2e_received "$box")"
}

# Three watch ticks before the reminders of 07:25.
E2E_FAKE_START="2026-12-24 07:24:35"
e2e_start_display
e2e_start_zelvo
main=$(e2e_window "$E2E_MAIN_TITLE")

# ---- start-up, then boxes 2 and 4 to standby --------------------------------------
names=(Oma Opa Tom Ida)
reminder() {
    printf 'Es ist 07:25 Uhr!\n%s\n\n07:30 Uhr Grüße an „%s“: 5 € & 2 + 1 = 10 %% #%s\nZeile 2' \
        "$E2E_RULE" "${names[$(($1 - 1))]}" "$1"
}
head="Der Status der D-Boxen hat sich geändert:"$'\n\n'
line() { echo "- die $1. D-Box wurde $2geschaltet"; }
started="$head$(line 1 ein)"$'\n'"$(line 2 ein)"$'\n'"$(line 3 ein)"$'\n'"$(line 4 ein)"$'\n'
both_standby="$head$(line 2 aus)"$'\n'"$(line 4 aus)"$'\n'
four_on="$head$(line 4 ein)"$'\n'
two_on="$head$(line 2 ein)"$'\n'

for box in 1 2 3 4; do
    wait_shown "$box" 10 "$started"
done
# Only now, when Zelvo has learnt the kind of both: a box first seen in
# standby is asked its mode as today's kind and passes for on for one tick.
switch_box 2 standby
switch_box 4 standby
e2e_log "boxes 2 and 4 switched to standby"
for box in 1 3; do
    wait_shown "$box" 13 "$both_standby"
done
e2e_log "boxes 1 and 3 heard that boxes 2 and 4 went to standby"

# ---- the reminders of 07:25 -------------------------------------------------------
for box in 1 3; do
    wait_shown "$box" 25 "$(reminder "$box")"
done
e2e_log "reminders arrived at boxes 1 and 3"
# The boxes in standby were sent nothing to show: their reminders are held,
# and the file that keeps them holds no login.
held_both() {
    grep -q "Opa" "$E2E_WORK/zelvo-zurueckgehalten.json" 2>/dev/null &&
        grep -q "Ida" "$E2E_WORK/zelvo-zurueckgehalten.json"
}
e2e_wait_until 5 held_both || e2e_fail "the reminders of boxes 2 and 4 are not held:"$'\n'"$(cat "$E2E_WORK/zelvo-zurueckgehalten.json")"
cp "$E2E_WORK/zelvo-zurueckgehalten.json" "$E2E_WORK/logs/held-while-standby.json"

# Box 4 first, so that each wake-up has its own notice.
switch_box 4 tv
e2e_log "box 4 switched to tv"
wait_shown 4 13 "$(reminder 4)"
for box in 1 3 4; do
    wait_shown "$box" 5 "$four_on"
done
e2e_log "box 4's held reminder and the notice arrived"

switch_box 2 tv
t_switch=$(e2e_now)
wait_shown 2 13 "$(reminder 2)"
e2e_log "box 2's held reminder arrived $(e2e_seconds_between "$t_switch" "$(e2e_arrival 2 "$(reminder 2)")") s after it was switched to tv"
for box in 1 2 3 4; do
    wait_shown "$box" 5 "$two_on"
done
e2e_log "every box heard that box 2 came on"

# ---- zelvo send --wait ---------------------------------------------------------
sent="Gesendet: Öl „heiß“ 3 € & 4 + 5 = 100 % #ok"$'\n'"Ende"
output=$( (e2e_exec_zelvo send --wait "$sent") 2>&1)
status=$?
[ "$status" -eq 0 ] || e2e_fail "zelvo send --wait ended with $status: $output"
e2e_log "zelvo send --wait: exit 0"

# ---- a text typed into the send-text dialog ----------------------------------------
typed="Getippt: Käse „fein“ 7 € & 8 + 9 = 50 % #x"$'\n'"Schluss"
e2e_click "$main" 36 9
e2e_keys Down Return # Aktionen > Text sofort senden
e2e_wait_until 10 e2e_window "Text sofort senden" >/dev/null || e2e_fail "the send-text dialog did not open"
textsend=$(e2e_window "Text sofort senden")
e2e_click_twips "$textsend" 120 120 4095 2565 # Text1
e2e_type "${typed%%$'\n'*}"
e2e_keys Return
e2e_type "${typed#*$'\n'}"
e2e_screenshot "$textsend" e2e-twokinds-textsend
e2e_click_twips "$textsend" 120 4080 4095 375 # Command1 "Text senden & Schließen"
e2e_wait_until 5 e2e_no_window "Text sofort senden" || e2e_fail "the send-text dialog stayed open after sending"
for box in 1 2 3 4; do
    wait_shown "$box" 10 "$typed"
done
e2e_log "the typed text arrived at every box"

# ---- each once, on the right kind ------------------------------------------------
sleep 2
for box in 1 2 3 4; do
    expect_once "$box" "$(reminder "$box")"
    expect_once "$box" "$two_on"
    expect_once "$box" "$sent"
    expect_once "$box" "$typed"
    expect_once "$box" "$started"
done
for box in 1 3; do
    expect_once "$box" "$both_standby"
done
for box in 1 3 4; do
    expect_once "$box" "$four_on"
done
for expectation in "1 7" "2 5" "3 7" "4 6"; do
    read -r box count <<<"$expectation"
    total=$(e2e_total "$box")
    [ "$total" -eq "$count" ] || e2e_fail "box $box received $total messages, expected $count:"$'\n'"$(e2e_messages "$box")"
done
# Nothing went to a box that could not show it.
for box in 2 4; do
    [ -z "$(jq -c 'select(.discarded == "standby")' "$E2E_WORK/box$box.jsonl")" ] ||
        e2e_fail "box $box was sent a message in standby:"$'\n'"$(e2e_received "$box")"
done
# Box 4's login went with each of its own kind's requests; only questions in
# the other kind's words (asked before its kind was known) were refused.
[ -z "$(jq -c 'select(.discarded == "unauthorized" and (.request | startswith("GET /api/")))' "$E2E_WORK/box4.jsonl")" ] ||
    e2e_fail "box 4 refused requests of its own kind:"$'\n'"$(e2e_received 4)"
# Unset in zelvo.ini, an Enigma2 popup stays 6 s and a message 60 s.
timeouts=$(jq -r --arg t "$(reminder 2)" 'select(.shown == $t) | .timeout' "$E2E_WORK/box2.jsonl")/$(
    jq -r --arg t "$(reminder 4)" 'select(.shown == $t) | .timeout' "$E2E_WORK/box4.jsonl")
[ "$timeouts" = 6/60 ] || e2e_fail "the Enigma2 popup/message display times were $timeouts, not 6/60"
e2e_log "every text once per box, in its kind's request"

# ---- Verlauf names the kind --------------------------------------------------------
e2e_click "$main" 36 9
e2e_keys Down Down Return # Aktionen > Verlauf
e2e_wait_until 10 e2e_window "Verlauf" >/dev/null || e2e_fail "Aktionen > Verlauf did not open the record"
verlauf=$(e2e_window "Verlauf")
sleep 0.7
e2e_screenshot "$verlauf" e2e-twokinds-verlauf
e2e_click "$verlauf" 340 200
e2e_keys Escape
e2e_wait_until 5 e2e_no_window "Verlauf" || e2e_fail "the Verlauf window did not close"

# ---- no credential anywhere ---------------------------------------------------------
(cd "$E2E_WORK" && "$ZELVO_CHECK_BIN" --folder "$E2E_WORK") >"$E2E_WORK/logs/zelvo-check.txt" 2>&1
(cd "$E2E_WORK" && "$ZELVO_CHECK_BIN" --folder "$E2E_WORK" --json) >"$E2E_WORK/logs/zelvo-check.json" 2>&1
grep -q "Box 4 10.77.0.5" "$E2E_WORK/logs/zelvo-check.txt" || e2e_fail "zelvo-check did not report: $(cat "$E2E_WORK/logs/zelvo-check.txt")"
echo "$output" >"$E2E_WORK/logs/zelvo-send.txt"
for f in logs/held-while-standby.json logs/zelvo.log logs/zelvo-send.txt logs/zelvo-check.txt logs/zelvo-check.json zelvo-zurueckgehalten.json; do
    [ -f "$E2E_WORK/$f" ] || e2e_fail "$f is missing"
    for secret in "$password" "$encoded_password" "$basic"; do
        ! grep -qF -- "$secret" "$E2E_WORK/$f" || e2e_fail "$f holds a credential"
    done
done
# Taken to its owner at start, and so after closing "Verlauf" wrote its layout.
mode=$(stat -c %a "$E2E_WORK/zelvo.ini")
[ "$mode" = 600 ] || e2e_fail "zelvo.ini has mode $mode, not 600"
grep -qxF "Passwort=$password" "$E2E_WORK/zelvo.ini" || e2e_fail "zelvo.ini lost the password:"$'\n'"$(cat "$E2E_WORK/zelvo.ini")"
e2e_log "no credential in the log, the held messages or zelvo-check; zelvo.ini is 0600"

e2e_zelvo_running || e2e_fail "zelvo is no longer running"
echo "PASS ($E2E_SCRIPT_NAME)"
