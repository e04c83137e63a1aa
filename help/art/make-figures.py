#!/usr/bin/env python3
"""Draws the help's graphs as SVG files, from the same model the program uses.

    help/art/make-figures.py OUTPUT_FOLDER

writes magnet.svg, mobility.svg, carriers.svg and band-gap.svg; help/art/render.sh
turns them into the PNG files under help/content/images/. The model below
repeats the program's computation (model/hall_model.cpp) step for step in plain
doubles, which is exact for every curve drawn here; before drawing, it is
checked against the readings the program gives for the worked example of the
help, so that a graph can never drift away from what the panel shows.
"""

import math
import os
import sys

# The default material (every material of a fresh table is the same).
DEFAULT_MATERIAL = dict(Nd=1e16, Na=1e14, munL0=8000.0, munI0=8000.0, TL0=80.0, TI0=20.0,
                        alpha=-1.5, beta=1.5, b=2.5, ni0=1.49e10, Eg=1.12)
# The panel's defaults, with I = 10 mA and I_m = 5 A as in the worked example.
DEFAULT_SETTINGS = dict(rH=1.15, l=100.0, w=100.0, d=10.0, s=0.5, delta=10.0, I=10.0, T=300.0, Im=5.0)
KAPPA = 1.6211389382774046
Q = 1.60219e-19
K_BOLTZMANN = 8.617e-5


def model(material=None, **settings):
    """The quantities of one noise-free computation, panel units in, model units out."""
    m = dict(DEFAULT_MATERIAL, **(material or {}))
    s = dict(DEFAULT_SETTINGS, **settings)
    l, w, d = s["l"] * 0.0001, s["w"] * 0.0001, s["d"] * 0.0001
    contact, spacing = s["s"] * 0.0001, s["delta"] * 0.0001
    current, T, Im, rH = s["I"] * 0.001, s["T"], s["Im"], s["rH"]

    muL = m["munL0"] * math.pow(T / m["TL0"], m["alpha"])
    muI = m["munI0"] * math.pow(T / m["TI0"], m["beta"])
    mu = 1 / ((1 / muI) + (1 / muL))
    E = math.exp((((300 / T) - 1) * m["Eg"]) * (-19.34161154307377))
    ni = (math.pow(T * 0.0033333333333333335, 1.5) * E) * m["ni0"]
    h = ((m["Nd"] - m["Na"]) * 0.5) * 1e-10
    a = ni * 1e-10
    # With Na > Nd the sum would cancel; the program then divides instead.
    if h < 0:
        n = ((a * a) / (math.sqrt((h * h) + (a * a)) - h)) * 1e10
    else:
        n = (math.sqrt((h * h) + (a * a)) + h) * 1e10
    p = (ni / n) * ni
    x = (n / p) * m["b"]
    RH = ((1 - (x * m["b"])) * rH) / ((((1 + x) * (1 + x)) * p) * Q)
    sigma = (((mu / m["b"]) * p) + (n * mu)) * Q
    B = ((1 - (Im * 0.025)) * Im) * 1.35e-05
    t = (B * mu) * rH
    F = 1 if t == 0.0 else math.atan(t) / t
    u = 1 / w
    G1 = 1 - ((math.exp((u * l) * (-1.5707963267948966)) * KAPPA) * F)
    G2 = 1 - (((u * F) * contact) * 0.6366197723675814)
    G = G1 * G2
    VH = ((((G / d) * B) * RH) * current) * 1000
    Vs = ((current * spacing) / ((sigma * d) * w)) * 1000
    return dict(muL=muL, muI=muI, mu=mu, ni=ni, n=n, p=p, RH=RH, sigma=sigma, B=B, F=F, G=G,
                VH=VH, Vs=Vs)


def check_model():
    """The readings the program shows for the worked examples of the help."""
    q = model()
    assert abs(q["VH"] - (-283.269185226)) < 1e-8, q["VH"]
    assert abs(q["Vs"] - 573.635372682) < 1e-8, q["Vs"]
    assert abs(q["RH"] - (-725.01773298)) < 1e-7, q["RH"]
    q = model(l=1000.0, Im=10.0)
    assert abs(q["VH"] - (-731.756257519)) < 1e-8, q["VH"]
    q = model({"Nd": 1e14, "Na": 1e16}, T=150.0)
    assert abs(q["VH"] - 285.03) < 5e-3 and abs(q["Vs"] - 515.42) < 5e-3, (q["VH"], q["Vs"])


