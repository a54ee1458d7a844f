#!/usr/bin/env bash
# scripts/serialcheck as a user outside the devices' group meets it: one line
# naming the devices this user may not open and how to get access, and
# nothing when every device opens. As root, which may open
# anything, the script runs as the user nobody.
#   serialcheck_test.sh <source folder>
set -euo pipefail
check="$1/scripts/serialcheck"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
chmod 755 "$scratch"

as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  user=nobody
else
  user=$(id -un)
fi
mkdir "$scratch/dev"
chmod 755 "$scratch/dev"
touch "$scratch/dev/ttyUSB0" "$scratch/dev/ttyACM0" "$scratch/dev/open"
chmod 600 "$scratch/dev/ttyUSB0" "$scratch/dev/ttyACM0"
[ "$(id -u)" -eq 0 ] || chmod 000 "$scratch/dev/ttyUSB0" "$scratch/dev/ttyACM0"
chmod 666 "$scratch/dev/open"

# Two devices this user may not open, one it may.
status=0
"${as_user[@]}" bash "$check" "$scratch/dev/ttyUSB0" "$scratch/dev/open" "$scratch/dev/ttyACM0" \
  >"$scratch/out" 2>"$scratch/err" || status=$?
[ "$status" -eq 1 ] || fail "exit status $status after a warning, not 1"
[ ! -s "$scratch/out" ] || fail "wrote to standard output: $(cat "$scratch/out")"
[ "$(wc -l <"$scratch/err")" -eq 1 ] || fail "not one line: $(cat "$scratch/err")"
line=$(cat "$scratch/err")
for want in "$scratch/dev/ttyUSB0 $scratch/dev/ttyACM0" "sudo adduser $user" "log out and in again"; do
  [[ "$line" == *"$want"* ]] || fail "the line lacks '$want': $line"
done
[[ "$line" != *"$scratch/dev/open"* ]] || fail "names a device that opens: $line"

# Every device opens: nothing is said.
"${as_user[@]}" bash "$check" "$scratch/dev/open" >"$scratch/out" 2>&1 || fail "exit status $? for a device that opens"
[ ! -s "$scratch/out" ] || fail "warned for a device that opens: $(cat "$scratch/out")"
echo "serialcheck warns once for the devices this user may not open"
