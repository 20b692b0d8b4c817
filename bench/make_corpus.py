#!/usr/bin/env python3
"""Makes the benchmark corpus from the Chinese fortune files (Debian package fortunes-zh).

Everything is drawn from one seeded random generator, so the same seed and sizes give the same bytes.
Into OUT (default /tmp/quillmar-bench/corpus):

  novel-gb18030.txt   the "novel": GB18030, CR LF, lines hard-wrapped at 10-30 characters, headings
                      (第N章 ...), blank lines, stray single spaces between Chinese characters, some
                      full-width ASCII and a few "<" (for find and replace)
  novel-utf8.txt      the same text in UTF-8
  novel-big5.txt      the same text in Traditional characters, Big5 (opencc s2t, then iconv -c: what
                      Big5 cannot hold is left out)
  page-gbk.htm        a saved web page of about 10 MB declaring gbk in <meta charset>, in GBK
  page-utf8.htm       the same page declaring utf-8, in UTF-8
  pages/              a set of small saved pages, half of them declaring gbk (per-file web-page cost)
  chapters/           2,000 chapter files of about 5 KB each, GB18030, CR LF

usage: make_corpus.py [--out DIR] [--mb 100] [--page-mb 10] [--chapters 2000] [--seed 2024]
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys

FORTUNE_DIR = "/usr/share/games/fortunes"
FORTUNE_FILES = ("chinese", "tang300", "song100")
ANSI = re.compile(r"\x1b\[[0-9;]*m")
SENTENCE_END = re.compile(r"(?<=[。！？；…])")
TITLE = re.compile(r"^《([^》]{1,20})》$")
MB = 1000 * 1000

FULL_WIDTH = str.maketrans({chr(c): chr(c + 0xFEE0) for c in range(0x21, 0x7F)} | {" ": "\u3000"})
CHINESE_DIGITS = "〇一二三四五六七八九"


def is_cjk(c):
    return "\u3400" <= c <= "\u9fff" or "\uf900" <= c <= "\ufaff"


def chinese_number(n):
    """123 -> 一百二十三 (good enough for chapter numbers below 100,000)."""
    if n == 0:
        return CHINESE_DIGITS[0]
    units = ["", "十", "百", "千", "万"]
    digits = [int(d) for d in str(n)]
    text = ""
    zero = False
    for i, d in enumerate(digits):
        unit = units[len(digits) - 1 - i]
        if d == 0:
            zero = True
            continue
        if zero:
            text += CHINESE_DIGITS[0]
            zero = False
        text += CHINESE_DIGITS[d] + unit
    if text.startswith("一十"):
        text = text[1:]
    return text


def load_fortunes():
    """Sentences (each at least a few Chinese characters) and poem titles from the fortune files."""
    sentences = []
    titles = []
    for name in FORTUNE_FILES:
        path = os.path.join(FORTUNE_DIR, name)
        with open(path, encoding="utf-8", errors="replace") as f:
            text = ANSI.sub("", f.read())
        for fortune in text.split("\n%\n"):
            lines = [line.strip() for line in fortune.splitlines()]
            body = []
            for line in lines:
                m = TITLE.match(line)
                if m:
                    titles.append(m.group(1).replace("・", "之"))
                    continue
                if not line or line.startswith("--") or line.startswith("%"):
                    continue
                # A line that ends in a Latin character was wrapped between words.
                body.append(line + (" " if line[-1].isascii() else ""))
            for sentence in SENTENCE_END.split("".join(body)):
                sentence = sentence.strip().replace("\t", " ")
                cjk = sum(1 for c in sentence if is_cjk(c))
                if cjk >= 4 and cjk * 2 >= len(sentence):
                    sentences.append(sentence)
    if not sentences or not titles:
        sys.exit("make_corpus.py: no usable text in %s (install fortunes-zh)" % FORTUNE_DIR)
    return sentences, titles


class Novel:
    """Writes chapters of the novel, one list of lines (without line ends) at a time."""

    NOTES = ("（ＰＳ：今天第２更，求月票！）", "（本章完）", "ＱＱ群：１２３４５６７８", "(PS: 2nd update today)",
             "<br>", "作者有话说：Ｔｈａｎｋｓ！", "——ａ<ｂ，故此。")

    def __init__(self, rng, sentences, titles):
        self.rng = rng
        self.sentences = sentences
        self.titles = titles
        self.number = 0

    def heading(self):
        rng = self.rng
        self.number += 1
        kind = rng.randrange(3)
        if kind == 0:
            number = chinese_number(self.number)
        elif kind == 1:
            number = str(self.number)
        else:
            number = str(self.number).translate(FULL_WIDTH)
        text = "第%s章 %s" % (number, rng.choice(self.titles))
        return (" " * 8 + text) if rng.random() < 0.4 else text

    def decorate(self, text):
        rng = self.rng
        if rng.random() < 0.3 and any(c.isascii() and c.isalnum() for c in text):
            text = text.translate(FULL_WIDTH)
        if rng.random() < 0.05:
            text += rng.choice(self.NOTES)
        if rng.random() < 0.01:
            at = rng.randrange(len(text))
            text = text[:at] + "<" + text[at:]
        # Stray single spaces between two Chinese characters, now and then an ideographic one.
        for _ in range(len(text) // 40 + (1 if rng.random() < 0.5 else 0)):
            at = rng.randrange(1, len(text)) if len(text) > 1 else 0
            if at and is_cjk(text[at - 1]) and is_cjk(text[at]):
                text = text[:at] + (" " if rng.random() < 0.9 else "\u3000") + text[at:]
        return text

    def paragraph(self):
        rng = self.rng
        text = "".join(rng.choice(self.sentences) for _ in range(rng.randint(1, 7)))
        text = self.decorate(text)
        indent = rng.random()
        text = ("\u3000\u3000" if indent < 0.6 else "  " if indent < 0.8 else "") + text
        width = rng.randint(10, 30)
        lines = [text[i:i + width] for i in range(0, len(text), width)]
        if rng.random() < 0.05:
            lines[-1] += " " * rng.randint(1, 3)
        blanks = rng.random()
        lines.extend([""] * (0 if blanks < 0.3 else 1 if blanks < 0.9 else rng.randint(2, 3)))
        return lines

    def chapter(self, paragraphs):
        lines = [self.heading(), ""]
        if self.rng.random() < 0.3:
            lines.append("")
        for _ in range(paragraphs):
            lines.extend(self.paragraph())
        lines.append("")
        return lines


def write_novel(out, rng, sentences, titles, size):
    novel = Novel(rng, sentences, titles)
    gb_path = os.path.join(out, "novel-gb18030.txt")
    utf8_path = os.path.join(out, "novel-utf8.txt")
    written = 0
    with open(gb_path, "wb") as gb, open(utf8_path, "wb") as utf8:
        while written < size:
            text = "\r\n".join(novel.chapter(rng.randint(20, 60))) + "\r\n"
            data = text.encode("gb18030")
            gb.write(data)
            utf8.write(text.encode("utf-8"))
            written += len(data)
    return utf8_path


def write_big5(out, utf8_path):
    big5_path = os.path.join(out, "novel-big5.txt")
    traditional = os.path.join(out, "novel-traditional-utf8.tmp")
    if shutil.which("opencc"):
        subprocess.run(["opencc", "-c", "s2t.json", "-i", utf8_path, "-o", traditional], check=True)
    else:
        print("make_corpus.py: no opencc, the Big5 file keeps the simplified characters Big5 holds", file=sys.stderr)
        shutil.copyfile(utf8_path, traditional)
    with open(traditional, "rb") as src, open(big5_path, "wb") as dst:
        # iconv -c leaves out what Big5 cannot hold and exits 1 when it did; the output is complete.
        result = subprocess.run(["iconv", "-c", "-f", "UTF-8", "-t", "BIG5"], stdin=src, stdout=dst)
        if result.returncode not in (0, 1):
            sys.exit("make_corpus.py: iconv to BIG5 failed")
    os.remove(traditional)


STYLE = """<style type="text/css">
body { font-family: "宋体", serif; background: #f6f1e7; }
p { text-indent: 2em; line-height: 1.8; }
.nav a { color: #336; margin: 0 0.5em; }
div.ad > span { display: none; }
</style>"""

SCRIPT = """<script type="text/javascript">
var chapter = {n}, pages = [];
for (var i = 0; i < 8 && chapter > 0; i++) {{ pages.push("c" + (chapter - i) + ".html"); }}
if (document.referrer.length < 1) {{ document.write("<div class='ad'>广告 <b>ad</b></div>"); }}
</script>"""


def web_page(rng, sentences, titles, size, charset):
    """Lines of a saved web page of about `size` bytes in GBK."""
    lines = [
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\">",
        "<html><head><meta charset=\"%s\">" % charset,
        "<title>%s &amp; 全文阅读</title>" % rng.choice(titles),
        STYLE,
        "</head>",
        "<body>",
    ]
    total = len("\r\n".join(lines))
    n = 0
    while total < size:
        n += 1
        title = rng.choice(titles)
        block = [
            "<!-- chapter %d starts" % n,
            "     saved from the site -->",
            "<div class=\"nav\"><a href=\"index.html\">目录</a> | <a href=\"c%d.html\">上一章</a> | "
            "<A HREF=\"c%d.html\">下一章</A></div>" % (n - 1, n + 1),
            "<h1>第%d章&nbsp;%s</h1>" % (n, title),
        ]
        if n % 5 == 1:
            block.extend(SCRIPT.format(n=n).splitlines())
        if n % 11 == 3:
            block.extend(STYLE.splitlines())
        for _ in range(rng.randint(15, 40)):
            text = "".join(rng.choice(sentences) for _ in range(rng.randint(1, 5)))
            text = text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("\"", "&quot;")
            kind = rng.random()
            if kind < 0.15:
                at = rng.randrange(len(text))
                text = text[:at] + "<a href=\"note%d.html\" title=\"注释\">[注]</a>" % rng.randrange(999) + text[at:]
            elif kind < 0.25:
                text = "&nbsp;&nbsp;&nbsp;&nbsp;" + text + "&copy;&#20013;"
            elif kind < 0.3:
                text = "<span style=\"color:red\">" + text + "</span><br />"
            if rng.random() < 0.7:
                block.append("<p>" + text + "</p>")
            else:
                # A paragraph broken over lines, as some editors save it.
                cut = len(text) // 2
                block.extend(["<p>", "  " + text[:cut], "  " + text[cut:] + "<br>", "</p>"])
        block.append("<div class=\"nav\"><a href=\"index.html\">返回目录</a></div>")
        total += len("\r\n".join(block).encode("gbk", errors="replace")) + 2
        lines.extend(block)
    lines.extend(["</body>", "</html>"])
    return lines


def write_pages(out, rng, sentences, titles, page_size, small_pages):
    lines = web_page(rng, sentences, titles, page_size, "gbk")
    text = "\r\n".join(lines) + "\r\n"
    with open(os.path.join(out, "page-gbk.htm"), "wb") as f:
        f.write(text.encode("gbk", errors="replace"))
    with open(os.path.join(out, "page-utf8.htm"), "wb") as f:
        f.write(text.replace("<meta charset=\"gbk\">", "<meta charset=\"utf-8\">", 1).encode("utf-8"))
    folder = os.path.join(out, "pages")
    os.makedirs(folder, exist_ok=True)
    for i in range(small_pages):
        gbk = i % 2 == 0
        lines = web_page(rng, sentences, titles, 40 * 1000, "gbk" if gbk else "utf-8")
        text = "\r\n".join(lines) + "\r\n"
        with open(os.path.join(folder, "page%03d.htm" % i), "wb") as f:
            f.write(text.encode("gbk", errors="replace") if gbk else text.encode("utf-8"))


def write_chapters(out, rng, sentences, titles, count):
    folder = os.path.join(out, "chapters")
    os.makedirs(folder, exist_ok=True)
    novel = Novel(rng, sentences, titles)
    for i in range(count):
        lines = [novel.heading(), ""]
        data = b""
        while len(data) < 5000:
            lines.extend(novel.paragraph())
            data = ("\r\n".join(lines) + "\r\n").encode("gb18030")
        with open(os.path.join(folder, "chapter%04d.txt" % (i + 1)), "wb") as f:
            f.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default="/tmp/quillmar-bench/corpus")
    parser.add_argument("--mb", type=float, default=100, help="size of the GB18030 novel in MB (10^6 bytes)")
    parser.add_argument("--page-mb", type=float, default=10, help="size of the large web page in MB")
    parser.add_argument("--pages", type=int, default=2000, help="number of small web pages")
    parser.add_argument("--chapters", type=int, default=2000, help="number of chapter files")
    parser.add_argument("--seed", type=int, default=2024)
    args = parser.parse_args()

    os.makedirs(args.out, exist_ok=True)
    for folder in ("chapters", "pages"):
        shutil.rmtree(os.path.join(args.out, folder), ignore_errors=True)
    sentences, titles = load_fortunes()
    rng = random.Random(args.seed)
    utf8_path = write_novel(args.out, rng, sentences, titles, int(args.mb * MB))
    write_big5(args.out, utf8_path)
    write_pages(args.out, rng, sentences, titles, int(args.page_mb * MB), args.pages)
    write_chapters(args.out, rng, sentences, titles, args.chapters)


if __name__ == "__main__":
    main()
