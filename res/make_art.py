#!/usr/bin/env python3
"""Draws the programs' binary resources: icons, cursors, the stopped-video bitmap and the sounds.

Run from anywhere: python3 res/make_art.py. Needs ImageMagick's `convert`; the sounds are made
here. The outputs are committed beside the resource scripts (res/app/art, res/shotbox/art) so the
build does not need these tools.
"""
import math
import os
import random
import struct
import subprocess
import tempfile
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
APP = os.path.join(HERE, "app", "art")
SHOTBOX = os.path.join(HERE, "shotbox", "art")
FONT = "Liberation-Sans-Bold"


def convert(*args):
    subprocess.run(["convert", *args], check=True)


# --- icons -----------------------------------------------------------------------------------

def icon(path, draw):
    """A 256-pixel master drawn with `draw` (ImageMagick -draw primitives), saved at 48, 32, 16."""
    with tempfile.TemporaryDirectory() as tmp:
        master = os.path.join(tmp, "master.png")
        convert("-size", "256x256", "xc:none", *draw, master)
        convert(master, "-define", "icon:auto-resize=48,32,16", path)


def app_icon():
    # A camera lens: dark blue rounded square, a white ring, a blue lens with a red recording dot.
    icon(os.path.join(APP, "zelvante.ico"), [
        "-fill", "#1b3a6b", "-draw", "roundrectangle 8,8 248,248 48,48",
        "-fill", "white", "-draw", "circle 128,128 128,36",
        "-fill", "#2f6fc0", "-draw", "circle 128,128 128,62",
        "-fill", "#0c1e3a", "-draw", "circle 128,128 128,96",
        "-fill", "#e8303a", "-draw", "circle 196,60 196,40",
    ])


def shotbox_icon():
    # A still camera: grey body, dark lens, yellow flash.
    icon(os.path.join(SHOTBOX, "shotbox.ico"), [
        "-fill", "#5a5f66", "-draw", "roundrectangle 16,64 240,216 28,28",
        "-fill", "#5a5f66", "-draw", "rectangle 72,40 150,70",
        "-fill", "#f2c230", "-draw", "rectangle 178,82 220,104",
        "-fill", "white", "-draw", "circle 128,140 128,76",
        "-fill", "#20242a", "-draw", "circle 128,140 128,94",
    ])


# --- cursors ---------------------------------------------------------------------------------

def cursor(path, draw, hotspot):
    """A 32 x 32 cursor with its hot spot written into the file's directory entry."""
    convert("-size", "32x32", "xc:none", "-stroke", "black", "-strokewidth", "1", *draw, path)
    with open(path, "r+b") as f:
        f.seek(2)
        f.write(struct.pack("<H", 2))  # a cursor directory, whatever the writer put
        f.seek(6 + 4)
        f.write(struct.pack("<HH", *hotspot))


def arrow_points(angle):
    """A filled arrow through the centre pointing at `angle` degrees (0 = right, 90 = down)."""
    shape = [(14, 0), (2, -9), (2, -4), (-12, -4), (-12, 4), (2, 4), (2, 9)]
    a = math.radians(angle)
    pts = [(16 + x * math.cos(a) - y * math.sin(a), 16 + x * math.sin(a) + y * math.cos(a)) for x, y in shape]
    return " ".join(f"{x:.1f},{y:.1f}" for x, y in pts), (round(16 + 14 * math.cos(a)), round(16 + 14 * math.sin(a)))


def magnifier(tint):
    return ["-fill", tint, "-draw", "circle 13,13 13,3",
            "-strokewidth", "3", "-draw", "line 20,20 29,29", "-strokewidth", "2",
            "-draw", "line 8,13 18,13", "-draw", "line 13,8 13,18"]


def cursors():
    folder = os.path.join(APP, "cursors")
    os.makedirs(folder, exist_ok=True)
    cursor(os.path.join(folder, "zoomed.cur"), magnifier("#9cc4ff"), (13, 13))   # 141
    cursor(os.path.join(folder, "zoom.cur"), magnifier("white"), (13, 13))       # 146
    grab = ["-fill", "white"]
    for angle in (0, 90, 180, 270):
        grab += ["-draw", "polygon " + arrow_points(angle)[0]]
    cursor(os.path.join(folder, "grab.cur"), grab, (16, 16))                     # 142
    directions = {"left": 180, "right": 0, "up": 270, "down": 90,
                  "upleft": 225, "upright": 315, "downleft": 135, "downright": 45}
    for name, angle in directions.items():
        points, tip = arrow_points(angle)
        cursor(os.path.join(folder, name + ".cur"), ["-fill", "white", "-draw", "polygon " + points], tip)
    cursor(os.path.join(folder, "centre.cur"),
           ["-fill", "white", "-draw", "circle 16,16 16,4", "-fill", "black", "-draw", "circle 16,16 16,13"],
           (16, 16))                                                             # 154


# --- the picture shown while stopped -----------------------------------------------------------

def stopped_bitmap():
    convert("-size", "240x180", "gradient:#26344a-#0b0f16",
            "-font", FONT, "-fill", "#d8dee8", "-pointsize", "26", "-gravity", "center",
            "-annotate", "+0-12", "Zelvante",
            "-font", "Liberation-Sans", "-fill", "#8d99aa", "-pointsize", "13",
            "-annotate", "+0+18", "Video is stopped",
            "-type", "TrueColor", "BMP3:" + os.path.join(APP, "stopped.bmp"))


# --- sounds ------------------------------------------------------------------------------------

RATE = 22050


def write_wave(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, int(s * 32767)))) for s in samples))


def shutter():
    # Two clicks of filtered noise: the shutter opening and closing.
    rng = random.Random(175)
    out = []
    for start, level in ((0.0, 0.9), (0.09, 0.7)):
        n = int(0.07 * RATE)
        previous = 0.0
        burst = []
        for i in range(n):
            previous = 0.6 * previous + 0.4 * rng.uniform(-1, 1)
            burst.append(level * previous * math.exp(-i / (0.012 * RATE)))
        offset = int(start * RATE)
        out.extend([0.0] * (offset - len(out)))
        out.extend(burst)
    return out + [0.0] * int(0.05 * RATE)


def tick():
    n = int(0.03 * RATE)
    return [0.6 * math.sin(2 * math.pi * 1500 * i / RATE) * math.exp(-i / (0.005 * RATE)) for i in range(n)]


def crystal():
    # A glassy chime: a few inharmonic partials dying away.
    n = int(0.9 * RATE)
    partials = ((1318.5, 0.5, 0.35), (2637.0, 0.25, 0.2), (3950.0, 0.12, 0.12), (5280.0, 0.06, 0.08))
    return [sum(a * math.sin(2 * math.pi * f * i / RATE) * math.exp(-i / (d * RATE)) for f, a, d in partials)
            for i in range(n)]


def main():
    for folder in (APP, SHOTBOX):
        os.makedirs(folder, exist_ok=True)
    app_icon()
    shotbox_icon()
    cursors()
    stopped_bitmap()
    for folder in (APP, SHOTBOX):
        write_wave(os.path.join(folder, "snapshot.wav"), shutter())
        write_wave(os.path.join(folder, "tic.wav"), tick())
    write_wave(os.path.join(SHOTBOX, "crystal.wav"), crystal())


if __name__ == "__main__":
    main()
