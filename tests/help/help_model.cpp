// help_model: the model's numbers for the help's check (help/check-numbers.py).
//
// Reads queries from stdin, one a line, as key=value pairs separated by blanks:
//   m=N                  material N (1..100) of the default table (default 1)
//   Nd Na munL0 munI0 TL0 TI0 alpha beta b ni0 Eg ARand
//                        a parameter of that material overridden
//   rH l w d s delta T I Im
//                        a setting of the panel, in the panel's units (um, mA,
//                        K, A); each defaults to ExperimentSettings'
// and writes one line for each, the model evaluated with both random factors 1:
//   VH=... Vsigma=... VHtext=... Vsigmatext=... B=... mu=... ni=... n=... p=...
//   RH=... sigma=... t=... F=... G=..., the twelve parameters of the material
//   (Nd ... ARand), the nine settings (rH ... Im) and kB, the Boltzmann
//   constant (eV/K) with which the measurement log gives the band gap
// VH and Vsigma in mV at full precision (17 significant digits), VHtext and
// Vsigmatext as the panel's voltmeters show them, B in T, everything else in
// the model's units (cm^-3, cm^2/(V s), cm^3/C, 1/(Ohm cm)); the parameters
// and the settings as the query left them, defaults included. (ARand does not
// act: both random factors are 1.) A query it cannot
// read gives a line "error=..." and the program goes on with the next.
//
// A query with X= is a series fit, as the measurement log makes it: a series
// of one setting recorded row by row as the panel shows it, plotted and
// fitted by the log's own code (CollectPlotPoints, FitPlotPoints):
//   series=T|I|Im        the setting the series varies (default T)
//   from=A to=B step=S   its values as an automatic series in steps plans them
//   list=A,B,C...        or these values
//   fitfrom=F fitto=G    the rows selected for the fit: those whose value of
//                        the series lies from F to G (either may be left out);
//                        without both, all rows, as Fit line with no selection
//   X=No|T|1/T|I|Im      the log's horizontal axes, and lnT (ln T, a column
//                        a student adds in a spreadsheet)
//   Y=VH|absVH|Vsigma|lnabsVH|lnVsigma|lnInvVsigma
//                        the log's vertical axes (V_H, |V_H|, V_sigma,
//                        ln|V_H|, ln V_sigma, ln(1/V_sigma)), and a student's
//                        spreadsheet columns from the same rows: lnmuH (ln of
//                        the Hall mobility |R_H| sigma, cm^2/(V s)), lnnHT
//                        (ln(n_H T^-3/2), n_H = r_H/(q |R_H|) in cm^-3), with
//                        R_H = V_H d/(G I B), sigma = 1e4 I delta/(V_sigma w d),
//                        and lnnHTmeas, the same with V_H d/(I B) (no G)
//   readings=shown|full  the rows' readings as the meters show them (the
//                        default, as the log records them) or at full
//                        precision
// and the other keys as above for the settings that stay. The answer:
//   n=... slope=... intercept=... slopese=... interceptse=... R2=...
//   Eg=... Egse=... Sxx=... k=... bandgap=0|1
// the line's statistics (FitLine), the band gap -2k slope and 2k s(slope) in
// eV with the log's Boltzmann constant k (eV/K), the sum of squares of the
// fitted X about their mean, and whether the log shows E_g for these axes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "measurements/automatic_series.h"
#include "measurements/log_fit.h"
#include "measurements/measurement_log.h"
#include "measurements/plot_axes.h"
#include "model/hall_model.h"
#include "model/material_table.h"
#include "numtext/number_format.h"
#include "numtext/number_parse.h"
#include "panel/reading_text.h"

namespace {

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += static_cast<char>(c);  // the meters' texts are ASCII
    return out;
}

