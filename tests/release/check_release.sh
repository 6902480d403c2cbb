#!/usr/bin/env bash
# The release zip: two clean builds of this commit give the same bytes, it
# holds what it promises with true checksums, its 32-bit DLL is the one the
# tests ran (build/win32), every program in it is static and stripped, and
# the zip's name, the changelog and every file's version resource give the
# same version; a changelog that does not name the version stops a release.
# It leaves the zip unpacked in build/release-check for the tests that run
# the shipped host tool.
set -euo pipefail
cd "$(dirname "$0")/../.."
fail() { echo "FAIL: $*"; exit 1; }

zip=$(scripts/release build/release-a | tail -1)
cp "$zip" build/release-a.zip
[ "$(scripts/release build/release-b | tail -1)" = "$zip" ] || fail "the second release has another name"
cmp build/release-a.zip "$zip" || fail "two releases of the same commit differ"
echo "two clean builds gave the same $zip"

name=$(basename "$zip" .zip)
version=${name#plinorinfo-}
version=${version%-win32}
expected="CHANGELOG.txt LICENSE README-ja.txt README.txt SHA256SUMS plinorhost.exe plinorinfo.dll plinorinfo.h"
expected+=" x64/plinorhost.exe x64/plinorinfo.dll"
contents=$(unzip -Z1 "$zip" | sed "s|^$name/||" | tr '\n' ' ' | sed 's/ $//')
[ "$contents" = "$expected" ] || fail "the zip holds '$contents', not '$expected'"

out=build/release-check
rm -rf "$out" && mkdir -p "$out"
unzip -q "$zip" -d "$out"
(cd "$out/$name" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS disagrees with the files"
cmp "$out/$name/plinorinfo.dll" build/win32/plinorinfo.dll ||
    fail "the released DLL is not the one the tests ran"

# Each program: its machine, its imports (system DLLs alone), no symbols,
# and a version resource that names it and the release's version.
for entry in plinorinfo.dll:i686:pei-i386 plinorhost.exe:i686:pei-i386 \
             x64/plinorinfo.dll:x86_64:pei-x86-64 x64/plinorhost.exe:x86_64:pei-x86-64; do
    IFS=: read -r file arch format <<<"$entry"
    path=$out/$name/$file
    objdump=$arch-w64-mingw32-objdump
    $objdump -f "$path" | grep -q "file format $format\$" || fail "$file is not $format"
    $objdump -t "$path" | grep -qx "no symbols" || fail "$file is not stripped"
    for dll in $($objdump -p "$path" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
        case $dll in
        kernel32.dll | msvcrt.dll | user32.dll | shell32.dll | version.dll) ;; # every Windows has these
        *) fail "$file imports $dll, which a Windows machine may lack" ;;
        esac
    done
    resource=$(tests/release/version_resource.py "$path") || fail "$file has no readable version resource"
    for want in "FILEVERSION=$version.0" "PRODUCTVERSION=$version.0" "FileVersion=$version.0" \
                "ProductVersion=$version.0" "ProductName=plinorinfo" "OriginalFilename=${file#x64/}"; do
        grep -qxF "$want" <<<"$resource" || fail "$file's version resource lacks $want: $(echo $resource)"
    done
done
top=$(grep -m 1 '^## ' "$out/$name/CHANGELOG.txt" | tr -d '\r')
[[ $top == "## $version ("*")" ]] || fail "CHANGELOG.txt begins with '$top', not version $version"

for text in README.txt README-ja.txt LICENSE CHANGELOG.txt; do
    file=$out/$name/$text
    [ "$(grep -c '' "$file")" = "$(grep -c $'\r$' "$file")" ] && [ "$(tail -c 1 "$file")" = "" ] ||
        fail "$text has a line that does not end in CR LF"
done
[ "$(head -c 3 "$out/$name/README-ja.txt" | od -An -tx1 | tr -d ' ')" = "efbbbf" ] ||
    fail "README-ja.txt does not begin with a UTF-8 byte-order mark"
iconv -f UTF-8 -t UTF-8 "$out/$name/README-ja.txt" >/dev/null || fail "README-ja.txt is not UTF-8"
echo "it holds $contents; checksums and the tested DLL match; the programs are static, stripped and" \
    "$version.0; the changelog names $version; the texts end lines in CR LF"

# A release refuses, before building, a changelog whose top section is not
# this version with a date: the script and the version in a folder of their own.
copy=build/release-refusal
rm -rf "$copy" && mkdir -p "$copy/scripts"
cp scripts/release "$copy/scripts/" && cp CMakeLists.txt "$copy/"
for top in "Unreleased" "0.0.0 (2026-12-09)" "$version" "$version (today)"; do
    printf '# Changes\n\n## %s\n\n- A change.\n\n## 1.0.0 (2026-12-08)\n' "$top" >"$copy/CHANGELOG.md"
    status=0
    said=$("$copy/scripts/release" 2>&1) || status=$?
    [ "$status" = 1 ] && [[ $said == "release: CHANGELOG.md's top section is "*"${top%% *}"* ]] ||
        fail "a changelog that begins '## $top' gave status $status and '$said'"
done
echo "a changelog whose top section is not '$version (date)' stops the release"
