// Timings of the core's hot paths: one model evaluation, the panel's number
// format, a typical parse and a whole parameters file round trip.
#include <benchmark/benchmark.h>

#include "model/hall_model.h"
#include "numtext/number_format.h"
#include "numtext/number_parse.h"
#include "storage/parameter_codec.h"

namespace {

MaterialTable DefaultTable() {
    MaterialTable table;
    table.Initialise();
    table.FillDefaults();
    table.SelectMaterial(1);
    return table;
}

void ModelEvaluation(benchmark::State& state) {
    const MaterialParameters material = DefaultTable().WorkingEntry();
    ExperimentSettings settings;
    settings.sampleCurrent = 10;
    settings.magnetCurrent = 5;
    double temperature = 300;
    for (auto _ : state) {
        benchmark::DoNotOptimize(temperature);
        settings.temperature = temperature;
        HallQuantities q = EvaluateHallModel(material, settings, 1.0, 1.0);
        benchmark::DoNotOptimize(q);
    }
}
BENCHMARK(ModelEvaluation);

void ModelEvaluationWideBandGap(benchmark::State& state) {
    MaterialParameters material = DefaultTable().WorkingEntry();
    material.eg = 3.4;
    ExperimentSettings settings;
    settings.sampleCurrent = 10;
    settings.magnetCurrent = 5;
    settings.temperature = 77;
    for (auto _ : state) {
        benchmark::DoNotOptimize(material);
        HallQuantities q = EvaluateHallModel(material, settings, 1.0, 1.0);
        benchmark::DoNotOptimize(q);
    }
}
BENCHMARK(ModelEvaluationWideBandGap);

void FormatPanelReading(benchmark::State& state) {
    double value = -283.269185225645;
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        std::wstring text = FormatReal(value, L"%#.5g", true);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(FormatPanelReading);

void FormatTableCell(benchmark::State& state) {
    double value = 1.49e10;
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        std::wstring text = FormatReal(value, L"%#.8g", true);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(FormatTableCell);

void ParseTypedNumber(benchmark::State& state) {
    const std::wstring text = L"1.5e3";
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.data());
        benchmark::DoNotOptimize(ParseReal(text));
    }
}
BENCHMARK(ParseTypedNumber);

void ParseTableCell(benchmark::State& state) {
    const std::wstring text = L"1.2345679e+016";
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.data());
        benchmark::DoNotOptimize(ParseReal(text));
    }
}
BENCHMARK(ParseTableCell);

void ParameterFileRoundTrip(benchmark::State& state) {
    const MaterialTable table = DefaultTable();
    MaterialTable loaded = table;
    for (auto _ : state) {
        EncodeResult encoded = EncodeParameterFile(table);
        DecodeResult decoded = DecodeParameterFile(encoded.bytes.data(), encoded.bytes.size(), loaded);
        benchmark::DoNotOptimize(decoded);
        benchmark::DoNotOptimize(loaded);
    }
}
BENCHMARK(ParameterFileRoundTrip);

}  // namespace
