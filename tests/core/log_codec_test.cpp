// Tests of the log's CSV file and of its tab-separated text for the
// clipboard. The expected bytes are written out by hand.
#include "measurements/log_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    case CsvStatus::wrongHeader: return "wrongHeader";
    case CsvStatus::wrongFieldCount: return "wrongFieldCount";
    case CsvStatus::badNumber: return "badNumber";
    case CsvStatus::badTime: return "badTime";
    case CsvStatus::badMaterial: return "badMaterial";
    case CsvStatus::textTooLong: return "textTooLong";
    case CsvStatus::tooManyRows: return "tooManyRows";
    case CsvStatus::fileTooLarge: return "fileTooLarge";
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
    std::string crHeader = kHeader;
    crHeader.replace(crHeader.size() - 2, 2, "\r");
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
        // As spreadsheets and editors of some systems write them.
        {"lines ending in CR alone", kMark + crHeader + row1 + "\r" + row2 + "\r", 2},
        {"CR alone, LF and CR LF mixed", kMark + crHeader + row1 + "\n" + row2 + "\r\n", 2},
        {"CR alone, the last line without it", crHeader + row1 + "\r" + row2, 2},
        {"a blank line at the end", kMark + kHeader + row1 + "\r\n" + row2 + "\r\n\r\n", 2},
        {"blank lines at the end, of every line end",
         kMark + kHeader + row1 + "\r\n" + row2 + "\r\n\n\r\r\n\r\n\r", 2},
        {"a blank line after the last line end of CR alone", kMark + crHeader + row1 + "\r" + row2 + "\r\r",
         2},
        {"the header and a blank line", kMark + kHeader + "\r\n", 0},
        {"the header and blank lines of LF", kMark + lfHeader + "\n\n", 0},
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
        EXPECT_FALSE(result.tornTail);
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
    ASSERT_EQ(Decode(crHeader + row1 + "\r" + row2 + "\r\r\n\r\n", log).status, CsvStatus::ok);
    EXPECT_EQ(Text(EncodeLogCsv(log)), kMark + kHeader + row1 + "\r\n" + row2 + "\r\n");
}

// A file that does not start with the log's header is some other file: none
// of it is taken.
TEST(LogCsv, AFileNotWhollyUnderstoodIsNotTakenAtAll) {
    const std::string good = "1," + kReadingFields + "\r\n";
    std::string muHeader = kHeader;  // the Greek mu, U+03BC, in place of the micro sign
    muHeader.replace(muHeader.find("\xC2\xB5"), 2, "\xCE\xBC");

    struct Case {
        const char* what;
        std::string bytes;
        CsvStatus status;
        size_t line;
    } cases[] = {
        // Not UTF-8 where the header should be.
        {"bytes FE and FF", "\xFF\xFE" + kHeader, CsvStatus::invalidUtf8, 0},
        {"UTF-16 with its mark", std::string("\xFF\xFEN\0o\0", 6), CsvStatus::invalidUtf8, 0},
        {"a character cut in the header", kMark + kHeader.substr(0, 26), CsvStatus::invalidUtf8, 0},
        {"a Latin-1 micro sign in the header", "No.,Time,Material,r_H,l (\xB5m)\r\n" + good,
         CsvStatus::invalidUtf8, 0},
        // Not this program's CSV.
        {"another header", kMark + "a,b,c\r\n" + good, CsvStatus::wrongHeader, 1},
        {"the Greek mu for the micro sign", kMark + muHeader + good, CsvStatus::wrongHeader, 1},
        {"a header of other case", kMark + "NO." + kHeader.substr(3) + good, CsvStatus::wrongHeader, 1},
        {"a header with a column more", kMark + kHeader.substr(0, kHeader.size() - 2) + ",x\r\n",
         CsvStatus::wrongHeader, 1},
        {"a header with a space more", kMark + " " + kHeader, CsvStatus::wrongHeader, 1},
        {"rows without a header", kMark + good, CsvStatus::wrongHeader, 1},
        {"two byte-order marks", kMark + kMark + kHeader, CsvStatus::wrongHeader, 1},
        {"a quote in the header", kMark + "\"No.\"x" + kHeader.substr(3) + good, CsvStatus::misplacedQuote,
         1},
        {"a header whose quote never ends", kMark + "\"No." + kHeader.substr(3) + good,
         CsvStatus::unterminatedQuote, 1},
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
        EXPECT_EQ(result.leftOut, 0u);
        EXPECT_EQ(log.rows(), before.rows());
    }
}

