// Tests of the log's CSV file and of its tab-separated text for the
// clipboard. The expected bytes are written out by hand.
#include "measurements/log_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/example_reading.h"

namespace {

// The file's header line, in UTF-8: µ is C2 B5, δ CE B4, σ CF 83.
const std::string kHeader =
    "No.,Time,Material,r_H,l (\xC2\xB5m),w (\xC2\xB5m),d (\xC2\xB5m),s (\xC2\xB5m),\xCE\xB4 (\xC2\xB5m),"
    "T (K),I (mA),I_m (A),V_H (mV),V_\xCF\x83 (mV)\r\n";
const std::string kMark = "\xEF\xBB\xBF";

// The worked example's reading, as the panel shows it.
MeasurementRow Reading() {
    return ExampleReading();
}
const std::string kReadingFields =
    "2026-12-08 22:36:18,1,1.1500,100.00,100.00,10.000,0.50000,10.000,300.00,10.000,5.0000,-283.27,1234.5";

std::string Text(const std::vector<unsigned char>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

CsvDecodeResult Decode(const std::string& bytes, MeasurementLog& log) {
    return DecodeLogCsv(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), log);
}

// A log with a text in every shown column that needs care in a CSV file.
MeasurementLog AwkwardLog() {
    MeasurementLog log;
    log.Append(Reading());
    MeasurementRow row = Reading();
    row.hallFactor = L"1,15";
    row.sampleLength = L"say \"100\"";
    row.sampleWidth = L"\"";
    row.sampleThickness = L"line\r\nbreak";
    row.contactWidth = L"lf\nonly";
    row.contactSpacing = L"cr\ronly";
    row.temperature = L"";
    row.sampleCurrent = L"  spaced  ";
    row.magnetCurrent = L"\u00B5\u03B4\u03C3 \u6E2C\u5B9A";
    row.hallVoltage = L"*****";
    row.sampleVoltage = L"tab\there";
    row.material = 0;
    log.Append(row);
    row = Reading();
    row.material = 100;
    row.time = L"2027-01-01 00:00:00";
    row.temperature = L"\u2212\U0001F600";  // a minus sign and a character beyond U+FFFF
    log.Append(row);
    return log;
}

const char* StatusName(CsvStatus status) {
    switch (status) {
    case CsvStatus::ok: return "ok";
    case CsvStatus::invalidUtf8: return "invalidUtf8";
    case CsvStatus::unterminatedQuote: return "unterminatedQuote";
    case CsvStatus::misplacedQuote: return "misplacedQuote";
    case CsvStatus::strayCarriageReturn: return "strayCarriageReturn";
    case CsvStatus::wrongHeader: return "wrongHeader";
    case CsvStatus::wrongFieldCount: return "wrongFieldCount";
    case CsvStatus::badNumber: return "badNumber";
    case CsvStatus::badTime: return "badTime";
    case CsvStatus::badMaterial: return "badMaterial";
    case CsvStatus::tooManyRows: return "tooManyRows";
    }
    return "?";
}

}  // namespace

TEST(LogCsv, AnEmptyLogIsTheMarkAndTheHeader) {
    EXPECT_EQ(Text(EncodeLogCsv(MeasurementLog())), kMark + kHeader);
}

TEST(LogCsv, RowsAreLinesOfTheShownTexts) {
    MeasurementLog log;
    log.Append(Reading());
    MeasurementRow second = Reading();
    second.material = 0;
    second.hallVoltage = L"*****";
    second.sampleVoltage = L"*****";
    log.Append(second);
    log.Append(Reading());
    log.Remove({0});
    EXPECT_EQ(Text(EncodeLogCsv(log)),
              kMark + kHeader +
                  "2,2026-12-08 22:36:18,0,1.1500,100.00,100.00,10.000,0.50000,10.000,300.00,10.000,5.0000,"
                  "*****,*****\r\n"
                  "3," + kReadingFields + "\r\n");
}

