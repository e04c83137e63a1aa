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

TEST_F(LogFileTest, AFileNotWhollyUnderstoodIsKeptByteForByteAndTheLogStartsEmpty) {
    std::string good(reinterpret_cast<const char*>(EncodeLogCsv(LogOf(3)).data()), EncodeLogCsv(LogOf(3)).size());
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"cut inside a quoted field", BytesOf(good.substr(0, good.size() - 10) + "\"unfinished")},
        {"not UTF-8", BytesOf(good + "4,\xB5\r\n")},
        {"another program's CSV", BytesOf("Name,Value\r\nx,1\r\n")},
        {"an empty line among the rows", BytesOf(good + "\r\n" + good.substr(good.find("\r\n1,") + 2))},
        {"a row of the wrong length", BytesOf(good + "4,2026-12-08 22:36:18,1\r\n")},
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
        // The file itself stays as it was until the next save replaces it.
        EXPECT_EQ(ContentsOf(folder_.path()),
                  (FolderContents{{L"Tesmor.csv", c.bytes}, {L"Tesmor.csv.bak", c.bytes}}));
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
    EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", second},
                                                          {L"Tesmor.csv.bak", first},
                                                          {L"Tesmor.csv.2.bak", second}}));

    // Loaded again without a save in between: it is kept already.
    result = LogFile(path_).Load(log);
    EXPECT_TRUE(result.backedUp);
    EXPECT_EQ(result.backupPath, folder_.File(L"Tesmor.csv.2.bak"));
    EXPECT_EQ(ContentsOf(folder_.path()).size(), 3u);
}

TEST_F(LogFileTest, AFileHeldOpenByAnotherProgramIsKeptBeforeItIsEverReplaced) {
    const Bytes old = EncodeLogCsv(LogOf(4));
    ASSERT_TRUE(WriteFileBytes(path_, old));
    UniqueHandle spreadsheet = Hold(path_, 0);
    ASSERT_TRUE(spreadsheet.valid());

    MeasurementLog log = LogOf(1);
    LogFile file(path_);
    const LogLoadResult result = file.Load(log);
    EXPECT_EQ(result.status, LogLoad::unusable);
    EXPECT_FALSE(result.backedUp);
    EXPECT_EQ(result.backupPath, folder_.File(L"Tesmor.csv.bak"));
    EXPECT_TRUE(file.backupPending());
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(UnusableLogText(result, path_),
              L"The file of measurements Tesmor.csv cannot be read.\n"
              L"The log starts empty. The file stays as it is until it can be kept as Tesmor.csv.bak; "
              L"only then is it written again.");

    // Saves fail while the other program holds the file; the first says so.
    log.Append(Reading(10));
    EXPECT_EQ(file.Save(log), LogSave::failed);
    EXPECT_TRUE(file.lastSaveFailed());
    log.Append(Reading(11));
    EXPECT_EQ(file.Save(log), LogSave::failedAgain);
    EXPECT_EQ(file.Save(log), LogSave::failedAgain);
    EXPECT_TRUE(file.backupPending());
    EXPECT_EQ(LogNotWrittenText(path_), L"The file of measurements Tesmor.csv cannot be written.\n"
                                        L"The measurements are kept here and written at the next change.");

    spreadsheet.Reset();
    EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.csv", old}}));
    log.Append(Reading(12));
    EXPECT_EQ(file.Save(log), LogSave::saved);
    EXPECT_FALSE(file.lastSaveFailed());
    EXPECT_FALSE(file.backupPending());
    EXPECT_EQ(ContentsOf(folder_.path()),
              (FolderContents{{L"Tesmor.csv", EncodeLogCsv(log)}, {L"Tesmor.csv.bak", old}}));
    MeasurementLog loaded;
    ASSERT_EQ(LogFile(path_).Load(loaded).status, LogLoad::loaded);
    EXPECT_EQ(loaded.size(), 3u);
    EXPECT_EQ(loaded.rows(), log.rows());
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
    EXPECT_FALSE(result.backedUp);
    log.Append(Reading(0));
    EXPECT_EQ(file.Save(log), LogSave::failed);
    EXPECT_EQ(file.Save(log), LogSave::failedAgain);
    EXPECT_EQ(ContentsOf(folder_.path()), before);
    EXPECT_EQ(ReadFileBytes(path_ + L"\\inside"), (Bytes{7, 7}));
}

TEST_F(LogFileTest, AFileThatVanishesBeforeTheSaveNeedsNoBackup) {
    ASSERT_TRUE(WriteFileBytes(path_, BytesOf("old")));
    UniqueHandle spreadsheet = Hold(path_, FILE_SHARE_DELETE);
    ASSERT_TRUE(spreadsheet.valid());
    MeasurementLog log;
    LogFile file(path_);
    ASSERT_EQ(file.Load(log).status, LogLoad::unusable);
    ASSERT_TRUE(file.backupPending());
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
    bool CopyNew(const std::wstring& from, const std::wstring& to) override {
        if (Fails("copy new")) return Refuse(ERROR_DISK_FULL, false);
        return LogFileCalls::CopyNew(from, to);
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
    const MeasurementLog log = LogOf(3);
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
    Writer(const std::wstring& path, int count) {
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
    int WaitForSaves(int wanted) {
        while (last_ < wanted) {
            char buffer[256];
            DWORD got = 0;
            if (!ReadFile(output_.get(), buffer, sizeof buffer, &got, nullptr) || got == 0) return 0;
            pending_.append(buffer, got);
            size_t end;
            while ((end = pending_.find('\n')) != std::string::npos) {
                last_ = std::atoi(pending_.substr(0, end).c_str());
                pending_.erase(0, end + 1);
            }
        }
        return last_;
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
        EXPECT_EQ(log[i].contactSpacing, std::wstring(2000, L'\u00B5'));
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
