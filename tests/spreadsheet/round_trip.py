# The host tool's CSV through LibreOffice Calc and back: every key and text as it was, no formula run.
"""Makes a catalogue of 20000 made-up games with hostile texts and keys,
asks the host tool for every game as CSV (and as JSON, the values it
stands for), has LibreOffice Calc import the CSV as a user opening it
would, save it as .ods and then as CSV again, and checks each cell of both
against the JSON: a key or text shows as it was (behind the guard the tool
wrote, where Calc leaves the guard in sight), a year is a number, and the
only formulas in the sheet are the tool's own ="..." texts. The same run
over --csv=plain must show harm, or the check could not see any."""

import csv
import json
import os
import random
import shutil
import subprocess
import sys
import time
import xml.etree.ElementTree as ET
import zipfile

GAMES = 20000  # the most a catalogue may hold

# Texts a catalogue may carry that a spreadsheet would run, or change.
HOSTILE = [
    "=1+1", "@SUM(1,2)", "-2+3", "+cmd|' /C calc'!A0", '=HYPERLINK("http://example.invalid","open")',
    "\t=1+1", "  =2+2", "=", "-", "+5", "-5", "007", "00000000", "04287345", "1E5", "997048E5", "1969E490",
    "1e5", "12:30", "1/2", "12/31", "50%", "(5)", "1,000", "3.10", "999999999999999999", "TRUE", "false",
    "１２３", "￥500", "1942", "3D Tennis", 'Say "Hi", then bye', "a;b", "'quoted", "星の庭", "ほたる工房",
    "Coral Moth", "Lantern Keep",
]

KEY_FIELDS = {"key", "key_hex", "catalogue_has", "file_hex", "member_hex"}

# Import options as the Text Import dialog offers them on a new profile
# (comma, semicolon and tab; UTF-8, as the byte-order mark tells; Standard
# column types; formulas not evaluated, special numbers not detected), then
# with each of those two turned on: tokens 1-13 of the CSV filter's options.
OPTION_SETS = [
    ("as opened", False, False),
    ("evaluate formulas", True, False),
    ("detect special numbers", False, True),
    ("both", True, True),
]


def filter_options(evaluate, special):
    tokens = ["44/59/9", "34", "76", "1", "", "0", "false", "true" if special else "false", "true", "false",
              "false", "0", "true" if evaluate else "false"]
    return ",".join(tokens)


EXPORT_OPTIONS = "44,34,76,1,,0,false,true,true,false,false"  # as "Keep current format" saves


def make_keys(rng):
    """Unique keys, letter case aside: all-digit ones with and without
    leading zeros, ones a spreadsheet reads as 1E5, and plain hexadecimal."""
    keys, seen = [], set()

    def add(key):
        if key.upper() not in seen:
            seen.add(key.upper())
            keys.append(key)

    for key in ["00000000", "04287345", "997048E5", "1969E490", "0058DE32", "0BADF00D"]:
        add(key)
    while len(keys) < 4000:
        add("0%07d" % rng.randrange(10 ** 7))
    while len(keys) < 8000:
        add("%08d" % rng.randrange(10 ** 7, 10 ** 8))
    while len(keys) < 11000:
        at = rng.randrange(1, 7)
        digits = "%07d" % rng.randrange(10 ** 7)
        add(digits[:at] + rng.choice("EEEEe") + digits[at:])
    while len(keys) < GAMES:
        add("%08X" % rng.randrange(1 << 32))
    rng.shuffle(keys)
    return keys


def make_catalogue(folder, rng):
    keys = make_keys(rng)
    lines = ['<?xml version="1.0" encoding="Shift_JIS"?>', "<!-- Made-up games with hostile texts. -->", "<games>"]
    n = len(HOSTILE)
    for i, key in enumerate(keys):
        title = HOSTILE[i % n] if i % 3 else "Game %d %s" % (i, HOSTILE[i % n])
        date = "" if i % 17 == 0 else "<date>%04d/%02d/01</date>" % (1980 + i % 40, 1 + i % 12)
        genre = str(i % 11) if i % 2 else HOSTILE[(i * 7) % n]
        lines += ["<game>", "<title>%s</title>" % title, "<genre>%s</genre>" % genre,
                  "<publisher>%s</publisher>" % HOSTILE[(i * 3) % n], date,
                  "<comment>%s</comment>" % HOSTILE[(i * 5) % n], "<crc32>%s</crc32>" % key, "</game>"]
    lines.append("</games>")
    with open(os.path.join(folder, "data.dat"), "wb") as f:
        f.write(("\r\n".join(line for line in lines if line) + "\r\n").encode("cp932"))
    with open(os.path.join(folder, "keys.txt"), "w", encoding="ascii") as f:
        f.write("\n".join(keys) + "\n")
    # Rows not found: hints in catalogue_has, keys that are not UTF-8 in key_hex, a key that is a formula.
    with open(os.path.join(folder, "others.txt"), "wb") as f:
        f.write(b"4287345\n58de32\n0\n\x83\x51\n\x39\x81\n=1+1\n-1\n")
    return keys


