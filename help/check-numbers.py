#!/usr/bin/env python3
"""Checks that the numbers of the help come from the program's own model.

    help/check-numbers.py --model HELP_MODEL [CONTENT_DIR]
        check every page (default: help/content)
    help/check-numbers.py --model HELP_MODEL --self-test [CONTENT_DIR]
        break copies of the pages in known ways; each break must be caught

HELP_MODEL is the native program help_model (tests/help/help_model.cpp): it
reads queries "key=value ..." and answers with the model's quantities, worked
out by EvaluateHallModel with both random factors 1, and the two readings as the
panel's voltmeters show them.

THE MARK-UP: data-model and data-set
====================================

A number in a page is checked when its element (<td> or <span>, holding the
number and nothing else) carries a data-model attribute that names a quantity:

    <td class="num" data-model="VH">&minus;283.27</td>
    <span data-model="B Im=-5">&minus;0.759375</span>

Settings. Any element may carry data-model="key=value ..." with no quantity:
its settings hold for everything inside it (a <table>, a <tr>, a <p>, a
<div>...). Inner settings override outer ones; a quantity's own key=value pairs
override everything. What is not set has the program's default: material 1 of
the default table and the panel's defaults (rH=1.15 l=100 w=100 d=10 s=0.5
delta=10 T=300 I=0 Im=0; note that I and Im are 0 by default).

    keys of the material  m (1..100, default 1), and any parameter overriding
                          it: Nd Na munL0 munI0 TL0 TI0 alpha beta b ni0 Eg
                          ARand (which does not act: the check has no noise)
    keys of the panel     rH l w d s delta (um)  T (K)  I (mA)  Im (A)
    flag                  from=shown (see below), on a quantity only
    scale                 scale=FACTOR multiplies the quantity before the
                          comparison (e.g. scale=1000 to show B in mT)
    digits                digits=N: the number shows N significant digits,
                          where the text cannot say (1150 with digits=3)

Inputs. An element with data-set="KEY" is an input: its text is the value of
setting KEY for its row, the enclosing <tr> (outside a table: the enclosing
<p>, <li> or <div>). Inputs override the settings of the row's ancestors and are
overridden by a quantity's own key=value pairs:

    <table class="grid" data-model="l=1000 s=0.1 I=10 Im=5">
    <tr><td class="num" data-set="T">77</td><td class="num" data-model="VH">&minus;427.96</td></tr>

Quantities. The model's own, in its units:
    VH, Vsigma   the readings, mV. Compared EXACTLY with the text the panel's
                 voltmeter shows ("%#.5g", trailing zeros trimmed)
    B            flux density, T
    mu           electron (drift) mobility, cm^2/(V s)
    ni n p       intrinsic, electron and hole concentrations, cm^-3
    RH           Hall coefficient, cm^3/C
    sigma        conductivity, 1/(Ohm cm)
    t F G        tangent of the Hall angle, theta/tan theta, geometric factor
    Nd ... ARand the material's parameters (the default table's, or as set)
What a student works out from the readings (VH, Vsigma) and the settings:
    RHmeas       VH d/(I B), cm^3/C (the uncorrected Hall coefficient)
    RHcorr       RHmeas / G, cm^3/C (G the model's geometric factor)
    RHcorrmuH    RHmeas / G', cm^3/C, G' the geometric factor worked out with
                 the Hall angle of the measured Hall mobility, tan theta =
                 muH B, muH = |RHcorrmuH| sigmameas, iterated to a fixed point:
                 what a student gets who corrects with the mobility measured
                 (for a p-type sample the hole's, where the model takes the
                 electron's)
    nH           rH/(q |RHcorr|), cm^-3, q = 1.60219e-19 C
    sigmameas    1e4 I delta/(Vsigma w d), 1/(Ohm cm)
    rhomeas      1/sigmameas, Ohm cm
    muHmeas      |RHcorr| sigmameas, cm^2/(V s) (the Hall mobility)
    mumeas       muHmeas / rH, cm^2/(V s)
    invT         1000/T, 1/K
    lnInvVsigma  ln(1/Vsigma), Vsigma in mV
    lnnHT        ln(nH T^-3/2), nH in cm^-3, T in K
and about the sample and the material:
    lossG        the share of the Hall voltage the geometry takes, (1 - G) 100, %
    J            current density I/(w d), A/cm^2
    Vbar         voltage over the whole bar, I l/(sigma w d), V
    P            power in the bar, I Vbar, W
    muB          mu B (drift mobility times flux density), no unit
    Tintr        the temperature at which ni = |Nd - Na|, K; with ratio=R, the
                 temperature at which ni = R |Nd - Na| (ratio=10: where the
                 intrinsic range begins, ratio=0.1: where the extrinsic ends)
    muexp        the local exponent of the drift mobility, d ln mu/d ln T at T
    kB           the Boltzmann constant with which the measurement log gives the
                 band gap, eV/K (mark every k that a page uses for a band gap)
and of a temperature series, T = Tstart, Tstart + Tstep, ... up to Tend (keys
Tstart Tend Tstep, default 300 1680 20, on the quantity or around it), evaluated
as the band-gap topic does: nH' = rH/(q |RHmeas|), y = ln(nH' T^-3/2), x = 1/T,
a least-squares line through the points with T >= Tfit (default 1000):
    slopefit     the slope of that line, K
    Egfit        the band gap from it, -2 k slope, eV, with the measurement
                 log's Boltzmann constant k = 8.617333262e-5 eV/K
(help_model makes this fit with the log's own fitting code, as below.)

The log's Fit line over a series, made by help_model with the program's own
code: the rows recorded as an automatic series records them (each value of
the series put into its box as the panel writes it, the meters' texts as the
panel shows them), plotted as the log plots them and fitted by its FitLine:
    fitslope fitintercept   the line's slope and intercept (units of Y per X)
    fitslopese fitinterceptse  their standard errors
    fitR2        R^2         fitn   the number of points fitted
    fitEg fitEgse   the band gap -2 k slope and 2 k s(slope), eV, k the log's;
                 only for X=1/T and Y=lnInvVsigma (what the log shows) or
                 Y=lnnHT / lnnHTmeas (the Hall route in a spreadsheet)
    fitSxx       the sum of squares of the fitted X about their mean
The keys of a fit, on the quantity or around it like settings:
    series=T|I|Im            the setting the series varies (default T)
    from=A to=B step=S       its values as Automatic series plans them in steps
    list=A,B,C               or these values (no blanks)
    fitfrom=F fitto=G        the rows selected for the fit: those whose value of
                             the series lies from F to G (either may be left
                             out); with neither, all rows, as Fit line without
                             a selection
    X=No|T|1/T|I|Im          the log's X axes (No., T, 1/T, I, I_m), or lnT
                             (ln T, a column added in a spreadsheet)
    Y=VH|absVH|Vsigma|lnabsVH|lnVsigma|lnInvVsigma
                             the log's Y axes (V_H, |V_H|, V_sigma, ln|V_H|,
                             ln V_sigma, ln(1/V_sigma)), or a student's columns
                             from the shown readings: lnmuH = ln(|RH| sigma)
                             (RH = VH d/(G I B), sigma = 1e4 I delta/(Vsigma w d),
                             cm^2/(V s)), lnnHT = ln(nH T^-3/2) (nH = rH/(q |RH|),
                             cm^-3), lnnHTmeas the same without G
Note that from=shown is the flag; from=NUMBER is the start of a series.

What a scatter of the readings (the material's ARand, or ARand= set) gives:
    s1           ARand/sqrt(3), the relative standard deviation of one reading
                 (scale=100 for %)
    repeatsfor   the readings whose mean has the relative standard error
                 prec=P: (s1/P)^2 rounded up
    scatterslopese  the standard error of a fit's slope when each point
                 scatters by s1 and is the mean of repeats=N readings
                 (default 1): s1/sqrt(N fitSxx), with the fit's keys
    scatterEgse  2 k scatterslopese, eV (X=1/T)

from=shown: a quantity of the second group is worked out from the readings AS
THE METERS SHOW THEM (rounded to five digits), as a student does, and not from
the model's full-precision readings. Without it, the full-precision readings.

    <td class="num" data-model="RHmeas from=shown">&minus;479.91</td>

Comparison. VH and Vsigma: the text must be the meter's text. Every other
quantity: the value, rounded half away from zero to the last digit shown, must
be the number shown; "479.90" shows five significant digits, "9.900 &times;
10<sup>15</sup>" four, "1150" four unless the quantity says digits=3. The text may be written with &minus;, &nbsp;, a
mantissa times 10<sup>N</sup> or as 1.2e+016; nothing else may be in the element
(put units outside it).

Any element with data-model naming an unknown quantity or an unknown key fails
the check, and so does a marked element that holds no number.
"""

