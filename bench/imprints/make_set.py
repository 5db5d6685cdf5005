#!/usr/bin/python3
"""Makes the imprint finder's test set: stamped and clean photos with the imprints' true boxes.

    make_set.py OUT_DIR [--photos DIR] [--backgrounds DIR] [--stamped N] [--clean N]

Every photo is a crop of a real photo (the project's shared photos, and the Debian packages that
fetch_backgrounds.sh unpacks), rescaled. A stamped photo gets a camera-style date imprint drawn
from scratch: seven-segment or dot-matrix digits in one row near a corner, a bright colour, film
blur, glow, slant, and sometimes the whole photo turned upright from portrait so that the row
runs down a side. Each background photo belongs to one split only, so the held-out figures are
on photos never seen in tuning. OUT_DIR/index.csv has one line per photo; a stamped photo's box
bounds the pixels the imprint changed by more than 8 levels in some channel.
Deterministic: the same inputs give the same set.
"""
import argparse
import csv
import hashlib
import io
import math
import os
import random
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

SEGMENTS = {  # a b c d e f g, clockwise from the top, g in the middle
    "0": "abcdef", "1": "bc", "2": "abdeg", "3": "abcdg", "4": "bcfg",
    "5": "acdfg", "6": "acdefg", "7": "abc", "8": "abcdefg", "9": "abcdfg"}
DOTS = {  # 5 x 7 dot-matrix digits, one string of 5 bits a line
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "2": ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    "3": ["11111", "00010", "00100", "00010", "00001", "10001", "01110"],
    "4": ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    "5": ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    "6": ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    "7": ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    "8": ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    "9": ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    "/": ["00001", "00001", "00010", "00100", "01000", "10000", "10000"],
    ":": ["00000", "01100", "01100", "00000", "01100", "01100", "00000"],
    ".": ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    "'": ["00100", "00100", "01000", "00000", "00000", "00000", "00000"],
    " ": ["00000"] * 7}
COLOURS = [  # name, rgb, weight
    ("orange", (255, 150, 30), 35), ("red-orange", (255, 95, 40), 15),
    ("yellow", (255, 220, 60), 15), ("amber-white", (255, 236, 200), 20),
    ("green", (120, 255, 110), 5), ("pink", (255, 120, 200), 5), ("cyan", (110, 230, 255), 5)]
PHOTO_EXTENSIONS = (".jpg", ".jpeg", ".png")


def date_text(rng):
    y, m, d = rng.randint(1988, 2012), rng.randint(1, 12), rng.randint(1, 28)
    hh, mm = rng.randint(0, 23), rng.randint(0, 59)
    forms = [f"'{y % 100:02d} {m} {d:2d}", f"{y}.{m:02d}.{d:02d}", f"{m:02d}/{d:02d}/{y} {hh:02d}:{mm:02d}",
             f"{d:2d} {m:2d} '{y % 100:02d}", f"{y} {m:02d} {d:02d}", f"{m:02d} {d:02d} '{y % 100:02d}",
             f"{y}/{m:02d}/{d:02d}"]
    return rng.choice(forms)


def segment_polygons(digit, x, height, thickness):
    """The segments of one seven-segment digit, its box (x, 0, 0.55 height, height)."""
    w, t, h = 0.55 * height, thickness, height
    half, gap = h / 2, t * 0.15
    bars = {
        "a": (x + t / 2 + gap, 0, x + w - t / 2 - gap, t, "h"),
        "g": (x + t / 2 + gap, half - t / 2, x + w - t / 2 - gap, half + t / 2, "h"),
        "d": (x + t / 2 + gap, h - t, x + w - t / 2 - gap, h, "h"),
        "f": (x, t / 2 + gap, x + t, half - gap, "v"), "b": (x + w - t, t / 2 + gap, x + w, half - gap, "v"),
        "e": (x, half + gap, x + t, h - t / 2 - gap, "v"), "c": (x + w - t, half + gap, x + w, h - t / 2 - gap, "v")}
    shapes = []
    for s in SEGMENTS[digit]:
        x0, y0, x1, y1, way = bars[s]
        if way == "h":  # a hexagon: pointed ends
            m = (y0 + y1) / 2
            shapes.append([(x0, m), (x0 + t / 2, y0), (x1 - t / 2, y0), (x1, m), (x1 - t / 2, y1), (x0 + t / 2, y1)])
        else:
            m = (x0 + x1) / 2
            shapes.append([(m, y0), (x1, y0 + t / 2), (x1, y1 - t / 2), (m, y1), (x0, y1 - t / 2), (x0, y0 + t / 2)])
    return shapes, w


