// Timings of the core's hot paths: one model evaluation, the panel's number
// format, a typical parse, a whole parameters file round trip, the
// measurement log's file of 10,000 rows written and read, and one row
// appended with its line.
#include <benchmark/benchmark.h>

#include "model/hall_model.h"
#include "numtext/number_format.h"
#include "numtext/number_parse.h"
#include "measurements/log_codec.h"
#include "storage/parameter_codec.h"

#include "log_rows.h"

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

void EncodeLog10000Rows(benchmark::State& state) {
    const MeasurementLog log = BenchLog(10000);
    for (auto _ : state) {
        std::vector<unsigned char> bytes = EncodeLogCsv(log);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(EncodeLog10000Rows)->Unit(benchmark::kMillisecond);

void DecodeLog10000Rows(benchmark::State& state) {
    const std::vector<unsigned char> bytes = EncodeLogCsv(BenchLog(10000));
    for (auto _ : state) {
        MeasurementLog log;
        CsvDecodeResult result = DecodeLogCsv(bytes.data(), bytes.size(), log);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(log.size());
    }
}
BENCHMARK(DecodeLog10000Rows)->Unit(benchmark::kMillisecond);

// What a reading adds to a log of 10,000 rows: the row appended (the log
// counting its file's size) and its line made, as a file layer that appends
// writes it.
void AppendRowAndEncodeItsLine(benchmark::State& state) {
    const MeasurementLog full = BenchLog(10000);
    MeasurementLog log = full;
    const MeasurementRow row = full[0];
    for (auto _ : state) {
        if (log.Append(row) == 0) {
            state.PauseTiming();
            log = full;
            state.ResumeTiming();
            continue;
        }
        std::vector<unsigned char> line = EncodeLogLines(log, log.size() - 1);
        benchmark::DoNotOptimize(line.data());
    }
}
BENCHMARK(AppendRowAndEncodeItsLine);

}  // namespace