// One damaged line hides no other row: a log of 13,496 rows with one field
// missing from one line came up empty. Each line that cannot be read as a row
// is left out, the result says which and why, and every other row is taken.
TEST(LogCsv, ADamagedLineIsLeftOutAndEveryOtherRowIsTaken) {
    const std::string good = "1," + kReadingFields + "\r\n";
    const std::string start = kMark + kHeader + good;  // line 2 is good; line 3 is the one tried
    auto line = [&](const std::string& fields) { return start + fields + "\r\n"; };
    auto row = [&](const std::string& number, const std::string& time, const std::string& material) {
        return line(number + "," + time + "," + material + kReadingFields.substr(21));
    };
    const std::string time = "2026-12-08 22:36:18";
    using Lines = std::vector<size_t>;
    using Numbers = std::vector<int>;

    struct Case {
        const char* what;
        std::string bytes;
        CsvStatus status;  // why the first line left out is
        Lines lines;       // the lines left out
        Numbers kept;      // the numbers of the rows taken
    } cases[] = {
        // Not UTF-8.
        {"a Latin-1 micro sign", start + "1,x\xB5,\r\n", CsvStatus::invalidUtf8, {3}, {1}},
        {"an overlong slash", start + "\xC0\xAF", CsvStatus::invalidUtf8, {3}, {1}},
        {"an overlong three-byte form", start + "\xE0\x80\xAF", CsvStatus::invalidUtf8, {3}, {1}},
        {"an overlong four-byte form", start + "\xF0\x8F\xBF\xBF", CsvStatus::invalidUtf8, {3}, {1}},
        {"a surrogate", start + "\xED\xA0\x80", CsvStatus::invalidUtf8, {3}, {1}},
        {"above U+10FFFF", start + "\xF4\x90\x80\x80", CsvStatus::invalidUtf8, {3}, {1}},
        {"a continuation byte alone", start + "\x80", CsvStatus::invalidUtf8, {3}, {1}},
        {"a sequence cut by the end", start + "\xE2\x82", CsvStatus::invalidUtf8, {3}, {1}},
        {"a sequence cut by a comma", start + "\xE2\x82,", CsvStatus::invalidUtf8, {3}, {1}},
        {"inside a quoted field", start + "\"\xC3\x28\"", CsvStatus::invalidUtf8, {3}, {1}},
        {"in a row between rows",
         start + "2,x\xB5," + kReadingFields.substr(21) + "\r\n3," + kReadingFields,
         CsvStatus::invalidUtf8,
         {3},
         {1, 3}},
        // Not CSV as RFC 4180 has it.
        {"a quote that never ends", start + "2,\"" + time + ",1\r\n", CsvStatus::unterminatedQuote, {3}, {1}},
        {"a quote in an unquoted field", line("2,20\"26"), CsvStatus::misplacedQuote, {3}, {1}},
        {"text after a closing quote", line("2,\"2026\"x"), CsvStatus::misplacedQuote, {3}, {1}},
        {"a space after a closing quote", line("2,\"2026\" ,1"), CsvStatus::misplacedQuote, {3}, {1}},
        // A quote opened in a damaged line takes no line after it along.
        {"a quote that never ends, then rows",
         start + "2,\"" + time + ",1\r\n3," + kReadingFields + "\r\n4," + kReadingFields + "\r\n",
         CsvStatus::unterminatedQuote,
         {3},
         {1, 3, 4}},
        {"a stray quote, then rows",
         line("2,20\"26") + "3," + kReadingFields + "\r\n",
         CsvStatus::misplacedQuote,
         {3},
         {1, 3}},
        // Not this program's rows.
        {"a field less", line("2," + time + ",1,1.1500"), CsvStatus::wrongFieldCount, {3}, {1}},
        {"a field more", line("2," + kReadingFields + ",x"), CsvStatus::wrongFieldCount, {3}, {1}},
        {"a comma at the end", line("2," + kReadingFields + ","), CsvStatus::wrongFieldCount, {3}, {1}},
        {"an empty line, then the first row again", line("") + good, CsvStatus::wrongFieldCount, {3, 4}, {1}},
        // A CR alone ends a line, which leaves the line before it short.
        {"a CR alone inside a line", line("2,a\rb"), CsvStatus::wrongFieldCount, {3, 4}, {1}},
        {"a CR alone at the end", start + "2,a\r", CsvStatus::wrongFieldCount, {3}, {1}},
        {"CR CR LF", start + "2,a\r\r\n", CsvStatus::wrongFieldCount, {3}, {1}},
        // Blank lines are no rows only at the end of the file.
        {"a blank line of CR alone",
         start + "\r2," + kReadingFields,
         CsvStatus::wrongFieldCount,
         {3},
         {1, 2}},
        {"a blank line between rows of CR alone",
         kMark + kHeader + "1," + kReadingFields + "\r\r" + good,
         CsvStatus::wrongFieldCount,
         {3, 4},
         {1}},
        // A last line without its line end that is not the start of a row cut short.
        {"a note after the last row", start + "checked by the teacher", CsvStatus::wrongFieldCount, {3}, {1}},
        {"a number that does not rise", start + "1,2026-12-08", CsvStatus::wrongFieldCount, {3}, {1}},
        {"a time that can never be one",
         start + "2,2026-02-30 22:36:18,1",
         CsvStatus::wrongFieldCount,
         {3},
         {1}},
        {"a time of another form, cut", start + "2,08.12.2026 2", CsvStatus::wrongFieldCount, {3}, {1}},
        {"material 101, cut", start + "2," + time + ",101,1.15", CsvStatus::wrongFieldCount, {3}, {1}},
        {"a number with a leading zero, cut", start + "02", CsvStatus::wrongFieldCount, {3}, {1}},
        {"a quoted number, cut", start + "\"2", CsvStatus::unterminatedQuote, {3}, {1}},
        {"a field more, cut", start + "2," + kReadingFields + ",x", CsvStatus::wrongFieldCount, {3}, {1}},
        {"a whole row with a wrong time",
         start + "2,2026-02-30 22:36:18,1" + kReadingFields.substr(21),
         CsvStatus::badTime,
         {3},
         {1}},
        {"a quote in the text, cut", start + "2," + time + ",1,1.1\"5", CsvStatus::misplacedQuote, {3}, {1}},
        {"a character cut where a line starts", start + "\xC2", CsvStatus::invalidUtf8, {3}, {1}},
        {"a character cut in a time", start + "2,2026-12-08 22:\xE2\x82", CsvStatus::invalidUtf8, {3}, {1}},
        {"a character cut after blank lines", start + "\r\n\xCE", CsvStatus::wrongFieldCount, {3, 4}, {1}},
        // Numbers: where they do not rise, as few rows as can be are left out.
        {"No. 0", row("0", time, "1"), CsvStatus::badNumber, {3}, {1}},
        {"No. repeated", row("1", time, "1"), CsvStatus::badNumber, {3}, {1}},
        {"No. falling",
         start + row("3", time, "1").substr(start.size()) + "2," + kReadingFields,
         CsvStatus::badNumber,
         {3},
         {1, 2}},
        {"a number spoilt into a large one",
         row("2", time, "1") + "30," + kReadingFields + "\r\n3," + kReadingFields + "\r\n4," +
             kReadingFields + "\r\n",
         CsvStatus::badNumber,
         {4},
         {1, 2, 3, 4}},
        {"No. negative", row("-2", time, "1"), CsvStatus::badNumber, {3}, {1}},
        {"No. with a plus", row("+2", time, "1"), CsvStatus::badNumber, {3}, {1}},
        {"No. with a leading zero", row("02", time, "1"), CsvStatus::badNumber, {3}, {1}},
        {"No. with a point", row("2.0", time, "1"), CsvStatus::badNumber, {3}, {1}},
        {"No. with a space", row(" 2", time, "1"), CsvStatus::badNumber, {3}, {1}},
        {"No. empty", row("", time, "1"), CsvStatus::badNumber, {3}, {1}},
        {"No. above the highest", row("1000000000", time, "1"), CsvStatus::badNumber, {3}, {1}},
        {"No. of twenty digits", row("99999999999999999999", time, "1"), CsvStatus::badNumber, {3}, {1}},
        {"a time without seconds", row("2", "2026-12-08 22:36", "1"), CsvStatus::badTime, {3}, {1}},
        {"a time as a spreadsheet may write it",
         row("2", "08.12.2026 22:36", "1"),
         CsvStatus::badTime,
         {3},
         {1}},
        {"the 30th of February", row("2", "2026-02-30 22:36:18", "1"), CsvStatus::badTime, {3}, {1}},
        {"no time", row("2", "", "1"), CsvStatus::badTime, {3}, {1}},
        {"material 101", row("2", time, "101"), CsvStatus::badMaterial, {3}, {1}},
        {"material -1", row("2", time, "-1"), CsvStatus::badMaterial, {3}, {1}},
        {"material 01", row("2", time, "01"), CsvStatus::badMaterial, {3}, {1}},
        {"material 1.0", row("2", time, "1.0"), CsvStatus::badMaterial, {3}, {1}},
        {"material empty", row("2", time, ""), CsvStatus::badMaterial, {3}, {1}},
        {"material 4294967297", row("2", time, "4294967297"), CsvStatus::badMaterial, {3}, {1}},
    };
    MeasurementLog before;
    before.Append(Reading());
    before.Append(Reading());
    before.Append(Reading());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MeasurementLog log = before;
        const CsvDecodeResult result = Decode(c.bytes, log);
        EXPECT_EQ(StatusName(result.status), std::string("ok"));
        EXPECT_EQ(StatusName(result.leftOutStatus), std::string(StatusName(c.status)));
        EXPECT_EQ(result.leftOut, c.lines.size());
        EXPECT_EQ(Lines(result.leftOutLines, result.leftOutLines + result.listedLines()), c.lines);
        EXPECT_FALSE(result.tornTail);
        // Written again whole, never appended to as it is.
        EXPECT_FALSE(result.appendable);
        Numbers numbers;
        for (const MeasurementRow& kept : log.rows()) {
            numbers.push_back(kept.number);
            MeasurementRow expected = Reading();
            expected.number = kept.number;
            EXPECT_EQ(kept, expected);
        }
        EXPECT_EQ(numbers, c.kept);
        EXPECT_EQ(log.HighestNumber(), c.kept.back());
        EXPECT_EQ(log.fileSize(), EncodeLogCsv(log).size());
    }

    // The first few lines left out are named, in the file's order, and all counted.
    std::string many = start;
    for (int n = 2; n <= 40; ++n) {
        many += std::to_string(n) + "," +
                (n % 3 == 0 ? std::string("yesterday,1") + kReadingFields.substr(21) : kReadingFields) +
                "\r\n";
    }
    many += "41," + time + ",1\r\n";  // a field less, at line 42
    MeasurementLog log;
    const CsvDecodeResult result = Decode(many, log);
    ASSERT_EQ(result.status, CsvStatus::ok);
    EXPECT_EQ(result.leftOut, 14u);  // 3, 6, ... 39 at lines 4, 7, ... 40, and line 42
    EXPECT_EQ(StatusName(result.leftOutStatus), std::string("badTime"));
    EXPECT_EQ(Lines(result.leftOutLines, result.leftOutLines + result.listedLines()),
              (Lines{4, 7, 10, 13, 16}));
    EXPECT_EQ(log.size(), 27u);
    EXPECT_EQ(log.rows().back().number, 40);

    // A row cut short at the end is a torn tail, not a damaged line.
    const CsvDecodeResult torn = Decode(start + "\r\n2,2026-12", log);
    EXPECT_TRUE(torn.tornTail);
    EXPECT_EQ(torn.line, 4u);
    EXPECT_EQ(torn.leftOut, 1u);
    EXPECT_EQ(torn.leftOutLines[0], 3u);
    EXPECT_EQ(log.size(), 1u);
}