# ----------------------------------------------------------------------------
# A small SVG plotter: one frame, linear or logarithmic axes, lines and points.

FONT = "font-family='DejaVu Sans' font-size='13'"
COLOURS = ["#1f4e9c", "#c00000", "#2e7d32", "#7b3f99"]


class Plot:
    def __init__(self, width, height, x_range, y_range, x_log=False, y_log=False,
                 margins=(70, 20, 20, 52)):
        self.width, self.height = width, height
        self.left, self.top, self.right, self.bottom = margins
        self.x0, self.x1 = x_range
        self.y0, self.y1 = y_range
        self.x_log, self.y_log = x_log, y_log
        self.items = []

    def _fx(self, x):
        a, b, v = self.x0, self.x1, x
        if self.x_log:
            a, b, v = math.log10(a), math.log10(b), math.log10(v)
        return self.left + (v - a) / (b - a) * (self.width - self.left - self.right)

    def _fy(self, y):
        a, b, v = self.y0, self.y1, y
        if self.y_log:
            a, b, v = math.log10(a), math.log10(b), math.log10(v)
        return self.height - self.bottom - (v - a) / (b - a) * (self.height - self.top - self.bottom)

    def inside(self, x, y):
        lo_y, hi_y = min(self.y0, self.y1), max(self.y0, self.y1)
        return self.x0 <= x <= self.x1 and lo_y <= y <= hi_y

    def line(self, points, colour, width=2.0, dash=None):
        pts = [(x, y) for x, y in points if self.inside(x, y)]
        d = " ".join("%s%.2f,%.2f" % ("M" if i == 0 else "L", self._fx(x), self._fy(y))
                     for i, (x, y) in enumerate(pts))
        extra = " stroke-dasharray='%s'" % dash if dash else ""
        self.items.append("<path d='%s' fill='none' stroke='%s' stroke-width='%s'%s/>"
                          % (d, colour, width, extra))

    def points(self, points, colour, radius=3.2):
        for x, y in points:
            if self.inside(x, y):
                self.items.append("<circle cx='%.2f' cy='%.2f' r='%s' fill='%s'/>"
                                  % (self._fx(x), self._fy(y), radius, colour))

    def text(self, x, y, content, colour="#000000", anchor="start", data=True, size=None):
        px, py = (self._fx(x), self._fy(y)) if data else (x, y)
        sz = " font-size='%s'" % size if size else ""
        self.items.append("<text x='%.1f' y='%.1f' fill='%s' text-anchor='%s'%s>%s</text>"
                          % (px, py, colour, anchor, sz, content))

    def svg(self, x_ticks, y_ticks, x_label, y_label, x_fmt=str, y_fmt=str):
        w, h = self.width, self.height
        l, t, r, b = self.left, self.top, self.width - self.right, self.height - self.bottom
        out = ["<?xml version='1.0' encoding='UTF-8'?>",
               "<svg xmlns='http://www.w3.org/2000/svg' width='%d' height='%d' viewBox='0 0 %d %d' %s>"
               % (w, h, w, h, FONT),
               "<rect width='%d' height='%d' fill='#ffffff'/>" % (w, h)]
        for x in x_ticks:
            px = self._fx(x)
            out.append("<path d='M%.2f,%d V%d' stroke='#dddddd'/>" % (px, t, b))
            out.append("<text x='%.2f' y='%d' text-anchor='middle'>%s</text>" % (px, b + 18, x_fmt(x)))
        for y in y_ticks:
            py = self._fy(y)
            out.append("<path d='M%d,%.2f H%d' stroke='#dddddd'/>" % (l, py, r))
            out.append("<text x='%d' y='%.2f' text-anchor='end'>%s</text>" % (l - 6, py + 4.5, y_fmt(y)))
        out.append("<rect x='%d' y='%d' width='%d' height='%d' fill='none' stroke='#000000'/>"
                   % (l, t, r - l, b - t))
        out.extend(self.items)
        out.append("<text x='%.1f' y='%d' text-anchor='middle'>%s</text>" % ((l + r) / 2, h - 10, x_label))
        out.append("<text x='16' y='%.1f' text-anchor='middle' transform='rotate(-90 16 %.1f)'>%s</text>"
                   % ((t + b) / 2, (t + b) / 2, y_label))
        out.append("</svg>")
        return "\n".join(out) + "\n"


