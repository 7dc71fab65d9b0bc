#!/usr/bin/env bash
# Runs a test program and passes on its own final verdict: its status is 0
# and the last line it writes matches PATTERN. Under Wine a crashed process
# has ended with status 0, so the status alone is no verdict; a crash
# after the verdict line leaves another line last.
#   verdict.sh PATTERN COMMAND...
pattern=$1
shift
exec 3>&1
last=$("$@" 2>&1 | tee /dev/fd/3 | tail -n 1; exit "${PIPESTATUS[0]}")
status=$?
[[ $status -eq 0 && ${last%$'\r'} =~ $pattern ]] && exit 0
echo "no passing verdict: status $status, last line ${last@Q}"
exit 1