import decimal
import html.parser
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True

PARAMETERS = {"Nd", "Na", "munL0", "munI0", "TL0", "TI0", "alpha", "beta", "b", "ni0", "Eg", "ARand"}
MATERIAL_KEYS = {"m"} | PARAMETERS
PANEL_KEYS = {"rH", "l", "w", "d", "s", "delta", "T", "I", "Im"}
SETTING_KEYS = MATERIAL_KEYS | PANEL_KEYS
MODEL = {"VH", "Vsigma", "B", "mu", "ni", "n", "p", "RH", "sigma", "t", "F", "G"}
FROM_READINGS = {"RHmeas", "RHcorr", "RHcorrmuH", "nH", "sigmameas", "rhomeas", "muHmeas", "mumeas",
                 "lnInvVsigma", "lnnHT"}
SERIES_KEYS = {"Tstart": 300.0, "Tend": 1680.0, "Tstep": 20.0, "Tfit": 1000.0}
SERIES = {"slopefit", "Egfit"}
# The log's fit of a series: the quantity and help_model's name for it.
FIT = {"fitslope": "slope", "fitintercept": "intercept", "fitslopese": "slopese",
       "fitinterceptse": "interceptse", "fitR2": "R2", "fitn": "n", "fitEg": "Eg",
       "fitEgse": "Egse", "fitSxx": "Sxx"}
