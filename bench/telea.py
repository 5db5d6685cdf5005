#!/usr/bin/python3
# Fills the pure-green (0,255,0) pixels of IN with OpenCV's Telea method (radius 5), writes OUT.
# Used by brisvane-quality-bench as the diffusion baseline; needs Debian's python3-opencv.
import sys

import cv2
import numpy as np


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: telea.py IN OUT")
    image = cv2.imread(sys.argv[1], cv2.IMREAD_COLOR)
    if image is None:
        sys.exit("cannot read " + sys.argv[1])
    blue, green, red = image[:, :, 0], image[:, :, 1], image[:, :, 2]
    mask = ((blue == 0) & (green == 255) & (red == 0)).astype(np.uint8) * 255
    result = cv2.inpaint(image, mask, 5, cv2.INPAINT_TELEA)
    if not cv2.imwrite(sys.argv[2], result):
        sys.exit("cannot write " + sys.argv[2])


if __name__ == "__main__":
    main()
