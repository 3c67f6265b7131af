#!/usr/bin/env python3
"""clang-tidy over the default build's sources, skipping what an earlier clean run already passed.

A file is checked again unless the key of an earlier clean check is in the cache: the key hashes
the file's preprocessed source (every header it includes, as included), its compile command,
.clang-tidy and the clang-tidy version, which is all clang-tidy's verdict depends on. The cache
lives in $XDG_CACHE_HOME/kq001-tidy (like ccache's, it outlasts build folders and checkouts);
KQ_TIDY_CACHE=0 checks every file. Arguments are regular expressions over the files' full paths,
as run-clang-tidy takes them; none means src/, tools/, bench/, fuzz/ and tests/. -j N runs N
clang-tidy processes at once (default: one per core).
"""
import concurrent.futures
import hashlib
import json
import os
import re
import shlex
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "default")
# -Wconversion is meant for GCC, which builds the game with it; clang's reaches further (every
# sign change) and is no check of ours.
EXTRA = ["--extra-arg=-Wno-conversion"]


def cache_dir():
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "kq001-tidy")


def preprocess_command(entry):
    args = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
    out, skip = [], False
    for a in args:
        if skip:
            skip = False
            continue
        if a == "-o":
            skip = True
            continue
        if a == "-c":
            continue
        out.append(a)
    return out + ["-E"]


def key_of(entry, salt):
    pre = subprocess.run(preprocess_command(entry), cwd=entry["directory"], capture_output=True)
    if pre.returncode != 0:
        return None  # let clang-tidy report it
    h = hashlib.sha256(salt)
    h.update(entry.get("command", " ".join(entry.get("arguments", []))).encode())
    h.update(b"\0")
    h.update(pre.stdout)
    return h.hexdigest()


def check(entry, salt, use_cache):
    key = key_of(entry, salt) if use_cache else None
    marker = os.path.join(cache_dir(), key) if key else None
    if marker and os.path.exists(marker):
        return entry["file"], True, "", True
    run = subprocess.run(["clang-tidy", "-p", BUILD, "--quiet"] + EXTRA + [entry["file"]], capture_output=True, text=True)
    ok = run.returncode == 0
    if ok and marker:
        os.makedirs(cache_dir(), exist_ok=True)
        open(marker, "w").close()
    return entry["file"], ok, run.stdout + run.stderr, False


def main():
    with open(os.path.join(BUILD, "compile_commands.json")) as f:
        entries = json.load(f)
    args, jobs = sys.argv[1:], os.cpu_count() or 2
    if args[:1] == ["-j"] and len(args) > 1:
        jobs, args = max(1, int(args[1])), args[2:]
    elif args[:1] and args[0].startswith("-j") and args[0][2:].isdigit():
        jobs, args = max(1, int(args[0][2:])), args[1:]
    patterns = [re.compile(p) for p in args] or [re.compile(re.escape(ROOT) + "/(src|tools|bench|fuzz|tests)/")]
    chosen = [e for e in entries if any(p.search(e["file"]) for p in patterns)]
    version = subprocess.run(["clang-tidy", "--version"], capture_output=True).stdout
    with open(os.path.join(ROOT, ".clang-tidy"), "rb") as f:
        salt = version + b"\0" + f.read() + b"\0" + " ".join(EXTRA).encode() + b"\0"
    use_cache = os.environ.get("KQ_TIDY_CACHE", "1") != "0"
    failed, cached = [], 0
    # The biggest files first, so that no long one starts last while the other workers idle.
    chosen.sort(key=lambda e: -os.path.getsize(e["file"]))
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        for name, ok, text, hit in pool.map(lambda e: check(e, salt, use_cache), chosen):
            cached += hit
            if not ok:
                failed.append(name)
                sys.stdout.write(text)
    print(f"tidy: {len(chosen)} files, {cached} unchanged since a clean check, {len(failed)} with findings")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