def run_tool(tool, folder, keys_file, form):
    command = [tool, "-c", os.path.join(folder, "data.dat"), "-k", os.path.join(folder, keys_file), form]
    done = subprocess.run(command, capture_output=True)
    if done.returncode != 0:
        sys.exit("%s: exit status %d\n%s" % (" ".join(command), done.returncode, done.stderr.decode(errors="replace")))
    return done.stdout


def read_csv(path, encoding="utf-8-sig"):
    with open(path, newline="", encoding=encoding) as f:
        return list(csv.reader(f))


def soffice(profile, options, convert, folder, files):
    """Calc converting files; a new profile's first start ends early (81) to restart."""
    command = ["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--norestore"] + options + \
        ["--convert-to", convert, "--outdir", folder] + files
    for _ in range(2):
        done = subprocess.run(command, capture_output=True, timeout=600)
        if done.returncode != 81:
            break
    if done.returncode != 0:
        sys.exit("%s: exit status %d\n%s" % (" ".join(command), done.returncode, done.stderr.decode(errors="replace")))


NS = {"table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
      "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
      "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0"}


def q(prefix, name):
    return "{%s}%s" % (NS[prefix], name)


def paragraph_text(p):
    out = p.text or ""
    for child in p:
        if child.tag == q("text", "s"):
            out += " " * int(child.get(q("text", "c"), "1"))
        elif child.tag == q("text", "tab"):
            out += "\t"
        elif child.tag == q("text", "line-break"):
            out += "\n"
        else:
            out += paragraph_text(child)
        out += child.tail or ""
    return out


EMPTY = ("", "", None, None)


def read_ods(path):
    """Each row's cells as (type, shown text, value, formula), without the
    empty cells and rows that fill the sheet's ends."""
    with zipfile.ZipFile(path) as z:
        root = ET.fromstring(z.read("content.xml"))
    rows = []
    for row in root.iter(q("table", "table-row")):
        cells = []
        for cell in row:
            shown = "\n".join(paragraph_text(p) for p in cell.findall(q("text", "p")))
            kind = cell.get(q("office", "value-type"), "")
            value = cell.get(q("office", "value")) or cell.get(q("office", "boolean-value")) or \
                cell.get(q("office", "string-value"))
            entry = (kind, shown, value, cell.get(q("table", "formula")))
            cells += [entry] * int(cell.get(q("table", "number-columns-repeated"), "1"))
        while cells and cells[-1] == EMPTY:
            cells.pop()
        rows += [cells] * (int(row.get(q("table", "number-rows-repeated"), "1")) if cells else 1)
    while rows and not rows[-1]:
        rows.pop()
    return rows


def exported(text):
    """A text as Calc writes it to CSV: line ends as LF, tabs dropped."""
    return text.replace("\r\n", "\n").replace("\r", "\n").replace("\t", "")


class Tally:
    def __init__(self):
        self.cells = self.guarded = self.formulas = 0
        self.wrong = []

    def fail(self, where, said):
        self.wrong.append("%s: %s" % (where, said))


def check_text(tally, where, key, value, written, ods_cell, back, evaluate):
    """A text cell: shown as the value, or as the tool's guarded cell where
    Calc keeps the guard; a formula only where the tool wrote ="value" and
    Calc evaluates formulas. A key is always guarded."""
    kind, shown, _, formula = ods_cell
    literal = '="%s"' % value
    if written not in (value, "'" + value, literal) or (written == literal and '"' in value):
        tally.fail(where, "the tool wrote %r for %r" % (written, value))
        return
    if key and written == value and all(c in "0123456789ABCDEFabcdef" for c in value):
        tally.fail(where, "key %r written bare" % value)
    tally.guarded += written != value
    if written == literal and evaluate:
        tally.formulas += 1
        if formula != "of:" + literal:
            tally.fail(where, "%r became formula %r" % (written, formula))
        expected = value
    elif formula is not None:
        tally.fail(where, "%r ran as formula %r, showing %r" % (written, formula, shown))
        return
    else:
        expected = written
    if shown != expected or kind != ("string" if expected else ""):
        tally.fail(where, "%r shows as %s %r" % (written, kind, shown))
    if back != exported(expected):
        tally.fail(where, "%r saved as %r" % (written, back))


def check_cell(tally, where, field, value, written, ods_cell, back, evaluate):
    """One cell: the JSON's value, the tool's CSV cell, the sheet's cell and
    the CSV Calc saved."""
    kind, shown, number, formula = ods_cell
    tally.cells += 1
    if isinstance(value, str):
        check_text(tally, where, field in KEY_FIELDS, value, written, ods_cell, back, evaluate)
    elif value is None:
        if kind or shown or back:
            tally.fail(where, "an empty cell became %r" % (shown or back))
    elif isinstance(value, bool):
        if not (kind == "boolean" and number == json.dumps(value)) and shown != json.dumps(value):
            tally.fail(where, "truth value %r shows as %s %r" % (value, kind, shown))
        if back.lower() != json.dumps(value):
            tally.fail(where, "truth value %r saved as %r" % (value, back))
    elif kind != "float" or float(number) != value or back != str(value) or formula is not None:
        tally.fail(where, "number %r became %s %r, saved as %r" % (value, kind, shown, back))


