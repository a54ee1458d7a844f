#!/usr/bin/env bash
# Starts the demo offscreen as the README shows it, with QL_HOME naming a
# folder that does not exist yet: the demo must make it, write its settings
# into it without an error, and connect both panels to their own devices.
#   demo_test.sh <qltester-demo>
set -euo pipefail
demo=$1

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; cat "$scratch/out.txt" >&2 || true; exit 1; }

home=$scratch/new/ql-demo
mkdir -m 700 "$scratch/runtime"
QL_HOME=$home QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$scratch/runtime" \
  timeout 120 "$demo" --connect --quit-after 3 >"$scratch/out.txt" 2>&1 || fail "the demo ended with status $?"

[ -f "$home/ql.ini" ] || fail "no ql.ini in $home"
tr -d '\r' <"$home/ql.ini" | grep -qx 'PORT1=3' || fail "ql.ini lacks PORT1=3"
tr -d '\r' <"$home/ql.ini" | grep -qx 'PORT2=4' || fail "ql.ini lacks PORT2=4"
if grep -rh 'ErrIni' "$home/Log" "$scratch/out.txt" 2>/dev/null; then
  fail "settings errors were logged"
fi
grep -qx 'qltester-demo: device on COM3 was connected' "$scratch/out.txt" || fail "the device on COM3 was not connected"
grep -qx 'qltester-demo: device on COM4 was connected' "$scratch/out.txt" || fail "the device on COM4 was not connected"
echo "the demo made $home and connected both devices"