# The standard errors that a scatter of the readings gives a fit of the series.
SCATTER_FIT = {"scatterslopese", "scatterEgse"}
FIT_NUMBER_KEYS = {"from", "to", "step", "fitfrom", "fitto", "repeats"}
FIT_WORD_KEYS = {"X": ("No", "T", "1/T", "I", "Im", "lnT"),
                 "Y": ("VH", "absVH", "Vsigma", "lnabsVH", "lnVsigma", "lnInvVsigma", "lnmuH",
                       "lnnHT", "lnnHTmeas"),
                 "series": ("T", "I", "Im"),
                 "list": None}
FIT_KEYS = FIT_NUMBER_KEYS | set(FIT_WORD_KEYS)
# Y axes whose slope against 1/T gives a band gap, -2k slope.
BAND_GAP_Y = ("lnInvVsigma", "lnnHT", "lnnHTmeas")
# The scatter of one reading and the readings a precision needs.
SCATTER = {"s1", "repeatsfor"}
OTHER = SERIES | set(FIT) | SCATTER_FIT | SCATTER | {"invT", "lossG", "J", "Vbar", "P", "muB", "Tintr",
                                                    "muexp", "kB"}
QUANTITIES = MODEL | FROM_READINGS | OTHER | PARAMETERS
Q = 1.60219e-19
ROW_TAGS = ("tr", "p", "li", "div", "dd")


class Model:
    """help_model as a server: one query a line, one answer a line."""

    def __init__(self, program):
        self.process = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        universal_newlines=True)
        self.cache = {}

    def ask(self, settings):
        query = " ".join("%s=%s" % (k, v) if isinstance(v, str) else
                         "%s=%r" % (k, float(v)) if k != "m" else "m=%d" % int(v)
                         for k, v in sorted(settings.items()))
        if query not in self.cache:
            self.process.stdin.write(query + "\n")
            self.process.stdin.flush()
            answer = self.process.stdout.readline().strip()
            if not answer:
                raise RuntimeError("help_model gave no answer to %r" % query)
            fields = dict(word.split("=", 1) for word in answer.split())
            if "error" in fields:
                raise ValueError("help_model: %s (query %r)" % (answer[6:], query))
            self.cache[query] = fields
        return self.cache[query]

    def close(self):
        self.process.stdin.close()
        self.process.wait()


NUMBER = re.compile(r"^([+-]?)(\d+(?:\.\d*)?|\.\d+)(?:[eE]([+-]?\d+)|x10\^([+-]?\d+))?$")


def normalise(text):
    for old, new in (("\u2212", "-"), ("\u00a0", ""), (" ", ""), ("\n", ""), ("\t", ""),
                     ("\u00d7", "x"), ("\u2009", ""), ("\u202f", "")):
        text = text.replace(old, new)
    return text


def parse_number(text):
    """The shown number as a Decimal, exactly as written, or None."""
    match = NUMBER.match(normalise(text))
    if not match:
        return None
    sign, digits, exponent_e, exponent_10 = match.groups()
    exponent = int(exponent_e or exponent_10 or 0)
    return decimal.Decimal(sign + digits).scaleb(exponent)


def rounds_to(value, shown, digits=None):
    """Whether value, rounded half away from zero to the last digit of shown (or
    to digits significant digits), is shown. The value is taken both exactly and
    as its shortest decimal text, so that 479.905 (in binary a little below) may
    show as 479.91, as on a calculator."""
    if not math.isfinite(value):
        return False
    exponent = shown.as_tuple().exponent
    if digits is not None:
        if shown == 0:
            return False
        exponent = shown.adjusted() - int(digits) + 1
    quantum = decimal.Decimal(1).scaleb(exponent)
    with decimal.localcontext() as context:
        context.prec = 400
        for exact in (decimal.Decimal(value), decimal.Decimal(repr(value))):
            if exact.quantize(quantum, rounding=decimal.ROUND_HALF_UP) == shown:
                return True
    return False


