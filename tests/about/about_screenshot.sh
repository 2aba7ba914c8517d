#!/usr/bin/env bash
# Screenshot of the about window over the main window, opened as a user would: the program
# starts with the focus on the upper list, Shift+Tab goes to the usage button, Space presses
# it. about_screenshot.sh EXE OUT.png; needs DISPLAY (Xvfb) and WINEPREFIX.
set -u
exe=$1 out=$2
mkdir -p "$(dirname "$out")"
export WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
# A copy of its own, so its settings file lands in a folder of this script's.
folder=$(mktemp -d)
cp "$exe" "$folder/"
wine "$folder/$(basename "$exe")" </dev/null >/dev/null 2>&1 &
sleep 3
desktop=$(xdotool search --onlyvisible --name . 2>/dev/null | head -1)
[ -n "$desktop" ] && xdotool windowfocus --sync "$desktop" 2>/dev/null
xdotool key shift+Tab
sleep 0.5
xdotool key space
sleep 2
import -window root "$out"
status=$?
wine taskkill /f /im "$(basename "$exe")" </dev/null >/dev/null 2>&1
sleep 1
rm -rf "$folder"
[ $status -eq 0 ] && [ -s "$out" ] && echo "screenshot: $out"