// A crash in the middle of writing a row's line leaves its beginning at the
// end of the file: the rows before it are the log, whatever byte the cut fell
// on (in a character, in a quoted text, in the quoted text's own line end).
TEST(LogCsv, ARowCutShortByTheEndOfTheFileIsLeftOutAndTheRowsBeforeItAreTheLog) {
    const MeasurementLog earlier = AwkwardLog();
    MeasurementLog whole = earlier;
    MeasurementRow last = Reading();
    last.time = L"2027-01-01 12:00:00";
    last.hallFactor = L"\U0001F600\u00B5";   // four bytes and two in UTF-8
    last.sampleLength = L"two\r\nlines";    // quoted, with a line end of its own
    last.contactSpacing = L"\u6E2C\u5B9A";  // three bytes each
    last.hallVoltage = L"say \"hi\"";
    last.sampleVoltage = L"1,5";  // quoted to the end of the line
    ASSERT_EQ(whole.Append(last), 4);
    const std::string before = Text(EncodeLogCsv(earlier));
    const std::string line = Text(EncodeLogLines(whole, 3));
    ASSERT_EQ(Text(EncodeLogCsv(whole)), before + line);

    for (size_t cut = 1; cut < line.size(); ++cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut) + " of " + std::to_string(line.size()) + " bytes");
        MeasurementLog log;
        log.Append(Reading());  // replaced whole
        const CsvDecodeResult result = Decode(before + line.substr(0, cut), log);
        ASSERT_EQ(StatusName(result.status), std::string("ok"));
        if (cut >= line.size() - 2) {
            // All but the line end, or all but its LF (a CR alone ends a line):
            // the row is whole.
            EXPECT_FALSE(result.tornTail);
            EXPECT_EQ(result.line, 0u);
            EXPECT_EQ(log.rows(), whole.rows());
            EXPECT_EQ(result.appendable, cut == line.size() - 1);
        } else if (cut == line.size() - 7) {
            // Cut just before the last text: a line that reads as a row is one,
            // with its last text empty.
            EXPECT_FALSE(result.tornTail);
            ASSERT_EQ(log.size(), whole.size());
            MeasurementRow shortened = last;
            shortened.number = 4;
            shortened.sampleVoltage.clear();
            EXPECT_EQ(log[3], shortened);
            EXPECT_FALSE(result.appendable);
        } else {
            EXPECT_TRUE(result.tornTail);
            EXPECT_EQ(result.line, 5u);
            EXPECT_EQ(log.rows(), earlier.rows());
            EXPECT_EQ(log.NextNumber(), 4);
            EXPECT_FALSE(result.appendable);
        }
    }
    // The same with lines of LF alone, and with CR alone.
    for (const char* lineEnd : {"\n", "\r"}) {
        auto ends = [&](std::string text) {
            for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 1))
                text.replace(at, 2, lineEnd);
            return text;
        };
        MeasurementLog expected;
        ASSERT_EQ(StatusName(Decode(ends(before), expected).status), std::string("ok"));
        ASSERT_EQ(expected.size(), earlier.size());
        for (size_t cut : {size_t{1}, size_t{20}, size_t{70}, line.size() - 3}) {
            SCOPED_TRACE(std::string(lineEnd == std::string("\n") ? "LF" : "CR") + ", cut after " +
                         std::to_string(cut));
            MeasurementLog log;
            const CsvDecodeResult result = Decode(ends(before) + ends(line.substr(0, cut)), log);
            ASSERT_EQ(StatusName(result.status), std::string("ok"));
            EXPECT_TRUE(result.tornTail);
            EXPECT_EQ(log.rows(), expected.rows());
        }
    }
}

