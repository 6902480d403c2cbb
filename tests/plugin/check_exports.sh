#!/bin/sh
# The shared library must export the eight plug-in names and nothing else.
set -eu
expected="GetGenre GetMaker GetMemo GetPluginAuthor GetPluginInfo GetPluginVersion GetTitle GetYear"
actual=$(nm -D --defined-only "$1" | awk '{print $3}' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$expected" ]; then
    echo "exports: $actual"
    echo "wanted:  $expected"
    exit 1
fi
echo "exports: $actual"
