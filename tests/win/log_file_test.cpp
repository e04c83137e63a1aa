// The measurement log's file on a real file system: round trips, files that
// cannot be used and are kept, files held open by another program, each
// file-system call of a save failing in turn, and a writing process killed
// between and during its saves.
#include "measurements/log_file_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/module.h"
#include "base/unique_handle.h"
#include "measurements/log_codec.h"
#include "measurements/log_location_win.h"
#include "measurements/log_store_win.h"
#include "tests/core/example_reading.h"
#include "scratch_folder.h"

namespace {

using Bytes = std::vector<unsigned char>;

MeasurementRow Reading(int i) {
    MeasurementRow row = ExampleReading();
    row.time = RecordTimeText(2026, 12, 8, 22, 36, i % 60);
    row.material = 1 + i % 100;
    row.temperature = std::to_wstring(200 + i) + L".00";
    return row;
}

MeasurementLog LogOf(int count) {
    MeasurementLog log;
    for (int i = 0; i < count; ++i) log.Append(Reading(i));
    return log;
}

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Another program holding the file open, sharing what it is given.
UniqueHandle Hold(const std::wstring& path, DWORD share) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

class LogFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }

    ScratchFolder folder_;
    std::wstring path_ = folder_.File(L"Tesmor.csv");
};

}  // namespace

TEST_F(LogFileTest, TheFileNamesBesideTheLog) {
    EXPECT_EQ(PendingLogFilePath(path_), folder_.File(L"Tesmor.csv.new"));
    EXPECT_EQ(BackupLogFilePath(path_), folder_.File(L"Tesmor.csv.bak"));
    EXPECT_EQ(BackupLogFilePath(path_, 1), folder_.File(L"Tesmor.csv.bak"));
    EXPECT_EQ(BackupLogFilePath(path_, 2), folder_.File(L"Tesmor.csv.2.bak"));
    EXPECT_EQ(BackupLogFilePath(path_, 99), folder_.File(L"Tesmor.csv.99.bak"));
}

TEST_F(LogFileTest, WithoutAFileTheLogStartsEmptyAndTheFirstSaveMakesIt) {
    MeasurementLog log = LogOf(3);
    LogFile file(path_);
    const LogLoadResult loaded = file.Load(log);
    EXPECT_EQ(loaded.status, LogLoad::missing);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(file.backupPending());
    EXPECT_TRUE(ContentsOf(folder_.path()).empty());  // loading makes nothing

    log.Append(Reading(0));
    EXPECT_EQ(file.Save(log), LogSave::saved);
    EXPECT_FALSE(file.lastSaveFailed());
    EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", EncodeLogCsv(log)}}));
}

TEST_F(LogFileTest, SavedAndLoadedAgainEveryRowComesBackAndTheBytesStay) {
    MeasurementLog saved = LogOf(5);
    MeasurementRow odd = Reading(5);
    odd.hallFactor = L"1,15 \"quoted\"";
    odd.sampleLength = L"two\r\nlines";
    odd.sampleVoltage = L"\u00B5\u03B4\u03C3 \U0001F600";
    odd.hallVoltage = L"*****";
    saved.Append(odd);
    saved.Remove({1});
    {
        LogFile file(path_);
        EXPECT_EQ(file.Save(saved), LogSave::saved);
    }
    const Bytes bytes = ReadFileBytes(path_);
    EXPECT_EQ(bytes, EncodeLogCsv(saved));
    EXPECT_EQ(ContentsOf(folder_.path()).size(), 1u);

    MeasurementLog loaded;
    LogFile file(path_);
    EXPECT_EQ(file.Load(loaded).status, LogLoad::loaded);
    EXPECT_EQ(loaded.rows(), saved.rows());
    EXPECT_EQ(loaded.Append(Reading(9)), 7);
    loaded.Remove({loaded.size() - 1});
    EXPECT_EQ(file.Save(loaded), LogSave::saved);
    EXPECT_EQ(ReadFileBytes(path_), bytes);

    // Another program reading the file, or even keeping it open for writing
    // while it shows it, does not keep the log from being loaded.
    UniqueHandle reader = Hold(path_, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(reader.valid());
    MeasurementLog again;
    EXPECT_EQ(LogFile(path_).Load(again).status, LogLoad::loaded);
    EXPECT_EQ(again.rows(), saved.rows());
}

TEST_F(LogFileTest, AFileNotWhollyUnderstoodIsSetAsideByteForByteAndTheLogStartsEmpty) {
    std::string good(reinterpret_cast<const char*>(EncodeLogCsv(LogOf(3)).data()), EncodeLogCsv(LogOf(3)).size());
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"not UTF-8 in the header",
         BytesOf("No.,Time,Material,r_H,l (\xB5m)\r\n" + good.substr(good.find("\r\n1,") + 2))},
        {"another program's CSV", BytesOf("Name,Value\r\nx,1\r\n")},
        {"rows without their header", BytesOf(good.substr(good.find("\r\n1,") + 2))},
        {"binary", Bytes{0x64, 0x00, 0x00, 0x00, 0x00, 0x80, 0xE0, 0x37, 0x79, 0xC3, 0xBE, 0x43}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& entry : ContentsOf(folder_.path())) DeleteFileW(folder_.File(entry.first.c_str()).c_str());
        ASSERT_TRUE(WriteFileBytes(path_, c.bytes));

        MeasurementLog log = LogOf(2);
        LogFile file(path_);
        const LogLoadResult result = file.Load(log);
        EXPECT_EQ(result.status, LogLoad::unusable);
        EXPECT_TRUE(result.backedUp);
        EXPECT_EQ(result.backupPath, folder_.File(L"Tesmor.csv.bak"));
        EXPECT_FALSE(file.backupPending());
        EXPECT_TRUE(log.empty());
        // Renamed, not copied: one step however large the file.
        EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv.bak", c.bytes}}));
        EXPECT_EQ(UnusableLogText(result, path_),
                  L"The file of measurements Tesmor.csv cannot be read.\n"
                  L"It is kept as Tesmor.csv.bak, and the log starts empty.");

        log.Append(Reading(7));
        EXPECT_EQ(file.Save(log), LogSave::saved);
        EXPECT_EQ(ContentsOf(folder_.path()),
                  (FolderContents{{L"Tesmor.csv", EncodeLogCsv(log)}, {L"Tesmor.csv.bak", c.bytes}}));
    }
}

TEST_F(LogFileTest, AnEarlierBackupIsNeverWrittenOver) {
    const Bytes first = BytesOf("first damaged file");
    const Bytes second = BytesOf("second damaged file");
    ASSERT_TRUE(WriteFileBytes(BackupLogFilePath(path_), first));
    ASSERT_TRUE(WriteFileBytes(path_, second));
    MeasurementLog log;
    LogLoadResult result = LogFile(path_).Load(log);
    EXPECT_EQ(result.status, LogLoad::unusable);
    EXPECT_TRUE(result.backedUp);
    EXPECT_EQ(result.backupPath, folder_.File(L"Tesmor.csv.2.bak"));
    EXPECT_EQ(UnusableLogText(result, path_),
              L"The file of measurements Tesmor.csv cannot be read.\n"
              L"It is kept as Tesmor.csv.2.bak, and the log starts empty.");
    EXPECT_EQ(ContentsOf(folder_.path()),
              (FolderContents{{L"Tesmor.csv.bak", first}, {L"Tesmor.csv.2.bak", second}}));

    // Loaded again without a save in between: the log starts empty, and the
    // backups stay as they are.
    result = LogFile(path_).Load(log);
    EXPECT_EQ(result.status, LogLoad::missing);
    EXPECT_EQ(ContentsOf(folder_.path()).size(), 2u);
}

