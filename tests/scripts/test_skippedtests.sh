#!/usr/bin/env bash
# scripts/skipped-tests.sh (argument) on a table of ctest JUnit reports.
set -u
script=${1:?skipped-tests.sh}
report=$(mktemp)
trap 'rm -f "$report"' EXIT
failures=0
case_() { # NAME "skip"/"run" OUTPUT: a testcase element as ctest writes it
    printf '<testcase name="%s" status="%s">\n' "$1" "$2"
    [ "$2" = skip ] && echo '<skipped message="SKIP_RETURN_CODE=77"/>'
    printf '<system-out>%s\n</system-out>\n</testcase>\n' "$3"
}
net="only root can give a test a private network of its own"
panel=$(case_ test_deliverypanel skip "PASS   : TestDeliveryPanel::initTestCase()
SKIP   : TestDeliveryPanel::panelAgreesWithRecord(Test, name not resolved (2)) needs root: $net
   Loc: [tst_deliverypanel.cpp(42)]")
address=$(case_ test_boxaddress skip "SKIP   : TestBoxAddress::initTestCase() needs root: $net")
icmp=$(case_ test_icmpecho skip "SKIP   : TestIcmpEcho::initTestCase() no real ICMP here: needs root: $net")
e2e() { case_ "$1" skip "SKIPPED ($1): needs root: only root can give the simulated boxes a private network"; }
readonly_=$(case_ test_boxlistfile skip "SKIP   : TestBoxListFile::readOnly() runs only without root: root may write")
quoted=$(case_ test_package skip "SKIPPED (test_package): the tool lintian is missing: &quot;make test&quot; &amp; more")
passed=$(case_ test_clock run "PASS   : TestClock::ticks()")

check() { # NAME ROOT EXPECTED TESTCASES...
    local name=$1 root=$2 expected=$3 said
    shift 3
    { echo '<testsuite>'; printf '%s\n' "$@"; echo '</testsuite>'; } >"$report"
    said=$(bash "$script" "$report" "$root" 2>&1)
    [ "$said" = "$expected" ] || { echo "FAIL ($name): expected"$'\n'"$expected"$'\n'"got"$'\n'"$said" >&2; failures=$((failures + 1)); }
}
check "nothing skipped" 0 "" "$passed"
check "data tags with blanks and parentheses; every reason that needs root, and the advice" 0 "Skipped 5 of 6 tests:
  2: needs root: $net (test_deliverypanel, test_boxaddress)
  1: no real ICMP here: needs root: $net (test_icmpecho)
  2: needs root: only root can give the simulated boxes a private network (e2e_tray, e2e_watch)
Root would run the 5 that need root: they give simulated boxes a private network (and file systems), which only root can.
Without sudo: su -c \"make test\" with root's password. (ping_group_range or setcap cap_net_raw would let you send ICMP, but not give a test a private network.)" \
    "$panel" "$address" "$passed" "$icmp" "$(e2e e2e_tray)" "$(e2e e2e_watch)"
check "as root: no advice; entities read" 1 "Skipped 2 of 3 tests:
  1: runs only without root: root may write (test_boxlistfile)
  1: the tool lintian is missing: \"make test\" & more (test_package)" "$readonly_" "$passed" "$quoted"
[ "$failures" -eq 0 ] && echo "PASS (test_skippedtests)"
