#!/usr/bin/env python3
"""The preview of every repo form (forms/*.fls): the window has the form's
caption and size, and the picture shows more than a blank window.

    preview_test.py BIN_DIR FORMS_DIR
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import zlib

bin_dir, forms_dir = sys.argv[1], sys.argv[2]
preview = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "preview.sh")
FORM = re.compile(r'^form (\S+) (-?\d+) "[^"]*"(.*?)^}', re.M | re.S)
CAPTION = re.compile(r'window \{ caption = "([^"]*)"')
GEOMETRY = re.compile(r"^  geometry \{ left -?\d+ top -?\d+ width (\d+) height (\d+) \}", re.M)


def pixels(path):
    """The distinct colors inside the window frame (below the caption bar) of a
    PNG of 8-bit RGB rows without filters."""
    with open(path, "rb") as f:
        data = f.read()
    offset, width, image = 8, 0, b""
    while offset < len(data):
        (length,) = struct.unpack(">I", data[offset:offset + 4])
        kind, body = data[offset + 4:offset + 8], data[offset + 8:offset + 8 + length]
        if kind == b"IHDR":
            width = struct.unpack(">I", body[:4])[0]
        elif kind == b"IDAT":
            image += body
        offset += 12 + length
    raw = zlib.decompress(image)
    stride = 1 + width * 3
    colors = set()
    for row in range(30, len(raw) // stride - 6):
        line = raw[row * stride + 1:(row + 1) * stride]
        colors.update(line[i:i + 3] for i in range(6 * 3, len(line) - 6 * 3, 3))
    return colors


failures = []
previews = 0
with tempfile.TemporaryDirectory() as scratch:
    for source in sorted(f for f in os.listdir(forms_dir) if f.endswith(".fls")):
        text = open(os.path.join(forms_dir, source)).read()
        name = source[:-4]
        for match in FORM.finditer(text):
            cls, form_id, body = match.group(1).strip('"'), match.group(2), match.group(3)
            caption = CAPTION.search(body).group(1)
            width, height = map(int, GEOMETRY.search(body).groups())
            picture = os.path.join(scratch, f"{name}-{form_id}.png")
            env = dict(os.environ, FL_PREVIEW_TREE=os.path.dirname(bin_dir))
            run = subprocess.run(["sh", preview, os.path.join(bin_dir, name + ".flf"), cls, form_id, picture],
                                 capture_output=True, text=True, env=env, timeout=300)
            what = f"{name} {cls} {form_id}"
            previews += 1
            if run.returncode != 0:
                failures.append(f"{what}: the preview failed: {run.stderr.strip()}")
                continue
            shown, w, h, client_w, client_h = run.stdout.strip().split("\t")
            w, h, client_w, client_h = int(w), int(h), int(client_w), int(client_h)
            if shown != caption:
                failures.append(f"{what}: caption {shown!r}, the form's is {caption!r}")
            # Dialogs take their size as client area in dialog units, other forms as window size.
            if (w, h) != (width, height) and (abs(client_w - width) > 4 or abs(client_h - height) > 4):
                failures.append(f"{what}: window {w}x{h}, client {client_w}x{client_h}; the form is {width}x{height}")
            colors = pixels(picture)
            if len(colors) < 3:
                failures.append(f"{what}: the picture is blank ({len(colors)} colors)")
            print(f"{what}: {shown!r} {w}x{h} (client {client_w}x{client_h}), {len(colors)} colors")

for failure in failures:
    print("FAIL " + failure)
if previews < 3:
    print(f"FAIL only {previews} forms previewed")
    sys.exit(1)
sys.exit(1 if failures else 0)