def draw_row(text, style, height, rng):
    """The imprint's strokes as a mask (0..255), drawn four times larger and reduced."""
    s = 4
    h = height * s
    thickness = h * rng.uniform(0.11, 0.16)
    pitch = 0.55 * h + rng.uniform(0.15, 0.3) * h
    width = int(h * len(text) + h)
    mask = Image.new("L", (width, int(h * 1.3)), 0)
    draw = ImageDraw.Draw(mask)
    top = 0.15 * h
    x = 0.2 * h
    for ch in text:
        if style == "seven" and ch in SEGMENTS:
            shapes, w = segment_polygons(ch, x, h, thickness)
            for poly in shapes:
                draw.polygon([(px, py + top) for px, py in poly], fill=255)
            x += pitch
        elif style == "seven":
            t = thickness
            if ch == ".":
                draw.rectangle([x, top + h - t, x + t, top + h], fill=255)
                x += 0.45 * pitch
            elif ch == ":":
                for cy in (0.3 * h, 0.7 * h):
                    draw.rectangle([x, top + cy - t / 2, x + t, top + cy + t / 2], fill=255)
                x += 0.45 * pitch
            elif ch == "/":
                draw.polygon([(x + 0.4 * h, top), (x + 0.4 * h + t, top), (x + t, top + h), (x, top + h)], fill=255)
                x += 0.8 * pitch
            elif ch == "'":
                draw.polygon([(x + t, top), (x + 2 * t, top), (x + t, top + 0.3 * h), (x, top + 0.3 * h)], fill=255)
                x += 0.4 * pitch
            else:
                x += 0.6 * pitch
        else:
            dot = h / 7
            rows = DOTS.get(ch, DOTS[" "])
            for j, line in enumerate(rows):
                for i, bit in enumerate(line):
                    if bit == "1":
                        cx, cy = x + (i + 0.5) * dot * 0.8, top + (j + 0.5) * dot
                        r = dot * 0.36
                        draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=255)
            x += 5 * dot * 0.8 + 0.25 * h if ch != " " else 0.6 * pitch
    mask = mask.crop((0, 0, int(x + 0.2 * h), mask.height))
    return mask.resize((max(1, mask.width // s), max(1, mask.height // s)), Image.BOX)


def slanted(mask, degrees):
    if degrees == 0:
        return mask
    shear = math.tan(math.radians(degrees))
    extra = int(mask.height * shear) + 1
    wide = Image.new("L", (mask.width + extra, mask.height), 0)
    wide.paste(mask, (extra, 0))
    return wide.transform(wide.size, Image.AFFINE, (1, shear, -shear * mask.height, 0, 1, 0), Image.BILINEAR)


def stamp(photo, rng):
    """Draws an imprint on the photo; returns the stamped photo and its parameters."""
    w, h = photo.size
    short = min(w, h)
    p = {"style": rng.choice(["seven", "seven", "dots"]), "text": date_text(rng),
         "corner": rng.choice(["bottom-right", "bottom-left", "top-right", "top-left"]),
         "slant": rng.choice([0, 0, rng.uniform(3, 12)]), "glow": rng.choice([0, rng.uniform(0.1, 0.6)]),
         "height": max(6, round(short * rng.uniform(0.015, 0.06)))}
    name, rgb, _ = rng.choices(COLOURS, weights=[c[2] for c in COLOURS])[0]
    rgb = tuple(min(255, max(0, c + rng.randint(-15, 15))) for c in rgb)
    p["colour"] = name
    mask = slanted(draw_row(p["text"], p["style"], p["height"], rng), p["slant"])
    blur = rng.uniform(0.3, 1.5) * p["height"] / 30
    strokes = np.asarray(mask.filter(ImageFilter.GaussianBlur(blur)), np.float32) / 255
    pad = int(p["height"] * 0.8)
    glow = np.zeros((mask.height + 2 * pad, mask.width + 2 * pad), np.float32)
    glow[pad:pad + mask.height, pad:pad + mask.width] = np.asarray(mask, np.float32)
    glow = np.asarray(Image.fromarray(glow.astype(np.uint8)).filter(
        ImageFilter.GaussianBlur(p["height"] * rng.uniform(0.12, 0.3))), np.float32) / 255
    glow = glow / max(glow.max(), 1e-6) * p["glow"]
    alpha = glow.copy()
    alpha[pad:pad + mask.height, pad:pad + mask.width] = np.maximum(
        alpha[pad:pad + mask.height, pad:pad + mask.width], strokes * rng.uniform(0.85, 1.0))
    mx, my = int(w * rng.uniform(0.015, 0.08)), int(h * rng.uniform(0.015, 0.08))
    aw, ah = alpha.shape[1], alpha.shape[0]
    x = w - mx - aw if "right" in p["corner"] else mx
    y = h - my - ah if "bottom" in p["corner"] else my
    x, y = max(0, min(x, w - aw)), max(0, min(y, h - ah))
    aw, ah = min(aw, w - x), min(ah, h - y)
    alpha = alpha[:ah, :aw, None]
    base = np.asarray(photo, np.float32)
    region = base[y:y + ah, x:x + aw]
    colour = np.array(rgb, np.float32)
    if rng.random() < 0.5:  # light on film: screen
        lit = 255 - (255 - region) * (1 - colour * alpha / 255)
    else:
        lit = region * (1 - alpha) + colour * alpha
    out = base.copy()
    out[y:y + ah, x:x + aw] = lit
    stamped = np.clip(np.rint(out), 0, 255).astype(np.uint8)
    changed = np.abs(stamped.astype(np.int16) - np.asarray(photo, np.int16)).max(axis=2) > 8
    ys, xs = np.nonzero(changed)
    if len(xs) == 0:
        return None, p
    p["box"] = (int(xs.min()), int(ys.min()), int(xs.max() - xs.min() + 1), int(ys.max() - ys.min() + 1))
    return Image.fromarray(stamped), p


def crop(photo, rng, long_side, portrait, hard=False):
    """A crop of the photo, rescaled so its long side is long_side."""
    w, h = photo.size
    aspect = rng.choice([4 / 3, 3 / 2, 16 / 9, 1.0])
    if portrait:
        aspect = 1 / aspect
    cw = int(min(w, h * aspect) * rng.uniform(0.55, 1.0))
    ch = int(cw / aspect)
    if hard:  # the warmest, brightest part of the photo near a corner of the crop
        a = np.asarray(photo.resize((max(1, w // 8), max(1, h // 8))), np.float32)
        score = a[..., 0] - a[..., 2] + a.max(axis=2) * 0.5
        cy, cx = np.unravel_index(np.argmax(score), score.shape)
        cx, cy = cx * 8, cy * 8
        fx, fy = rng.choice([0.1, 0.9]), rng.choice([0.1, 0.9])
        x0, y0 = int(cx - fx * cw), int(cy - fy * ch)
    else:
        x0, y0 = rng.randint(0, w - cw), rng.randint(0, h - ch)
    x0, y0 = max(0, min(x0, w - cw)), max(0, min(y0, h - ch))
    piece = photo.crop((x0, y0, x0 + cw, y0 + ch))
    scale = long_side / max(cw, ch)
    scale = min(scale, 1.5)
    return piece.resize((max(16, round(cw * scale)), max(16, round(ch * scale))), Image.LANCZOS)


def backgrounds(folders):
    found = []
    for folder in folders:
        for root, _, files in os.walk(folder):
            for f in files:
                if f.lower().endswith(PHOTO_EXTENSIONS) and "stamped" not in f and "marked" not in f:
                    found.append(os.path.join(root, f))
    return sorted(found)


def split_of(path):
    """Tuning or held-out, by the photo's name: a photo is in one split only."""
    digest = hashlib.sha256(os.path.basename(path).encode()).digest()
    return "held-out" if digest[0] % 2 else "tuning"


def save(image, path, rng):
    """JPEG at quality 60 to 95, 4:2:0 or 4:4:4; one photo in ten lossless."""
    if rng.random() < 0.1:
        path += ".png"
        image.save(path)
        return os.path.basename(path), 100, "lossless"
    path += ".jpg"
    quality, subsampling = rng.randint(60, 95), rng.choice([0, 2])
    image.save(path, quality=quality, subsampling=subsampling)
    return os.path.basename(path), quality, "4:4:4" if subsampling == 0 else "4:2:0"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("out")
    parser.add_argument("--photos", default=os.path.join(os.path.dirname(__file__), "../../../shared/photos"))
    parser.add_argument("--backgrounds", required=True, help="the photos fetch_backgrounds.sh copied")
    parser.add_argument("--stamped", type=int, default=330, help="stamped photos in each split")
    parser.add_argument("--clean", type=int, default=70, help="clean photos in each split")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    pool = backgrounds([args.photos, args.backgrounds])
    if not pool:
        sys.exit("make_set: no background photos found")
    rng = random.Random(20261209)
    rows = []
    for split in ("tuning", "held-out"):
        mine = [p for p in pool if split_of(p) == split]
        cache = {}
        for n in range(args.stamped + args.clean):
            stamped = n < args.stamped
            source = rng.choice(mine)
            if source not in cache:
                cache[source] = Image.open(source).convert("RGB")
            turned = stamped and rng.random() < 0.2
            long_side = rng.choice([800, 1024, 1280, 1600, 2048, 2400, 3000, 4000])
            hard = not stamped and rng.random() < 0.6
            photo = crop(cache[source], rng, long_side, portrait=not turned and rng.random() < 0.25, hard=hard)
            p = {"box": None}
            if stamped:
                stamped_photo, p = stamp(photo, rng)
                if stamped_photo is None:
                    continue
                photo = stamped_photo
                if turned:
                    way = rng.choice([90, 270])
                    x, y, w, h = p["box"]
                    W, H = photo.size
                    photo = photo.rotate(way, expand=True)
                    p["box"] = (y, W - x - w, h, w) if way == 90 else (H - y - h, x, h, w)
            name = f"{split}-{n:04d}"
            file, quality, sampling = save(photo, os.path.join(args.out, name), rng)
            box = p["box"] or ("", "", "", "")
            rows.append({"name": file, "split": split, "stamped": int(stamped),
                         "x": box[0], "y": box[1], "w": box[2], "h": box[3],
                         "width": photo.size[0], "height": photo.size[1],
                         "background": os.path.relpath(source, "/"), "hard": int(hard),
                         "corner": p.get("corner", ""), "style": p.get("style", ""),
                         "colour": p.get("colour", ""), "digit_height": p.get("height", ""),
                         "text": p.get("text", "").replace(",", " "), "slant": round(p.get("slant", 0), 1),
                         "glow": round(p.get("glow", 0), 2), "turned": int(turned),
                         "quality": quality, "sampling": sampling})
            print(f"\r{split} {n + 1}/{args.stamped + args.clean}", end="", file=sys.stderr)
        print(file=sys.stderr)
    with open(os.path.join(args.out, "index.csv"), "w", newline="") as f:
        out = csv.DictWriter(f, fieldnames=list(rows[0].keys()))
        out.writeheader()
        out.writerows(rows)


if __name__ == "__main__":
    main()