// Whether the file layer may add the lines of new rows to a file as it is,
// or must write it again whole first.
TEST(LogCsv, AFileThatEndsWithALineEndTakesNewLinesAsItIs) {
    const MeasurementLog earlier = AwkwardLog();
    MeasurementLog whole = earlier;
    ASSERT_NE(whole.Append(Reading()), 0);
    ASSERT_NE(whole.Append(Reading()), 0);
    const std::string added = Text(EncodeLogLines(whole, earlier.size()));
    const std::string file = Text(EncodeLogCsv(earlier));
    const std::string noMark = file.substr(3);
    std::string lf = file;
    for (size_t at = lf.find("\r\n"); at != std::string::npos; at = lf.find("\r\n", at + 1)) {
        lf.replace(at, 2, "\n");
    }
    struct Case {
        const char* what;
        std::string bytes;
        bool appendable;
    } cases[] = {
        {"as the log writes it", file, true},
        {"without the byte-order mark", noMark, true},
        {"with lines of LF", lf, true},
        {"the header alone", Text(EncodeLogHeader()), true},
        {"the last row without its line end", file.substr(0, file.size() - 2), false},
        {"the last row with CR alone", file.substr(0, file.size() - 1), true},
        {"a blank line at the end", file + "\r\n", false},
        {"a torn tail", file + "5,2026", false},
        {"no bytes", "", false},
        {"the mark alone", kMark, false},
        {"the header without its line end", Text(EncodeLogHeader()).substr(0, LogHeaderSize() - 2), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MeasurementLog log;
        const CsvDecodeResult result = Decode(c.bytes, log);
        ASSERT_EQ(StatusName(result.status), std::string("ok"));
        EXPECT_EQ(result.appendable, c.appendable);
        if (!c.appendable) continue;
        // Appended to such a file, the new lines read back as the rows they hold.
        std::vector<MeasurementRow> expected = log.rows();
        expected.insert(expected.end(), whole.rows().begin() + static_cast<std::ptrdiff_t>(earlier.size()),
                        whole.rows().end());
        MeasurementLog longer;
        ASSERT_EQ(StatusName(Decode(c.bytes + added, longer).status), std::string("ok"));
        EXPECT_EQ(longer.rows(), expected);
    }
}

TEST(LogCsv, HeaderAndLinesMakeTheWholeFileAndTheLogKnowsItsSize) {
    MeasurementLog log = AwkwardLog();
    auto check = [&](const char* what) {
        SCOPED_TRACE(what);
        const std::vector<unsigned char> file = EncodeLogCsv(log);
        EXPECT_EQ(file.size(), log.fileSize());
        const std::string header = Text(EncodeLogHeader());
        EXPECT_EQ(header.size(), LogHeaderSize());
        // The header, the rows before a row, and that row's lines on.
        std::string before = header;
        for (size_t i = 0; i < log.size(); ++i) {
            const std::string lines = Text(EncodeLogLines(log, i));
            EXPECT_EQ(before + lines, Text(file)) << i;
            const size_t lineSize = lines.size() - EncodeLogLines(log, i + 1).size();
            EXPECT_EQ(LogLineSize(log[i]), lineSize) << i;
            before += lines.substr(0, lineSize);
        }
        EXPECT_EQ(before, Text(file));
        EXPECT_TRUE(EncodeLogLines(log, log.size()).empty());
    };
    check("appended");
    log.Remove({1});
    check("a row removed");
    MeasurementRow row = Reading();
    row.hallVoltage = L"\u6E2C,\"\U0001F600\"";
    ASSERT_NE(log.Append(row), 0);
    check("one more appended");
    MeasurementLog decoded;
    const std::vector<unsigned char> file = EncodeLogCsv(log);
    ASSERT_EQ(DecodeLogCsv(file.data(), file.size(), decoded).status, CsvStatus::ok);
    log = decoded;
    check("decoded");
    std::vector<MeasurementRow> rows = log.rows();
    rows.pop_back();
    ASSERT_TRUE(log.Assign(rows));
    check("assigned");
    log.Clear();
    check("cleared");
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
    EXPECT_EQ(StatusName(result.status), std::string("ok"));
    EXPECT_EQ(StatusName(result.leftOutStatus), std::string("tooManyRows"));
    EXPECT_EQ(result.leftOut, 1u);
    EXPECT_EQ(result.leftOutLines[0], MeasurementLog::kMaxRows + 2);
    EXPECT_EQ(log.size(), MeasurementLog::kMaxRows);
    EXPECT_EQ(log.rows().back().number, static_cast<int>(MeasurementLog::kMaxRows));
}

// A text in any column: as long as a field holds, or a unit longer.
TEST(LogCsv, TextsLongerThanAFieldHoldsAreNotTaken) {
    const size_t limit = MeasurementLog::kMaxFieldLength;
    // Three bytes each in UTF-8, four for two units, and quotes written twice.
    const std::string measure = "\xE6\xB8\xAC";
    const std::string wide = "\xF0\x9F\x98\x80";
    auto times = [](const std::string& unit, size_t count) {
        std::string text;
        for (size_t i = 0; i < count; ++i) text += unit;
        return text;
    };
    const std::string longest[] = {
        std::string(limit, '7'),
        times(measure, limit),
        times(wide, limit / 2),
        "\"" + times("\"\"", limit) + "\"",
        "\"" + std::string(limit - 2, '\n') + "\r\n\"",
    };
    const std::string tooLong[] = {
        std::string(limit + 1, '7'),
        times(measure, limit + 1),
        times(wide, limit / 2) + "7",
        "\"" + times("\"\"", limit + 1) + "\"",
        "\"" + std::string(limit - 1, '\n') + "\r\n\"",
    };
    auto file = [](const std::string& text, int column) {
        std::string fields = "1,2026-12-08 22:36:18,1";
        for (int c = kLogHallFactor; c < kLogColumnCount; ++c) fields += "," + (c == column ? text : "1");
        return kMark + kHeader + "1," + kReadingFields + "\r\n" + "2" + fields.substr(1) + "\r\n";
    };
    for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
        for (const std::string& text : longest) {
            SCOPED_TRACE("as long as a field holds, " + std::to_string(text.size()) + " bytes in column " +
                         std::to_string(column));
            MeasurementLog log;
            ASSERT_EQ(StatusName(Decode(file(text, column), log).status), std::string("ok"));
            ASSERT_EQ(log.size(), 2u);
            EXPECT_TRUE(MeasurementLog::IsValidRow(log[1]));
            // Written again and read back, the same.
            const std::vector<unsigned char> bytes = EncodeLogCsv(log);
            MeasurementLog again;
            ASSERT_EQ(DecodeLogCsv(bytes.data(), bytes.size(), again).status, CsvStatus::ok);
            EXPECT_EQ(again.rows(), log.rows());
        }
        for (const std::string& text : tooLong) {
            SCOPED_TRACE("longer, " + std::to_string(text.size()) + " bytes in column " +
                         std::to_string(column));
            MeasurementLog log;
            const CsvDecodeResult result = Decode(file(text, column), log);
            EXPECT_EQ(StatusName(result.status), std::string("ok"));
            EXPECT_EQ(StatusName(result.leftOutStatus), std::string("textTooLong"));
            EXPECT_EQ(result.leftOut, 1u);
            EXPECT_EQ(result.leftOutLines[0], 3u);
            ASSERT_EQ(log.size(), 1u);
            EXPECT_EQ(log[0].number, 1);
        }
    }
}

