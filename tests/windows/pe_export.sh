# Sourced: where a PE file's export returns. first_ret DLL NAME prints the
# address of the first 'ret' after the export's start and the bytes it pops
# (hexadecimal), found through the export table so that a stripped file
# works. Needs $objdump.
first_ret() {
    private=$($objdump -p "$1")
    base=$(echo "$private" | awk '$1 == "ImageBase" {print $2}')
    slot='s = $0; sub(/^[^[]*\[ */, "", s); sub(/\].*/, "", s)' # the number in "[   3]"
    index=$(echo "$private" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
            awk -v n="$2" "\$NF == n { $slot; print s }")
    rva=$(echo "$private" | sed -n '/^Export Address Table --/,/^$/p' |
          awk -v i="$index" "/Export RVA/ { $slot; if (s == i) print \$(NF - 2) }")
    [ -n "$rva" ] || return 0
    start=$(printf '0x%x' $((0x$base + 0x$rva)))
    $objdump -d --no-show-raw-insn --start-address="$start" --stop-address=$((start + 4096)) "$1" |
        awk '/\tret/ { a = $1; sub(/:$/, "", a); print a, ($NF ~ /^\$0x/) ? substr($NF, 4) : "0"; exit }'
}
