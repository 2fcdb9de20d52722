#!/usr/bin/env python3
"""Writes data/help/help.rtf from data/help/html/index.html (the same manual as RTF).

usage: python3 data/help/generator/html_to_rtf.py   (from the repository folder)
"""
import html
import html.parser
import os
import struct
import sys

SRC = "data/help/html/index.html"
OUT = "data/help/help.rtf"


def rtf_text(s):
    out = []
    for ch in s:
        code = ord(ch)
        if ch in "\\{}":
            out.append("\\" + ch)
        elif code > 127:
            out.append("\\u%d?" % (code if code < 32768 else code - 65536))
        else:
            out.append(ch)
    return "".join(out)


def picture(src, alt):
    """The PNG embedded as an RTF picture, at most 6.25 inches wide."""
    try:
        with open(os.path.join(os.path.dirname(SRC), src), "rb") as f:
            png = f.read()
        w, h = struct.unpack(">II", png[16:24])
    except (OSError, struct.error):
        return "[Picture: %s]" % rtf_text(alt)
    gw, gh = w * 15, h * 15
    if gw > 9000:
        gw, gh = 9000, gh * 9000 // gw
    hexdata = png.hex()
    lines = "\n".join(hexdata[i:i + 128] for i in range(0, len(hexdata), 128))
    return ("{\\pict\\pngblip\\picw%d\\pich%d\\picwgoal%d\\pichgoal%d\n%s}"
            % (w, h, gw, gh, lines))


class Converter(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.out = []
        self.para = []
        self.style = ""
        self.pre = False
        self.skip = 0
        self.cells = []
        self.cell = None
        self.header_cell = False

    def flush(self, prefix=""):
        text = "".join(self.para).strip()
        self.para = []
        if text:
            self.out.append("{\\pard\\sa120%s %s%s\\par}\n" % (self.style, prefix, text))

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag in ("style", "title", "nav"):
            self.skip += 1
        elif self.skip:
            return
        elif tag == "h1":
            self.flush(); self.style = "\\b\\fs36"
        elif tag == "h2":
            self.flush(); self.style = "\\b\\fs30"
        elif tag == "h3":
            self.flush(); self.style = "\\b\\fs26"
        elif tag in ("p", "ul"):
            self.flush()
        elif tag == "li":
            self.flush(); self.style = "\\li360"
            self.para.append("\\bullet  ")
        elif tag == "pre":
            self.flush(); self.pre = True; self.style = "\\f1\\fs20"
        elif tag in ("b", "th"):
            if tag == "th":
                self.cell = []; self.header_cell = True
            self.para.append("{\\b ") if tag == "b" else None
        elif tag == "td":
            self.cell = []; self.header_cell = False
        elif tag == "tr":
            self.flush(); self.cells = []
        elif tag in ("code", "kbd"):
            self.target().append("{\\f1 ")
        elif tag == "em":
            self.target().append("{\\i ")
        elif tag == "br":
            self.target().append("\\line ")
        elif tag == "img":
            self.target().append(picture(a.get("src", ""), a.get("alt", "")))

    def target(self):
        return self.cell if self.cell is not None else self.para

    def handle_endtag(self, tag):
        if tag in ("style", "title", "nav"):
            self.skip -= 1
        elif self.skip:
            return
        elif tag in ("h1", "h2", "h3", "li", "p", "pre"):
            self.flush(); self.style = ""; self.pre = False
        elif tag == "b":
            self.para.append("}")
        elif tag in ("th", "td"):
            text = "".join(self.cell).strip()
            self.cells.append("{\\b %s}" % text if self.header_cell else text)
            self.cell = None
        elif tag == "tr":
            self.out.append("{\\pard\\sa60\\li360 %s\\par}\n" % " \\emdash  ".join(self.cells))
        elif tag in ("code", "kbd", "em"):
            self.target().append("}")

    def handle_data(self, data):
        if self.skip:
            return
        if self.pre:
            self.para.append("\\line ".join(rtf_text(l) for l in data.strip("\n").split("\n")))
            return
        text = " ".join(data.split())
        if data[:1].isspace() and text:
            text = " " + text
        if data[-1:].isspace() and text:
            text += " "
        self.target().append(rtf_text(text))


def main():
    with open(SRC, encoding="utf-8") as f:
        source = f.read()
    c = Converter()
    c.feed(source)
    c.flush()
    body = "".join(c.out)
    rtf = ("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
           "{\\fonttbl{\\f0\\fswiss Helvetica;}{\\f1\\fmodern Courier New;}}\n"
           "\\fs22\n" + body + "}\n")
    with open(OUT, "w", encoding="ascii", newline="\r\n") as f:
        f.write(rtf)
    print("wrote", OUT)


if __name__ == "__main__":
    sys.exit(main())