def parse_pairs(words, where):
    pairs = {}
    for word in words:
        if "=" not in word:
            raise ValueError("%s: %r is not key=value" % (where, word))
        key, value = word.split("=", 1)
        if key == "from" and value == "shown":
            pairs["shown"] = True
            continue
        if key in FIT_WORD_KEYS:
            known = FIT_WORD_KEYS[key]
            if known is not None and value not in known:
                raise ValueError("%s: %s=%s (known: %s)" % (where, key, value, " ".join(known)))
            if key == "list" and not all(re.match(r"^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$", v)
                                         for v in value.split(",")):
                raise ValueError("%s: list=%s is not numbers separated by commas" % (where, value))
            pairs[key] = value
            continue
        if (key not in SETTING_KEYS and key not in ("scale", "digits", "prec", "ratio") and key not in SERIES_KEYS
                and key not in FIT_NUMBER_KEYS):
            raise ValueError("%s: unknown key %r" % (where, key))
        try:
            pairs[key] = float(value)
        except ValueError:
            raise ValueError("%s: %s=%r is not a number" % (where, key, value))
    return pairs


class Node:
    def __init__(self, tag, attrs, parent, line):
        self.tag, self.attrs, self.parent, self.line = tag, attrs, parent, line
        self.text = ""
        self.inputs = {}  # the row's data-set inputs, if this is a row


