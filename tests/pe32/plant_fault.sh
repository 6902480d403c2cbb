#!/bin/sh
# The loader's checks can fail: a copy of the DLL whose GetTitle pops 16
# bytes instead of 20 must fail the run, naming the fault.
set -eu
runner=$1
dll=$2
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
. "$(dirname "$0")/../windows/pe_export.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

set -- $(first_ret "$dll" GetTitle)
[ "${2:-}" = 14 ] || { echo "FAIL: GetTitle does not end in ret \$0x14 (${2:-none})"; exit 1; }
text=$($objdump -h "$dll" | awk '$2 == ".text" {print $4, $6}')
offset=$((0x$1 - 0x${text% *} + 0x${text#* } + 1)) # the operand's low byte
cp "$dll" "$work/planted.dll"
cp "$dll.map" "$work/planted.dll.map"
printf '\020' | dd of="$work/planted.dll" bs=1 seek="$offset" conv=notrunc 2>/dev/null
cmp -s "$dll" "$work/planted.dll" && { echo "FAIL: nothing was patched"; exit 1; }

if PLINOR_DLL="$work/planted.dll" qemu-i386-static "$runner" \
       --gtest_filter='*EveryFieldComesBackByteExact*' >"$work/out" 2>&1; then
    echo "FAIL: the run passed with GetTitle popping 16 bytes"
    exit 1
fi
grep -q "GetTitle removed 16 bytes of arguments, not 20" "$work/out" ||
    { cat "$work/out"; echo "FAIL: the run failed without naming the fault"; exit 1; }
echo "caught: GetTitle removed 16 bytes of arguments, not 20"
