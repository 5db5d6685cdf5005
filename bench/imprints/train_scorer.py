#!/usr/bin/env python3
"""Fits the imprint finder's row scorer on the tuning photos of the set (the glow margin below the
trees in RowWeights.h is kept as it is).

    train_scorer.py CANDIDATES.csv [--write detect/RowWeights.h]

CANDIDATES.csv is what `brisvane-imprint-bench SET --candidates` prints: every row the finder
weighed on every photo, its box, strokes' box, digit height and features. The scorer is a small
set of boosted trees of two levels (numpy only; logistic loss, the classes weighed equally),
whose bias is then lowered until no clean tuning photo gets a box. Only the tuning split is read
for fitting; the figures of both splits are printed.
"""
import argparse
import csv
import sys

import numpy as np

FEATURES = ["length", "height", "height_spread", "middle_spread", "end_to_edge", "side_to_edge",
            "warmth", "colourful", "bright", "contrast", "density", "clutter", "glyphs",
            "colour_spread", "level"]
ROUNDS, RATE, SHRINK, CUTS = 120, 0.3, 1.0, 24


def read(path):
    photos = {}
    with open(path) as f:
        for r in csv.DictReader(f):
            p = photos.setdefault(r["name"], {
                "split": r["split"], "stamped": r["stamped"] == "1",
                "truth": tuple(int(r[k]) for k in ("tx", "ty", "tw", "th")) if r["stamped"] == "1" else None,
                "size": (int(r["pw"]), int(r["ph"])), "rows": []})
            if r["sx"]:
                p["rows"].append({
                    "box": tuple(int(r[k]) for k in ("bx", "by", "bw", "bh")),
                    "strokes": tuple(int(r[k]) for k in ("sx", "sy", "sw", "sh")),
                    "dh": float(r["dh"]), "factor": int(r["factor"]),
                    "x": np.array([float(r[k]) for k in FEATURES])})
    return photos


def grown_old(row, size, margin):
    a, b = margin
    m = a * row["dh"] + b * row["factor"]
    x, y, w, h = row["strokes"]
    x0, y0 = max(0, int(np.floor(x - m))), max(0, int(np.floor(y - m)))
    x1, y1 = min(size[0], int(np.ceil(x + w + m))), min(size[1], int(np.ceil(y + h + m)))
    return x0, y0, x1 - x0, y1 - y0


def overlap(a, b):
    w = min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0])
    h = min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1])
    return max(0, w) * max(0, h)


def iou(a, b):
    i = overlap(a, b)
    return i / (a[2] * a[3] + b[2] * b[3] - i)


def hit(box, truth):
    """The rule of the figures: the box covers 98 % of the truth box and IoU >= 0.5."""
    return overlap(box, truth) >= 0.98 * truth[2] * truth[3] and iou(box, truth) >= 0.5


def grown(row, size, margin):
    return row["box"]


def labelled(photos, split, margin):
    xs, ys = [], []
    for p in photos.values():
        if p["split"] != split:
            continue
        for r in p["rows"]:
            if not p["stamped"]:
                xs.append(r["x"]); ys.append(0)
                continue
            box = grown(r, p["size"], margin)
            if hit(box, p["truth"]):
                xs.append(r["x"]); ys.append(1)
            elif iou(box, p["truth"]) < 0.1:
                xs.append(r["x"]); ys.append(0)
    return np.array(xs), np.array(ys)


def best_split(x, g, h, rows, cuts):
    """The feature and threshold that best split `rows` for gradients g and curvatures h."""
    best = (0.0, 0, np.inf)
    G, H = g[rows].sum(), h[rows].sum()
    for f in range(x.shape[1]):
        v = x[rows, f]
        for t in cuts[f]:
            left = v <= t
            gl, hl = g[rows][left].sum(), h[rows][left].sum()
            gain = gl * gl / (hl + SHRINK) + (G - gl) ** 2 / (H - hl + SHRINK) - G * G / (H + SHRINK)
            if gain > best[0]:
                best = (gain, f, t)
    return best[1], best[2]


def leaf(g, h, rows):
    return -RATE * g[rows].sum() / (h[rows].sum() + SHRINK)