class Marked(html.parser.HTMLParser):
    """Collects the elements with data-model or data-set, with their ancestors."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.targets = []
        self.inputs = []
        self.problems = []

    VOID = {"br", "img", "meta", "link", "hr", "input", "col", "wbr", "area", "base", "param",
            "source", "track", "embed"}

    def handle_starttag(self, tag, attrs):
        node = Node(tag, dict(attrs), self.stack[-1] if self.stack else None, self.getpos()[0])
        if tag == "sup":
            for open_node in self.stack:
                open_node.text += "^"
        if tag in self.VOID:
            return
        self.stack.append(node)

    def handle_startendtag(self, tag, attrs):
        pass

    def handle_endtag(self, tag):
        if tag in self.VOID or not any(n.tag == tag for n in self.stack):
            return
        while True:
            node = self.stack.pop()
            self.finish(node)
            if node.tag == tag:
                break

    def handle_data(self, data):
        for node in self.stack:
            node.text += data

    def finish(self, node):
        if "data-set" in node.attrs:
            self.inputs.append(node)
        model = node.attrs.get("data-model")
        if model is not None and model.split() and "=" not in model.split()[0]:
            self.targets.append(node)


def row_of(node):
    row = node.parent
    while row is not None and row.tag != "tr":
        row = row.parent
    if row is not None:
        return row
    row = node.parent
    while row is not None and row.tag not in ROW_TAGS:
        row = row.parent
    return row


def settings_of(node, name):
    """The settings for a marked element: ancestors' data-model, the row's inputs,
    then its own key=value pairs; with the quantity and its flags."""
    chain = []
    ancestor = node.parent
    while ancestor is not None:
        chain.append(ancestor)
        ancestor = ancestor.parent
    settings = {}
    for ancestor in reversed(chain):
        model = ancestor.attrs.get("data-model")
        if model is not None:
            words = model.split()
            if words and "=" not in words[0]:
                raise ValueError("%s line %d: a quantity (%s) holds another marked element"
                                 % (name, ancestor.line, words[0]))
            pairs = parse_pairs(words, "%s line %d" % (name, ancestor.line))
            if "shown" in pairs or "scale" in pairs or "digits" in pairs:
                raise ValueError("%s line %d: from=shown, scale= and digits= belong to a quantity"
                                 % (name, ancestor.line))
            settings.update(pairs)
        settings.update(ancestor.inputs)
    words = node.attrs["data-model"].split()
    quantity = words[0]
    own = parse_pairs(words[1:], "data-model=%r" % node.attrs["data-model"])
    flags = {k: own.pop(k) for k in ("shown", "scale", "digits") if k in own}
    settings.update(own)
    return quantity, settings, flags


def evaluate(model, quantity, settings, flags):
    """The quantity's value (a float), or for VH/Vsigma the meter's text."""
    if quantity not in QUANTITIES:
        raise ValueError("unknown quantity %r" % quantity)
    if quantity in ("VH", "Vsigma") and ("scale" in flags or "digits" in flags):
        raise ValueError("scale= on %s, which is compared with the meter's text" % quantity)
    if flags.get("shown") and quantity not in FROM_READINGS | SERIES:
        raise ValueError("from=shown on %s, which does not come from the readings" % quantity)
    if quantity in SERIES:
        return series_fit(model, quantity, settings, flags) * flags.get("scale", 1)
    if quantity in SCATTER:
        return scatter(model, quantity, settings) * flags.get("scale", 1)
    if quantity in FIT or quantity in SCATTER_FIT:
        return log_fit(model, quantity, settings) * flags.get("scale", 1)
    ratio = settings.get("ratio", 1.0)
    if "ratio" in settings and quantity != "Tintr":
        raise ValueError("ratio= on %s, which is not a boundary temperature" % quantity)
    settings = {k: v for k, v in settings.items()
                if k not in SERIES_KEYS and k not in FIT_KEYS and k not in ("prec", "ratio")}
    if quantity == "Tintr":
        return intrinsic_temperature(model, settings, ratio) * flags.get("scale", 1)
    if quantity == "muexp":
        return mobility_exponent(model, settings) * flags.get("scale", 1)
    a = model.ask(settings)
    s = {k: float(a[k]) for k in PANEL_KEYS}  # the settings the model used, defaults included
    if quantity in ("VH", "Vsigma"):
        return a[quantity + "text"]
    if quantity in MODEL | PARAMETERS or quantity == "kB":
        return float(a[quantity]) * flags.get("scale", 1)
    if flags.get("shown"):
        VH, Vsigma = float(a["VHtext"]), float(a["Vsigmatext"])
    else:
        VH, Vsigma = float(a["VH"]), float(a["Vsigma"])
    B, G = float(a["B"]), float(a["G"])
    RHmeas = VH * s["d"] / (s["I"] * B) if quantity in ("RHmeas", "RHcorr", "RHcorrmuH", "nH", "muHmeas",
                                                        "mumeas", "lnnHT") else None
    RHcorr = RHmeas / G if RHmeas is not None else None
    sigmameas = (1e4 * s["I"] * s["delta"] / (Vsigma * s["w"] * s["d"])
                 if quantity in ("sigmameas", "rhomeas", "muHmeas", "mumeas", "RHcorrmuH") else None)
    nH = s["rH"] / (Q * abs(RHcorr)) if RHcorr is not None else None
    sigma = float(a["sigma"])
    value = {
        "RHmeas": lambda: RHmeas,
        "RHcorr": lambda: RHcorr,
        "RHcorrmuH": lambda: corrected_with_hall_mobility(RHmeas, sigmameas, B, s),
        "nH": lambda: nH,
        "sigmameas": lambda: sigmameas,
        "rhomeas": lambda: 1 / sigmameas,
        "muHmeas": lambda: abs(RHcorr) * sigmameas,
        "mumeas": lambda: abs(RHcorr) * sigmameas / s["rH"],
        "lnInvVsigma": lambda: math.log(1 / Vsigma),
        "lnnHT": lambda: math.log(nH * s["T"] ** -1.5),
        "invT": lambda: 1000 / s["T"],
        "lossG": lambda: (1 - G) * 100,
        "J": lambda: 1e5 * s["I"] / (s["w"] * s["d"]),
        "Vbar": lambda: 10 * s["I"] * s["l"] / (sigma * s["w"] * s["d"]),
        "P": lambda: 1e-3 * s["I"] * 10 * s["I"] * s["l"] / (sigma * s["w"] * s["d"]),
        "muB": lambda: float(a["mu"]) * B * 1e-4,
    }[quantity]()
    return value * flags.get("scale", 1)


SHORT_CIRCUIT = 16 / math.pi ** 2


def corrected_with_hall_mobility(RHmeas, sigmameas, B, s):
    """RHmeas divided by the geometric factor whose Hall angle is the measured
    Hall mobility's, tan theta = |R| sigma B, as a student corrects by hand:
    start from F = 1 and repeat until R no longer changes."""
    R = RHmeas
    for _ in range(200):
        t = abs(R) * sigmameas * B * 1e-4
        F = math.atan(t) / t if t != 0 else 1.0
        G = ((1 - SHORT_CIRCUIT * math.exp(-math.pi * s["l"] / (2 * s["w"])) * F)
             * (1 - (2 / math.pi) * (s["s"] / s["w"]) * F))
        previous, R = R, RHmeas / G
        if abs(R - previous) <= 1e-15 * abs(R):
            break
    return R


def series_fit(model, quantity, settings, flags):
    """The band-gap topic's fit, by help_model: ln(nH' T^-3/2) against 1/T,
    nH' = rH/(q |RHmeas|), the readings at full precision or as shown."""
    series = dict(SERIES_KEYS)
    series.update({k: v for k, v in settings.items() if k in SERIES_KEYS})
    query = {k: v for k, v in settings.items() if k in SETTING_KEYS}
    query.update({"X": "1/T", "Y": "lnnHTmeas", "series": "T", "from": series["Tstart"],
                  "to": series["Tend"], "step": series["Tstep"], "fitfrom": series["Tfit"],
                  "readings": "shown" if flags.get("shown") else "full"})
    answer = model.ask(query)
    return float(answer["slope"] if quantity == "slopefit" else answer["Eg"])