std::string Full(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

// The material and the panel's settings of a query: material m of the
// default table with its parameters overridden, and the settings overridden.
struct Setup {
    int number = 1;
    MaterialParameters material;
    ExperimentSettings settings;
};

// Reads the numeric pairs of a query into a setup; an error text, or empty.
std::string MakeSetup(std::map<std::string, double> values, Setup& setup) {
    MaterialTable table;
    table.Initialise();
    table.FillDefaults();
    if (values.count("m")) {
        setup.number = static_cast<int>(values["m"]);
        if (setup.number != values["m"] || !table.IsValidMaterialNumber(setup.number)) return "no material m";
        values.erase("m");
    }
    table.SelectMaterial(setup.number);
    setup.material = table.WorkingEntry();
    MaterialParameters& material = setup.material;
    ExperimentSettings& settings = setup.settings;
    const std::map<std::string, double*> fields = {
        {"Nd", &material.nd},           {"Na", &material.na},
        {"munL0", &material.munL0},     {"munI0", &material.munI0},
        {"TL0", &material.tl0},         {"TI0", &material.ti0},
        {"alpha", &material.alpha},     {"beta", &material.beta},
        {"b", &material.b},             {"ni0", &material.ni0},
        {"Eg", &material.eg},           {"ARand", &material.aRand},
        {"rH", &settings.hallFactor},
        {"l", &settings.sampleLength},  {"w", &settings.sampleWidth},
        {"d", &settings.sampleThickness}, {"s", &settings.contactWidth},
        {"delta", &settings.contactSpacing}, {"T", &settings.temperature},
        {"I", &settings.sampleCurrent}, {"Im", &settings.magnetCurrent},
    };
    for (const auto& [key, value] : values) {
        const auto field = fields.find(key);
        if (field == fields.end()) return "unknown key " + key;
        *field->second = value;
    }
    return std::string();
}

// The readings as the panel's meters take them, both random factors 1.
Readings MeterReadings(const Setup& setup, const HallQuantities& q) {
    Readings readings;
    readings.defined = ReadingsDefined(setup.number, setup.settings);
    readings.hallVoltage = q.hallVoltage;
    readings.sampleVoltage = q.sampleVoltage;
    return readings;
}

std::string Evaluate(const Setup& setup) {
    const MaterialParameters& material = setup.material;
    const ExperimentSettings& settings = setup.settings;
    const HallQuantities q = EvaluateHallModel(material, settings, 1, 1);
    const Readings readings = MeterReadings(setup, q);

    std::string out;
    out += "VH=" + Full(q.hallVoltage);
    out += " Vsigma=" + Full(q.sampleVoltage);
    out += " VHtext=" + Narrow(HallVoltageText(readings));
    out += " Vsigmatext=" + Narrow(SampleVoltageText(readings));
    out += " B=" + Full(q.fluxDensity * 1e4);  // V s/cm^2 to T
    out += " mu=" + Full(q.mobility);
    out += " ni=" + Full(q.intrinsic);
    out += " n=" + Full(q.electrons);
    out += " p=" + Full(q.holes);
    out += " RH=" + Full(q.hallCoefficient);
    out += " sigma=" + Full(q.conductivity);
    out += " t=" + Full(q.hallAngleTangent);
    out += " F=" + Full(q.hallAngleFactor);
    out += " G=" + Full(q.geometryFactor);
    // The material's parameters as the query left them.
    out += " Nd=" + Full(material.nd);
    out += " Na=" + Full(material.na);
    out += " munL0=" + Full(material.munL0);
    out += " munI0=" + Full(material.munI0);
    out += " TL0=" + Full(material.tl0);
    out += " TI0=" + Full(material.ti0);
    out += " alpha=" + Full(material.alpha);
    out += " beta=" + Full(material.beta);
    out += " b=" + Full(material.b);
    out += " ni0=" + Full(material.ni0);
    out += " Eg=" + Full(material.eg);
    out += " ARand=" + Full(material.aRand);
    // The settings the model was given, defaults included, for what the check
    // works out from them.
    out += " rH=" + Full(settings.hallFactor);
    out += " l=" + Full(settings.sampleLength);
    out += " w=" + Full(settings.sampleWidth);
    out += " d=" + Full(settings.sampleThickness);
    out += " s=" + Full(settings.contactWidth);
    out += " delta=" + Full(settings.contactSpacing);
    out += " T=" + Full(settings.temperature);
    out += " I=" + Full(settings.sampleCurrent);
    out += " Im=" + Full(settings.magnetCurrent);
    // The Boltzmann constant of the log's band gap, eV/K.
    out += " kB=" + Full(kBoltzmannEvPerK);
    return out;
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// A spreadsheet's column from a row of the log: what a student works out
// from the row's texts, with the flux density and the geometric factor of the
// model at the row's settings.
struct StudentColumns {
    double lnT, lnmuH, lnnHT, lnnHTmeas;
};

StudentColumns Columns(const MeasurementRow& row, const HallQuantities& q) {
    const double q0 = 1.60219e-19;  // C, as the model's
    const double rH = ShownValue(row.hallFactor), w = ShownValue(row.sampleWidth);
    const double d = ShownValue(row.sampleThickness), delta = ShownValue(row.contactSpacing);
    const double T = ShownValue(row.temperature), I = ShownValue(row.sampleCurrent);
    const double VH = ShownValue(row.hallVoltage), Vsigma = ShownValue(row.sampleVoltage);
    const double B = q.fluxDensity * 1e4, G = q.geometryFactor;
    const double RHmeas = VH * d / (I * B);  // cm^3/C from mV, um, mA, T
    const double RHcorr = RHmeas / G;
    const double sigma = 1e4 * I * delta / (Vsigma * w * d);
    auto ln = [](double x) { return x > 0 && std::isfinite(x) ? std::log(x) : NAN; };
    StudentColumns c;
    c.lnT = ln(T);
    c.lnmuH = ln(std::fabs(RHcorr) * sigma);
    c.lnnHT = ln(rH / (q0 * std::fabs(RHcorr)) * std::pow(T, -1.5));
    c.lnnHTmeas = ln(rH / (q0 * std::fabs(RHmeas)) * std::pow(T, -1.5));
    return c;
}

std::string Fit(std::map<std::string, double> values, const std::map<std::string, std::string>& words) {
    auto word = [&](const std::string& key, const std::string& otherwise) {
        const auto at = words.find(key);
        return at == words.end() ? otherwise : at->second;
    };

    // The series.
    const std::string quantity = word("series", "T");
    SeriesPlan plan;
    if (quantity == "T") {
        plan.quantity = SeriesQuantity::temperature;
    } else if (quantity == "I") {
        plan.quantity = SeriesQuantity::sampleCurrent;
    } else if (quantity == "Im") {
        plan.quantity = SeriesQuantity::magnetCurrent;
    } else {
        return "error=no series " + quantity;
    }
    std::vector<double> series;
    if (words.count("list")) {
        if (values.count("from") || values.count("to") || values.count("step")) return "error=list= with from/to/step";
        std::istringstream items(word("list", ""));
        std::string item;
        while (std::getline(items, item, ',')) {
            char* end = nullptr;
            const double value = std::strtod(item.c_str(), &end);
            if (item.empty() || *end != '\0') return "error=not a number in list: " + item;
            series.push_back(value);
        }
    } else {
        if (!values.count("from") || !values.count("to") || !values.count("step")) {
            return "error=a series needs from=, to= and step= (or list=)";
        }
        plan.start = values["from"];
        plan.end = values["to"];
        plan.step = values["step"];
        SeriesValues planned = PlanSeries(plan);
        if (planned.values.empty()) return "error=no series: " + Narrow(planned.problem);
        series = planned.values;
    }
    const bool hasFrom = values.count("fitfrom") != 0, hasTo = values.count("fitto") != 0;
    const double fitFrom = hasFrom ? values["fitfrom"] : 0, fitTo = hasTo ? values["fitto"] : 0;
    for (const char* key : {"from", "to", "step", "fitfrom", "fitto"}) values.erase(key);

    const std::string readingsWord = word("readings", "shown");
    if (readingsWord != "shown" && readingsWord != "full") return "error=readings=shown or full";
    const bool full = readingsWord == "full";

    // The axes.
    const std::map<std::string, int> xs = {
        {"No", static_cast<int>(PlotX::number)},          {"T", static_cast<int>(PlotX::temperature)},
        {"1/T", static_cast<int>(PlotX::inverseTemperature)}, {"I", static_cast<int>(PlotX::sampleCurrent)},
        {"Im", static_cast<int>(PlotX::magnetCurrent)},   {"lnT", -1},
    };
    const std::map<std::string, int> ys = {
        {"VH", static_cast<int>(PlotY::hallVoltage)},
        {"absVH", static_cast<int>(PlotY::hallVoltageMagnitude)},
        {"Vsigma", static_cast<int>(PlotY::sampleVoltage)},
        {"lnabsVH", static_cast<int>(PlotY::lnHallVoltageMagnitude)},
        {"lnVsigma", static_cast<int>(PlotY::lnSampleVoltage)},
        {"lnInvVsigma", static_cast<int>(PlotY::lnInverseSampleVoltage)},
        {"lnmuH", -1}, {"lnnHT", -2}, {"lnnHTmeas", -3},
    };
    const auto xAt = xs.find(word("X", "")), yAt = ys.find(word("Y", ""));
    if (xAt == xs.end()) return "error=no axis X=" + word("X", "");
    if (yAt == ys.end()) return "error=no axis Y=" + word("Y", "");

    Setup setup;
    const std::string problem = MakeSetup(values, setup);
    if (!problem.empty()) return "error=" + problem;

    // The rows, recorded as the panel shows each value of the series: the
    // value goes into its box as FormatReal writes it, and the panel takes
    // the box's text back.
    MeasurementLog log;
    std::vector<HallQuantities> quantities;
    std::vector<size_t> selected;
    for (double value : series) {
        const std::wstring text = FormatReal(value);
        const double taken = ParseReal(text);
        double& field = plan.quantity == SeriesQuantity::temperature     ? setup.settings.temperature
                        : plan.quantity == SeriesQuantity::sampleCurrent ? setup.settings.sampleCurrent
                                                                         : setup.settings.magnetCurrent;
        field = taken;
        const HallQuantities q = EvaluateHallModel(setup.material, setup.settings, 1, 1);
        const Readings readings = MeterReadings(setup, q);
        MeasurementRow row;
        row.time = RecordTimeText(2026, 1, 1, 12, 0, 0);
        row.material = setup.number;
        const ExperimentSettings& s = setup.settings;
        row.hallFactor = FormatReal(s.hallFactor);
        row.sampleLength = FormatReal(s.sampleLength);
        row.sampleWidth = FormatReal(s.sampleWidth);
        row.sampleThickness = FormatReal(s.sampleThickness);
        row.contactWidth = FormatReal(s.contactWidth);
        row.contactSpacing = FormatReal(s.contactSpacing);
        row.temperature = FormatReal(s.temperature);
        row.sampleCurrent = FormatReal(s.sampleCurrent);
        row.magnetCurrent = FormatReal(s.magnetCurrent);
        if (full && readings.defined) {
            row.hallVoltage = Widen(Full(q.hallVoltage));
            row.sampleVoltage = Widen(Full(q.sampleVoltage));
        } else {
            row.hallVoltage = HallVoltageText(readings);
            row.sampleVoltage = SampleVoltageText(readings);
        }
        if (log.Append(row) == 0) return "error=the log refused a row";
        quantities.push_back(q);
        if ((hasFrom || hasTo) && (!hasFrom || taken >= fitFrom) && (!hasTo || taken <= fitTo)) {
            selected.push_back(log.size() - 1);
        }
    }
    if ((hasFrom || hasTo) && selected.empty()) return "error=no row from fitfrom to fitto";

    // The plot's points: the log's own for its axes, the student's columns
    // for the others, each pair with both values finite.
    PlotPoints points;
    if (xAt->second >= 0 && yAt->second >= 0) {
        points = CollectPlotPoints(log, static_cast<PlotX>(xAt->second), static_cast<PlotY>(yAt->second));
    } else {
        for (size_t i = 0; i < log.size(); ++i) {
            const StudentColumns c = Columns(log[i], quantities[i]);
            const double x = xAt->second >= 0 ? PlotValue(log[i], static_cast<PlotX>(xAt->second)) : c.lnT;
            const double y = yAt->second >= 0    ? PlotValue(log[i], static_cast<PlotY>(yAt->second))
                             : yAt->second == -1 ? c.lnmuH
                             : yAt->second == -2 ? c.lnnHT
                                                 : c.lnnHTmeas;
            if (!std::isfinite(x) || !std::isfinite(y)) continue;
            points.xs.push_back(x);
            points.ys.push_back(y);
            points.rows.push_back(i);
        }
    }
    const LineFit fit = FitPlotPoints(points, selected);
    if (!fit.defined) return "error=no line: fewer than two points at different X";

    // The spread of the fitted X, for the standard error that scatter gives.
    std::vector<double> fitted;
    for (size_t k = 0; k < points.rows.size(); ++k) {
        if (selected.empty() || std::binary_search(selected.begin(), selected.end(), points.rows[k])) {
            fitted.push_back(points.xs[k]);
        }
    }
    double mean = 0;
    for (double x : fitted) mean += x;
    mean /= static_cast<double>(fitted.size());
    double sxx = 0;
    for (double x : fitted) sxx += (x - mean) * (x - mean);

    const bool bandGap = xAt->second >= 0 && yAt->second >= 0 &&
                         FitGivesBandGap(static_cast<PlotX>(xAt->second), static_cast<PlotY>(yAt->second));
    std::string out;
    out += "n=" + std::to_string(fit.n);
    out += " slope=" + Full(fit.slope);
    out += " intercept=" + Full(fit.intercept);
    out += " slopese=" + Full(fit.slopeError);
    out += " interceptse=" + Full(fit.interceptError);
    out += " R2=" + Full(fit.rSquared);
    out += " Eg=" + Full(BandGapOfSlope(fit.slope));
    out += " Egse=" + Full(BandGapErrorOfSlope(fit.slopeError));
    out += " Sxx=" + Full(sxx);
    out += " k=" + Full(kBoltzmannEvPerK);
    out += std::string(" bandgap=") + (bandGap ? "1" : "0");
    return out;
}

std::string Answer(const std::string& line) {
    static const char* const kWords[] = {"X", "Y", "series", "list", "readings"};
    std::map<std::string, double> values;
    std::map<std::string, std::string> words;
    std::istringstream items(line);
    std::string item;
    while (items >> item) {
        const auto equals = item.find('=');
        if (equals == std::string::npos || equals == 0) return "error=not key=value: " + item;
        const std::string key = item.substr(0, equals), text = item.substr(equals + 1);
        bool isWord = false;
        for (const char* w : kWords) isWord = isWord || key == w;
        if (isWord) {
            words[key] = text;
            continue;
        }
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0') return "error=not a number: " + item;
        values[key] = value;
    }
    if (words.count("X")) return Fit(values, words);
    if (!words.empty()) return "error=" + words.begin()->first + "= belongs to a fit (X=)";
    Setup setup;
    const std::string problem = MakeSetup(values, setup);
    if (!problem.empty()) return "error=" + problem;
    return Evaluate(setup);
}

}  // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::cout << Answer(line) << std::endl;  // flushed: the check asks one line at a time
    }
    return 0;
}
