#!/usr/bin/python3
"""Judges a disparity map against a ground truth (an .npz of float d, inf
where unknown), sharing no code with the matcher.

  depth.py bad TRUTH.npz MAP.pfm            share of known true pixels more
                                            than 2 px off or unknown, percent
  depth.py png MAP.pfm MAP.png              exit 1 unless the PNG holds
                                            round(256 d), 0 for unknown or d <= 0
  depth.py budget TRUTH.npz DX DY           the truth's parallax-near,
                                            parallax-far and deviation over the
                                            left picture's common region at DX DY
  depth.py spearman TRUTH.npz PICTURE       rank correlation of the picture's
                                            grey with the truth's d
"""
import sys

import numpy as np
from PIL import Image


def truth(path):
    with np.load(path) as f:
        return f[f.files[0]].astype(np.float64)


def pfm(path):
    with open(path, "rb") as f:
        assert f.readline().strip() == b"Pf"
        w, h = map(int, f.readline().split())
        scale = float(f.readline())
        data = np.frombuffer(f.read(), dtype="<f4" if scale < 0 else ">f4")
    return np.flipud(data.reshape(h, w)).astype(np.float64)


def ranks(v):
    order = np.argsort(v, kind="stable")
    r = np.empty(len(v))
    r[order] = np.arange(len(v))
    # ties share their mean rank
    _, inverse, counts = np.unique(v, return_inverse=True, return_counts=True)
    sums = np.bincount(inverse, weights=r)
    return (sums / counts)[inverse]


def main(args):
    kind = args[0]
    if kind == "bad":
        t, d = truth(args[1]), pfm(args[2])
        assert t.shape == d.shape, (t.shape, d.shape)
        known = np.isfinite(t)
        bad = ~np.isfinite(d[known]) | (np.abs(d[known] - t[known]) > 2.0)
        print("%.2f" % (100.0 * bad.mean()))
    elif kind == "png":
        d = pfm(args[1])
        png = np.asarray(Image.open(args[2]), dtype=np.float64)
        want = np.where(np.isfinite(d) & (d > 0), np.floor(256 * np.nan_to_num(d, posinf=0) + 0.5), 0)
        sys.exit(0 if png.shape == d.shape and np.array_equal(png, want) else 1)
    elif kind == "budget":
        t, dx, dy = truth(args[1]), int(args[2]), int(args[3])
        h, w = t.shape
        t = t[max(0, -dy):h - max(0, dy), max(0, -dx):w - max(0, dx)]
        p = -t[np.isfinite(t)] - dx
        near, far = np.percentile(p, 2), np.percentile(p, 98)
        print("%.1f %.1f %.2f" % (near, far, (far - near) / t.shape[1] * 100))
    elif kind == "spearman":
        t = truth(args[1])
        g = np.asarray(Image.open(args[2]).convert("L"), dtype=np.float64)
        assert g.shape == t.shape, (g.shape, t.shape)
        known = np.isfinite(t)
        print("%.3f" % np.corrcoef(ranks(t[known]), ranks(g[known]))[0, 1])


main(sys.argv[1:])
