#!/usr/bin/env bash
# Runs a Windows test program with a spare Wine drive letter mapped to a fresh temporary
# folder, named to it in RR_TEST_DRIVE ("R:"): with_drive_letter.sh PREFIX PROGRAM [ARGS...].
# Wine takes its drive letters from the prefix's dosdevices folder, which no Windows call of
# the program itself can add to.
set -u
prefix=$1
shift
folder=$(mktemp -d)
letter=
for l in r s t u v w x y; do
    if [ ! -e "$prefix/dosdevices/$l:" ]; then
        letter=$l
        break
    fi
done
if [ -n "$letter" ]; then
    ln -s "$folder" "$prefix/dosdevices/$letter:"
    export RR_TEST_DRIVE="${letter^^}:"
fi
"$(dirname "$0")/../../scripts/wine-run" "$prefix" "$@"
status=$?
[ -n "$letter" ] && rm -f "$prefix/dosdevices/$letter:"
rm -rf "$folder"
exit $status