TEST_F(LogFileTest, AFileAnotherProgramLetsNobodyReadIsLeftAloneAndMergedOnceItIsFree) {
    const MeasurementLog old = LogOf(4);
    const Bytes oldBytes = EncodeLogCsv(old);
    ASSERT_TRUE(WriteFileBytes(path_, oldBytes));
    UniqueHandle spreadsheet = Hold(path_, 0);
    ASSERT_TRUE(spreadsheet.valid());

    MeasurementLog log = LogOf(1);
    LogFile file(path_);
    const LogLoadResult result = file.Load(log);
    EXPECT_EQ(result.status, LogLoad::locked);
    EXPECT_FALSE(file.backupPending());
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(LockedLogText(path_),
              L"The file of measurements Tesmor.csv is open in another program, which lets nobody read it.\n"
              L"New readings are kept here and added to it as soon as that program lets go of it.");

    // Saves fail while the other program holds the file; the first says so.
    log.Append(Reading(10));
    EXPECT_EQ(file.Save(log), LogSave::failed);
    EXPECT_TRUE(file.lastSaveFailed());
    log.Append(Reading(11));
    EXPECT_EQ(file.Save(log), LogSave::failedAgain);
    EXPECT_EQ(file.UnsavedRows(log), 2u);
    EXPECT_EQ(LogNotWrittenText(path_), L"The file of measurements Tesmor.csv cannot be written.\n"
                                        L"The measurements are kept here and written at the next change.");

    // Let go of: the file's rows stay first, with their numbers, and the new
    // readings follow under the next ones. Nothing is set aside.
    spreadsheet.Reset();
    EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", oldBytes}}));
    log.Append(Reading(12));
    EXPECT_EQ(file.Save(log), LogSave::saved);
    EXPECT_FALSE(file.lastSaveFailed());
    EXPECT_EQ(file.UnsavedRows(log), 0u);
    ASSERT_EQ(log.size(), 7u);
    EXPECT_EQ(file.lastMerge().added, 4u);
    EXPECT_EQ(file.lastMerge().renumbered, (std::vector<std::pair<int, int>>{{1, 5}, {2, 6}, {3, 7}}));
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(log[i], old[i]);
    EXPECT_EQ(log[4].temperature, Reading(10).temperature);
    EXPECT_EQ(log[6].temperature, Reading(12).temperature);
    EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", EncodeLogCsv(log)}}));
}

TEST_F(LogFileTest, ASaveWhileAnotherProgramHoldsTheFileFailsOnceAndWorksWhenItLetsGo) {
    MeasurementLog log = LogOf(2);
    LogFile file(path_);
    ASSERT_EQ(file.Load(log).status, LogLoad::missing);
    log.Append(Reading(0));
    ASSERT_EQ(file.Save(log), LogSave::saved);
    const Bytes first = EncodeLogCsv(log);

    for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
        SCOPED_TRACE(testing::Message() << "the other program shares " << share);
        const Bytes before = ReadFileBytes(path_);
        UniqueHandle spreadsheet = Hold(path_, share);
        ASSERT_TRUE(spreadsheet.valid());
        log.Append(Reading(static_cast<int>(log.size())));
        EXPECT_EQ(file.Save(log), LogSave::failed);
        log.Append(Reading(static_cast<int>(log.size())));
        EXPECT_EQ(file.Save(log), LogSave::failedAgain);
        spreadsheet.Reset();
        // The file as the last save that worked left it, and nothing more.
        EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", before}}));
        log.Append(Reading(static_cast<int>(log.size())));
        EXPECT_EQ(file.Save(log), LogSave::saved);
        EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", EncodeLogCsv(log)}}));
    }
    EXPECT_EQ(log.size(), 10u);
    EXPECT_NE(ReadFileBytes(path_), first);
}

TEST_F(LogFileTest, AFolderWhereTheFileShouldBeIsUnusableAndNeverReplaced) {
    ASSERT_TRUE(CreateDirectoryW(path_.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(path_ + L"\\inside", {7, 7}));
    const FolderContents before = ContentsOf(folder_.path());
    MeasurementLog log;
    LogFile file(path_);
    const LogLoadResult result = file.Load(log);
    EXPECT_EQ(result.status, LogLoad::unusable);
    EXPECT_TRUE(result.folder);
    EXPECT_FALSE(result.backedUp);
    // No backup is promised that cannot be made.
    EXPECT_EQ(UnusableLogText(result, path_),
              L"The file of measurements Tesmor.csv cannot be made: a folder of that name is in its place.\n"
              L"The measurements are kept here while Tesmor runs.");
    log.Append(Reading(0));
    EXPECT_EQ(file.Save(log), LogSave::failed);
    EXPECT_EQ(file.Save(log), LogSave::failedAgain);
    EXPECT_EQ(ContentsOf(folder_.path()), before);
    EXPECT_EQ(ReadFileBytes(path_ + L"\\inside"), (Bytes{7, 7}));
}

TEST_F(LogFileTest, AFileThatVanishesWhileHeldIsMadeAnewWithTheNewRows) {
    ASSERT_TRUE(WriteFileBytes(path_, BytesOf("old")));
    UniqueHandle spreadsheet = Hold(path_, FILE_SHARE_DELETE);
    ASSERT_TRUE(spreadsheet.valid());
    MeasurementLog log;
    LogFile file(path_);
    ASSERT_EQ(file.Load(log).status, LogLoad::locked);
    spreadsheet.Reset();
    ASSERT_TRUE(DeleteFileW(path_.c_str()));
    log.Append(Reading(0));
    EXPECT_EQ(file.Save(log), LogSave::saved);
    EXPECT_FALSE(file.backupPending());
    EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", EncodeLogCsv(log)}}));
}

TEST_F(LogFileTest, ALeftoverTemporaryFileDoesNotStopTheNextSave) {
    ASSERT_TRUE(WriteFileBytes(PendingLogFilePath(path_), {1, 2, 3}));
    MeasurementLog log = LogOf(2);
    LogFile file(path_);
    EXPECT_EQ(file.Save(log), LogSave::saved);
    EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", EncodeLogCsv(log)}}));
}

namespace {

// The file's identity on its volume: a file replaced by a rename has another.
std::pair<DWORD, DWORD> FileIndex(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info)) return {0, 0};
    return {info.nFileIndexHigh, info.nFileIndexLow};
}

}  // namespace

TEST_F(LogFileTest, ANewReadingIsAppendedToTheSameFileAndDeletionsRewriteIt) {
    MeasurementLog log;
    LogFile file(path_);
    ASSERT_EQ(file.Load(log).status, LogLoad::missing);
    for (int i = 0; i < 3; ++i) log.Append(Reading(i));
    ASSERT_EQ(file.Save(log), LogSave::saved);
    const auto made = FileIndex(path_);
    const Bytes before = ReadFileBytes(path_);

    log.Append(Reading(3));
    log.Append(Reading(4));
    EXPECT_EQ(file.UnsavedRows(log), 2u);
    ASSERT_EQ(file.Save(log), LogSave::saved);
    EXPECT_EQ(file.UnsavedRows(log), 0u);
    // The same file, grown by the new lines: the old bytes untouched.
    EXPECT_EQ(FileIndex(path_), made);
    const Bytes after = ReadFileBytes(path_);
    EXPECT_EQ(after, EncodeLogCsv(log));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
    EXPECT_EQ(ContentsOf(folder_.path()).size(), 1u);

    // A deletion cannot be appended: the file is written anew, and the row
    // does not come back at the next load.
    log.Remove({1});
    file.RowsRemoved();
    EXPECT_TRUE(file.removalsUnsaved());
    ASSERT_EQ(file.Save(log), LogSave::saved);
    EXPECT_FALSE(file.removalsUnsaved());
    EXPECT_EQ(ReadFileBytes(path_), EncodeLogCsv(log));
    MeasurementLog again;
    ASSERT_EQ(LogFile(path_).Load(again).status, LogLoad::loaded);
    EXPECT_EQ(again.rows(), log.rows());
}