// The writer never makes a file its reader refuses: the log takes rows up to
// the largest file the reader reads (next test), and no further.
TEST(LogCsv, TheLogStopsAtTheLargestFileItsReaderReads) {
    const size_t limit = MeasurementLog::kMaxFileSize;
    MeasurementRow big = Reading();
    for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
        *ShownText(big, column) = std::wstring(MeasurementLog::kMaxFieldLength, L'\u6E2C');  // 3 bytes each
    }
    // Far fewer rows than a log holds make the largest file.
    MeasurementLog log;
    for (int i = 0; i < 3000 && log.Append(big) != 0; ++i) {
    }
    EXPECT_EQ(log.Refusal(big), LogRefusal::fileFull);
    EXPECT_LE(log.fileSize(), limit);
    EXPECT_GT(log.fileSize() + LogLineSize(big, log.NextNumber()), limit);
    // Shorter rows fill the rest.
    const MeasurementRow small = Reading();
    for (int i = 0; i < 1000 && log.Append(small) != 0; ++i) {
    }
    EXPECT_EQ(log.Refusal(small), LogRefusal::fileFull);
    EXPECT_GT(log.fileSize() + LogLineSize(small, log.NextNumber()), limit);
    EXPECT_LT(log.size(), MeasurementLog::kMaxRows);
    EXPECT_EQ(EncodeLogCsv(log).size(), log.fileSize());

    // Removing a row makes room again; clearing makes it all.
    log.Remove({0});
    EXPECT_EQ(log.Refusal(big), LogRefusal::none);
    log.Clear();
    EXPECT_EQ(log.fileSize(), LogHeaderSize());
}

