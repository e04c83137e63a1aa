// Tests of the log's rows: numbering, removal, the checks on what a row may
// hold, and each cell as text and as a number.
#include "measurements/measurement_log.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/core/example_reading.h"

namespace {

MeasurementRow Reading(const std::wstring& temperature, const std::wstring& hallVoltage = L"-283.27") {
    MeasurementRow row = ExampleReading();
    row.temperature = temperature;
    row.hallVoltage = hallVoltage;
    return row;
}

std::vector<int> Numbers(const MeasurementLog& log) {
    std::vector<int> numbers;
    for (const MeasurementRow& row : log.rows()) numbers.push_back(row.number);
    return numbers;
}

std::vector<std::wstring> Temperatures(const MeasurementLog& log) {
    std::vector<std::wstring> texts;
    for (const MeasurementRow& row : log.rows()) texts.push_back(row.temperature);
    return texts;
}

MeasurementLog LogOf(int count) {
    MeasurementLog log;
    for (int i = 0; i < count; ++i) log.Append(Reading(std::to_wstring(300 + i)));
    return log;
}

}  // namespace

TEST(MeasurementLog, ColumnTitlesAreTheFileHeaderWithTheirUnits) {
    const std::wstring expected[kLogColumnCount] = {
        L"No.",           L"Time",          L"Material",      L"r_H",          L"l (\u00B5m)",
        L"w (\u00B5m)",   L"d (\u00B5m)",   L"s (\u00B5m)",   L"\u03B4 (\u00B5m)", L"T (K)",
        L"I (mA)",        L"I_m (A)",       L"V_H (mV)",      L"V_\u03C3 (mV)",
    };
    for (int column = 0; column < kLogColumnCount; ++column) {
        EXPECT_EQ(kLogColumnTitles[column], expected[column]) << "column " << column;
    }
}

TEST(MeasurementLog, AppendNumbersFromOneAndIgnoresTheNumberGiven) {
    MeasurementLog log;
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(log.NextNumber(), 1);
    MeasurementRow row = Reading(L"300.00");
    row.number = 57;
    EXPECT_EQ(log.Append(row), 1);
    EXPECT_EQ(log.Append(Reading(L"310.00")), 2);
    EXPECT_EQ(log.Append(Reading(L"320.00")), 3);
    EXPECT_EQ(Numbers(log), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Temperatures(log), (std::vector<std::wstring>{L"300.00", L"310.00", L"320.00"}));
    EXPECT_EQ(log[0].hallVoltage, L"-283.27");
    EXPECT_EQ(log.NextNumber(), 4);
}

