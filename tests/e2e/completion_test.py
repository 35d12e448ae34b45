#!/usr/bin/env python3
"""The shell completions as a user meets them: a real interactive bash and
zsh on a pseudo-terminal, a partial word typed, Tab pressed, the line read
back. Both spellings of an option's value (--opt value, --opt=value)."""
import os
import pty
import re
import select
import shutil
import sys
import tempfile
import time

cli_dir, completion_dir = sys.argv[1], sys.argv[2]
passed = failed = 0


def drain(fd, seconds):
    out = b""
    end = time.time() + seconds
    while time.time() < end:
        ready, _, _ = select.select([fd], [], [], 0.1)
        if ready:
            try:
                chunk = os.read(fd, 65536)
            except OSError:
                break
            if not chunk:
                break
            out += chunk
    return out


def session(argv, setup, typed):
    pid, fd = pty.fork()
    if pid == 0:
        env = dict(os.environ, PATH=cli_dir + ":" + os.environ["PATH"], TERM="dumb", HOME=tempfile.mkdtemp())
        os.execvpe(argv[0], argv, env)
    drain(fd, 0.5)
    os.write(fd, setup.encode())
    drain(fd, 1.5)
    os.write(fd, typed.encode())
    out = drain(fd, 1.5)
    os.kill(pid, 9)
    os.waitpid(pid, 0)
    text = out.decode("utf-8", "replace")
    return re.sub(r"\x1b\[[0-9;?]*[A-Za-z]|\x1b[=>]|\r", "", text)


def check(name, wanted, got):
    global passed, failed
    if wanted in got:
        passed += 1
    else:
        failed += 1
        print(f"FAIL {name}\n  wanted: {wanted!r}\n  got:    {got[-300:]!r}")


cases = [
    ("kakikae-cli --convert=up\t", "--convert=upper"),
    ("kakikae-cli --convert up\t", "--convert upper"),
    ("kakikae-cli --input-encoding=c\t", "--input-encoding=cp932"),
    ("kakikae-cli --input-encoding lat\t", "--input-encoding latin1"),
    ("kakikae-cli --input-enc\t", "--input-encoding"),
    ("kakikae-cli --conv\t", "--convert"),
]
shells = [("bash", ["bash", "--norc", "--noprofile", "-i"],
           f"source {completion_dir}/kakikae-cli.bash; PS1='$ '\n")]
if shutil.which("zsh"):
    shells.append(("zsh", ["zsh", "-f", "-i"],
                   f"fpath=({completion_dir} $fpath); autoload -U compinit; compinit -u -D; PS1='$ '\n"))
else:
    print("zsh missing: its completion is not tested")
    failed += 1
for shell, argv, setup in shells:
    for typed, wanted in cases:
        check(f"{shell}: {typed!r}", wanted, session(argv, setup, typed))
print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