// A file as large as the largest the log makes is read, to its last byte; a
// byte more is not read at all, whatever it holds.
TEST(LogCsv, AFileAsLargeAsTheLargestIsReadAndAByteMoreIsNot) {
    const size_t limit = MeasurementLog::kMaxFileSize;
    std::string longest;
    for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
        longest += ",";
        for (size_t i = 0; i < MeasurementLog::kMaxFieldLength; ++i) longest += "\xE6\xB8\xAC";
    }
    const std::string start = ",2026-12-08 22:36:18,1";
    const std::string reading = "," + kReadingFields.substr(22);
    std::string file = kMark + kHeader;
    size_t rows = 0;
    auto add = [&](const std::string& texts) { file += std::to_string(++rows) + start + texts + "\r\n"; };
    // Rows of the longest texts, then readings, then one row whose last text
    // takes the bytes that are left.
    while (file.size() + 2 * longest.size() < limit) add(longest);
    while (file.size() + 2 * (reading.size() + 30) < limit) add(reading);
    const size_t padding = limit - file.size() - (std::to_string(rows + 1) + start + reading + "\r\n").size();
    add(reading + std::string(padding, '7'));
    ASSERT_EQ(file.size(), limit);

    MeasurementLog log;
    CsvDecodeResult result = Decode(file, log);
    ASSERT_EQ(StatusName(result.status), std::string("ok"));
    EXPECT_EQ(log.size(), rows);
    EXPECT_EQ(log.fileSize(), limit);
    EXPECT_EQ(log[rows - 1].sampleVoltage, L"1234.5" + std::wstring(padding, L'7'));
    EXPECT_EQ(log.Refusal(Reading()), LogRefusal::fileFull);

    // Here the bytes more are a blank line, which at the end of a file is no row.
    file += "\n";
    MeasurementLog other;
    other.Append(Reading());
    result = Decode(file, other);
    EXPECT_EQ(StatusName(result.status), std::string("fileTooLarge"));
    EXPECT_EQ(result.line, 0u);
    EXPECT_EQ(other.size(), 1u);
}