def power_of_ten(v):
    e = int(round(math.log10(v)))
    return "10" + sup(("%d" % e).replace("-", "&#8722;"))


def minus(s):
    return s.replace("-", "&#8722;")


def italic(s):
    return "<tspan font-style='italic'>%s</tspan>" % s


def sub(s):
    return "<tspan baseline-shift='sub' font-size='10'>%s</tspan>" % s


def sup(s):
    return "<tspan baseline-shift='super' font-size='10'>%s</tspan>" % s


# ----------------------------------------------------------------------------
# The figures.

def magnet_figure():
    plot = Plot(600, 340, (-10, 10), (-1.8, 1.2))
    currents = [i / 10 for i in range(-100, 101)]
    plot.line([(i, i * 0.135) for i in currents], "#888888", 1.5, dash="6,4")
    plot.line([(i, model(Im=i)["B"] * 1e4) for i in currents], COLOURS[0], 2.5)
    for i in (5.0, -5.0):
        b = model(Im=i)["B"] * 1e4
        plot.points([(i, b)], COLOURS[1], 4.5)
        plot.text(i + (0.4 if i > 0 else -0.4), b + (-0.14 if i > 0 else 0.05),
                  minus("%+.4f T" % b), COLOURS[1], "start" if i > 0 else "end")
    plot.text(2.2, 0.52, "0.135 T/A, linear", "#666666", "end")
    plot.text(-9.4, 0.95, italic("B") + " = (1 &#8722; 0.025 " + italic("I") + sub("m") + ") " + italic("I")
              + sub("m") + " &#183; 0.135 T/A", COLOURS[0], "start")
    return plot.svg(range(-10, 11, 2), [-1.5, -1.0, -0.5, 0, 0.5, 1.0],
                    "magnet current " + italic("I") + sub("m") + " (A)",
                    "flux density " + italic("B") + " (T)",
                    y_fmt=lambda v: minus("%.1f" % v), x_fmt=lambda v: minus(str(v)))


def mobility_figure():
    plot = Plot(600, 360, (70, 2000), (50, 1e6), x_log=True, y_log=True)
    temps = [70 * math.pow(2000 / 70, k / 300) for k in range(301)]
    temps = [t for t in temps if 77 <= t <= 1680]
    qs = [(t, model(T=t)) for t in temps]
    plot.line([(t, q["muL"]) for t, q in qs], COLOURS[0], 1.5, dash="6,4")
    plot.line([(t, q["muI"]) for t, q in qs], COLOURS[1], 1.5, dash="6,4")
    plot.line([(t, q["mu"]) for t, q in qs], "#000000", 2.5)
    plot.text(520, 2.2e3, "lattice " + italic("&#956;") + sub("L") + " &#8733; " + italic("T")
              + sup("&#8722;3/2"), COLOURS[0], "middle")
    plot.text(190, 4e4, "impurities " + italic("&#956;") + sub("I") + " &#8733; " + italic("T")
              + sup("3/2"), COLOURS[1], "start")
    plot.text(300, 190, "together " + italic("&#956;") + " (Matthiessen&#8217;s rule)", "#000000", "middle")
    return plot.svg([100, 200, 500, 1000, 2000], [1e2, 1e3, 1e4, 1e5, 1e6],
                    "temperature " + italic("T") + " (K)",
                    "electron mobility (cm&#178;/(V&#183;s))", y_fmt=power_of_ten)


