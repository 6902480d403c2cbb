#!/usr/bin/env python3
"""The host tool's memory bounded by what it reads, not by how much, and
-r's time linear in depth: each case a process, its peak memory the
kernel's count. Usage: bounds.py PLINORHOST CATGEN"""
import os, subprocess, sys, tempfile, time

LIMIT_MB = 100

# Made by another process: a child's peak counts what it was forked from.
MAKE = r'''
import os, random, sys, zipfile
d = sys.argv[1]
rng = random.Random(7)
with open(os.path.join(d, "keys.txt"), "w") as f:
    for _ in range(20):
        f.write("".join("%08X\n" % rng.getrandbits(32) for _ in range(100000)))
with open(os.path.join(d, "bad.dat"), "wb") as f:
    for _ in range(20): f.write(b"\x80\n" * (1 << 20))
with open(os.path.join(d, "big.dat"), "wb") as f: f.truncate(300 << 20)
with zipfile.ZipFile(os.path.join(d, "many.zip"), "w", zipfile.ZIP_STORED) as z:
    for i in range(200000): z.writestr("g%06d.rom" % i, b"")
deep = os.path.join(d, "d")
os.mkdir(deep)
for _ in range(1999):
    deep = os.path.join(deep, "d")
    os.mkdir(deep)
with open(os.path.join(deep, "g.rom"), "wb") as f: f.write(b"a game")
'''

def main(tool, catgen):
    failures = []
    def run(name, args, want, seconds=None):
        start = time.monotonic()
        with open(os.devnull, "wb") as null:
            child = subprocess.Popen([tool] + args, stdout=null, stderr=subprocess.DEVNULL)
            _, status, usage = os.wait4(child.pid, 0)  # this child's own peak
        took, code, peak = time.monotonic() - start, os.waitstatus_to_exitcode(status), usage.ru_maxrss // 1024
        said = "%s: exit %d, %.2f s, peak %d MB" % (name, code, took, peak)
        print(said, flush=True)
        if code not in want: failures.append(said + ": exit %s wanted" % sorted(want))
        if peak > LIMIT_MB: failures.append(said + ": over %d MB" % LIMIT_MB)
        if seconds is not None and took > seconds: failures.append(said + ": over %g s" % seconds)

    d = tempfile.mkdtemp(prefix="plinorhost-bounds-")
    try:
        catalogue = os.path.join(d, "data.dat")
        with open(catalogue, "wb") as f: subprocess.run([catgen, "20000"], stdout=f, check=True)
        subprocess.run([sys.executable, "-c", MAKE, d], check=True)
        f = lambda name: os.path.join(d, name)
        run("2,000,000 keys", ["-c", catalogue, "-k", f("keys.txt")], {0})
        run("check of 40 MB of lines to report", ["check", f("bad.dat")], {6})
        run("check --json of the same", ["check", "--json", f("bad.dat")], {6})
        run("a catalogue over the cap, refused before it is read", ["-c", f("big.dat"), "0BADF00D"], {2}, 5)
        run("a zip of 200,000 members", ["-c", catalogue, "-f", f("many.zip")], {0})
        run("-r through 2,000 folders", ["-c", catalogue, "-r", "-f", f("d")], {0}, 1)
    finally:
        subprocess.run(["rm", "-rf", d])
    for failure in failures: print("FAILED:", failure)
    return 1 if failures else 0

sys.exit(main(sys.argv[1], sys.argv[2]))