// Nor are rows taken whose file, written again, would be larger than the
// largest: with lines of LF alone and no mark a file is smaller than the one
// the log writes for its rows.
TEST(LogCsv, RowsThatWouldMakeALargerFileThanTheLargestAreNotTaken) {
    const size_t limit = MeasurementLog::kMaxFileSize;
    std::string texts;
    for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
        texts += ",";
        for (size_t i = 0; i < MeasurementLog::kMaxFieldLength; ++i) texts += "\xE6\xB8\xAC";
    }
    std::string lf = kHeader.substr(0, kHeader.size() - 2) + "\n";
    size_t written = kMark.size() + kHeader.size();  // as the log writes it
    size_t tooLarge = 0;                             // the line that takes it beyond the largest
    for (size_t number = 1;; ++number) {
        // Rows of the longest texts, then readings to fill the rest.
        const bool longest = lf.size() + texts.size() + 100 < limit;
        const std::string line = std::to_string(number) + ",2026-12-08 22:36:18,1" +
                                 (longest ? texts : "," + kReadingFields.substr(22)) + "\n";
        if (lf.size() + line.size() > limit) break;
        lf += line;
        written += line.size() + 1;
        if (written > limit && tooLarge == 0) tooLarge = number + 1;
    }
    ASSERT_NE(tooLarge, 0u);
    const size_t rows = std::count(lf.begin(), lf.end(), '\n') - 1;
    MeasurementLog log;
    const CsvDecodeResult result = Decode(lf, log);
    EXPECT_EQ(StatusName(result.status), std::string("ok"));
    // The rows up to the largest file are taken, the rest left out.
    EXPECT_EQ(StatusName(result.leftOutStatus), std::string("fileTooLarge"));
    EXPECT_EQ(result.leftOutLines[0], tooLarge);
    EXPECT_EQ(log.size(), tooLarge - 2);
    EXPECT_EQ(result.leftOut, rows - log.size());
    EXPECT_LE(log.fileSize(), limit);
    EXPECT_EQ(EncodeLogCsv(log).size(), log.fileSize());
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