TEST(LogCsv, FieldsAreQuotedOnlyWhenTheyMustBe) {
    const std::string expected =
        kMark + kHeader + "1," + kReadingFields + "\r\n" +
        "2,2026-12-08 22:36:18,0,"
        "\"1,15\","
        "\"say \"\"100\"\"\","
        "\"\"\"\","
        "\"line\r\nbreak\","
        "\"lf\nonly\","
        "\"cr\ronly\","
        ","
        "  spaced  ,"
        "\xC2\xB5\xCE\xB4\xCF\x83 \xE6\xB8\xAC\xE5\xAE\x9A,"
        "*****,"
        "tab\there\r\n"
        "3,2027-01-01 00:00:00,100,1.1500,100.00,100.00,10.000,0.50000,10.000,"
        "\xE2\x88\x92\xF0\x9F\x98\x80,"
        "10.000,5.0000,-283.27,1234.5\r\n";
    EXPECT_EQ(Text(EncodeLogCsv(AwkwardLog())), expected);
}

TEST(LogCsv, EveryFileItWritesReadsBackToTheSameRowsAndBytes) {
    for (const MeasurementLog& log : {MeasurementLog(), AwkwardLog()}) {
        const std::vector<unsigned char> bytes = EncodeLogCsv(log);
        MeasurementLog decoded;
        decoded.Append(Reading());  // replaced whole
        const CsvDecodeResult result = DecodeLogCsv(bytes.data(), bytes.size(), decoded);
        ASSERT_EQ(result.status, CsvStatus::ok) << StatusName(result.status) << " at line " << result.line;
        EXPECT_EQ(result.line, 0u);
        EXPECT_EQ(decoded.rows(), log.rows());
        EXPECT_EQ(EncodeLogCsv(decoded), bytes);
        // Numbering goes on where the file left off.
        EXPECT_EQ(decoded.NextNumber(), log.NextNumber());
    }
}

TEST(LogCsv, ALoneSurrogateIsWrittenAsTheReplacementCharacter) {
    MeasurementLog log;
    MeasurementRow row = Reading();
    row.temperature = std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x" +
                      std::wstring(1, static_cast<wchar_t>(0xDC00));
    log.Append(row);
    const std::vector<unsigned char> bytes = EncodeLogCsv(log);
    const std::string text = Text(bytes);
    EXPECT_NE(text.find(",\xEF\xBF\xBDx\xEF\xBF\xBD,"), std::string::npos);
    // The file stays readable, with the replacement in the text.
    MeasurementLog decoded;
    ASSERT_EQ(DecodeLogCsv(bytes.data(), bytes.size(), decoded).status, CsvStatus::ok);
    EXPECT_EQ(decoded[0].temperature, L"\uFFFDx\uFFFD");
}