TEST(MeasurementLog, RemovingKeepsTheNumbersOfTheRowsLeft) {
    MeasurementLog log = LogOf(6);  // numbers 1..6, temperatures 300..305
    // Any order, repeats and indices past the end.
    EXPECT_EQ(log.Remove({4, 1, 4, 99, 6}), 2u);
    EXPECT_EQ(Numbers(log), (std::vector<int>{1, 3, 4, 6}));
    EXPECT_EQ(Temperatures(log), (std::vector<std::wstring>{L"300", L"302", L"303", L"305"}));
    // Numbering goes on above the last row.
    EXPECT_EQ(log.Append(Reading(L"400")), 7);

    EXPECT_EQ(log.Remove({}), 0u);
    EXPECT_EQ(log.Remove({5, 7}), 0u);
    EXPECT_EQ(log.size(), 5u);

    // Removing the last rows gives none of their numbers again: "Reading 7"
    // in a student's notes never names another reading.
    EXPECT_EQ(log.Remove({3, 4}), 2u);
    EXPECT_EQ(Numbers(log), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(log.HighestNumber(), 7);
    EXPECT_EQ(log.Append(Reading(L"500")), 8);

    EXPECT_EQ(log.Remove({0, 1, 2, 3}), 4u);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(log.NextNumber(), 9);
    EXPECT_EQ(log.Append(Reading(L"600")), 9);
}

// A number once given is given to no other reading: not after Clear, not
// after the rows are replaced, and not after a restart, where the numbers a
// file beside the log remembers come back through RaiseHighestNumber.
TEST(MeasurementLog, ANumberOnceGivenIsNeverGivenAgain) {
    MeasurementLog log = LogOf(3);
    log.Clear();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(log.HighestNumber(), 3);
    EXPECT_EQ(log.Append(Reading(L"300")), 4);

    // Rows put back under their own numbers take none of the later ones back.
    MeasurementRow second = Reading(L"301");
    second.number = 2;
    EXPECT_TRUE(log.Assign({second}));
    EXPECT_EQ(log.HighestNumber(), 4);
    EXPECT_EQ(log.Append(Reading(L"302")), 5);
    EXPECT_TRUE(log.Assign({}));
    EXPECT_EQ(log.Append(Reading(L"303")), 6);

    // A log read again from a file holding rows up to 2, where 62 had been
    // given before the last rows were deleted.
    MeasurementLog again;
    ASSERT_TRUE(again.Assign({second}));
    EXPECT_EQ(again.NextNumber(), 3);
    again.RaiseHighestNumber(62);
    again.RaiseHighestNumber(40);  // lower: nothing changes
    EXPECT_EQ(again.HighestNumber(), 62);
    EXPECT_EQ(again.Append(Reading(L"304")), 63);

    // Every number given: nothing more is recorded, even in an empty log.
    MeasurementLog used;
    used.RaiseHighestNumber(MeasurementLog::kMaxNumber);
    EXPECT_EQ(used.NextNumber(), 0);
    EXPECT_EQ(used.Refusal(Reading(L"305")), LogRefusal::numbersUsed);
    EXPECT_EQ(used.Append(Reading(L"305")), 0);
    EXPECT_TRUE(used.empty());

    // Only a new log starts from 1.
    EXPECT_EQ(MeasurementLog().Append(Reading(L"306")), 1);
}

TEST(MeasurementLog, RowsThatCouldNotBeReadBackAreRefused) {
    struct Case {
        const char* what;
        const wchar_t* time;
        int material;
    } refused[] = {
        {"no time", L"", 1},
        {"time without seconds", L"2026-12-08 22:36", 1},
        {"material above 100", L"2026-12-08 22:36:18", 101},
        {"negative material", L"2026-12-08 22:36:18", -1},
    };
    MeasurementLog log = LogOf(2);
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        MeasurementRow row = Reading(L"300");
        row.time = c.time;
        row.material = c.material;
        EXPECT_FALSE(MeasurementLog::IsValidRow(row));
        EXPECT_EQ(log.Append(row), 0);
        EXPECT_EQ(Numbers(log), (std::vector<int>{1, 2}));
    }
    // No material chosen, and the last one; any shown texts at all.
    for (int material : {0, 100}) {
        MeasurementRow row = Reading(L"");
        row.material = material;
        row.hallVoltage = L"*****";
        row.sampleVoltage = L"a,b \"c\"\r\n\t";
        EXPECT_NE(log.Append(row), 0) << material;
    }
}

TEST(MeasurementLog, AFullLogRefusesMoreRows) {
    {
        SCOPED_TRACE("the highest number");
        MeasurementRow last = Reading(L"300");
        last.number = MeasurementLog::kMaxNumber - 1;
        MeasurementLog log;
        ASSERT_TRUE(log.Assign({last}));
        EXPECT_EQ(log.Append(Reading(L"301")), MeasurementLog::kMaxNumber);
        EXPECT_EQ(log.NextNumber(), 0);
        EXPECT_EQ(log.Refusal(Reading(L"302")), LogRefusal::numbersUsed);
        EXPECT_EQ(log.Append(Reading(L"302")), 0);
        EXPECT_EQ(log.size(), 2u);
    }
    {
        SCOPED_TRACE("the most rows");
        MeasurementLog log;
        const MeasurementRow row = Reading(L"300");
        for (size_t i = 0; i < MeasurementLog::kMaxRows; ++i) ASSERT_NE(log.Append(row), 0) << i;
        EXPECT_EQ(log.NextNumber(), 0);
        EXPECT_EQ(log.Refusal(row), LogRefusal::rowsFull);
        EXPECT_EQ(log.Append(row), 0);
        EXPECT_EQ(log.size(), MeasurementLog::kMaxRows);
        EXPECT_EQ(log.rows().back().number, static_cast<int>(MeasurementLog::kMaxRows));
        log.Remove({0});
        EXPECT_EQ(log.Append(row), static_cast<int>(MeasurementLog::kMaxRows) + 1);
    }
}

