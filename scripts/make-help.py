#!/usr/bin/env python3
"""Builds help/<page>.mht from help/src/<page>.html and the pictures it references.

Each archive is a MIME multipart/related message: the page first (text/html, UTF-8, with
help/src/style.css put into its head), then every picture the page names by src="images/…" as an
image/png part with a Content-Location under the page's own location. The output is the same
byte for byte for the same sources, so rebuilding changes only what was edited.
"""
import base64
import hashlib
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
SRC = ROOT / "help" / "src"
OUT = ROOT / "help"
BASE = "file:///qk/help/"


def wrap64(data: bytes) -> str:
    text = base64.b64encode(data).decode("ascii")
    return "\r\n".join(text[i:i + 76] for i in range(0, len(text), 76))


def build(page: pathlib.Path) -> bytes:
    html = page.read_text(encoding="utf-8")
    style = (SRC / "style.css").read_text(encoding="utf-8")
    html = html.replace("</head>", "<style>\n" + style + "</style>\n</head>", 1)
    pictures = []
    for ref in re.findall(r'src="(images/[^"]+\.png)"', html):
        if ref not in pictures:
            pictures.append(ref)
    boundary = "----=_QK_" + hashlib.sha1(page.name.encode()).hexdigest()[:16]
    location = BASE + page.stem + ".htm"
    lines = [
        "From: <QK>",
        "Subject: " + page.stem,
        "MIME-Version: 1.0",
        f'Content-Type: multipart/related; type="text/html"; boundary="{boundary}"',
        "",
        "This is a multi-part message in MIME format.",
        "",
        "--" + boundary,
        'Content-Type: text/html; charset="utf-8"',
        "Content-Transfer-Encoding: base64",
        "Content-Location: " + location,
        "",
        wrap64(html.encode("utf-8")),
    ]
    for ref in pictures:
        data = (SRC / ref).read_bytes()
        lines += [
            "",
            "--" + boundary,
            "Content-Type: image/png",
            "Content-Transfer-Encoding: base64",
            "Content-Location: " + BASE + ref,
            "",
            wrap64(data),
        ]
    lines += ["", "--" + boundary + "--", ""]
    return "\r\n".join(lines).encode("ascii")


def main(names):
    pages = [SRC / (n + ".html") for n in names] if names else sorted(SRC.glob("*.html"))
    for page in pages:
        target = OUT / (page.stem + ".mht")
        data = build(page)
        if not target.exists() or target.read_bytes() != data:
            target.write_bytes(data)
            print("help:", target.relative_to(ROOT))


if __name__ == "__main__":
    main(sys.argv[1:])
