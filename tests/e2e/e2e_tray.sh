#!/usr/bin/env bash
# Hiding to the tray and coming back: with a window manager (twm) the
# minimise request iconifies the main window, which Zelvo then hides to its
# tray icon. A double-click on the icon, or "Öffnen" in its menu, shows the
# window again, and so does starting zelvo once more in the same folder; a
# single click does nothing.

source "$(dirname "$0")/lib.sh"
e2e_require
command -v twm >/dev/null 2>&1 || e2e_skip "the window manager twm is missing: make test installs it"
e2e_enter_namespace "$@"
e2e_setup_work
e2e_network 1

e2e_write_crlf "$E2E_WORK/boxip.ini" "${E2E_BOX_ADDRESSES[@]}" " 0 " " 0 " " 0 " " 0 "

e2e_start_boxes
# Only the server's built-in fonts ("fixed" and "cursor"), as on a machine
# without X core font packages: twm's own default fonts ("variable") are not
# there, so its set-up names "fixed" for every font it draws with.
e2e_start_display -fp built-ins
# No title bars (the tray panel stays where it asks to be, on the screen),
# windows placed where they ask to be, iconified by unmapping only.
printf '%s\n' 'NoTitle' 'RandomPlacement' 'UsePPosition "on"' 'IconifyByUnmapping' 'NoGrabServer' \
    'TitleFont "fixed"' 'ResizeFont "fixed"' 'MenuFont "fixed"' 'IconFont "fixed"' 'IconManagerFont "fixed"' \
    >"$E2E_WORK/twmrc"
"${E2E_GUARD[@]}" twm -display "$E2E_DISPLAY" -f "$E2E_WORK/twmrc" >"$E2E_WORK/logs/twm.log" 2>&1 &
E2E_PIDS+=($!)
sleep 1
kill -0 "${E2E_PIDS[-1]}" 2>/dev/null || e2e_fail "twm did not start"
e2e_start_zelvo
main=$(e2e_window "$E2E_MAIN_TITLE")
e2e_wait_until 5 e2e_tray_icon >/dev/null || e2e_fail "no tray icon of zelvo in trayer"
read -r ix iy < <(e2e_tray_icon)
sleep 1

minimise() {
    xdotool windowminimize "$main" || e2e_fail "minimise request failed"
    e2e_wait_until 5 e2e_no_window "$E2E_MAIN_TITLE" || e2e_fail "minimising did not hide the main window"
    e2e_tray_icon >/dev/null || e2e_fail "the tray icon went with the window"
    e2e_zelvo_running || e2e_fail "zelvo ended on minimising"
}

minimise
e2e_log "minimised: hidden to the tray"

xdotool mousemove "$ix" "$iy" sleep 0.15 click 1
sleep 1.5
e2e_no_window "$E2E_MAIN_TITLE" || e2e_fail "a single click on the tray icon showed the window"

xdotool mousemove "$ix" "$iy" sleep 0.15 click --repeat 2 --delay 120 1
e2e_wait_until 5 e2e_window "$E2E_MAIN_TITLE" >/dev/null || e2e_fail "a double-click on the tray icon did not show the window"
e2e_log "double-click: shown again"

minimise
e2e_tray_menu ""
e2e_keys Down Return # Öffnen
e2e_wait_until 5 e2e_window "$E2E_MAIN_TITLE" >/dev/null || e2e_fail "\"Öffnen\" in the tray menu did not show the window"
e2e_screenshot root e2e-tray-twm
e2e_log "tray menu Öffnen: shown again"

# A second start in the folder shows the hidden window of the first and ends.
minimise
second=$( (e2e_exec_zelvo) 2>&1) || e2e_fail "the second zelvo failed: $second"
e2e_wait_until 5 e2e_window "$E2E_MAIN_TITLE" >/dev/null || e2e_fail "a second start did not show the window: $second"
e2e_log "second start: shown again ($second)"
e2e_zelvo_running || e2e_fail "zelvo is no longer running"
echo "PASS ($E2E_SCRIPT_NAME)"
