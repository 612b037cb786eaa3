#!/usr/bin/env python3
"""Draws orvane_win_client.ico (16, 32 and 48 pixels): three candles over a grid line, red for a
rising bar and blue for a falling one, as the chart draws them. Needs ImageMagick's `convert`.

    client/resources/draw_icon.py
"""
import os
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
# Candles on a 32-pixel grid: x, wick top, wick bottom, body top, body bottom, body colour.
CANDLES = [(5, 6, 26, 10, 22, "#3b82f6"), (14, 3, 24, 6, 16, "#ef4444"), (23, 8, 30, 12, 25, "#3b82f6")]


def draw_commands(size):
    scale = size / 32

    def rect(x0, y0, x1, y1):
        return "rectangle %d,%d %d,%d" % (round(x0 * scale), round(y0 * scale), round(x1 * scale) - 1,
                                          round(y1 * scale) - 1)

    commands = ["fill #1b2838 " + rect(0, 0, 32, 32), "fill #2f4a63 " + rect(2, 16, 30, 17)]
    for x, wick_top, wick_bottom, body_top, body_bottom, colour in CANDLES:
        commands.append("fill #e5e7eb " + rect(x + 1.5, wick_top, x + 2.5, wick_bottom))
        commands.append("fill %s " % colour + rect(x, body_top, x + 4, body_bottom))
    return commands


def main():
    with tempfile.TemporaryDirectory() as work:
        images = []
        for size in (16, 32, 48):
            image = os.path.join(work, "icon%d.png" % size)
            arguments = ["convert", "-size", "%dx%d" % (size, size), "xc:none"]
            for command in draw_commands(size):
                arguments += ["-draw", command]
            subprocess.run(arguments + ["-depth", "8", "PNG32:" + image], check=True)
            images.append(image)
        subprocess.run(["convert", *images, os.path.join(HERE, "orvane_win_client.ico")], check=True)


if __name__ == "__main__":
    main()
