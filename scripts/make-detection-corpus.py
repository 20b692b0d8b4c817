#!/usr/bin/env python3
"""Writes tests/data/detect/: short lines of real Chinese text, one file of GB18030 lines and one of
Big5 lines (LF between lines; neither encoding has 0x0A inside a character), for the test that
measures how well a file's legacy code page is told.

Sources (Debian packages): the Simplified Chinese manual pages of manpages-zh and the Chinese
fortunes of fortunes-zh (prose and Tang and Song poems) for GB18030; the Traditional Chinese manual
pages of manpages-zh for Big5. Lines are real lines of those texts with the troff markup taken out;
long lines are cut at a random character into pieces of 2 to 24 characters, so that the corpus holds
many short and mostly-ASCII lines, the hard cases.

    apt-get install manpages-zh fortunes-zh
    scripts/make-detection-corpus.py tests/data/detect
"""

import glob
import gzip
import os
import random
import re
import sys

PER_ENCODING = 600
SEED = 20261207


def han_count(text):
    return sum(1 for c in text if 0x3400 <= ord(c) <= 0x9FFF)


def manual_lines(language):
    lines = []
    for path in sorted(glob.glob(f"/usr/share/man/{language}/man*/*.gz")):
        with gzip.open(path, "rb") as f:
            data = f.read()
        try:
            text = data.decode("utf-8")
        except UnicodeDecodeError:
            continue
        for line in text.splitlines():
            if line.startswith(".") or line.startswith("'"):
                continue
            line = re.sub(r"\\f[BIRP]|\\f\(..|\\&|\\\(..|\\[-e]", lambda m: "-" if m.group(0) == "\\-" else "", line)
            line = line.replace("\\e", "\\").strip()
            if han_count(line) > 0:
                lines.append(line)
    return lines


def fortune_lines():
    lines = []
    for name in ("chinese", "tang300", "song100"):
        with open(f"/usr/share/games/fortunes/{name}", encoding="utf-8", errors="replace") as f:
            for line in f:
                line = re.sub(r"\x1b\[[0-9;]*m", "", line).strip()
                if line != "%" and han_count(line) > 0:
                    lines.append(line)
    return lines


def cut(line, rng):
    """The line itself when it is short, otherwise a piece of it of 2 to 24 characters."""
    if len(line) <= 24:
        return line
    length = rng.randint(2, 24)
    start = rng.randint(0, len(line) - length)
    return line[start:start + length].strip()


def pick(lines, encoding, rng):
    rng.shuffle(lines)
    picked = []
    seen = set()
    for line in lines:
        piece = cut(line, rng)
        if han_count(piece) == 0 or piece in seen:
            continue
        try:
            data = piece.encode(encoding)
        except UnicodeEncodeError:
            continue
        seen.add(piece)
        picked.append(data)
        if len(picked) == PER_ENCODING:
            break
    return picked


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(SEED)
    simplified = manual_lines("zh_CN") + fortune_lines()
    traditional = manual_lines("zh_TW")
    for name, lines, encoding in (("gb18030-lines.txt", simplified, "gb18030"),
                                  ("big5-lines.txt", traditional, "big5")):
        picked = pick(lines, encoding, rng)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(b"\n".join(picked) + b"\n")
        print(name, len(picked), "lines", file=sys.stderr)


if __name__ == "__main__":
    main()
