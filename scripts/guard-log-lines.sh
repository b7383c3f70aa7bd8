#!/usr/bin/env bash
# Turns QtLog::debug()/info()/warning()/critical() lines into the LK_* guards of
# libs/quillon/QtLog.h, so a line below the log level evaluates none of its arguments.
# Safe to run again, e.g. after a merge brought new lines. With --check it changes nothing
# and fails when an unguarded line is left.
#
# Only a call that starts a statement is rewritten: the line begins with it and the line
# before ends a statement, opens or closes a block, or is an if/for/while head or an else
# (the guard is one statement, so an unbraced body keeps its else). Anything else is
# listed for a look by hand.
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
[ "${1:-}" = "--check" ] && check=1

mapfile -t files < <(grep -rlE 'QtLog::(debug|info|warning|critical)\(' \
    --include='*.cpp' --include='*.h' app core libs tools | grep -v '^libs/quillon/' || true)
[ "${#files[@]}" -eq 0 ] && exit 0

if [ "$check" -eq 0 ]; then
    perl -i -pe '
        if (/^\s*QtLog::(debug|info|warning|critical)\(/ && $prev =~ /(?:[;{})]|\belse)\s*$/) {
            s/^(\s*)QtLog::(debug|info|warning|critical)\(/$1LK_\U$2\E(/;
        }
        $prev = $_ if /\S/ && !m{^\s*//};
        $prev = "" if eof;
    ' "${files[@]}"
fi

if grep -HnE 'QtLog::(debug|info|warning|critical)\(' "${files[@]}"; then
    echo "guard-log-lines: the lines above are not guarded; use LK_DEBUG()/LK_INFO()/... by hand" >&2
    exit 1
fi