def fit_query(settings, quantity):
    """help_model's query for a fit of a series of the log."""
    query = {k: v for k, v in settings.items() if k in SETTING_KEYS or k in FIT_KEYS and k != "repeats"}
    for key in ("X", "Y"):
        if key not in query:
            raise ValueError("%s needs %s= (the log's axis)" % (quantity, key))
    if "list" in query and any(k in query for k in ("from", "to", "step")):
        raise ValueError("%s: list= and from=/to=/step= both set" % quantity)
    if "list" not in query and not all(k in query for k in ("from", "to", "step")):
        raise ValueError("%s needs from=, to= and step= (or list=)" % quantity)
    query["series"] = query.get("series", "T")
    return query


def log_fit(model, quantity, settings):
    """The log's Fit line over a series, as help_model makes it with the log's
    own code; and the standard errors that scatter gives the same fit."""
    query = fit_query(settings, quantity)
    if quantity in ("fitEg", "fitEgse", "scatterEgse") and (query["X"] != "1/T"
                                                           or query["Y"] not in BAND_GAP_Y):
        raise ValueError("%s: a band gap needs X=1/T and Y= one of %s" % (quantity, ", ".join(BAND_GAP_Y)))
    answer = model.ask(query)
    if quantity in FIT:
        return float(answer[FIT[quantity]])
    # Each point scatters by s1 = ARand/sqrt(3) (ln of a reading moves by its
    # relative error), each the mean of `repeats` readings:
    # s(slope) = s1 / sqrt(repeats Sxx), s(Eg) = 2k s(slope).
    aRand = scatter_amplitude(model, settings)
    slope_se = aRand / math.sqrt(3) / math.sqrt(settings.get("repeats", 1.0) * float(answer["Sxx"]))
    if quantity == "scatterslopese":
        return slope_se
    return 2 * float(answer["k"]) * slope_se


def scatter_amplitude(model, settings):
    material = {k: v for k, v in settings.items() if k in MATERIAL_KEYS}
    return float(model.ask(material)["ARand"])


def scatter(model, quantity, settings):
    """s1 = ARand/sqrt(3), the relative standard deviation of one reading; and
    the readings whose mean has the relative standard error prec:
    (ARand/(sqrt(3) prec))^2, rounded up."""
    s1 = scatter_amplitude(model, settings) / math.sqrt(3)
    if quantity == "s1":
        return s1
    if "prec" not in settings:
        raise ValueError("repeatsfor needs prec= (the relative precision wanted)")
    return float(math.ceil((s1 / settings["prec"]) ** 2 * (1 - 1e-12)))


def mobility_exponent(model, settings):
    """d ln mu / d ln T at T, by a central difference over T (1 +- 1e-4)."""
    T = float(model.ask(settings)["T"])
    up, down = T * (1 + 1e-4), T * (1 - 1e-4)
    mu_up = float(model.ask(dict(settings, T=up))["mu"])
    mu_down = float(model.ask(dict(settings, T=down))["mu"])
    return (math.log(mu_up) - math.log(mu_down)) / (math.log(up) - math.log(down))


def intrinsic_temperature(model, settings, ratio=1.0):
    """Bisection for ni(T) = ratio |Nd - Na|; ni rises with T."""
    material = {k: v for k, v in settings.items() if k in MATERIAL_KEYS}
    answer = model.ask(material)
    target = ratio * abs(float(answer["Nd"]) - float(answer["Na"]))
    low, high = 1.0, 100000.0
    for _ in range(80):
        middle = (low + high) / 2
        if float(model.ask(dict(material, T=middle))["ni"]) < target:
            low = middle
        else:
            high = middle
    return (low + high) / 2