// A text longer than a field may hold (100 KB pasted into a box) is refused
// by the log as by its file's reader: it would make a file the reader refuses.
TEST(MeasurementLog, TextsLongerThanAFieldHoldsAreRefused) {
    const size_t limit = MeasurementLog::kMaxFieldLength;
    MeasurementLog log = LogOf(2);
    const MeasurementLog before = log;
    // A character beyond U+FFFF counts as the two UTF-16 units it takes.
    const std::wstring wide = L"\U0001F600";
    struct Case {
        const char* what;
        std::wstring text;
    } refused[] = {
        {"a unit more than a field holds", std::wstring(limit + 1, L'7')},
        {"characters beyond U+FFFF, a unit more", std::wstring(limit - 1, L'7') + wide},
        {"100 KB", std::wstring(100000, L'7')},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
            MeasurementRow row = Reading(L"300");
            *ShownText(row, column) = c.text;
            EXPECT_FALSE(MeasurementLog::IsValidRow(row)) << column;
            EXPECT_EQ(log.Refusal(row), LogRefusal::invalidRow) << column;
            EXPECT_EQ(log.Append(row), 0) << column;
            row.number = 3;
            std::vector<MeasurementRow> rows = before.rows();
            rows.push_back(row);
            EXPECT_FALSE(log.Assign(rows)) << column;
            EXPECT_EQ(log.rows(), before.rows());
        }
    }
    // Texts as long as a field holds, in every column at once.
    MeasurementRow longest = Reading(L"300");
    for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
        std::wstring text;
        for (size_t i = 0; i < limit / 2; ++i) text += wide;
        *ShownText(longest, column) = column % 2 ? text : std::wstring(limit, L'7');
    }
    EXPECT_TRUE(MeasurementLog::IsValidRow(longest));
    EXPECT_EQ(log.Refusal(longest), LogRefusal::none);
    EXPECT_EQ(log.Append(longest), 3);
}

TEST(MeasurementLog, AssignTakesOnlyRowsALogCouldHold) {
    auto numbered = [](std::vector<int> numbers) {
        std::vector<MeasurementRow> rows;
        for (int n : numbers) {
            rows.push_back(Reading(std::to_wstring(n)));
            rows.back().number = n;
        }
        return rows;
    };
    const MeasurementLog before = LogOf(2);
    struct Case {
        const char* what;
        std::vector<MeasurementRow> rows;
    } refused[] = {
        {"a number 0", numbered({0, 1})},
        {"a negative number", numbered({-3})},
        {"the same number twice", numbered({1, 2, 2})},
        {"falling numbers", numbered({1, 5, 4})},
        {"a number above the highest", numbered({1, MeasurementLog::kMaxNumber + 1})},
        {"an invalid row", [&] {
             auto rows = numbered({1, 2});
             rows[1].time = L"yesterday";
             return rows;
         }()},
        {"more rows than a log holds", [&] {
             std::vector<MeasurementRow> rows(MeasurementLog::kMaxRows + 1, Reading(L"1"));
             for (size_t i = 0; i < rows.size(); ++i) rows[i].number = static_cast<int>(i) + 1;
             return rows;
         }()},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        MeasurementLog log = before;
        EXPECT_FALSE(log.Assign(c.rows));
        EXPECT_EQ(log.rows(), before.rows());
    }
    MeasurementLog log = before;
    EXPECT_TRUE(log.Assign(numbered({3, 10, MeasurementLog::kMaxNumber})));
    EXPECT_EQ(Numbers(log), (std::vector<int>{3, 10, MeasurementLog::kMaxNumber}));
    EXPECT_TRUE(log.Assign({}));
    EXPECT_TRUE(log.empty());
}

