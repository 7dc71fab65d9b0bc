#!/usr/bin/env bash
# verdict.sh PATTERN COMMAND...: passes when the test program COMMAND ends
# with status 0 and its last line, its own final verdict, matches PATTERN.
# Under Wine a crashed process has ended with status 0.
pattern=$1
shift
exec 3>&1
last=$("$@" 2>&1 | tee /dev/fd/3 | tail -n 1; exit "${PIPESTATUS[0]}")
status=$?
[[ $status -eq 0 && ${last%$'\r'} =~ $pattern ]] && exit 0
echo "no passing verdict: status $status, last line ${last@Q}"
exit 1