TEST(LogCsv, ReadsWhatOtherProgramsMayWriteWhereNothingCanBeMisread) {
    const std::string row1 = "1," + kReadingFields;
    const std::string row2 = "4," + kReadingFields;
    std::string lfHeader = kHeader;
    lfHeader.replace(lfHeader.size() - 2, 2, "\n");
    struct Case {
        const char* what;
        std::string bytes;
        size_t rows;
    } cases[] = {
        {"no bytes at all", "", 0},
        {"the mark alone", kMark, 0},
        {"the header alone", kMark + kHeader, 0},
        {"the header without its line end", kMark + kHeader.substr(0, kHeader.size() - 2), 0},
        {"no byte-order mark", kHeader + row1 + "\r\n", 1},
        {"lines ending in LF", kMark + lfHeader + row1 + "\n" + row2 + "\n", 2},
        {"CR LF and LF mixed", kMark + kHeader + row1 + "\n" + row2 + "\r\n", 2},
        {"the last line without its line end", kMark + kHeader + row1 + "\r\n" + row2, 2},
        {"quoted fields that need no quotes",
         kMark + "\"No.\"," + kHeader.substr(4) + "\"1\",\"2026-12-08 22:36:18\",\"1\"," +
             kReadingFields.substr(22) + "\r\n",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MeasurementLog log;
        log.Append(Reading());
        const CsvDecodeResult result = Decode(c.bytes, log);
        ASSERT_EQ(result.status, CsvStatus::ok) << StatusName(result.status) << " at line " << result.line;
        ASSERT_EQ(log.size(), c.rows);
        for (size_t i = 0; i < log.size(); ++i) {
            MeasurementRow expected = Reading();
            expected.number = i == 0 ? 1 : 4;
            EXPECT_EQ(log[i], expected) << i;
        }
    }
    // Written again, such a file takes the usual form.
    MeasurementLog log;
    ASSERT_EQ(Decode(kHeader + row1 + "\n" + row2, log).status, CsvStatus::ok);
    EXPECT_EQ(Text(EncodeLogCsv(log)), kMark + kHeader + row1 + "\r\n" + row2 + "\r\n");
}

TEST(LogCsv, AFileNotWhollyUnderstoodIsNotTakenAtAll) {
    const std::string good = "1," + kReadingFields + "\r\n";
    const std::string start = kMark + kHeader + good;  // line 2 is good; line 3 is the one tried
    auto line = [&](const std::string& fields) { return start + fields + "\r\n"; };
    auto row = [&](const std::string& number, const std::string& time, const std::string& material) {
        return line(number + "," + time + "," + material + kReadingFields.substr(21));
    };
    const std::string time = "2026-12-08 22:36:18";
    std::string muHeader = kHeader;  // the Greek mu, U+03BC, in place of the micro sign
    muHeader.replace(muHeader.find("\xC2\xB5"), 2, "\xCE\xBC");

    struct Case {
        const char* what;
        std::string bytes;
        CsvStatus status;
        size_t line;
    } cases[] = {
        // Not UTF-8.
        {"a Latin-1 micro sign", start + "1,x\xB5,\r\n", CsvStatus::invalidUtf8, 0},
        {"an overlong slash", start + "\xC0\xAF", CsvStatus::invalidUtf8, 0},
        {"an overlong three-byte form", start + "\xE0\x80\xAF", CsvStatus::invalidUtf8, 0},
        {"an overlong four-byte form", start + "\xF0\x8F\xBF\xBF", CsvStatus::invalidUtf8, 0},
        {"a surrogate", start + "\xED\xA0\x80", CsvStatus::invalidUtf8, 0},
        {"above U+10FFFF", start + "\xF4\x90\x80\x80", CsvStatus::invalidUtf8, 0},
        {"a continuation byte alone", start + "\x80", CsvStatus::invalidUtf8, 0},
        {"a sequence cut by the end", start + "\xE2\x82", CsvStatus::invalidUtf8, 0},
        {"a sequence cut by a comma", start + "\xE2\x82,", CsvStatus::invalidUtf8, 0},
        {"bytes FE and FF", "\xFF\xFE" + kHeader, CsvStatus::invalidUtf8, 0},
        {"UTF-16 with its mark", std::string("\xFF\xFEN\0o\0", 6), CsvStatus::invalidUtf8, 0},
        {"inside a quoted field", start + "\"\xC3\x28\"", CsvStatus::invalidUtf8, 0},
        // Not CSV as RFC 4180 has it.
        {"a quote that never ends", start + "2,\"" + time + ",1\r\n", CsvStatus::unterminatedQuote, 3},
        {"a quote in an unquoted field", line("2,20\"26"), CsvStatus::misplacedQuote, 3},
        {"text after a closing quote", line("2,\"2026\"x"), CsvStatus::misplacedQuote, 3},
        {"a space after a closing quote", line("2,\"2026\" ,1"), CsvStatus::misplacedQuote, 3},
        {"a CR alone inside a line", line("2,a\rb"), CsvStatus::strayCarriageReturn, 3},
        {"a CR alone at the end", start + "2,a\r", CsvStatus::strayCarriageReturn, 3},
        {"CR CR LF", start + "2,a\r\r\n", CsvStatus::strayCarriageReturn, 3},
        // Not this program's CSV.
        {"another header", kMark + "a,b,c\r\n" + good, CsvStatus::wrongHeader, 1},
        {"the Greek mu for the micro sign", kMark + muHeader + good, CsvStatus::wrongHeader, 1},
        {"a header of other case", kMark + "NO." + kHeader.substr(3) + good, CsvStatus::wrongHeader, 1},
        {"a header with a column more", kMark + kHeader.substr(0, kHeader.size() - 2) + ",x\r\n",
         CsvStatus::wrongHeader, 1},
        {"a header with a space more", kMark + " " + kHeader, CsvStatus::wrongHeader, 1},
        {"rows without a header", kMark + good, CsvStatus::wrongHeader, 1},
        {"two byte-order marks", kMark + kMark + kHeader, CsvStatus::wrongHeader, 1},
        {"a field less", line("2," + time + ",1,1.1500"), CsvStatus::wrongFieldCount, 3},
        {"a field more", line("2," + kReadingFields + ",x"), CsvStatus::wrongFieldCount, 3},
        {"a comma at the end", line("2," + kReadingFields + ","), CsvStatus::wrongFieldCount, 3},
        {"an empty line", line("") + good, CsvStatus::wrongFieldCount, 3},
        {"an empty line at the end", start + "\r\n", CsvStatus::wrongFieldCount, 3},
        {"No. 0", row("0", time, "1"), CsvStatus::badNumber, 3},
        {"No. repeated", row("1", time, "1"), CsvStatus::badNumber, 3},
        {"No. falling", start + row("3", time, "1").substr(start.size()) + "2," + kReadingFields,
         CsvStatus::badNumber, 4},
        {"No. negative", row("-2", time, "1"), CsvStatus::badNumber, 3},
        {"No. with a plus", row("+2", time, "1"), CsvStatus::badNumber, 3},
        {"No. with a leading zero", row("02", time, "1"), CsvStatus::badNumber, 3},
        {"No. with a point", row("2.0", time, "1"), CsvStatus::badNumber, 3},
        {"No. with a space", row(" 2", time, "1"), CsvStatus::badNumber, 3},
        {"No. empty", row("", time, "1"), CsvStatus::badNumber, 3},
        {"No. above the highest", row("1000000000", time, "1"), CsvStatus::badNumber, 3},
        {"No. of twenty digits", row("99999999999999999999", time, "1"), CsvStatus::badNumber, 3},
        {"a time without seconds", row("2", "2026-12-08 22:36", "1"), CsvStatus::badTime, 3},
        {"a time as a spreadsheet may write it", row("2", "08.12.2026 22:36", "1"), CsvStatus::badTime, 3},
        {"the 30th of February", row("2", "2026-02-30 22:36:18", "1"), CsvStatus::badTime, 3},
        {"no time", row("2", "", "1"), CsvStatus::badTime, 3},
        {"material 101", row("2", time, "101"), CsvStatus::badMaterial, 3},
        {"material -1", row("2", time, "-1"), CsvStatus::badMaterial, 3},
        {"material 01", row("2", time, "01"), CsvStatus::badMaterial, 3},
        {"material 1.0", row("2", time, "1.0"), CsvStatus::badMaterial, 3},
        {"material empty", row("2", time, ""), CsvStatus::badMaterial, 3},
        {"material 4294967297", row("2", time, "4294967297"), CsvStatus::badMaterial, 3},
    };
    MeasurementLog before;
    before.Append(Reading());
    before.Append(Reading());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MeasurementLog log = before;
        const CsvDecodeResult result = Decode(c.bytes, log);
        EXPECT_EQ(StatusName(result.status), std::string(StatusName(c.status)));
        EXPECT_EQ(result.line, c.line);
        EXPECT_EQ(log.rows(), before.rows());
    }
}