def carriers_figure():
    plot = Plot(600, 380, (0, 13), (1e8, 1e20), y_log=True)
    inv = [0.6 + k * 0.02 for k in range(int((13 - 0.6) / 0.02) + 1)]
    qs = [(x, model(T=1000 / x)) for x in inv if 77 <= 1000 / x <= 1680]
    plot.line([(x, q["n"]) for x, q in qs], COLOURS[0], 2.5)
    plot.line([(x, q["p"]) for x, q in qs], COLOURS[1], 2.5)
    plot.line([(x, q["ni"]) for x, q in qs], "#000000", 1.5, dash="6,4")
    plot.text(6.5, 2.2e16, "electrons " + italic("n"), COLOURS[0], "middle")
    plot.text(3.1, 3e9, "holes " + italic("p"), COLOURS[1], "start")
    plot.text(4.6, 1.2e11, "intrinsic " + italic("n") + sub("i"), "#000000", "end")
    plot.text(10.5, 4e17, italic("N") + sub("d") + " &#8722; " + italic("N") + sub("a")
              + " = 9.9&#183;10" + sup("15") + " cm" + sup("&#8722;3"), "#555555", "middle")
    return plot.svg(range(0, 14), [1e8, 1e10, 1e12, 1e14, 1e16, 1e18, 1e20],
                    "1000 / " + italic("T") + " (1/K)", "concentration (cm" + sup("&#8722;3") + ")", y_fmt=power_of_ten)


def band_gap_series():
    """The temperature series of the help's band-gap topic: noise-free readings
    of the default material, evaluated as a student would."""
    series = []
    for T in range(300, 1681, 20):
        q = model(T=T, l=1000.0, s=0.1, I=10.0, Im=5.0)
        b_tesla = q["B"] * 1e4
        rh = q["VH"] * 10.0 / (10.0 * b_tesla)          # mV * um / (mA * T) = cm3/C
        n_hall = 1.15 / (Q * abs(rh))
        series.append((T, 1000.0 / T, math.log(n_hall * math.pow(T, -1.5))))
    return series


def fit_line(points):
    n = len(points)
    mx = sum(x for x, _ in points) / n
    my = sum(y for _, y in points) / n
    slope = sum((x - mx) * (y - my) for x, y in points) / sum((x - mx) ** 2 for x, _ in points)
    return slope, my - slope * mx


def band_gap_figure():
    series = band_gap_series()
    intrinsic = [(x, y) for T, x, y in series if T >= 1000]
    slope, cut = fit_line(intrinsic)              # per 1000/T
    slope_k = slope * 1000                        # kelvin
    eg = -2 * K_BOLTZMANN * slope_k
    plot = Plot(600, 380, (0.5, 3.5), (22, 36), margins=(60, 20, 20, 52))
    plot.line([(x, cut + slope * x) for x in (0.55, 2.0)], COLOURS[1], 1.5, dash="6,4")
    plot.points([(x, y) for _, x, y in series], COLOURS[0])
    plot.text(1.45, 34.6, "intrinsic range: slope = &#8722;" + italic("E") + sub("g") + "/2" + italic("k")
              + minus(" = %.0f K" % slope_k), COLOURS[1], "start")
    plot.text(1.45, 33.5, italic("E") + sub("g") + " = 2 &#183; 8.617&#183;10" + sup("&#8722;5")
              + " eV/K &#183; %.0f K = %.3f eV" % (-slope_k, eg),
              COLOURS[1], "start")
    plot.text(3.0, 23.2, "extrinsic range", "#555555", "middle")
    figure = plot.svg([0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5], range(22, 37, 2),
                      "1000 / " + italic("T") + " (1/K)",
                      "ln(" + italic("n") + sub("H") + " " + italic("T") + sup("&#8722;3/2") + ")")
    return figure, slope_k, eg


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-figures.py OUTPUT_FOLDER")
    out = sys.argv[1]
    check_model()
    os.makedirs(out, exist_ok=True)
    band_gap, slope_k, eg = band_gap_figure()
    figures = {
        "magnet.svg": magnet_figure(),
        "mobility.svg": mobility_figure(),
        "carriers.svg": carriers_figure(),
        "band-gap.svg": band_gap,
    }
    for name, text in figures.items():
        with open(os.path.join(out, name), "w", encoding="utf-8") as f:
            f.write(text)
    print("make-figures: band-gap fit over 1000..1680 K: slope %.1f K, Eg %.4f eV" % (slope_k, eg))


if __name__ == "__main__":
    main()