def padded(cells, width, empty):
    return cells + [empty] * (width - len(cells))


def check_sheet(games, written, ods, back, evaluate):
    tally = Tally()
    header = written[0]
    if [c[1] for c in ods[0][:len(header)]] != header or back[0][:len(header)] != header:
        tally.fail("header", "%r" % back[0])
    if len(ods) != len(games) + 1 or len(back) != len(games) + 1:
        tally.fail("rows", "%d rows in the sheet, %d saved, for %d games" % (len(ods), len(back), len(games)))
        return tally
    for i, game in enumerate(games):
        sheet = padded(ods[i + 1], len(header), EMPTY)
        saved = padded(back[i + 1], len(header), "")
        if len(sheet) != len(header) or len(saved) != len(header):
            tally.fail("row %d" % (i + 2), "split into %d cells, saved as %d" % (len(sheet), len(saved)))
            continue
        for c, field in enumerate(header):
            check_cell(tally, "row %d %s" % (i + 2, field), field, game.get(field), written[i + 1][c], sheet[c],
                       saved[c], evaluate)
    return tally


def harm(games, ods, back, header):
    """Cells of the untouched CSV that Calc changed, and formulas it ran."""
    changed, ran = {}, 0
    for i, game in enumerate(games):
        for c, field in enumerate(header):
            value = game.get(field)
            if not isinstance(value, str):
                continue
            cell = ods[i + 1][c] if c < len(ods[i + 1]) else EMPTY
            saved = back[i + 1][c] if c < len(back[i + 1]) else ""
            ran += cell[3] is not None
            if cell[1] != value or saved != exported(value):
                changed[field] = changed.get(field, 0) + 1
    return changed, ran


def main():
    tool = os.path.abspath(sys.argv[1])
    folder = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else "build/spreadsheet")
    os.makedirs(folder, exist_ok=True)
    profile = os.path.join(folder, "profile")
    make_catalogue(folder, random.Random(1969))
    runs = {}
    for name, keys_file in (("games", "keys.txt"), ("others", "others.txt")):
        for form, suffix in (("--csv", ""), ("--csv=plain", "-plain")):
            with open(os.path.join(folder, name + suffix + ".csv"), "wb") as f:
                f.write(run_tool(tool, folder, keys_file, form))
        with open(os.path.join(folder, name + ".csv"), "rb") as f:
            if f.read(3) != b"\xef\xbb\xbf":
                sys.exit("--csv must begin with a UTF-8 byte-order mark")
        runs[name] = json.loads(run_tool(tool, folder, keys_file, "--json"))["games"]
    found = sum(g.get("found") is True for g in runs["games"])
    print("catalogue: %d games; the tool answered %d rows, %d found; %d more rows not found"
          % (GAMES, len(runs["games"]), found, len(runs["others"])))
    if found != GAMES or len(runs["games"]) != GAMES:
        sys.exit("every game must be a row found")
    failed = False
    for label, evaluate, special in OPTION_SETS:
        tag = label.replace(" ", "-")
        sheets = os.path.join(folder, tag)
        shutil.rmtree(sheets, ignore_errors=True)  # no sheet of an earlier run may stand in for a missing one
        os.makedirs(sheets)
        started = time.time()
        sources = [os.path.join(folder, n + s + ".csv") for n in runs for s in ("", "-plain")]
        soffice(profile, ["--infilter=CSV:" + filter_options(evaluate, special)], "ods", sheets, sources)
        odss = [os.path.join(sheets, os.path.basename(s)[:-4] + ".ods") for s in sources]
        backs = os.path.join(sheets, "back")
        os.makedirs(backs, exist_ok=True)
        soffice(profile, [], "csv:Text - txt - csv (StarCalc):" + EXPORT_OPTIONS, backs, odss)
        seconds = time.time() - started
        for name, games in runs.items():
            written = read_csv(os.path.join(folder, name + ".csv"))
            ods = read_ods(os.path.join(sheets, name + ".ods"))
            back = read_csv(os.path.join(backs, name + ".csv"), "utf-8")
            tally = check_sheet(games, written, ods, back, evaluate)
            plain_ods = read_ods(os.path.join(sheets, name + "-plain.ods"))
            plain_back = read_csv(os.path.join(backs, name + "-plain.csv"), "utf-8")
            changed, ran = harm(games, plain_ods, plain_back, written[0])
            print("%-22s %-6s %6d cells, %d wrong (%d guarded, %d shown through their =\"...\");"
                  " --csv=plain: %d changed (%s), %d formulas run"
                  % (label, name, tally.cells, len(tally.wrong), tally.guarded, tally.formulas,
                     sum(changed.values()), ", ".join("%s %d" % kv for kv in sorted(changed.items())), ran))
            for line in tally.wrong[:20]:
                print("    " + line)
            failed = failed or bool(tally.wrong)
            if name == "games" and not changed:
                print("    --csv=plain came back whole: this check would not see harm")
                failed = True
        print("%-22s (Calc took %.0f s to open and save the four files)" % ("", seconds))
    print("FAILED" if failed else "every key and text came back as it was; no formula ran")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
