#!/usr/bin/env bash
# The release zip: two clean builds of this commit give the same bytes, it
# holds what it promises with true checksums, and its 32-bit DLL is the one
# the tests ran (build/win32).
set -euo pipefail
cd "$(dirname "$0")/../.."
fail() { echo "FAIL: $*"; exit 1; }

zip=$(scripts/release build/release-a | tail -1)
cp "$zip" build/release-a.zip
[ "$(scripts/release build/release-b | tail -1)" = "$zip" ] || fail "the second release has another name"
cmp build/release-a.zip "$zip" || fail "two releases of the same commit differ"
echo "two clean builds gave the same $zip"

name=$(basename "$zip" .zip)
expected="CHANGELOG.txt LICENSE README-ja.txt README.txt SHA256SUMS plinorhost.exe plinorinfo.dll plinorinfo.h x64/plinorinfo.dll"
contents=$(unzip -Z1 "$zip" | sed "s|^$name/||" | tr '\n' ' ' | sed 's/ $//')
[ "$contents" = "$expected" ] || fail "the zip holds '$contents', not '$expected'"

out=build/release-check
rm -rf "$out" && mkdir -p "$out"
unzip -q "$zip" -d "$out"
(cd "$out/$name" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS disagrees with the files"
cmp "$out/$name/plinorinfo.dll" build/win32/plinorinfo.dll ||
    fail "the released DLL is not the one the tests ran"
objdump=i686-w64-mingw32-objdump
$objdump -f "$out/$name/plinorinfo.dll" | grep -q "pei-i386" || fail "plinorinfo.dll is not 32-bit"
$objdump -f "$out/$name/plinorhost.exe" | grep -q "pei-i386" || fail "plinorhost.exe is not 32-bit"
x86_64-w64-mingw32-objdump -f "$out/$name/x64/plinorinfo.dll" | grep -q "pei-x86-64" ||
    fail "x64/plinorinfo.dll is not 64-bit"
for text in README.txt README-ja.txt LICENSE CHANGELOG.txt; do
    file=$out/$name/$text
    [ "$(grep -c '' "$file")" = "$(grep -c $'\r$' "$file")" ] && [ "$(tail -c 1 "$file")" = "" ] ||
        fail "$text has a line that does not end in CR LF"
done
[ "$(head -c 3 "$out/$name/README-ja.txt" | od -An -tx1 | tr -d ' ')" = "efbbbf" ] ||
    fail "README-ja.txt does not begin with a UTF-8 byte-order mark"
iconv -f UTF-8 -t UTF-8 "$out/$name/README-ja.txt" >/dev/null || fail "README-ja.txt is not UTF-8"
echo "it holds $contents; checksums and the tested DLL match; the texts end lines in CR LF"