TEST(LogCsv, MoreRowsThanALogHoldsAreNotTaken) {
    std::string bytes = kMark + kHeader;
    std::string fields = "," + kReadingFields + "\r\n";
    for (size_t n = 1; n <= MeasurementLog::kMaxRows; ++n) bytes += std::to_string(n) + fields;
    {
        MeasurementLog log;
        ASSERT_EQ(Decode(bytes, log).status, CsvStatus::ok);
        EXPECT_EQ(log.size(), MeasurementLog::kMaxRows);
    }
    bytes += std::to_string(MeasurementLog::kMaxRows + 1) + fields;
    MeasurementLog log;
    const CsvDecodeResult result = Decode(bytes, log);
    EXPECT_EQ(StatusName(result.status), std::string("tooManyRows"));
    EXPECT_EQ(result.line, MeasurementLog::kMaxRows + 2);
    EXPECT_TRUE(log.empty());
}

TEST(LogTabSeparatedText, TheHeaderAndTheChosenRowsInTheLogsOrder) {
    MeasurementLog log;
    for (int i = 0; i < 4; ++i) {
        MeasurementRow row = Reading();
        row.temperature = std::to_wstring(300 + i);
        log.Append(row);
    }
    const std::wstring header =
        L"No.\tTime\tMaterial\tr_H\tl (\u00B5m)\tw (\u00B5m)\td (\u00B5m)\ts (\u00B5m)\t\u03B4 (\u00B5m)\t"
        L"T (K)\tI (mA)\tI_m (A)\tV_H (mV)\tV_\u03C3 (mV)\r\n";
    auto line = [](int number, int temperature) {
        return std::to_wstring(number) +
               L"\t2026-12-08 22:36:18\t1\t1.1500\t100.00\t100.00\t10.000\t0.50000\t10.000\t" +
               std::to_wstring(temperature) + L"\t10.000\t5.0000\t-283.27\t1234.5\r\n";
    };
    EXPECT_EQ(LogTabSeparatedText(log, {3, 0, 3, 17}), header + line(1, 300) + line(4, 303));
    EXPECT_EQ(LogTabSeparatedText(log, {}), header);
    EXPECT_EQ(LogTabSeparatedText(log, {0, 1, 2, 3}),
              header + line(1, 300) + line(2, 301) + line(3, 302) + line(4, 303));
}