TEST_F(LogFileTest, AFilePutInPlaceWithTheSameSizeAndTimeIsStillMergedBeforeAnAppend) {
    MeasurementLog log;
    LogFile file(path_);
    ASSERT_EQ(file.Load(log).status, LogLoad::missing);
    for (int i = 0; i < 3; ++i) log.Append(Reading(i));
    ASSERT_EQ(file.Save(log), LogSave::saved);

    // Another program puts its own file in place, as a spreadsheet saves: as
    // long as this one, with the same time of writing; one reading differs.
    MeasurementLog theirs;
    std::vector<MeasurementRow> rows = log.rows();
    rows[2].temperature = L"299.00";
    ASSERT_EQ(rows[2].temperature.size(), log[2].temperature.size());
    ASSERT_TRUE(theirs.Assign(rows));
    ASSERT_EQ(theirs[2].number, 3);
    const std::wstring other = folder_.File(L"theirs.csv");
    ASSERT_TRUE(WriteFileBytes(other, EncodeLogCsv(theirs)));
    {
        UniqueHandle ours(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
        UniqueHandle made(CreateFileW(other.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        FILETIME written{};
        ASSERT_TRUE(GetFileTime(ours.get(), nullptr, nullptr, &written));
        ASSERT_TRUE(SetFileTime(made.get(), nullptr, nullptr, &written));
    }
    const auto before = FileIndex(path_);
    ASSERT_TRUE(MoveFileExW(other.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_NE(FileIndex(path_), before);

    // The next reading is not simply appended behind the other program's rows.
    log.Append(Reading(3));
    ASSERT_EQ(file.Save(log), LogSave::saved);
    EXPECT_EQ(file.lastMerge().added, 1u);
    EXPECT_EQ(file.lastMerge().removed, 1u);
    EXPECT_EQ(ReadFileBytes(path_), EncodeLogCsv(log));
    std::vector<std::wstring> temperatures;
    for (const MeasurementRow& row : log.rows()) temperatures.push_back(row.temperature);
    EXPECT_EQ(temperatures, (std::vector<std::wstring>{Reading(0).temperature, Reading(1).temperature, L"299.00",
                                                       Reading(3).temperature}));
}

namespace {

// Cuts the next write short when armed: half the bytes reach the file, then
// the disk is full, as in a crash in the middle of an append.
class CutWrite : public LogFileCalls {
public:
    bool armed = false;
    bool Write(HANDLE file, const unsigned char* bytes, DWORD size, DWORD& written) override {
        if (!armed) return LogFileCalls::Write(file, bytes, size, written);
        armed = false;
        LogFileCalls::Write(file, bytes, size / 2, written);
        written = 0;
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
};

}  // namespace

TEST_F(LogFileTest, AnAppendCutShortLeavesEveryEarlierRowAndTheNextSaveMakesTheFileWhole) {
    CutWrite calls;
    MeasurementLog log;
    LogFile file(path_, calls);
    ASSERT_EQ(file.Load(log).status, LogLoad::missing);
    for (int i = 0; i < 5; ++i) log.Append(Reading(i));
    ASSERT_EQ(file.Save(log), LogSave::saved);
    const Bytes whole = ReadFileBytes(path_);

    calls.armed = true;
    log.Append(Reading(5));
    EXPECT_EQ(file.Save(log), LogSave::failed);
    const Bytes cut = ReadFileBytes(path_);
    ASSERT_GT(cut.size(), whole.size()) << "nothing of the line reached the file";

    // Read as the next start reads it: the five rows, the cut line left out.
    MeasurementLog again;
    LogFile reader(path_);
    ASSERT_EQ(reader.Load(again).status, LogLoad::loaded);
    ASSERT_EQ(again.size(), 5u);
    EXPECT_EQ(again.rows(), std::vector<MeasurementRow>(log.rows().begin(), log.rows().begin() + 5));

    // A start on the cut file writes it anew at its first save: a line
    // appended behind the cut one would be lost with it.
    again.Append(Reading(7));
    EXPECT_EQ(reader.Save(again), LogSave::saved);
    EXPECT_EQ(ReadFileBytes(path_), EncodeLogCsv(again));

    // And the copy whose append was cut keeps its reading, after the other's.
    log.Append(Reading(6));
    EXPECT_EQ(file.Save(log), LogSave::saved);
    EXPECT_EQ(ReadFileBytes(path_), EncodeLogCsv(log));
    MeasurementLog last;
    ASSERT_EQ(LogFile(path_).Load(last).status, LogLoad::loaded);
    EXPECT_EQ(last.size(), 8u);
}

TEST_F(LogFileTest, TwoCopiesOnOneFileKeepEachOthersReadingsAndDeletions) {
    // Both start before either has written; each copy has a log of its own.
    MeasurementLog a, b;
    LogFile fileA(path_), fileB(path_);
    ASSERT_EQ(fileA.Load(a).status, LogLoad::missing);
    ASSERT_EQ(fileB.Load(b).status, LogLoad::missing);

    // A records 1 and 2; B records two of its own, numbered 1 and 2 in B.
    a.Append(Reading(1));
    a.Append(Reading(2));
    ASSERT_EQ(fileA.Save(a), LogSave::saved);
    b.Append(Reading(101));
    b.Append(Reading(102));
    ASSERT_EQ(fileB.Save(b), LogSave::saved);
    EXPECT_EQ(fileB.lastMerge().added, 2u);
    EXPECT_EQ(fileB.lastMerge().renumbered, (std::vector<std::pair<int, int>>{{1, 3}, {2, 4}}));

    // A's next reading would be 3 in A: it becomes 5, and A now has B's rows.
    a.Append(Reading(3));
    ASSERT_EQ(fileA.Save(a), LogSave::saved);
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a[4].number, 5);
    EXPECT_EQ(a[4].temperature, Reading(3).temperature);

    // B deletes A's first reading; A, unaware of it, records again: the
    // deletion stands, and nothing else is lost.
    b.Remove({0});
    fileB.RowsRemoved();
    ASSERT_EQ(fileB.Save(b), LogSave::saved);
    a.Append(Reading(4));
    ASSERT_EQ(fileA.Save(a), LogSave::saved);
    EXPECT_EQ(fileA.lastMerge().removed, 1u);

    MeasurementLog file;
    ASSERT_EQ(LogFile(path_).Load(file).status, LogLoad::loaded);
    std::vector<std::wstring> temperatures;
    for (const MeasurementRow& row : file.rows()) temperatures.push_back(row.temperature);
    EXPECT_EQ(temperatures, (std::vector<std::wstring>{Reading(2).temperature,
                                                       Reading(101).temperature, Reading(102).temperature,
                                                       Reading(3).temperature, Reading(4).temperature}));
    EXPECT_EQ(ReadFileBytes(path_), EncodeLogCsv(a));
}

namespace {

// Passes every call to the system but the one numbered `failAt` (from 1),
// which fails as a full disk or a vanished share makes it fail. A write takes
// at most 4096 bytes, so that a save of a few hundred rows makes many.
class FaultyLogCalls : public LogFileCalls {
public:
    enum class WriteFault {
        error,       // part of the bytes reach the file, then an error
        noProgress,  // success with nothing written
    };

    FaultyLogCalls(int failAt, WriteFault writeFault) : failAt_(failAt), writeFault_(writeFault) {}

    bool failed() const { return calls_ >= failAt_; }
    int count(const char* call) const { return static_cast<int>(std::count(log_.begin(), log_.end(), call)); }

    HANDLE Create(const std::wstring& path) override {
        if (Fails("create")) return Refuse(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        return LogFileCalls::Create(path);
    }
    HANDLE OpenExisting(const std::wstring& path) override {
        if (Fails("open existing")) return Refuse(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
        return LogFileCalls::OpenExisting(path);
    }
    bool Write(HANDLE file, const unsigned char* bytes, DWORD size, DWORD& written) override {
        size = std::min<DWORD>(size, 4096);
        if (!Fails("write")) return LogFileCalls::Write(file, bytes, size, written);
        written = 0;
        if (writeFault_ == WriteFault::noProgress) return true;
        DWORD part = 0;
        LogFileCalls::Write(file, bytes, size / 2, part);
        return Refuse(ERROR_DISK_FULL, false);
    }
    bool Truncate(HANDLE file) override {
        if (Fails("truncate")) return Refuse(ERROR_DISK_FULL, false);
        return LogFileCalls::Truncate(file);
    }
    bool Flush(HANDLE file) override {
        if (Fails("flush")) return Refuse(ERROR_DISK_FULL, false);
        return LogFileCalls::Flush(file);
    }
    bool Close(HANDLE file) override {
        // The handle is gone either way; only the report differs.
        const bool closed = LogFileCalls::Close(file);
        return !Fails("close") && closed;
    }
    bool Copy(const std::wstring& from, const std::wstring& to) override {
        if (Fails("copy")) return Refuse(ERROR_DISK_FULL, false);
        return LogFileCalls::Copy(from, to);
    }
    bool Replace(const std::wstring& from, const std::wstring& to) override {
        if (Fails("replace")) return Refuse(ERROR_ACCESS_DENIED, false);
        return LogFileCalls::Replace(from, to);
    }
    bool Remove(const std::wstring& path) override {
        log_.push_back("remove");
        return LogFileCalls::Remove(path);
    }
    HANDLE OpenShared(const std::wstring& path) override {
        // A file that is not there fails to open anyway: no fault to inject.
        HANDLE file = LogFileCalls::OpenShared(path);
        if (!IsOpenFile(file)) return file;
        if (!Fails("open shared")) return file;
        CloseHandle(file);
        return Refuse(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    bool MoveNew(const std::wstring& from, const std::wstring& to) override {
        if (Fails("move new")) return Refuse(ERROR_ACCESS_DENIED, false);
        return LogFileCalls::MoveNew(from, to);
    }

private:
    bool Fails(const char* call) {
        log_.push_back(call);
        return ++calls_ == failAt_;
    }
    template <class T>
    T Refuse(DWORD error, T result) {
        SetLastError(error);
        return result;
    }

    int failAt_;
    WriteFault writeFault_;
    int calls_ = 0;
    std::vector<std::string> log_;
};

}  // namespace

TEST_F(LogFileTest, ASaveThatFailsAtAnyCallKeepsThePreviousFileByteForByte) {
    const MeasurementLog previous = LogOf(1000);  // about 100 kB
    MeasurementLog changed = previous;
    changed.Append(Reading(1000));
    int faults = 0;
    for (bool hadFile : {true, false}) {
        for (auto writeFault : {FaultyLogCalls::WriteFault::error, FaultyLogCalls::WriteFault::noProgress}) {
            for (int failAt = 1;; ++failAt) {
                SCOPED_TRACE(testing::Message() << (hadFile ? "over a file" : "first save") << ", write fault "
                                                << static_cast<int>(writeFault) << ", call " << failAt);
                DeleteFileW(path_.c_str());
                if (hadFile) {
                    ASSERT_TRUE(WriteFileBytes(path_, EncodeLogCsv(previous)));
                }
                const FolderContents before = ContentsOf(folder_.path());

                FaultyLogCalls calls(failAt, writeFault);
                LogFile file(path_, calls);
                const LogSave saved = file.Save(changed);
                if (!calls.failed()) {
                    // Every call has had its turn: this save went through.
                    EXPECT_EQ(saved, LogSave::saved);
                    EXPECT_EQ(ContentsOf(folder_.path()),
                              (FolderContents{{L"Tesmor.csv", EncodeLogCsv(changed)}}));
                    EXPECT_GE(calls.count("write"), 20);
                    break;
                }
                ++faults;
                EXPECT_EQ(saved, LogSave::failed);
                EXPECT_TRUE(file.lastSaveFailed());
                // The previous file as it was (or none), and no temporary file left.
                EXPECT_EQ(ContentsOf(folder_.path()), before);
                // The fault was one call's: the next save goes through.
                EXPECT_EQ(file.Save(changed), LogSave::saved);
                EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", EncodeLogCsv(changed)}}));
                ASSERT_LT(failAt, 100) << "the save never got through";
            }
        }
    }
    std::printf("log file: %d failed saves injected\n", faults);
}

TEST_F(LogFileTest, KeepingAnUnusableFileThatFailsAtAnyCallStopsTheSave) {
    const Bytes damaged = BytesOf("No.,Time\r\n1,\"unfinished");
    MeasurementLog log = LogOf(3);
    int faults = 0;
    for (int failAt = 1;; ++failAt) {
        SCOPED_TRACE(testing::Message() << "call " << failAt);
        for (const auto& entry : ContentsOf(folder_.path())) DeleteFileW(folder_.File(entry.first.c_str()).c_str());
        ASSERT_TRUE(WriteFileBytes(path_, damaged));

        FaultyLogCalls calls(failAt, FaultyLogCalls::WriteFault::error);
        LogFile file(path_, calls);
        MeasurementLog loaded;
        const LogLoadResult result = file.Load(loaded);
        ASSERT_EQ(result.status, LogLoad::unusable);
        const LogSave saved = file.Save(log);
        if (!calls.failed()) {
            EXPECT_TRUE(result.backedUp);
            EXPECT_EQ(saved, LogSave::saved);
            EXPECT_EQ(ContentsOf(folder_.path()),
                      (FolderContents{{L"Tesmor.csv", EncodeLogCsv(log)}, {L"Tesmor.csv.bak", damaged}}));
            break;
        }
        ++faults;
        const FolderContents after = ContentsOf(folder_.path());
        // Whatever failed, the damaged file is either still there or kept.
        const bool kept = after.count(L"Tesmor.csv.bak") && after.at(L"Tesmor.csv.bak") == damaged;
        EXPECT_TRUE(kept || (after.count(L"Tesmor.csv") && after.at(L"Tesmor.csv") == damaged));
        if (!result.backedUp) {
            // The copy at the load failed: the save that follows made it, or
            // failed without touching the file.
            EXPECT_EQ(result.backupPath, folder_.File(L"Tesmor.csv.bak"));
            if (saved != LogSave::saved) {
                EXPECT_EQ(after, (FolderContents{{L"Tesmor.csv", damaged}}));
            }
        }
        EXPECT_FALSE(after.count(L"Tesmor.csv.new"));
        ASSERT_LT(failAt, 50);
    }
    std::printf("log file: %d failed backups or saves injected\n", faults);
}

namespace {

// log_writer.exe, built beside this test, as a process whose output is read.
class Writer {
public:
    Writer(const std::wstring& path, int count, const std::wstring& tag = std::wstring()) {
        std::wstring exe = ModulePath();
        exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"log_writer.exe";
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return;
        output_ = UniqueHandle(readEnd);
        UniqueHandle childEnd(writeEnd);
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        std::wstring commandLine = L"\"" + exe + L"\" \"" + path + L"\" " + std::to_wstring(count);
        if (!tag.empty()) commandLine += L" " + tag;
        PROCESS_INFORMATION info = {};
        if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                           &info)) {
            process_ = UniqueHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
    ~Writer() { Kill(); }

    bool started() const { return process_.valid(); }

    // The number of the last row the writer reports saved once it has
    // reported `wanted` or more; 0 when it ends or stops reporting first.
    int WaitForSaves(int wanted) { return WaitUntil([&] { return last_ >= wanted; }) ? last_ : 0; }

    // Whether the writer has reported `wanted` saves (whatever their numbers)
    // before it ends or stops reporting.
    bool WaitForReports(int wanted) { return WaitUntil([&] { return reports_ >= wanted; }); }

    template <class Done>
    bool WaitUntil(Done done) {
        while (!done()) {
            char buffer[256];
            DWORD got = 0;
            if (!ReadFile(output_.get(), buffer, sizeof buffer, &got, nullptr) || got == 0) return false;
            pending_.append(buffer, got);
            size_t end;
            while ((end = pending_.find('\n')) != std::string::npos) {
                last_ = std::atoi(pending_.substr(0, end).c_str());
                ++reports_;
                pending_.erase(0, end + 1);
            }
        }
        return true;
    }

    // After the writer is gone: the number of the last row it reported saved.
    int LastReported() {
        char buffer[256];
        DWORD got = 0;
        while (ReadFile(output_.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) pending_.append(buffer, got);
        size_t end;
        while ((end = pending_.find('\n')) != std::string::npos) {
            last_ = std::atoi(pending_.substr(0, end).c_str());
            pending_.erase(0, end + 1);
        }
        return last_;
    }

    // The writer's exit code once it has ended; STILL_ACTIVE while it runs.
    DWORD ExitCode() {
        DWORD code = 0;
        if (!process_ || !GetExitCodeProcess(process_.get(), &code)) return 0;
        if (code == STILL_ACTIVE) WaitForSingleObject(process_.get(), 1000);
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }

    // Kills the writer wherever it is and waits until it is gone.
    bool Kill() {
        if (!process_) return true;
        TerminateProcess(process_.get(), 9);
        const bool gone = WaitForSingleObject(process_.get(), 20000) == WAIT_OBJECT_0;
        process_.Reset();
        return gone;
    }

private:
    UniqueHandle process_;
    UniqueHandle output_;
    std::string pending_;
    int last_ = 0;
    int reports_ = 0;
};

// The file after a kill: it loads, and holds rows 1..n in order, each as the
// writer made it.
size_t RowsAfterKill(const std::wstring& path) {
    MeasurementLog log;
    LogFile file(path);
    const LogLoadResult result = file.Load(log);
    EXPECT_EQ(result.status, LogLoad::loaded);
    for (size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].number, static_cast<int>(i) + 1);
        EXPECT_EQ(log[i].temperature, std::to_wstring(300 + i % 200) + L".00");
        EXPECT_EQ(log[i].contactSpacing, std::wstring(1000, L'\u00B5'));
    }
    const size_t rows = log.size();
    // The log saves again over whatever the kill left behind.
    EXPECT_NE(log.Append(Reading(0)), 0);
    EXPECT_EQ(file.Save(log), LogSave::saved);
    EXPECT_FALSE(FileExists(PendingLogFilePath(path)));
    return rows;
}

}  // namespace

TEST_F(LogFileTest, KillingTheWritingProcessBetweenSavesLosesNothingSaved) {
    Writer writer(path_, 25);
    ASSERT_TRUE(writer.started());
    ASSERT_EQ(writer.WaitForSaves(25), 25);
    // It now waits after its last save, and dies there.
    ASSERT_TRUE(writer.Kill());
    EXPECT_EQ(RowsAfterKill(path_), 25u);
}

TEST_F(LogFileTest, KillingTheWritingProcessDuringItsSavesLeavesAWholeFile) {
    int inside = 0;
    for (int round = 1; round <= 8; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        DeleteFileW(path_.c_str());
        Writer writer(path_, 0);
        ASSERT_TRUE(writer.started());
        // Killed while it goes on saving, a little later each round, so that
        // the kill falls at different points of a save.
        ASSERT_GE(writer.WaitForSaves(10 * round), 10 * round);
        Sleep(static_cast<DWORD>(round * 2 - 1));
        ASSERT_TRUE(writer.Kill());
        const int reported = writer.LastReported();
        // A temporary file left behind shows that the kill fell inside a save.
        const bool insideASave = FileExists(PendingLogFilePath(path_));
        inside += insideASave;
        const size_t rows = RowsAfterKill(path_);
        // Every save reported is there; at most one more, whose report the
        // kill cut off, came after it, whole.
        EXPECT_GE(rows, static_cast<size_t>(reported));
        EXPECT_LE(rows, static_cast<size_t>(reported) + 1);
        std::printf("log file: killed after %d reported saves%s, %u rows in the file\n", reported,
                    insideASave ? " inside the next" : "", static_cast<unsigned>(rows));
    }
    std::printf("log file: %d of 8 kills fell inside a save\n", inside);
}

TEST_F(LogFileTest, TwoProcessesRecordingIntoOneFileAtOnceKeepEveryReading) {
    constexpr int kEach = 60;
    Writer first(path_, kEach, L"A");
    Writer second(path_, kEach, L"B");
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(second.started());
    ASSERT_TRUE(first.WaitForReports(kEach)) << "the first writer ended with " << first.ExitCode();
    ASSERT_TRUE(second.WaitForReports(kEach)) << "the second writer ended with " << second.ExitCode();
    ASSERT_TRUE(first.Kill());
    ASSERT_TRUE(second.Kill());

    MeasurementLog log;
    ASSERT_EQ(LogFile(path_).Load(log).status, LogLoad::loaded);
    size_t fromFirst = 0, fromSecond = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        fromFirst += log[i].sampleVoltage == L"A";
        fromSecond += log[i].sampleVoltage == L"B";
    }
    EXPECT_EQ(fromFirst, static_cast<size_t>(kEach));
    EXPECT_EQ(fromSecond, static_cast<size_t>(kEach));
    EXPECT_EQ(log.size(), static_cast<size_t>(2 * kEach));
    // Each writer's rows in the order it recorded them.
    for (const wchar_t* tag : {L"A", L"B"}) {
        int expected = 0;
        for (size_t i = 0; i < log.size(); ++i) {
            if (log[i].sampleVoltage != tag) continue;
            EXPECT_EQ(log[i].temperature, std::to_wstring(300 + expected) + L".00") << tag;
            ++expected;
        }
    }
}

// The store a panel keeps: the file held at the start is told once, its rows
// kept, and merged without a new reading once the other program lets go.
TEST_F(LogFileTest, AStoreWhoseFileIsHeldAtTheStartMergesItOnceItIsFree) {
    const MeasurementLog old = LogOf(4);
    ASSERT_TRUE(WriteFileBytes(path_, EncodeLogCsv(old)));
    UniqueHandle spreadsheet = Hold(path_, 0);
    ASSERT_TRUE(spreadsheet.valid());
    std::vector<std::wstring> told;
    LogFileCalls calls;
    LogStore store(path_, calls, [&](const std::wstring& text) { told.push_back(text); });
    store.Load();
    ASSERT_EQ(told, (std::vector<std::wstring>{LockedLogText(path_)}));
    EXPECT_EQ(store.status(), L"The log is kept in " + path_ + L".");

    EXPECT_EQ(store.Append(Reading(10)), 1);
    EXPECT_EQ(told.size(), 2u);  // the failed save
    store.Retry();
    EXPECT_EQ(told.size(), 2u);  // tried again quietly
    EXPECT_EQ(store.UnsavedRows(), 1u);

    spreadsheet.Reset();
    store.Retry();
    EXPECT_EQ(store.UnsavedRows(), 0u);
    EXPECT_FALSE(store.unsaved());
    ASSERT_EQ(store.log().size(), 5u);
    EXPECT_EQ(store.log()[4].number, 5);
    EXPECT_EQ(store.mergeNote(), L"4 readings from another copy of Tesmor added. Reading 1 is now 5.");
    EXPECT_EQ(ReadFileBytes(path_), EncodeLogCsv(store.log()));
    EXPECT_EQ(ContentsOf(folder_.path()).size(), 1u);
    // The next reading follows under the next number, appended.
    EXPECT_EQ(store.Append(Reading(11)), 6);
    EXPECT_EQ(ReadFileBytes(path_), EncodeLogCsv(store.log()));
}

// Where the log's name is taken by a folder, the log lives in the user's
// Documents\Tesmor instead, made when it is first written, and the status
// line says where.
TEST_F(LogFileTest, AStoreThatCannotWriteBesideTheProgramKeepsTheLogInDocuments) {
    const std::wstring name = L"Tesmor-test-" + std::to_wstring(GetCurrentProcessId()) + L".csv";
    const std::wstring beside = folder_.File(name.c_str());
    ASSERT_TRUE(CreateDirectoryW(beside.c_str(), nullptr));
    const std::wstring documents = DocumentsTesmorFolder();
    ASSERT_FALSE(documents.empty());
    const std::wstring there = documents + L"\\" + name;
    DeleteFileW(there.c_str());

    std::vector<std::wstring> told;
    LogStore store(beside, [&](const std::wstring& text) { told.push_back(text); });
    store.Load();
    EXPECT_TRUE(told.empty());
    EXPECT_FALSE(store.besideProgram());
    EXPECT_EQ(store.file().path(), there);
    EXPECT_EQ(store.status(), L"The log is kept in " + there + L".");
    EXPECT_EQ(store.Append(Reading(1)), 1);
    EXPECT_EQ(store.Append(Reading(2)), 2);
    EXPECT_FALSE(store.unsaved());
    EXPECT_EQ(ReadFileBytes(there), EncodeLogCsv(store.log()));
    EXPECT_TRUE(ContentsOf(beside).empty());

    // The last reading deleted: its number is kept beside the log, in Documents too.
    const std::wstring mark = NumberMarkFilePath(there);
    DeleteFileW(mark.c_str());
    EXPECT_EQ(store.Remove({1}), 1u);
    EXPECT_EQ(ReadFileBytes(mark), BytesOf("2\r\n"));

    // Started again: the same place, the same rows, the numbers going on.
    LogStore again(beside, nullptr);
    again.Load();
    EXPECT_EQ(again.file().path(), there);
    EXPECT_EQ(again.log().rows(), store.log().rows());
    EXPECT_EQ(again.log().NextNumber(), 3);

    // The rescue at the end of a session goes to Documents\Tesmor too.
    const std::wstring rescued = again.SaveRescueCopy();
    EXPECT_EQ(rescued.substr(0, documents.size() + name.size() - 2),
              documents + L"\\" + name.substr(0, name.size() - 4) + L" ");
    EXPECT_EQ(ReadFileBytes(rescued), EncodeLogCsv(store.log()));
    DeleteFileW(rescued.c_str());
    DeleteFileW(there.c_str());
    DeleteFileW(mark.c_str());
}

// A log with one field missing from one line of 13,496 came up empty. Now
// every row that can be read is the log, the file as it was is kept as a
// backup (an earlier one never written over), and the first save writes the
// rows read, so the next load finds a whole log.
TEST_F(LogFileTest, ALogWithDamagedLinesKeepsEveryRowThatCanBeReadAndTheFileAsItWas) {
    const MeasurementLog six = LogOf(6);
    const Bytes encoded = EncodeLogCsv(six);
    const std::string whole(encoded.begin(), encoded.end());
    // Where the line of row n is, line end included (line n + 1 of the file).
    auto lineOf = [&](int number) {
        const size_t at = whole.find("\r\n" + std::to_string(number) + ",") + 2;
        return std::make_pair(at, whole.find("\r\n", at) + 2 - at);
    };
    auto instead = [&](int number, const std::string& line) {
        std::string bytes = whole;
        return bytes.replace(lineOf(number).first, lineOf(number).second, line);
    };
    const std::string fieldMissing =
        "4,2026-12-08 22:36:03,4,1.1500,100.00,100.00,10.000,0.50000,10.000,203.00,10.000,5.0000,-283.27\r\n";
    std::string twoLines = instead(6, "6,2026\r\n");
    twoLines.replace(lineOf(1).first, lineOf(1).second, "1\r\n");
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<int> kept;
        const wchar_t* text;
    } cases[] = {
        {"a field missing",
         instead(4, fieldMissing),
         {1, 2, 3, 5, 6},
         L"Line 5 of the file of measurements Tesmor.csv cannot be read and is left out of the log.\n"
         L"The log holds the 5 readings that could be read; the file as it was is kept as Tesmor.csv.bak."},
        {"not UTF-8",
         instead(2, "2,\xB5\r\n"),
         {1, 3, 4, 5, 6},
         L"Line 3 of the file of measurements Tesmor.csv cannot be read and is left out of the log.\n"
         L"The log holds the 5 readings that could be read; the file as it was is kept as Tesmor.csv.bak."},
        {"an empty line among the rows",
         instead(3, "\r\n"),
         {1, 2, 4, 5, 6},
         L"Line 4 of the file of measurements Tesmor.csv cannot be read and is left out of the log.\n"
         L"The log holds the 5 readings that could be read; the file as it was is kept as Tesmor.csv.bak."},
        {"two lines",
         twoLines,
         {2, 3, 4, 5},
         L"Lines 2 and 7 of the file of measurements Tesmor.csv cannot be read and are left out of the log.\n"
         L"The log holds the 4 readings that could be read; the file as it was is kept as Tesmor.csv.bak."},
        {"every row",
         whole.substr(0, lineOf(1).first) + std::string(8, '\n') + "x",
         {},
         L"Lines 2, 3, 4, 5, 6 and 4 more of the file of measurements Tesmor.csv cannot be read and are left "
         L"out of the log.\nThe log starts empty; the file as it was is kept as Tesmor.csv.bak."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& entry : ContentsOf(folder_.path()))
            DeleteFileW(folder_.File(entry.first.c_str()).c_str());
        const Bytes original = BytesOf(c.bytes);
        ASSERT_TRUE(WriteFileBytes(path_, original));

        MeasurementLog log = LogOf(2);
        LogFile file(path_);
        const LogLoadResult result = file.Load(log);
        EXPECT_EQ(result.status, LogLoad::repaired);
        EXPECT_TRUE(result.backedUp);
        EXPECT_EQ(result.backupPath, folder_.File(L"Tesmor.csv.bak"));
        std::vector<int> numbers;
        for (const MeasurementRow& row : log.rows()) {
            numbers.push_back(row.number);
            EXPECT_EQ(row, six[row.number - 1]);
        }
        EXPECT_EQ(numbers, c.kept);
        EXPECT_EQ(RepairedLogText(result, path_), c.text);
        // The file as it was, byte for byte, under the backup name.
        EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv.bak", original}}));
        EXPECT_EQ(file.UnsavedRows(log), log.size());

        // The first save writes the rows read; the next load finds a whole log.
        ASSERT_EQ(file.Save(log), LogSave::saved);
        EXPECT_EQ(ReadFileBytes(path_), EncodeLogCsv(log));
        EXPECT_EQ(ReadFileBytes(BackupLogFilePath(path_)), original);
        MeasurementLog again;
        EXPECT_EQ(LogFile(path_).Load(again).status, LogLoad::loaded);
        EXPECT_EQ(again.rows(), log.rows());
    }

    // An earlier backup stays as it is.
    for (const auto& entry : ContentsOf(folder_.path()))
        DeleteFileW(folder_.File(entry.first.c_str()).c_str());
    const Bytes first = BytesOf("first damaged file");
    ASSERT_TRUE(WriteFileBytes(BackupLogFilePath(path_), first));
    ASSERT_TRUE(WriteFileBytes(path_, BytesOf(cases[0].bytes)));
    MeasurementLog log;
    const LogLoadResult result = LogFile(path_).Load(log);
    EXPECT_EQ(result.status, LogLoad::repaired);
    EXPECT_EQ(result.backupPath, folder_.File(L"Tesmor.csv.2.bak"));
    EXPECT_EQ(ReadFileBytes(BackupLogFilePath(path_)), first);
    EXPECT_EQ(ReadFileBytes(BackupLogFilePath(path_, 2)), BytesOf(cases[0].bytes));
    EXPECT_EQ(log.size(), 5u);
}

// A file held by a program that lets it be read but not renamed: the rows
// read are the log, the file stays untouched until it can be kept, and only
// then is it written.
TEST_F(LogFileTest, ADamagedLogThatCannotBeSetAsideYetIsNotWrittenOver) {
    const Bytes encoded = EncodeLogCsv(LogOf(3));
    const Bytes original = BytesOf(std::string(encoded.begin(), encoded.end()) + "4,2026\r\n");
    ASSERT_TRUE(WriteFileBytes(path_, original));
    MeasurementLog log;
    LogFile file(path_);
    {
        UniqueHandle reader = Hold(path_, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(reader.valid());
        const LogLoadResult result = file.Load(log);
        EXPECT_EQ(result.status, LogLoad::repaired);
        EXPECT_FALSE(result.backedUp);
        EXPECT_EQ(log.size(), 3u);
        EXPECT_EQ(
            RepairedLogText(result, path_),
            L"Line 5 of the file of measurements Tesmor.csv cannot be read and is left out of the log.\n"
            L"The log holds the 3 readings that could be read. The file stays as it is until it can be "
            L"kept as Tesmor.csv.bak; only then is it written again.");
        EXPECT_EQ(file.Save(log), LogSave::failed);
    }
    EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", original}}));
    ASSERT_EQ(file.Save(log), LogSave::saved);
    EXPECT_EQ(ContentsOf(folder_.path()),
              (FolderContents{{L"Tesmor.csv", EncodeLogCsv(log)}, {L"Tesmor.csv.bak", original}}));
}

// "Reading 18500" was given again after 18500, the last, was deleted, and 62
// again after 62 was deleted and the program started anew. A number once
// given names that reading alone: the highest one given is kept beside the
// log (Tesmor.csv.last) when the rows cannot tell it, and the log itself
// stays the same CSV.
TEST_F(LogFileTest, ANumberOnceGivenIsNeverGivenAgainAfterARestartOrAClear) {
    const std::wstring mark = NumberMarkFilePath(path_);
    EXPECT_EQ(mark, folder_.File(L"Tesmor.csv.last"));
    MeasurementLog log;
    LogFile file(path_);
    ASSERT_EQ(file.Load(log).status, LogLoad::missing);
    for (int i = 0; i < 5; ++i) log.Append(Reading(i));
    ASSERT_EQ(file.Save(log), LogSave::saved);

    // A row deleted in the middle: the rows still tell the highest number,
    // and nothing is written beside the log.
    log.Remove({1});
    ASSERT_EQ(file.Save(log), LogSave::saved);
    EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", EncodeLogCsv(log)}}));

    // The last one deleted: its number is kept, and is not given again in
    // this session or the next.
    log.Remove({3});
    ASSERT_EQ(file.Save(log), LogSave::saved);
    EXPECT_EQ(ContentsOf(folder_.path()),
              (FolderContents{{L"Tesmor.csv", EncodeLogCsv(log)}, {L"Tesmor.csv.last", BytesOf("5\r\n")}}));
    EXPECT_EQ(log.NextNumber(), 6);
    {
        MeasurementLog again;
        LogFile restarted(path_);
        ASSERT_EQ(restarted.Load(again).status, LogLoad::loaded);
        EXPECT_EQ(again.rows(), log.rows());
        EXPECT_EQ(again.Append(Reading(5)), 6);
        ASSERT_EQ(restarted.Save(again), LogSave::saved);
        // The file is the agreed CSV: the log's own bytes, header and columns as ever.
        EXPECT_EQ(ReadFileBytes(path_), EncodeLogCsv(again));
    }

    // Cleared: the numbers go on after a restart.
    ASSERT_EQ(file.Load(log).status, LogLoad::loaded);
    log.Clear();
    file.RowsRemoved();
    ASSERT_EQ(file.Save(log), LogSave::saved);
    EXPECT_EQ(ReadFileBytes(path_), EncodeLogHeader());
    EXPECT_EQ(ReadFileBytes(mark), BytesOf("6\r\n"));
    {
        MeasurementLog again;
        ASSERT_EQ(LogFile(path_).Load(again).status, LogLoad::loaded);
        EXPECT_TRUE(again.empty());
        EXPECT_EQ(again.Append(Reading(6)), 7);
    }

    // A mark that is missing, damaged or lower than the rows: the numbers go
    // on from the rows, and nothing fails.
    log.Append(Reading(6));
    log.Append(Reading(7));
    ASSERT_EQ(file.Save(log), LogSave::saved);
    const Bytes damagedMarks[] = {BytesOf("abc\r\n"), BytesOf("99999999999\r\n"),
                                  BytesOf("-5"),      BytesOf("3\r\n"),
                                  Bytes(100, '9'),    Bytes()};
    for (const Bytes& damaged : damagedMarks) {
        SCOPED_TRACE(std::string(damaged.begin(), damaged.end()));
        ASSERT_TRUE(WriteFileBytes(mark, damaged));
        MeasurementLog again;
        ASSERT_EQ(LogFile(path_).Load(again).status, LogLoad::loaded);
        EXPECT_EQ(again.NextNumber(), 9);
    }
    DeleteFileW(mark.c_str());
    MeasurementLog again;
    ASSERT_EQ(LogFile(path_).Load(again).status, LogLoad::loaded);
    EXPECT_EQ(again.NextNumber(), 9);
    // A log file gone and its mark there: numbered on from the mark.
    ASSERT_TRUE(WriteFileBytes(mark, BytesOf("40\r\n")));
    DeleteFileW(path_.c_str());
    ASSERT_EQ(LogFile(path_).Load(again).status, LogLoad::missing);
    EXPECT_EQ(again.NextNumber(), 41);
}

// Whatever call of a save fails after the last row was deleted (a full disk,
// a read-only mark), no reading is lost: either the save fails and the file
// is as it was, or the rows are saved; a mark not written is written at the
// next save, and until then the log gives no number twice.
TEST_F(LogFileTest, AMarkThatCannotBeWrittenLosesNoReadingAndIsWrittenAtTheNextSave) {
    const MeasurementLog previous = LogOf(5);
    MeasurementLog changed = previous;
    changed.Remove({4});
    int faults = 0;
    for (int failAt = 1;; ++failAt) {
        SCOPED_TRACE(testing::Message() << "call " << failAt);
        for (const auto& entry : ContentsOf(folder_.path()))
            DeleteFileW(folder_.File(entry.first.c_str()).c_str());
        ASSERT_TRUE(WriteFileBytes(path_, EncodeLogCsv(previous)));
        FaultyLogCalls calls(failAt, FaultyLogCalls::WriteFault::error);
        LogFile file(path_, calls);
        MeasurementLog log;
        ASSERT_EQ(file.Load(log).status, LogLoad::loaded);
        log.Remove({4});
        file.RowsRemoved();
        const LogSave saved = file.Save(log);
        const FolderContents after = ContentsOf(folder_.path());
        EXPECT_FALSE(after.count(L"Tesmor.csv.new"));
        EXPECT_FALSE(after.count(L"Tesmor.csv.last.new"));
        ASSERT_TRUE(after.count(L"Tesmor.csv"));
        EXPECT_EQ(after.at(L"Tesmor.csv"),
                  saved == LogSave::saved ? EncodeLogCsv(changed) : EncodeLogCsv(previous));
        // Never a mark that tells less than was given.
        if (after.count(L"Tesmor.csv.last")) {
            EXPECT_EQ(after.at(L"Tesmor.csv.last"), BytesOf("5\r\n"));
        }
        EXPECT_EQ(log.NextNumber(), 6);
        if (!calls.failed()) {
            EXPECT_EQ(saved, LogSave::saved);
            EXPECT_FALSE(file.markUnsaved(log));
            break;
        }
        ++faults;
        // The next save, without a fault, leaves both in place.
        EXPECT_EQ(file.Save(log), LogSave::saved);
        EXPECT_FALSE(file.markUnsaved(log));
        EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", EncodeLogCsv(changed)},
                                                              {L"Tesmor.csv.last", BytesOf("5\r\n")}}));
        MeasurementLog again;
        ASSERT_EQ(LogFile(path_).Load(again).status, LogLoad::loaded);
        EXPECT_EQ(again.NextNumber(), 6);
        ASSERT_LT(failAt, 50);
    }
    EXPECT_GE(faults, 5);

    // A mark that can never be written (a folder in its place): every reading
    // is saved all the same.
    for (const auto& entry : ContentsOf(folder_.path()))
        DeleteFileW(folder_.File(entry.first.c_str()).c_str());
    const std::wstring mark = NumberMarkFilePath(path_);
    ASSERT_TRUE(CreateDirectoryW(mark.c_str(), nullptr));
    MeasurementLog log = previous;
    LogFile file(path_);
    ASSERT_EQ(file.Save(log), LogSave::saved);
    log.Remove({4});
    EXPECT_EQ(file.Save(log), LogSave::saved);
    EXPECT_TRUE(file.markUnsaved(log));
    EXPECT_EQ(log.Append(Reading(9)), 6);
    EXPECT_EQ(file.Save(log), LogSave::saved);
    EXPECT_EQ(ReadFileBytes(path_), EncodeLogCsv(log));
    RemoveDirectoryW(mark.c_str());
}

// Two copies on one file: a number the other copy gave, and whose row it
// then deleted, is not given again by this one, which never saw that row.
TEST_F(LogFileTest, TwoCopiesGiveNoNumberTheOtherGaveAndDeleted) {
    MeasurementLog a, b;
    LogFile fileA(path_), fileB(path_);
    ASSERT_EQ(fileA.Load(a).status, LogLoad::missing);
    a.Append(Reading(1));
    a.Append(Reading(2));
    ASSERT_EQ(fileA.Save(a), LogSave::saved);
    ASSERT_EQ(fileB.Load(b).status, LogLoad::loaded);

    // A records 3 and deletes it before B saves anything.
    a.Append(Reading(3));
    ASSERT_EQ(fileA.Save(a), LogSave::saved);
    a.Remove({2});
    ASSERT_EQ(fileA.Save(a), LogSave::saved);

    // B's next reading would be 3 in B: the file's mark says 3 was given.
    EXPECT_EQ(b.Append(Reading(103)), 3);
    ASSERT_EQ(fileB.Save(b), LogSave::saved);
    EXPECT_EQ(fileB.lastMerge().renumbered, (std::vector<std::pair<int, int>>{{3, 4}}));
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[2].number, 4);
    EXPECT_EQ(b.NextNumber(), 5);

    // A, which knew of 3 but not of B's 4, numbers on after it.
    a.Append(Reading(4));
    ASSERT_EQ(fileA.Save(a), LogSave::saved);
    EXPECT_EQ(fileA.lastMerge().renumbered, (std::vector<std::pair<int, int>>{{4, 5}}));
    MeasurementLog file;
    ASSERT_EQ(LogFile(path_).Load(file).status, LogLoad::loaded);
    std::vector<int> numbers;
    for (const MeasurementRow& row : file.rows()) numbers.push_back(row.number);
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 4, 5}));
}

