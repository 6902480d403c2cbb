#!/bin/sh
# Checks the 32-bit DLL by reading the file: its format, export table, the
# bytes each export pops off the stack, the DLLs it imports, and the version
# resource that Windows shows, with the version the build defines.
set -eu
dll=$1
objdump=$2
version=$3
fail=0
say() { echo "$*"; }
bad() { echo "FAIL: $*"; fail=1; }

$objdump -f "$dll" | grep -q "file format pei-i386" || bad "not a PE32 i386 file"
private=$($objdump -p "$dll")
echo "$private" | sed -n '/^Characteristics/,/^$/p' | grep -qx '\s*DLL' || bad "not a DLL"

exports=$(echo "$private" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^\s*\[ ' |
          awk '{print $NF}' | sort | tr '\n' ' ' | sed 's/ $//')
wanted="GetGenre GetMaker GetMemo GetPluginAuthor GetPluginInfo GetPluginVersion GetTitle GetYear"
[ "$exports" = "$wanted" ] || bad "exports are '$exports', wanted '$wanted'"
say "exports: $exports"

# The return that ends each export: 'ret $0xN' pops N bytes of arguments.
. "$(dirname "$0")/pe_export.sh"
for entry in GetTitle:20 GetMaker:20 GetGenre:20 GetMemo:20 GetYear:12 \
             GetPluginAuthor:8 GetPluginInfo:8 GetPluginVersion:0; do
    name=${entry%%:*}
    want=${entry#*:}
    got=$(first_ret "$dll" "$name" | awk '{print $2}')
    [ -n "$got" ] && got=$((0x$got))
    [ "$got" = "$want" ] || bad "$name pops '${got:-?}' bytes, wanted $want"
    say "$name pops $got bytes"
done

imports=$(echo "$private" | sed -n 's/^\s*DLL Name: //p' | sort -u | tr '\n' ' ' | sed 's/ $//')
say "imports: $imports"
for name in $imports; do
    case $(echo "$name" | tr 'A-Z' 'a-z') in
    kernel32.dll | msvcrt.dll | user32.dll | api-ms-win-*) ;;
    *) bad "imports $name, which a Windows machine may lack" ;;
    esac
done
# Version resource strings are UTF-16: each name is followed by its value.
resource="|$(strings -el -n 3 "$dll" | tr '\n' '|')"
for pair in "CompanyName|Yrn" "FileVersion|$version" "ProductName|plinorinfo" \
            "OriginalFilename|plinorinfo.dll" "FileDescription|Game information from"; do
    case $resource in
    *"|$pair"*) say "version resource: $pair" ;;
    *) bad "version resource lacks $pair" ;;
    esac
done
exit $fail
