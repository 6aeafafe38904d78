# Runs a tool for a build and keeps its report out of the build log unless
# it fails. Usage: sh trelvic-run.sh <tool> <argument>...
report=$("$@" 2>&1) && exit 0
status=$?
printf '%s\n' "$report"
echo "$1 failed ($status)" >&2
exit 1
