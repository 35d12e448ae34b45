"""What the accessibility-bus tests share: checks that count failures, a
walk of the tree, and waiting for what appears on the bus."""
import os
import subprocess
import sys
import time

failures = 0


def check(name, ok, detail=""):
    global failures
    if not ok:
        failures += 1
        print(f"FAIL {name}\n  {detail!r}"[:600])


def find(acc, pred, depth=0):
    """The first object under `acc` (itself included) that `pred` takes."""
    if acc is None or depth > 40:
        return None
    try:
        if pred(acc):
            return acc
        for i in range(acc.childCount):
            found = find(acc.getChildAtIndex(i), pred, depth + 1)
            if found:
                return found
    except Exception:  # an object that went away while walked
        pass
    return None


def wait_for(what, seconds, pause=lambda: time.sleep(0.2)):
    end = time.time() + seconds
    while time.time() < end:
        got = what()
        if got:
            return got
        pause()
    return None


def application(desktop, name, seconds, pause=lambda: time.sleep(0.2)):
    """The application called `name` once it is on the bus."""
    return wait_for(lambda: next((desktop.getChildAtIndex(i) for i in range(desktop.childCount)
                                  if (desktop.getChildAtIndex(i).name or "").lower() == name), None),
                    seconds, pause)


def end_processes_of(runtime_dir):
    """Ends the processes a test started, known by the runtime folder it gave
    them (clipboard servers, keepers, an input method's helpers), and no
    other: the suite's own and a developer's stay."""
    mark = f"XDG_RUNTIME_DIR={runtime_dir}".encode()
    for pid in os.listdir("/proc"):
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if mark in f.read().split(b"\0") and int(pid) != os.getpid():
                    os.kill(int(pid), 15)
        except (OSError, ValueError):
            pass


def start_x(env):
    """A private X server; its display number as it reports it."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x900x24", "-nolisten", "tcp"],
                              pass_fds=(write,), env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        return server, ":" + f.readline().strip()


# Option → ショートカット as the window keeps it: Ctrl+Alt+K runs the recipe 引用.
SHORTCUT_SETTINGS = "[shortcuts]\n1\\key=Ctrl+Alt+K\n1\\target=引用\n1\\primary=false\nsize=1\n"


def session_home(home, files):
    """A user of the test's own in `home`: its config folder holding `files`
    (name → text), a private X server; the environment for its programs and
    the X server to end."""
    os.chmod(home, 0o700)
    config = os.path.join(home, "config")
    os.makedirs(os.path.join(config, "kakikae"), mode=0o700)
    for name, text in files.items():
        with open(os.path.join(config, "kakikae", name), "w", encoding="utf-8") as f:
            f.write(text)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=home, LANG="C.UTF-8")
    env.pop("QT_QPA_PLATFORM", None)
    env.pop("WAYLAND_DISPLAY", None)
    x, env["DISPLAY"] = start_x(env)
    return env, x


def end_session(home, x, window):
    """Ends what session_home and the test started: the window, every
    process given `home` as its runtime folder, the X server."""
    if window:
        window.terminate()
        window.wait(timeout=20)
    end_processes_of(home)
    x.terminate()


def finish(what):
    print(f"{what}:", "all passed" if failures == 0 else f"{failures} failed")
    sys.exit(1 if failures else 0)
