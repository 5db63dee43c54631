#!/usr/bin/env bash
# scripts/skipped-tests.sh on JUnit reports as ctest writes them: one line
# per reason with count and names, QtTest data tags with blanks and
# parentheses, reasons that need root wherever they say so, the root advice
# only to a run without root.
# Argument: the script.
set -u
script=${1:?skipped-tests.sh}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A testcase element as ctest writes it: NAME, "skip" or "run", the output.
testcase() { # name status output
    if [ "$2" = skip ]; then
        printf '\t<testcase name="%s" classname="%s" time="0.1" status="notrun">\n\t\t<skipped message="SKIP_RETURN_CODE=77"/>\n' "$1" "$1"
    else
        printf '\t<testcase name="%s" classname="%s" time="0.1" status="run">\n' "$1" "$1"
    fi
    printf '\t\t<system-out>%s\n</system-out>\n\t</testcase>\n' "$3"
}

deliverypanel=$(testcase test_deliverypanel skip "********* Start testing of TestDeliveryPanel *********
PASS   : TestDeliveryPanel::initTestCase()
SKIP   : TestDeliveryPanel::panelAgreesWithRecord(Test, name not resolved (2)) needs root: only root can give a test a private network of its own
   Loc: [tst_deliverypanel.cpp(42)]")
boxaddress=$(testcase test_boxaddress skip "SKIP   : TestBoxAddress::initTestCase() needs root: only root can give a test a private network of its own")
icmpecho=$(testcase test_icmpecho skip "SKIP   : TestIcmpEcho::initTestCase() no real ICMP here: needs root: only root can give a test a private network of its own")
e2e() { testcase "$1" skip "SKIPPED ($1): needs root: only root can give the simulated boxes a private network"; }
readonlyfolder=$(testcase test_boxlistfile skip "SKIP   : TestBoxListFile::readOnly() runs only without root: root may write into a read-only folder")
quoted=$(testcase test_package skip "SKIPPED (test_package): the tool lintian is missing: &quot;make test&quot; installs it &amp; more")
passed=$(testcase test_clock run "PASS   : TestClock::ticks()")

root_advice='Root would run the 5 that need root: they give simulated boxes a private network (and file systems), which only root can.
Without sudo: su -c "make test" with root'\''s password. (ping_group_range or setcap cap_net_raw would let you send ICMP, but not give a test a private network.)'

check() { # name root expected testcases...
    local name=$1 root=$2 expected=$3
    shift 3
    { echo '<?xml version="1.0" encoding="UTF-8"?>'; echo '<testsuite name="zelvo" tests="9">'
      printf '%s\n' "$@"; echo '</testsuite>'; } >"$work/junit.xml"
    local said
    said=$(bash "$script" "$work/junit.xml" "$root" 2>&1)
    if [ "$said" != "$expected" ]; then
        echo "FAIL ($name): expected"$'\n'"$expected"$'\n'"got"$'\n'"$said" >&2
        failures=$((failures + 1))
    fi
}

check "nothing skipped" 0 "" "$passed"
check "data tag with blanks and parentheses, grouped by reason, ICMP counted as root" 0 \
"Skipped 5 of 6 tests:
  2: needs root: only root can give a test a private network of its own (test_deliverypanel, test_boxaddress)
  1: no real ICMP here: needs root: only root can give a test a private network of its own (test_icmpecho)
  2: needs root: only root can give the simulated boxes a private network (e2e_tray, e2e_watch)
$root_advice" \
    "$deliverypanel" "$boxaddress" "$passed" "$icmpecho" "$(e2e e2e_tray)" "$(e2e e2e_watch)"
check "as root: only what root does not give, no advice" 1 \
"Skipped 2 of 3 tests:
  1: runs only without root: root may write into a read-only folder (test_boxlistfile)
  1: the tool lintian is missing: \"make test\" installs it & more (test_package)" \
    "$readonlyfolder" "$passed" "$quoted"

[ "$failures" -eq 0 ] || exit 1
echo "PASS (test_skippedtests)"
