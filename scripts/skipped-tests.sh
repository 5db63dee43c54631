#!/usr/bin/env bash
# One line after the test run: how many tests were skipped and why. ctest
# itself only names them; the reasons are in their output, which the JUnit
# report of the run keeps. A reason that starts with "needs root" counts
# among the tests that need root; without root the line ends by saying how
# to run them all. Argument: the report. Prints nothing when no test was
# skipped.
set -euo pipefail
report=${1:?JUnit report of ctest}
[ -f "$report" ] || exit 0

awk -v root="$([ "$(id -u)" -eq 0 ] && echo 1 || echo 0)" '
    function text(s) {
        gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s); gsub(/&quot;/, "\"", s)
        gsub(/&apos;/, "\047", s); gsub(/&amp;/, "\\&", s)
        return s
    }
    function output(s) {
        # a scenario script: "SKIPPED (name): reason"; QtTest: "SKIP   : Class::function() reason"
        if (s ~ /^SKIPPED/ && reason == "") { reason = s; sub(/^SKIPPED( \([^)]*\))?:? */, "", reason) }
        if (s ~ /^SKIP +: / && reason == "") { reason = s; sub(/^SKIP +: [^ ]*\(\) */, "", reason) }
        if (s ~ /[^ \t]/) last = s
    }
    /<testcase / {
        name = $0; sub(/.*<testcase name="/, "", name); sub(/".*/, "", name)
        skipped = 0; reason = ""; last = ""
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
        if (r ~ /^needs root/) { rootNames = rootNames (rootCount++ ? ", " : "") text(name); next }
        if (!(r in names)) order[++n] = r
        names[r] = names[r] (names[r] == "" ? "" : ", ") text(name)
    }
    END {
        if (!count) exit
        line = "Skipped " count (count == 1 ? " test" : " tests")
        sep = ": "
        if (rootCount) { line = line sep rootCount " need root (" rootNames ")"; sep = "; " }
        for (i = 1; i <= n; i++) { line = line sep names[order[i]] " (" order[i] ")"; sep = "; " }
        if (rootCount && !root) line = line ". Run make test as root (sudo make test) for the whole run."
        print line
    }
' "$report"
