#!/usr/bin/env python3
"""kakikae-cli's progress line: on a terminal after a second of work, erased
when done; never when standard error is a file or with --quiet; --progress
forces it. Usage: progress_test.py BIN_DIR"""
import os
import pty
import select
import subprocess
import sys
import tempfile

cli = os.path.join(sys.argv[1], "kakikae-cli")
failures = 0


def check(name, ok, detail=""):
    global failures
    if not ok:
        failures += 1
        print(f"FAIL {name}\n  {detail[:400]!r}")


def run_on_terminal(args, stdin_path):
    """Runs the CLI with standard error on a pseudo-terminal; returns what the
    terminal got and the exit status."""
    master, slave = pty.openpty()
    with open(stdin_path, "rb") as stdin, tempfile.TemporaryFile() as out:
        p = subprocess.Popen([cli, *args], stdin=stdin, stdout=out, stderr=slave)
        os.close(slave)
        got = b""
        while True:
            ready, _, _ = select.select([master], [], [], 0.2)
            if ready:
                try:
                    chunk = os.read(master, 65536)
                except OSError:
                    break
                if not chunk:
                    break
                got += chunk
            elif p.poll() is not None:
                break
        p.wait()
        os.close(master)
        return got.decode("utf-8", "replace"), p.returncode


with tempfile.TemporaryDirectory() as tmp:
    big = os.path.join(tmp, "big.txt")
    line = ("ｶﾀｶﾅとひらがなの行です 0123456789 " * 4 + "\n").encode()
    with open(big, "wb") as f:
        f.write(line * ((200 << 20) // len(line)))
    small = os.path.join(tmp, "small.txt")
    with open(small, "wb") as f:
        f.write(b"b\na\n")

    # A 200 MB conversion on a terminal: share, bytes and rate, then erased
    # (one that takes seconds: a quick build reverses 200 MB in under one).
    said, status = run_on_terminal(["--convert", "digits-to-kanji"], big)  # seconds of work, whatever the build
    check("conversion: exit 0", status == 0, said)
    check("conversion: a progress line", "%" in said and "MB/s" in said and "/ 200 MB" in said, said)
    check("conversion: erased at the end", said.endswith("\r\x1b[K"), said[-40:])

    # A filter has no total: what it has written and the time.
    said, status = run_on_terminal(["sleep 1.6; sort"], small)
    check("filter: a progress line", status == 0 and " written " in said and " s" in said, said)

    # Quick work shows nothing; nor does --quiet.
    said, _ = run_on_terminal(["--convert", "upper"], small)
    check("quick: nothing", said == "", said)
    said, _ = run_on_terminal(["-q", "sleep 1.6; sort"], small)
    check("--quiet: nothing", said == "", said)

    # Standard error to a file: nothing, unless --progress.
    for args, want in ((["sleep 1.6; sort"], False), (["--progress", "sleep 1.6; sort"], True)):
        with open(small, "rb") as stdin:
            r = subprocess.run([cli, *args], stdin=stdin, capture_output=True)
        check(f"to a file {args}: {'a line' if want else 'nothing'}",
              r.returncode == 0 and (" written " in r.stderr.decode()) == want and r.stdout == b"a\nb\n",
              r.stderr.decode())

print("progress tests:", "all passed" if failures == 0 else f"{failures} failed")
sys.exit(1 if failures else 0)
