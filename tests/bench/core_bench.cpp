// Timings of the core's hot paths: one model evaluation, the panel's number
// format, a typical parse, a whole parameters file round trip, and the
// measurement log's file of 10,000 rows written and read.
#include <benchmark/benchmark.h>

#include "model/hall_model.h"
#include "numtext/number_format.h"
#include "numtext/number_parse.h"
#include "measurements/log_codec.h"
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

// 10,000 readings as the panel shows them, the temperature and the readings
// changing from row to row.
MeasurementLog TenThousandRows() {
    MeasurementLog log;
    for (int i = 0; i < 10000; ++i) {
        MeasurementRow row;
        row.time = L"2026-12-08 22:36:18";
        row.material = 1 + i % 100;
        row.hallFactor = L"1.1500";
        row.sampleLength = L"100.00";
        row.sampleWidth = L"100.00";
        row.sampleThickness = L"10.000";
        row.contactWidth = L"0.50000";
        row.contactSpacing = L"10.000";
        row.temperature = FormatReal(77 + i * 0.05);
        row.sampleCurrent = L"10.000";
        row.magnetCurrent = L"5.0000";
        row.hallVoltage = FormatReal(-283.27 * (1 + i * 1e-4));
        row.sampleVoltage = FormatReal(1234.5 / (1 + i * 1e-4));
        log.Append(row);
    }
    return log;
}

void EncodeLog10000Rows(benchmark::State& state) {
    const MeasurementLog log = TenThousandRows();
    for (auto _ : state) {
        std::vector<unsigned char> bytes = EncodeLogCsv(log);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(EncodeLog10000Rows)->Unit(benchmark::kMillisecond);

void DecodeLog10000Rows(benchmark::State& state) {
    const std::vector<unsigned char> bytes = EncodeLogCsv(TenThousandRows());
    for (auto _ : state) {
        MeasurementLog log;
        CsvDecodeResult result = DecodeLogCsv(bytes.data(), bytes.size(), log);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(log.size());
    }
}
BENCHMARK(DecodeLog10000Rows)->Unit(benchmark::kMillisecond);

}  // namespace
