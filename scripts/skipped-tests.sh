#!/usr/bin/env bash
# After the test run: which tests were skipped, one line per reason with
# the count and the tests' names, read from the run's JUnit report (ctest
# itself only names them; the reasons are in their output). Without root, a
# last line says what root would add and how to get it. Prints nothing when
# no test was skipped.
#   skipped-tests.sh REPORT [ROOT]   ROOT 1 or 0: whether the run had root
#                                    (default: whether this script has)
set -euo pipefail
report=${1:?JUnit report of ctest}
root=${2:-$([ "$(id -u)" -eq 0 ] && echo 1 || echo 0)}
[ -f "$report" ] || exit 0

awk -v root="$root" '
    function text(s) {
        gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s); gsub(/&quot;/, "\"", s)
        gsub(/&apos;/, "\047", s); gsub(/&amp;/, "\\&", s)
        return s
    }
    # What follows "Class::function(data tag)"; the tag may hold blanks and
    # parentheses of its own.
    function afterCall(s,    i, depth, c) {
        if (!match(s, /^[A-Za-z_][A-Za-z0-9_:~]*\(/)) return s
        depth = 0
        for (i = RLENGTH; i <= length(s); i++) {
            c = substr(s, i, 1)
            if (c == "(") depth++
            else if (c == ")" && --depth == 0) break
        }
        s = substr(s, i + 1); sub(/^ +/, "", s)
        return s
    }
    function output(s) {
        # a script: "SKIPPED (name): reason"; QtTest: "SKIP   : Class::function(tag) reason"
        if (reason == "" && s ~ /^SKIPPED/) { reason = s; sub(/^SKIPPED( \([^)]*\))?:? */, "", reason) }
        if (reason == "" && s ~ /^SKIP +: /) { reason = s; sub(/^SKIP +: /, "", reason); reason = afterCall(reason) }
        if (s ~ /[^ \t]/) last = s
    }
    /<testcase / {
        name = $0; sub(/.*<testcase name="/, "", name); sub(/".*/, "", name)
        skipped = 0; reason = ""; last = ""; total++
    }
    /<skipped/ { skipped = 1 }
    /<system-out>/ { inside = 1; sub(/.*<system-out>/, "") }
    inside {
        line = $0
        if (line ~ /<\/system-out>/) { sub(/<\/system-out>.*/, "", line); inside = 0 }
        output(text(line))
    }
    /<\/testcase>/ && skipped {
        r = reason != "" ? reason : (last != "" ? last : "no reason given")
        count++
        if (r ~ /needs root/) rootCount++
        if (!(r in names)) order[++n] = r
        names[r] = names[r] (names[r] == "" ? "" : ", ") text(name)
        counts[r]++
    }
    END {
        if (!count) exit
        print "Skipped " count " of " total " tests:"
        for (i = 1; i <= n; i++) printf "  %d: %s (%s)\n", counts[order[i]], order[i], names[order[i]]
        if (rootCount && !root) {
            print "Root would run the " rootCount " that need root: they give simulated boxes a private network (and file systems), which only root can."
            print "Without sudo: su -c \"make test\" with root\047s password. (ping_group_range or setcap cap_net_raw would let you send ICMP, but not give a test a private network.)"
        }
    }
' "$report"
