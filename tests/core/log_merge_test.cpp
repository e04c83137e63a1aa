// Tests of the merge a save makes when another writer changed the log's file:
// two copies recording, deleting and clearing on one file lose nothing and
// undo nothing of each other's.
#include "measurements/log_merge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/example_reading.h"

namespace {

MeasurementRow At(const std::wstring& temperature) {
    MeasurementRow row = ExampleReading();
    row.temperature = temperature;
    return row;
}

// "number:temperature" for each row, in order.
std::vector<std::wstring> Rows(const MeasurementLog& log) {
    std::vector<std::wstring> rows;
    for (const MeasurementRow& row : log.rows()) rows.push_back(std::to_wstring(row.number) + L":" + row.temperature);
    return rows;
}

using Texts = std::vector<std::wstring>;

TEST(LogMerge, TwoCopiesRecordingOnOneFileKeepEveryReadingUnderNumbersOfTheirOwn) {
    // A records 1 and 2 and writes them.
    MeasurementLog a;
    a.Append(At(L"301"));
    a.Append(At(L"302"));
    MeasurementLog file = a;
    RowKeys syncedA = KeysOf(a);

    // B started before A's readings reached the file: it numbers from 1 too.
    MeasurementLog b;
    b.Append(At(L"401"));
    b.Append(At(L"402"));
    LogMerge fromB = MergeLogs(b, file, RowKeys{});
    ASSERT_TRUE(fromB.fits);
    EXPECT_EQ(Rows(fromB.merged), (Texts{L"1:301", L"2:302", L"3:401", L"4:402"}));
    EXPECT_EQ(fromB.added, 2u);
    EXPECT_EQ(fromB.renumbered, (std::vector<std::pair<int, int>>{{1, 3}, {2, 4}}));
    file = fromB.merged;

    // A's next reading is 3 in A's memory; the file has a 3 already.
    a.Append(At(L"303"));
    LogMerge fromA = MergeLogs(a, file, syncedA);
    ASSERT_TRUE(fromA.fits);
    EXPECT_EQ(Rows(fromA.merged), (Texts{L"1:301", L"2:302", L"3:401", L"4:402", L"5:303"}));
    EXPECT_EQ(fromA.added, 2u);
    EXPECT_EQ(fromA.renumbered, (std::vector<std::pair<int, int>>{{3, 5}}));
}

TEST(LogMerge, WhatEitherCopyRemovedStaysRemoved) {
    MeasurementLog mine;
    for (const wchar_t* t : {L"301", L"302", L"303", L"304"}) mine.Append(At(t));
    const RowKeys synced = KeysOf(mine);
    MeasurementLog file = mine;

    // This copy deletes 2; another writer deleted 4 and recorded 5.
    mine.Remove({1});
    std::vector<MeasurementRow> others(file.rows().begin(), file.rows().begin() + 3);
    MeasurementRow fifth = At(L"505");
    fifth.number = 5;
    others.push_back(fifth);
    ASSERT_TRUE(file.Assign(others));

    LogMerge merge = MergeLogs(mine, file, synced);
    ASSERT_TRUE(merge.fits);
    EXPECT_EQ(Rows(merge.merged), (Texts{L"1:301", L"3:303", L"5:505"}));
    EXPECT_EQ(merge.added, 1u);
    EXPECT_EQ(merge.removed, 1u);
    EXPECT_TRUE(merge.renumbered.empty());

    // Cleared here: every row this copy saw goes, another writer's new one stays.
    MeasurementLog cleared;
    LogMerge afterClear = MergeLogs(cleared, file, synced);
    EXPECT_EQ(Rows(afterClear.merged), (Texts{L"5:505"}));
}

TEST(LogMerge, AnUnchangedFileGivesThisCopysLogAsItIsAndAClearedOneItsNewRows) {
    MeasurementLog mine;
    for (const wchar_t* t : {L"301", L"302", L"303"}) mine.Append(At(t));
    const RowKeys synced = KeysOf(mine);
    mine.Append(At(L"304"));

    // Another copy cleared the log: this copy's new reading alone stays.
    EXPECT_EQ(Rows(MergeLogs(mine, MeasurementLog{}, synced).merged), (Texts{L"4:304"}));
    MeasurementLog same = mine;
    LogMerge merge = MergeLogs(mine, same, synced);
    EXPECT_EQ(merge.merged.rows(), mine.rows());
    EXPECT_EQ(merge.added, 0u);

    // The same reading is not taken twice, even when this copy never saw the
    // file: a log read while another program held the file is such a case.
    EXPECT_EQ(MergeLogs(mine, same, RowKeys{}).merged.rows(), mine.rows());
}

TEST(LogMerge, ThisCopysReadingsKeepTheirOrderWhenTheFirstOfThemMoves) {
    // Recorded while another program held the file: numbered from 1 here.
    MeasurementLog mine;
    for (const wchar_t* t : {L"301", L"302", L"303"}) mine.Append(At(t));
    MeasurementLog file;
    MeasurementRow earlier = At(L"111");
    earlier.number = 1;
    MeasurementRow later = At(L"222");
    later.number = 7;
    ASSERT_TRUE(file.Assign({earlier, later}));

    LogMerge merge = MergeLogs(mine, file, RowKeys{});
    ASSERT_TRUE(merge.fits);
    EXPECT_EQ(Rows(merge.merged), (Texts{L"1:111", L"7:222", L"8:301", L"9:302", L"10:303"}));
    EXPECT_EQ(merge.renumbered, (std::vector<std::pair<int, int>>{{1, 8}, {2, 9}, {3, 10}}));
}

TEST(LogMerge, RowsThatDoNotFitOneLogAreRefusedWhole) {
    MeasurementLog mine;
    MeasurementRow last = At(L"301");
    last.number = MeasurementLog::kMaxNumber;
    ASSERT_TRUE(mine.Assign({last}));
    MeasurementLog file;
    MeasurementRow clash = At(L"999");
    clash.number = MeasurementLog::kMaxNumber;
    ASSERT_TRUE(file.Assign({clash}));

    LogMerge merge = MergeLogs(mine, file, RowKeys{});
    EXPECT_FALSE(merge.fits);
    EXPECT_TRUE(merge.merged.empty());
}

TEST(LogMerge, ARowsKeyCoversEveryPartOfIt) {
    const MeasurementRow base = At(L"300.00");
    MeasurementRow other = base;
    other.number = 2;
    EXPECT_NE(RowKey(base), RowKey(other));
    other = base;
    other.time = L"2026-12-08 22:36:19";
    EXPECT_NE(RowKey(base), RowKey(other));
    other = base;
    other.material = 2;
    EXPECT_NE(RowKey(base), RowKey(other));
    for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
        other = base;
        *ShownText(other, column) += L"1";
        EXPECT_NE(RowKey(base), RowKey(other)) << column;
    }
    // Text moved from one field to the next is another row.
    MeasurementRow shifted = base;
    shifted.hallFactor = L"1.15";
    shifted.sampleLength = L"00100.00";
    EXPECT_NE(RowKey(base), RowKey(shifted));
    EXPECT_EQ(RowKey(base), RowKey(At(L"300.00")));
}

}  // namespace