TEST(LogTabSeparatedText, ATextCannotBreakTheTable) {
    MeasurementLog log;
    MeasurementRow row = Reading();
    row.hallFactor = L"a\tb";
    row.sampleLength = L"c\r\nd";
    row.sampleWidth = L"e\nf\rg";
    row.sampleThickness = std::wstring(L"h") + L'\0' + L"i";
    row.contactWidth = L"\"quoted\" start";
    row.contactSpacing = L"middle \"quote\"";
    row.temperature = L"1,5";
    log.Append(row);
    const std::wstring text = LogTabSeparatedText(log, {0});
    const std::wstring expectedRow =
        L"1\t2026-12-08 22:36:18\t1\ta b\tc  d\te f g\th i\t\"\"\"quoted\"\" start\"\tmiddle \"quote\"\t1,5\t"
        L"10.000\t5.0000\t-283.27\t1234.5\r\n";
    ASSERT_GT(text.size(), expectedRow.size());
    EXPECT_EQ(text.substr(text.size() - expectedRow.size()), expectedRow);
    // Two lines of fourteen cells each.
    size_t tabs = 0, lineEnds = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\t') ++tabs;
        if (text[i] == L'\n') ++lineEnds;
        if (text[i] == L'\r') {
            EXPECT_EQ(text[i + 1], L'\n');
        }
        EXPECT_NE(text[i], L'\0');
    }
    EXPECT_EQ(tabs, 2u * (kLogColumnCount - 1));
    EXPECT_EQ(lineEnds, 2u);
}