// Another copy left a damaged line in the file: its rows that can be read are
// merged, and the file as it was is kept before this copy writes over it.
TEST_F(LogFileTest, ASaveThatFindsADamagedLineKeepsTheFileAsItWasAndTheRowsThatCanBeRead) {
    MeasurementLog log;
    LogFile file(path_);
    ASSERT_EQ(file.Load(log).status, LogLoad::missing);
    log.Append(Reading(1));
    ASSERT_EQ(file.Save(log), LogSave::saved);
    MeasurementLog theirs = log;
    MeasurementRow third = Reading(3);
    third.number = 3;
    std::vector<MeasurementRow> rows = theirs.rows();
    rows.push_back(third);
    ASSERT_TRUE(theirs.Assign(rows));
    const Bytes header = EncodeLogCsv(log);
    const Bytes line = EncodeLogLines(theirs, 1);
    const Bytes original = BytesOf(std::string(header.begin(), header.end()) + "2,damaged\r\n" +
                                   std::string(line.begin(), line.end()));
    ASSERT_TRUE(WriteFileBytes(path_, original));

    log.Append(Reading(4));
    ASSERT_EQ(file.Save(log), LogSave::saved);
    EXPECT_EQ(file.lastRepair().status, LogLoad::repaired);
    EXPECT_EQ(
        RepairedLogText(file.lastRepair(), path_),
        L"Line 3 of the file of measurements Tesmor.csv cannot be read and is left out of the log.\n"
        L"The log holds the 2 readings that could be read; the file as it was is kept as Tesmor.csv.bak.");
    std::vector<int> numbers;
    for (const MeasurementRow& row : log.rows()) numbers.push_back(row.number);
    EXPECT_EQ(numbers, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(ContentsOf(folder_.path()),
              (FolderContents{{L"Tesmor.csv", EncodeLogCsv(log)}, {L"Tesmor.csv.bak", original}}));
}

// Deleted rows put back (the log window's Undo) go back between the others
// with their numbers, beside the readings another copy recorded meanwhile:
// the file is written anew in that order, and neither copy renumbers them.
TEST_F(LogFileTest, RowsPutBackGoBetweenTheOthersWithTheirNumbersBesideAnotherCopysReadings) {
    LogFileCalls calls;
    LogStore a(path_, calls, nullptr);
    a.Load();
    for (int i = 1; i <= 6; ++i) ASSERT_EQ(a.Append(Reading(i)), i);
    MeasurementLog b;
    LogFile fileB(path_);
    ASSERT_EQ(fileB.Load(b).status, LogLoad::loaded);
    ASSERT_EQ(b.size(), 6u);

    // Alone on the file: reading 5 deleted and put back is in its place in
    // the file, which reads back as the log.
    const MeasurementRow fifth = a.log()[4];
    ASSERT_EQ(a.Remove({4}), 1u);
    ASSERT_TRUE(a.PutBack({fifth}));
    EXPECT_FALSE(a.unsaved());
    EXPECT_EQ(ReadFileBytes(path_), EncodeLogCsv(a.log()));

    // A deletes readings 2 and 4; B, which saw them, records reading 7.
    const std::vector<MeasurementRow> deleted = {a.log()[1], a.log()[3]};
    ASSERT_EQ(a.Remove({1, 3}), 2u);
    b.Append(Reading(7));
    ASSERT_EQ(fileB.Save(b), LogSave::saved);
    EXPECT_EQ(fileB.lastMerge().removed, 2u);

    // A puts them back: 2 and 4 again, in their places, B's 7 after them.
    ASSERT_TRUE(a.PutBack(deleted));
    EXPECT_FALSE(a.unsaved());
    EXPECT_EQ(a.file().lastMerge().added, 1u);
    EXPECT_TRUE(a.file().lastMerge().renumbered.empty());
    std::vector<int> numbers;
    for (const MeasurementRow& row : a.log().rows()) numbers.push_back(row.number);
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(a.log()[1], deleted[0]);
    EXPECT_EQ(a.log()[3], deleted[1]);
    EXPECT_EQ(ReadFileBytes(path_), EncodeLogCsv(a.log()));

    // B takes them as A's readings, not as its own: nothing moves.
    b.Append(Reading(8));
    ASSERT_EQ(fileB.Save(b), LogSave::saved);
    EXPECT_EQ(fileB.lastMerge().added, 2u);
    EXPECT_TRUE(fileB.lastMerge().renumbered.empty());
    MeasurementLog file;
    ASSERT_EQ(LogFile(path_).Load(file).status, LogLoad::loaded);
    ASSERT_EQ(file.size(), 8u);
    for (size_t k = 0; k < 7; ++k) EXPECT_EQ(file[k], a.log()[k]) << k;
    EXPECT_EQ(file[7].number, 8);
}
