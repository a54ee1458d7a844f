#!/usr/bin/env bash
# Installs the built program into a scratch prefix, checks that the desktop
# entry names the installed program and icon, then starts the installed
# program offscreen as a new user would (no QL_HOME) and waits for its
# settings file and folders to appear in the user's data folder; nothing may
# be written beside the executable.
#   install_test.sh <cmake> <build folder>
set -euo pipefail
cmake=$1
build=$2

scratch=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$scratch/prefix
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

program=$prefix/bin/qltester
entry=$prefix/share/applications/qltester.desktop
[ -x "$program" ] || fail "no program at $program"
[ -f "$entry" ] || fail "no desktop entry at $entry"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -x "$prefix/bin/${exec_line%% *}" ] || fail "the entry runs '$exec_line', which the install does not hold"
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the entry's icon '$icon' is not installed"

data=$scratch/data
mkdir -m 700 "$scratch/runtime"
env -u QL_HOME QT_QPA_PLATFORM=offscreen QL_SYSTEM_PORTS=0 HOME="$scratch/home" XDG_DATA_HOME="$data" \
  XDG_RUNTIME_DIR="$scratch/runtime" "$program" >"$scratch/out.txt" 2>&1 &
pid=$!

folder="$data/QL Tester"
for _ in $(seq 600); do
  [ -f "$folder/ql.ini" ] && [ -d "$folder/Data" ] && [ -d "$folder/Log" ] && break
  kill -0 "$pid" 2>/dev/null || { cat "$scratch/out.txt" >&2; fail "the program ended early"; }
  sleep 0.1
done
[ -f "$folder/ql.ini" ] && [ -d "$folder/Data" ] && [ -d "$folder/Log" ] ||
  fail "no ql.ini, Data and Log in $folder after 60 s"
[ "$(head -n 1 "$folder/ql.ini" | tr -d '\r')" = ";--------QL Config File----------" ] || fail "ql.ini lacks its first line"
kill -0 "$pid" 2>/dev/null || fail "the program did not keep running"
[ "$(ls -A "$prefix/bin")" = "qltester" ] || fail "the program wrote beside itself: $(ls -A "$prefix/bin" | tr '\n' ' ')"
echo "installed program started and keeps its files in $folder"
