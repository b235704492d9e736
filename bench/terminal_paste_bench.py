#!/usr/bin/env python3
"""A 100 KB paste into the notes program in a terminal, against loading a
100 KB note into its editor.

Both run `jotta` in a tmux terminal of 100 x 30 cells and time from the key
(or the paste) to the screen showing the result, read back with tmux
capture-pane every few milliseconds (the same polling on both sides):

  paste  Ctrl+N, then tmux pastes 100 KB of text (2,000 lines, LF as CR, as
         terminals send it, bracketed): until the last line shows.
  load   the same 100 KB note saved, the list on a small note: Down arrow
         until the large note's second line shows in the editor.

    cmake --build build --target jotta ceutil -j2
    python3 bench/terminal_paste_bench.py build --runs 5
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SOCKET = [""]  # a tmux server of its own for each start
END = "END-OF-THE-PASTE"
SECOND = "SECOND-LINE-OF-THE-LARGE-NOTE"


def tmux(*args, check=True):
    return subprocess.run(["tmux", "-L", SOCKET[0], *args], check=check,
                          capture_output=True, text=True).stdout


def screen():
    return tmux("capture-pane", "-p", "-t", "main")


def wait_for(condition, timeout=300.0, what=""):
    start = time.monotonic()
    while time.monotonic() - start < timeout:
        if condition(screen()):
            return time.monotonic()
        time.sleep(0.002)
    sys.exit(f"timed out waiting for {what}; the screen:\n{screen()}")


def start(build, handheld):
    if SOCKET[0]:
        tmux("kill-server", check=False)
    start.count = getattr(start, "count", 0) + 1
    SOCKET[0] = f"jotterwick-paste-bench-{os.getpid()}-{start.count}"
    env = f"env -u JOTTERWICK_HEADLESS JOTTERWICK_HANDHELD={handheld}"
    tmux("new-session", "-d", "-s", "main", "-x", "100", "-y", "30",
         f"{env} {build}/device/app/jotta 2>/dev/null; echo jotta ended $?; sleep 600")
    wait_for(lambda s: "F10 menu" in s, 30, "the start")


def keys(*names):
    tmux("send-keys", "-t", "main", *names)
    time.sleep(0.3)


def quit_program():
    keys("C-q")
    wait_for(lambda s: "jotta ended 0" in s, 30, "the end")


def text_of_100_kb():
    lines = ["large note", SECOND]
    while sum(len(line) + 1 for line in lines) < 100 * 1024 - len(END):
        lines.append(f"line {len(lines):5} of the pasted text, the quick brown fox")
    return "\n".join(lines) + "\n" + END


def paste_once(build, handheld, buffer_file):
    start(build, handheld)
    keys("C-n")
    tmux("load-buffer", "-b", "bench", buffer_file)
    began = time.monotonic()
    tmux("paste-buffer", "-p", "-d", "-b", "bench", "-t", "main")
    ended = wait_for(lambda s: END in s, 300, "the paste")
    keys("C-s")
    wait_for(lambda s: s.splitlines()[1].startswith("large note"), 30, "the save")
    quit_program()
    return ended - began


def load_once(build, handheld):
    start(build, handheld)
    # The list, sorted by subject, starts on "a small note"; Down moves to the large one.
    wait_for(lambda s: s.splitlines()[1].startswith("a small note"), 30, "the list")
    began = time.monotonic()
    tmux("send-keys", "-t", "main", "Down")
    ended = wait_for(lambda s: SECOND in s)
    quit_program()
    return ended - began


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="the build folder (with device/app/jotta)")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    work = tempfile.mkdtemp(prefix="jotterwick-paste-bench-")
    try:
        buffer_file = os.path.join(work, "paste.txt")
        with open(buffer_file, "w") as f:
            f.write(text_of_100_kb())
        ceutil = f"{build}/tools/ceutil/ceutil"
        pastes, loads = [], []
        for run in range(args.runs):
            handheld = os.path.join(work, f"handheld{run}")
            os.makedirs(handheld)
            subprocess.run([ceutil, "--handheld", handheld, "reg", "set", "HKCU",
                            "Software\\Jotterwick\\Quillmarks\\Common", "BannerCount",
                            "--dword", "2"], check=True, capture_output=True)
            pastes.append(paste_once(build, handheld, buffer_file))
            # A small note first in the list, so the large one loads on a key.
            start(build, handheld)
            keys("C-n")
            tmux("send-keys", "-t", "main", "-l", "a small note")
            keys("C-s")
            wait_for(lambda s: "a small note" in s.splitlines()[1], 30, "the small note")
            quit_program()
            loads.append(load_once(build, handheld))
        for name, times in (("paste 100 KB", pastes), ("load 100 KB note", loads)):
            print(f"{name:<18} runs {len(times)}  min {min(times) * 1000:7.1f} ms  "
                  f"median {statistics.median(times) * 1000:7.1f} ms")
        print(f"ratio paste / load: min {min(pastes) / min(loads):.2f}x  "
              f"median {statistics.median(pastes) / statistics.median(loads):.2f}x")
    finally:
        if SOCKET[0]:
            tmux("kill-server", check=False)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