def check_page(model, path):
    name = os.path.basename(path)
    parser = Marked()
    with open(path, encoding="ascii", errors="replace") as f:
        parser.feed(f.read())
    parser.close()
    problems, count = [], 0
    for node in parser.inputs:
        key = node.attrs["data-set"]
        where = "%s line %d" % (name, node.line)
        if key not in SETTING_KEYS:
            problems.append("%s: data-set=%r is no setting" % (where, key))
            continue
        value = parse_number(node.text)
        if value is None:
            problems.append("%s: data-set=%s holds %r, not a number" % (where, key, node.text))
            continue
        row = row_of(node)
        if row is None:
            problems.append("%s: data-set outside any row" % where)
            continue
        row.inputs[key] = float(value)
    for node in parser.targets:
        where = "%s line %d" % (name, node.line)
        try:
            quantity, settings, flags = settings_of(node, name)
            expected = evaluate(model, quantity, settings, flags)
        except ZeroDivisionError:
            problems.append("%s: %s divides by zero (%s)" % (where, node.attrs["data-model"], settings))
            continue
        except ValueError as error:
            problems.append("%s: %s" % (where, error))
            continue
        count += 1
        shown_text = normalise(node.text)
        if quantity in ("VH", "Vsigma"):
            if shown_text != expected:
                problems.append("%s: %s shows %r, the meter %r (%s)"
                                % (where, quantity, node.text.strip(), expected, node.attrs["data-model"]))
            continue
        shown = parse_number(node.text)
        if shown is None:
            problems.append("%s: %s holds %r, not a number" % (where, quantity, node.text))
            continue
        if not rounds_to(expected, shown, flags.get("digits")):
            problems.append("%s: %s shows %s, the model gives %.10g (%s)"
                            % (where, quantity, node.text.strip(), expected, node.attrs["data-model"]))
    return problems, count


def check(model, content):
    problems, count = [], 0
    for name in sorted(os.listdir(content)):
        if name.endswith(".html"):
            p, c = check_page(model, os.path.join(content, name))
            problems += p
            count += c
    return problems, count


# --- negative controls -------------------------------------------------------

def bump_last_digit(text):
    """The number's last digit changed by one (9 becomes 8)."""
    match = re.search(r"\d(?=\D*$)", text)
    if not match:
        return None
    digit = match.group()
    new = "8" if digit == "9" else str(int(digit) + 1)
    return text[:match.start()] + new + text[match.end():]


def break_first(content, pattern, change):
    """Applies change to the first match of pattern in any page; returns the page."""
    for name in sorted(os.listdir(content)):
        if not name.endswith(".html"):
            continue
        path = os.path.join(content, name)
        with open(path, encoding="ascii") as f:
            text = f.read()
        match = re.search(pattern, text)
        if match:
            new = change(match)
            if new is None:
                continue
            with open(path, "w", encoding="ascii") as f:
                f.write(text[:match.start()] + new + text[match.end():])
            return name
    return None


def element(quantity_pattern):
    return r'(<(?:td|span)[^>]*data-model="%s[^"]*"[^>]*>)([^<]*)(<)' % quantity_pattern


def retext(match):
    new = bump_last_digit(match.group(2))
    return None if new is None else match.group(1) + new + match.group(3)