def fit(x, y):
    """Boosted trees of two levels on the logistic loss, the two classes weighed equally."""
    weight = np.where(y == 1, 0.5 / max(1, y.sum()), 0.5 / max(1, (1 - y).sum())) * len(y)
    cuts = [np.unique(np.quantile(x[:, f], np.linspace(0.02, 0.98, CUTS))) for f in range(x.shape[1])]
    score = np.zeros(len(y))
    trees = []
    everything = np.arange(len(y))
    for _ in range(ROUNDS):
        p = 1 / (1 + np.exp(-score))
        g, h = weight * (p - y), weight * p * (1 - p)
        f0, t0 = best_split(x, g, h, everything, cuts)
        sides = [everything[x[:, f0] <= t0], everything[x[:, f0] > t0]]
        tree = {"feature": [f0], "threshold": [t0], "leaf": []}
        for rows in sides:
            f, t = best_split(x, g, h, rows, cuts)
            tree["feature"].append(f)
            tree["threshold"].append(t)
            for part in (rows[x[rows, f] <= t], rows[x[rows, f] > t]):
                value = leaf(g, h, part) if len(part) else 0.0
                tree["leaf"].append(value)
                score[part] += value
        trees.append(tree)
    return {"bias": 0.0, "trees": trees}


def score(r, model):
    z = model["bias"]
    x = r["x"]
    for t in model["trees"]:
        side = 1 if x[t["feature"][0]] <= t["threshold"][0] else 2
        z += t["leaf"][2 * (side - 1) + (0 if x[t["feature"][side]] <= t["threshold"][side] else 1)]
    return z


def figures(photos, split, model, margin):
    stamped = clean = hits = alarms = stray = 0
    ious = []
    for p in photos.values():
        if p["split"] != split:
            continue
        best = max(p["rows"], key=lambda r: score(r, model), default=None)
        found = best is not None and score(best, model) > 0
        if not p["stamped"]:
            clean += 1
            alarms += found
            continue
        stamped += 1
        if found:
            box = grown(best, p["size"], margin)
            if hit(box, p["truth"]):
                hits += 1
                ious.append(iou(box, p["truth"]))
            else:
                stray += 1
    return {"stamped": stamped, "recall": hits / max(1, stamped), "clean": clean,
            "false alarms": alarms, "wrong boxes": stray,
            "mean IoU": float(np.mean(ious)) if ious else 0.0}


def calibrate(photos, model):
    """Lowers the bias until no clean tuning photo gets a box."""
    worst = max((score(r, model) for p in photos.values()
                 if p["split"] == "tuning" and not p["stamped"] for r in p["rows"]), default=-1.0)
    model["bias"] -= max(0.0, worst + 0.05)
    return model


def number(v):
    """A C++ literal; a split no value passes is written as the largest double."""
    return f"{v:.6g}" if np.isfinite(v) else "1.7976931348623157e308"


def write_header(path, model):
    trees = ",\n    ".join(
        "{{%s}, {%s}, {%s}}" % (", ".join(str(f) for f in t["feature"]),
                                ", ".join(number(v) for v in t["threshold"]),
                                ", ".join(f"{v:.6g}" for v in t["leaf"])) for t in model["trees"])
    with open(path) as f:
        old = f.read()
    head = old[:old.index("inline constexpr double kRowBias")]
    tail = old[old.index("// The glow and blur"):]
    with open(path, "w") as f:
        f.write(head + f"inline constexpr double kRowBias = {model['bias']:.6g};\n"
                f"inline constexpr ScoreTree kRowTrees[] = {{\n    {trees}}};\n\n" + tail)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("candidates")
    parser.add_argument("--write", help="the header to write the scorer into (detect/RowWeights.h)")
    args = parser.parse_args()
    photos = read(args.candidates)
    x, y = labelled(photos, "tuning", None)
    model = calibrate(photos, fit(x, y))
    for split in ("tuning", "held-out"):
        print(split, figures(photos, split, model, None))
    if args.write:
        write_header(args.write, model)


if __name__ == "__main__":
    sys.exit(main())