TEST(RecordTime, TextsOfValidTimesOnly) {
    EXPECT_EQ(RecordTimeText(2026, 12, 8, 22, 36, 18), L"2026-12-08 22:36:18");
    EXPECT_EQ(RecordTimeText(5, 1, 2, 3, 4, 5), L"0005-01-02 03:04:05");
    EXPECT_EQ(RecordTimeText(9999, 12, 31, 23, 59, 59), L"9999-12-31 23:59:59");

    const wchar_t* valid[] = {
        L"2026-12-08 22:36:18", L"2024-02-29 00:00:00", L"2000-02-29 12:00:00", L"2023-04-30 23:59:59",
        L"0000-01-01 00:00:00", L"2023-01-31 00:00:00",
    };
    for (size_t i = 0; i < sizeof valid / sizeof valid[0]; ++i) EXPECT_TRUE(IsRecordTime(valid[i])) << "valid time " << i;
    const wchar_t* invalid[] = {
        L"",                      L"2026-12-08",             L"2026-12-08 22:36",
        L"2026-12-08T22:36:18",   L"2026/12/08 22:36:18",    L"2026-12-08 22.36.18",
        L"2026-12-08 22:36:18 ",  L" 2026-12-08 22:36:18",   L"2026-12-8 22:36:18",
        L"26-12-08 22:36:18",     L"2026-13-08 22:36:18",    L"2026-00-08 22:36:18",
        L"2026-12-00 22:36:18",   L"2026-12-32 22:36:18",    L"2023-02-29 22:36:18",
        L"1900-02-29 22:36:18",   L"2023-04-31 22:36:18",    L"2026-12-08 24:00:00",
        L"2026-12-08 22:60:18",   L"2026-12-08 22:36:60",    L"2026-12-08 2a:36:18",
        L"2026-12-08 -1:36:18",   L"\uFF12026-12-08 22:36:18",  // a fullwidth digit
    };
    for (size_t i = 0; i < sizeof invalid / sizeof invalid[0]; ++i) {
        EXPECT_FALSE(IsRecordTime(invalid[i])) << "invalid time " << i;
    }
}

TEST(MeasurementRow, EachColumnHasItsText) {
    MeasurementRow row;
    row.number = 12;
    row.time = L"2026-12-08 22:36:18";
    row.material = 7;
    for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
        std::wstring* text = ShownText(row, column);
        ASSERT_NE(text, nullptr);
        *text = L"c" + std::to_wstring(column);
    }
    // The columns in the file's order, each to its own member.
    EXPECT_EQ(row.hallFactor, L"c3");
    EXPECT_EQ(row.sampleLength, L"c4");
    EXPECT_EQ(row.sampleWidth, L"c5");
    EXPECT_EQ(row.sampleThickness, L"c6");
    EXPECT_EQ(row.contactWidth, L"c7");
    EXPECT_EQ(row.contactSpacing, L"c8");
    EXPECT_EQ(row.temperature, L"c9");
    EXPECT_EQ(row.sampleCurrent, L"c10");
    EXPECT_EQ(row.magnetCurrent, L"c11");
    EXPECT_EQ(row.hallVoltage, L"c12");
    EXPECT_EQ(row.sampleVoltage, L"c13");

    EXPECT_EQ(LogCellText(row, kLogNumber), L"12");
    EXPECT_EQ(LogCellText(row, kLogTime), L"2026-12-08 22:36:18");
    EXPECT_EQ(LogCellText(row, kLogMaterial), L"7");
    EXPECT_EQ(LogCellText(row, kLogContactSpacing), L"c8");
    EXPECT_EQ(LogCellText(row, kLogSampleVoltage), L"c13");
    for (int column : {-1, kLogColumnCount, 1000}) {
        EXPECT_EQ(LogCellText(row, column), L"");
        EXPECT_TRUE(std::isnan(LogCellValue(row, column)));
        EXPECT_EQ(ShownText(row, column), nullptr);
    }
    EXPECT_EQ(ShownText(row, kLogTime), nullptr);
    EXPECT_EQ(ShownText(static_cast<const MeasurementRow&>(row), kLogMaterial), nullptr);
}