BREAKS = [
    ("a meter reading one digit off", element("VH(?= |\")"), retext),
    ("a sample voltage one digit off", element("Vsigma(?= |\")"), retext),
    ("a value from the shown readings one digit off", element(r"RHmeas[^\"]*from=shown"), retext),
    ("a model quantity one digit off", element(r"(?:B|n|RH|sigma|mu)(?= |\")"), retext),
    ("an input of a row changed", r'(<td[^>]*data-set="T"[^>]*>)([^<]*)(<)', retext),
    ("an unknown quantity", r'data-model="VH(?= |")',
     lambda m: 'data-model="VHall'),
    ("an unknown key", r'data-model="(VH|Vsigma)(?= |")',
     lambda m: 'data-model="%s Ix=1' % m.group(1)),
    ("a marked element without a number", element("VH(?= |\")"),
     lambda m: m.group(1) + "about" + m.group(3)),
    ("the rounded reading's result where the full reading's belongs",
     r'(data-model="RHmeas from=shown">&minus;479\.9)1', lambda m: m.group(1) + "0"),
    ("the full reading used where the shown one belongs",
     r'data-model="RHmeas from=shown">(&minus;479\.91)', lambda m: 'data-model="RHmeas">' + m.group(1)),
    ("a setting of a table changed", r'(<table[^>]*data-model="[^"]*)\bI=10\b',
     lambda m: m.group(1) + "I=10.01"),
    ("a fitted slope one digit off", element("fitslope(?= |\")"), retext),
    ("a fitted band gap one digit off", element("fitEg(?= |\")"), retext),
    ("a fit's standard error one digit off", element("fitslopese(?= |\")"), retext),
    ("the fit's first row moved", r'(data-model="[^"]*\bfitfrom=)(\d+)',
     lambda m: m.group(1) + str(int(m.group(2)) - 100)),
    ("the log-log fit's last row moved", r'(data-model="[^"]*Y=lnmuH[^"]*\bfitto=)(\d+)',
     lambda m: m.group(1) + str(int(m.group(2)) + 100)),
    ("the fit's Y axis changed", r'(data-model="[^"]*)\bY=lnInvVsigma\b',
     lambda m: m.group(1) + "Y=lnVsigma"),
    ("an unknown axis", r'(data-model="[^"]*)\bX=1/T\b', lambda m: m.group(1) + "X=1/t"),
    ("a band gap asked of a fit against T", r'data-model="fitEg"', lambda m: 'data-model="fitEg X=T"'),
    ("a series one step coarser", r'(<body[^>]*data-model="[^"]*\bstep=)100\b',
     lambda m: m.group(1) + "200"),
    ("a predicted standard error one digit off", element("scatter(?:slope|Eg)se(?= |\")"), retext),
    ("the model's Boltzmann constant where the log's belongs", r'(data-model="kB">)8\.617333',
     lambda m: m.group(1) + "8.617000"),
    ("a number of readings needed one off", element("repeatsfor(?= |\")"), retext),
    ("a range boundary taken at another multiple of the doping", r'(data-model="Tintr[^"]*\bratio=)10\b',
     lambda m: m.group(1) + "5"),
    ("the model's Hall angle where the measured Hall mobility's belongs", r'data-model="RHcorrmuH\b',
     lambda m: 'data-model="RHcorr'),
    ("a number of repeats changed", r'(data-model="[^"]*\brepeats=)(\d+)',
     lambda m: m.group(1) + str(int(m.group(2)) + 1)),
]


def self_test(model, content):
    failures = []
    problems, count = check(model, content)
    if problems:
        failures.append("the pages themselves fail: " + "; ".join(problems[:3]))
    if count < 20:
        failures.append("only %d marked numbers: too few to test the check" % count)
    for label, pattern, change in BREAKS:
        with tempfile.TemporaryDirectory() as work:
            copy = os.path.join(work, "content")
            shutil.copytree(content, copy)
            page = break_first(copy, pattern, change)
            if page is None:
                failures.append("%s: nothing in the pages to break" % label)
                continue
            problems, _ = check(model, copy)
            if not problems:
                failures.append("%s (%s): not caught" % (label, page))
            else:
                print("caught: %s (%s): %s" % (label, page, problems[0]))
    # The rounding rule on its own: half away from zero, at the shown digits.
    for value, text, ok in ((479.905, "479.91", True), (-479.9049, "-479.90", True),
                            (-479.9051, "-479.90", False), (9.9e15, "9.900x10^15", True),
                            (9.9e15, "9.90x10^15", True), (9.95e15, "9.9x10^15", False),
                            (0.5906249999, "0.590625", True), (1231.4, "1231", True),
                            (1231.6, "1231", False), (-0.75, "-0.8", True), (0.7549, "0.76", False)):
        if rounds_to(value, parse_number(text)) != ok:
            failures.append("rounding: %r against %r should be %s" % (value, text, ok))
    for value, text, digits, ok in ((1145.77, "1150", 3, True), (1145.77, "1150", 4, False),
                                    (666.07, "670", 2, True), (666.07, "670", 3, False)):
        if rounds_to(value, parse_number(text), digits) != ok:
            failures.append("rounding: %r against %r should be %s" % (value, text, ok))
    return failures


def main(argv):
    args = list(argv[1:])
    program = None
    if "--model" in args:
        i = args.index("--model")
        program = args[i + 1]
        del args[i:i + 2]
    test = "--self-test" in args
    if test:
        args.remove("--self-test")
    if program is None or len(args) > 1:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    content = args[0] if args else os.path.join(HERE, "content")
    model = Model(program)
    try:
        if test:
            failures = self_test(model, content)
            for failure in failures:
                print("FAILED: " + failure)
            print("self-test: %d breaks, %s" % (len(BREAKS), "all caught" if not failures else
                                                 "%d failures" % len(failures)))
            return 1 if failures else 0
        problems, count = check(model, content)
        for problem in problems:
            print(problem)
        print("%d marked numbers checked, %d problems" % (count, len(problems)))
        return 1 if problems else 0
    finally:
        model.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
