#!/usr/bin/env bash
# The list and help pages as a browser builds them: starts the score server
# with a fresh database, uploads one result and has headless Chromium dump
# the DOM of both pages.
# usage: pages_in_chromium.sh SERVER POST_UPLOAD CHROMIUM
set -uo pipefail
server=$1 post=$2 chromium=$3
work=$(mktemp -d /tmp/pellorin-pages.XXXXXX)
server_pid=
finish() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
fail() { echo "pages_in_chromium: $*" >&2; exit 1; }

"$server" --port 0 --database "$work/scores.db" >"$work/server.out" 2>&1 &
server_pid=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$work/server.out")
  [ -n "$port" ] && break
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$port" ] || fail "the server did not start: $(cat "$work/server.out")"

# A name with markup and a Windows-1252 letter (0xEB is e with diaeresis).
name=$(printf '<b>&Zo\353</b>')
status=$("$post" "$port" /pellorin/highscore.asp "$name" 12 98765 1700000000) || fail "upload failed"
[ "$status" = 202 ] || fail "upload answered $status, not 202"

dump() {
  timeout 60 "$chromium" --headless --no-sandbox --disable-gpu --disable-background-networking --no-first-run \
    --user-data-dir="$work/profile" --dump-dom "http://127.0.0.1:$port/pellorin/$1" >"$work/$1.html" 2>"$work/chromium.err" ||
    fail "chromium could not load $1: $(tail -5 "$work/chromium.err")"
}
expect() {
  grep -qF -- "$2" "$work/$1.html" || fail "$1 lacks: $2"
}

dump highscore.asp
expect highscore.asp '<title>Pellorin internet high scores</title>'
expect highscore.asp '<tr><td class="n">1</td><td>&lt;b&gt;&amp;Zoë&lt;/b&gt;</td><td class="n">12</td><td class="n">98765</td><td>2023-11-14</td></tr>'
grep -q '<b>&amp;Zo' "$work/highscore.asp.html" && fail "the name became markup"

dump pellorin.asp
expect pellorin.asp '<title>How to play Pellorin</title>'
expect pellorin.asp '<td class="n">1250</td>'
expect pellorin.asp 'every 30 seconds'
echo "pages_in_chromium: list and help page render with the uploaded entry"
