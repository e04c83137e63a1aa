// help_model: the model's numbers for the help's check (help/check-numbers.py).
//
// Reads queries from stdin, one a line, as key=value pairs separated by blanks:
//   m=N                  material N (1..100) of the default table (default 1)
//   Nd Na munL0 munI0 TL0 TI0 alpha beta b ni0 Eg
//                        a parameter of that material overridden
//   rH l w d s delta T I Im
//                        a setting of the panel, in the panel's units (um, mA,
//                        K, A); each defaults to ExperimentSettings'
// and writes one line for each, the model evaluated with both random factors 1:
//   VH=... Vsigma=... VHtext=... Vsigmatext=... B=... mu=... ni=... n=... p=...
//   RH=... sigma=... t=... F=... G=... Nd=... Na=... rH=... l=... w=... d=...
//   s=... delta=... T=... I=... Im=...
// VH and Vsigma in mV at full precision (17 significant digits), VHtext and
// Vsigmatext as the panel's voltmeters show them, B in T, everything else in
// the model's units (cm^-3, cm^2/(V s), cm^3/C, 1/(Ohm cm)); Nd, Na and the
// settings as the query left them, defaults included. A query it cannot
// read gives a line "error=..." and the program goes on with the next.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "model/hall_model.h"
#include "model/material_table.h"
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

std::string Evaluate(const std::string& line) {
    std::map<std::string, double> values;
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
        const auto equals = word.find('=');
        if (equals == std::string::npos || equals == 0) return "error=not key=value: " + word;
        const std::string key = word.substr(0, equals), text = word.substr(equals + 1);
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0') return "error=not a number: " + word;
        values[key] = value;
    }

    MaterialTable table;
    table.Initialise();
    table.FillDefaults();
    int number = 1;
    if (values.count("m")) {
        number = static_cast<int>(values["m"]);
        if (number != values["m"] || !table.IsValidMaterialNumber(number)) return "error=no material m";
        values.erase("m");
    }
    table.SelectMaterial(number);
    MaterialParameters material = table.WorkingEntry();
    ExperimentSettings settings;

    const std::map<std::string, double*> fields = {
        {"Nd", &material.nd},           {"Na", &material.na},
        {"munL0", &material.munL0},     {"munI0", &material.munI0},
        {"TL0", &material.tl0},         {"TI0", &material.ti0},
        {"alpha", &material.alpha},     {"beta", &material.beta},
        {"b", &material.b},             {"ni0", &material.ni0},
        {"Eg", &material.eg},           {"rH", &settings.hallFactor},
        {"l", &settings.sampleLength},  {"w", &settings.sampleWidth},
        {"d", &settings.sampleThickness}, {"s", &settings.contactWidth},
        {"delta", &settings.contactSpacing}, {"T", &settings.temperature},
        {"I", &settings.sampleCurrent}, {"Im", &settings.magnetCurrent},
    };
    for (const auto& [key, value] : values) {
        const auto field = fields.find(key);
        if (field == fields.end()) return "error=unknown key " + key;
        *field->second = value;
    }

    const HallQuantities q = EvaluateHallModel(material, settings, 1, 1);
    Readings readings;
    readings.defined = ReadingsDefined(number, settings);
    readings.hallVoltage = q.hallVoltage;
    readings.sampleVoltage = q.sampleVoltage;

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
    out += " Nd=" + Full(material.nd);
    out += " Na=" + Full(material.na);
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
    return out;
}

}  // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::cout << Evaluate(line) << std::endl;  // flushed: the check asks one line at a time
    }
    return 0;
}