TEST(MeasurementRow, ShownTextsReadAsThePanelReadsThemAndNoNumberIsNaN) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const wchar_t* text;
        double value;
    } numbers[] = {
        {L"300.00", 300.0},        {L"-283.27", -283.27},    {L"1.0000e+016", 1e16},
        {L"5.0000e-003", 0.005},   {L"0", 0.0},              {L" 12.5", 12.5},
        {L"12abc", 12.0},          {L".5", 0.5},             {L"1.#INF", inf},
        {L"-1.#INF", -inf},
    };
    MeasurementRow row;
    for (const Case& c : numbers) {
        row.temperature = c.text;
        EXPECT_EQ(LogCellValue(row, kLogTemperature), c.value) << c.value;
        EXPECT_EQ(ShownValue(c.text), c.value) << c.value;
    }
    for (const wchar_t* text : {L"*****", L"", L"abc", L"-", L".", L"-1.#IND", L"e5"}) {
        row.hallVoltage = text;
        EXPECT_TRUE(std::isnan(LogCellValue(row, kLogHallVoltage))) << std::wstring(text).size();
        EXPECT_TRUE(std::isnan(ShownValue(text)));
    }
    row.number = 41;
    row.material = 100;
    row.time = L"2026-12-08 22:36:18";
    EXPECT_EQ(LogCellValue(row, kLogNumber), 41.0);
    EXPECT_EQ(LogCellValue(row, kLogMaterial), 100.0);
    EXPECT_TRUE(std::isnan(LogCellValue(row, kLogTime)));
}

// A row keeps a box's text only where the text is just the number the panel
// used; otherwise the value used, which reads back exactly, and nothing more.
TEST(LoggedText, TheShownNumberWhereItIsTheValueUsedOtherwiseThatValue) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        std::wstring shown;
        double used;
        std::wstring kept;
    } cases[] = {
        {L"2.5", 2.5, L"2.5"},
        {L"1.50", 1.5, L"1.50"},                 // as typed
        {L"  -7e0\t", -7, L"-7e0"},              // without the white space around it
        {L"\u3000300.0\u3000", 300, L"300.0"},
        {L"1e999", inf, L"1e999"},
        {L"2,5", 2, L"2.0"},                     // read in part: the value used
        {L"\u22127", 0, L"0.0"},
        {L"0x10", 0, L"0.0"},
        {L"\uFF11\uFF12", 0, L"0.0"},
        {L"\u200B5", 0, L"0.0"},
        {L"1.3\x01", 1.3, L"1.3"},
        {L"5 mA", 5, L"5.0"},
        {L"", 0, L"0.0"},
        {L"1.#INF", 1, L"1.0"},                  // a text the panel wrote, read as 1
        {L"-12.346", -12.3456, L"-12.3456"},     // whole, but not the value used
        {L"0.1", 0.1, L"0.1"},
        {L"0.30000000000000004", 0.1 + 0.2, L"0.30000000000000004"},
        {L"2.5" + std::wstring(100000, L'0'), 2.5, L"2.5"},
    };
    for (const Case& c : cases) {
        const std::wstring kept = LoggedText(c.shown, c.used);
        EXPECT_EQ(kept, c.kept) << std::string(c.kept.begin(), c.kept.end());
        EXPECT_EQ(ShownValue(kept), c.used) << std::string(c.kept.begin(), c.kept.end());
        EXPECT_LE(kept.size(), MeasurementLog::kMaxTextLength);
    }
    // Forty characters are kept; one more, and the value is written instead.
    const std::wstring forty(40, L'1');
    EXPECT_EQ(LoggedText(forty, ShownValue(forty)), forty);
    const std::wstring fortyOne(41, L'1');
    const std::wstring kept = LoggedText(fortyOne, ShownValue(fortyOne));
    EXPECT_EQ(kept.substr(0, 6), L"1.1111");
    EXPECT_EQ(kept.substr(kept.size() - 5), L"e+040");
    EXPECT_EQ(ShownValue(kept), ShownValue(fortyOne));
}
