#include "storage/parameter_file_win.h"
#include "app/parameter_file_notices_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "message_box_catcher.h"
#include "scratch_folder.h"
#include "storage/parameter_codec.h"

namespace {

const std::wstring kCaption = L"Experimental Setup for Hall-Effect Measurement";

using Icon = MessageBoxCatcher::Icon;

MaterialTable FreshTable() {
    MaterialTable table;
    table.Initialise();
    return table;
}

// A table whose every value is different, so that a shifted column shows.
MaterialTable DistinctTable(int count) {
    MaterialTable table = FreshTable();
    table.materialCount = count;
    for (int k = 0; k < kParameterCount; ++k) {
        for (int m = 0; m < count; ++m) table.columns[k].entries[m] = (k + 1) * 1000.0 + m + 0.25;
    }
    return table;
}

// Compared in memory: a double passed by value on 32-bit x86 may travel
// through the x87 stack, which quietens signalling NaNs.
bool SameBits(const double& a, const double& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectSameTable(const MaterialTable& actual, const MaterialTable& expected) {
    ASSERT_EQ(actual.materialCount, expected.materialCount);
    for (int k = 0; k < kParameterCount; ++k) {
        for (int m = 0; m < expected.materialCount; ++m) {
            ASSERT_TRUE(SameBits(actual.columns[k].entries[m], expected.columns[k].entries[m]))
                << "column " << k << " material " << m + 1;
        }
    }
}

void ExpectDefaults(const MaterialTable& table) {
    ASSERT_EQ(table.materialCount, kMaxMaterials);
    for (int k = 0; k < kParameterCount; ++k) {
        for (int m = 0; m < kMaxMaterials; ++m) {
            ASSERT_EQ(table.columns[k].entries[m], kParameterInfo[k].defaultValue);
        }
    }
}

void ExpectBox(const MessageBoxCatcher::Box& box, const std::wstring& caption, const wchar_t* text,
               Icon icon) {
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.icon, icon);
    EXPECT_FALSE(box.hasOwner);
}

class ParameterFile : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }

    // Loads into a table of seven materials, which must give way whole to the
    // defaults after exactly one box saying `text`.
    void LoadGivesTheDefaults(MessageBoxCatcher& catcher, const wchar_t* text,
                              ParameterFileLoad expected = ParameterFileLoad::unusable) {
        MaterialTable table = DistinctTable(7);
        EXPECT_EQ(LoadParameterFile(kCaption, path_, table), expected);
        ASSERT_EQ(catcher.boxes().size(), 1u);
        ExpectBox(catcher.boxes()[0], kCaption, text, Icon::information);
        ExpectDefaults(table);
    }

    ScratchFolder folder_;
    std::wstring path_ = folder_.File(L"Tesmor.smp");
};

}  // namespace

TEST_F(ParameterFile, FirstRunWithoutAFileUsesTheDefaultsAndSaysTheFileWillBeMade) {
    MessageBoxCatcher catcher;
    MaterialTable table = FreshTable();
    EXPECT_EQ(LoadParameterFile(kCaption, path_, table), ParameterFileLoad::missing);
    ASSERT_EQ(catcher.boxes().size(), 1u);
    ExpectBox(catcher.boxes()[0], kCaption,
              L"The file of parameters does not open.\nMaybe it does not exist yet? ---> Will be!",
              Icon::information);
    ExpectDefaults(table);

    EXPECT_TRUE(SaveParameterFile(kCaption, path_, table));
    std::vector<unsigned char> bytes = ReadFileBytes(path_);
    ASSERT_EQ(bytes.size(), 9604u);
    EXPECT_EQ(bytes[0], 0x64);
    EXPECT_EQ(bytes[1], 0x00);
    EXPECT_EQ(bytes[2], 0x00);
    EXPECT_EQ(bytes[3], 0x00);
    // Nd of material 1, stored with byte 6 inverted.
    const unsigned char nd[] = {0x00, 0x80, 0xE0, 0x37, 0x79, 0xC3, 0xBE, 0x43};
    EXPECT_EQ(std::memcmp(bytes.data() + 4, nd, 8), 0);
    EXPECT_FALSE(FileExists(PendingParameterFilePath(path_)));
    EXPECT_EQ(catcher.boxes().size(), 1u);
}

TEST_F(ParameterFile, SaveAndLoadGiveBackEveryValueBitForBit) {
    struct Case {
        int count;
        size_t size;
    } cases[] = {{100, 9604}, {5, 484}, {1, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        MaterialTable saved = DistinctTable(c.count);
        if (c.count > 0) {
            saved.columns[kNa].entries[0] = -0.0;
            saved.columns[kEg].entries[c.count - 1] = 4.9e-324;
            // A signalling NaN is only ever stored and given back, never computed with.
            const uint64_t signalling = 0x7FF0000000000001ull;
            std::memcpy(&saved.columns[kTL0].entries[0], &signalling, sizeof signalling);
        }
        const MaterialTable before = saved;

        MessageBoxCatcher catcher;
        ASSERT_TRUE(SaveParameterFile(kCaption, path_, saved));
        ExpectSameTable(saved, before);  // saving changes nothing
        EXPECT_EQ(ReadFileBytes(path_).size(), c.size);

        MaterialTable loaded = FreshTable();
        loaded.FillDefaults();
        ASSERT_EQ(LoadParameterFile(kCaption, path_, loaded), ParameterFileLoad::loaded);
        ExpectSameTable(loaded, saved);
        EXPECT_TRUE(catcher.boxes().empty());
    }
}

TEST_F(ParameterFile, ADamagedFileIsNotTakenAndTheDefaultsAreUsed) {
    std::vector<unsigned char> full = EncodeParameterFile(DistinctTable(100)).bytes;
    auto withCount = [&](int32_t count) {
        std::vector<unsigned char> bytes = full;
        std::memcpy(bytes.data(), &count, 4);
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {"empty", {}},
        {"shorter than the count", {0x64, 0x00}},
        {"three bytes", {0x64, 0x00, 0x00}},
        {"count only", {0x64, 0x00, 0x00, 0x00}},
        // No material the panel could take, and no way back to the defaults.
        {"count 0, an empty table", {0x00, 0x00, 0x00, 0x00}},
        {"one byte short (9603 bytes)", std::vector<unsigned char>(full.begin(), full.end() - 1)},
        {"cut in the third column", std::vector<unsigned char>(full.begin(), full.begin() + 4 + 8 * 250)},
        {"count 101", withCount(101)},
        {"negative count", withCount(-1)},
        {"huge count", withCount(0x7FFFFFFF)},
        {"most negative count", withCount(INT32_MIN)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(path_, c.bytes));
        const FolderContents before = ContentsOf(folder_.path());
        MessageBoxCatcher catcher;
        LoadGivesTheDefaults(catcher,
                             L"The file of parameters is damaged.\nThe default parameters are used.");
        // The file itself is left for the user, and nothing else is made; only
        // the next save replaces it.
        EXPECT_EQ(ContentsOf(folder_.path()), before);
    }
}

TEST_F(ParameterFile, BytesAfterTheLastColumnAreIgnored) {
    for (int count : {100, 3}) {
        for (size_t extra : {size_t(1), size_t(20000)}) {
            SCOPED_TRACE(testing::Message() << count << " materials and " << extra << " bytes more");
            std::vector<unsigned char> bytes = EncodeParameterFile(DistinctTable(count)).bytes;
            bytes.insert(bytes.end(), extra, 0xAB);  // 9605 bytes for a full table and one more
            ASSERT_TRUE(WriteFileBytes(path_, bytes));
            MaterialTable table = FreshTable();
            MessageBoxCatcher catcher;
            EXPECT_EQ(LoadParameterFile(kCaption, path_, table), ParameterFileLoad::loaded);
            EXPECT_TRUE(catcher.boxes().empty());
            ExpectSameTable(table, DistinctTable(count));
            EXPECT_EQ(ReadFileBytes(path_), bytes);
        }
    }
}

TEST_F(ParameterFile, AFileThatCannotBeReadIsLeftAsItIsAndTheDefaultsAreUsed) {
    const wchar_t* doesNotOpen =
        L"The file of parameters does not open.\nMaybe it does not exist yet? ---> Will be!";
    {
        SCOPED_TRACE("another program holds the file open and shares nothing");
        const std::vector<unsigned char> bytes = EncodeParameterFile(DistinctTable(5)).bytes;
        ASSERT_TRUE(WriteFileBytes(path_, bytes));
        UniqueHandle holder(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.valid());
        MessageBoxCatcher catcher;
        LoadGivesTheDefaults(catcher, doesNotOpen);
        holder.Reset();
        EXPECT_EQ(ReadFileBytes(path_), bytes);
        DeleteFileW(path_.c_str());
    }
    {
        SCOPED_TRACE("a folder where the file should be");
        ASSERT_TRUE(CreateDirectoryW(path_.c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(path_ + L"\\inside", {7, 7}));
        const FolderContents before = ContentsOf(folder_.path());
        MessageBoxCatcher catcher;
        LoadGivesTheDefaults(catcher, doesNotOpen);

        // The save at close cannot put the file there either, and says so.
        EXPECT_FALSE(SaveParameterFile(kCaption, path_, DistinctTable(100)));
        ASSERT_EQ(catcher.boxes().size(), 2u);
        ExpectBox(catcher.boxes()[1], kCaption,
                  L"The file of parameters cannot be open.\nParameters will not be written.",
                  Icon::information);
        EXPECT_EQ(ContentsOf(folder_.path()), before);
        EXPECT_EQ(ReadFileBytes(path_ + L"\\inside"), (std::vector<unsigned char>{7, 7}));
    }
}

TEST_F(ParameterFile, AFailedSaveTellsTheUserAndKeepsThePreviousFile) {
    const std::vector<unsigned char> previous = EncodeParameterFile(DistinctTable(5)).bytes;
    const MaterialTable changed = DistinctTable(9);
    const wchar_t* cannotBeOpen = L"The file of parameters cannot be open.\nParameters will not be written.";

    {
        SCOPED_TRACE("the folder does not exist");
        std::wstring nowhere = folder_.File(L"missing\\Tesmor.smp");
        MessageBoxCatcher catcher;
        EXPECT_FALSE(SaveParameterFile(kCaption, nowhere, changed));
        ASSERT_EQ(catcher.boxes().size(), 1u);
        ExpectBox(catcher.boxes()[0], kCaption, cannotBeOpen, Icon::information);
        EXPECT_FALSE(FileExists(nowhere));
    }
    {
        SCOPED_TRACE("neither the temporary file nor the file itself can be opened");
        ASSERT_TRUE(WriteFileBytes(path_, previous));
        ASSERT_TRUE(CreateDirectoryW(PendingParameterFilePath(path_).c_str(), nullptr));
        UniqueHandle holder(CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.valid());
        MessageBoxCatcher catcher;
        EXPECT_FALSE(SaveParameterFile(kCaption, path_, changed));
        ASSERT_EQ(catcher.boxes().size(), 1u);
        ExpectBox(catcher.boxes()[0], kCaption, cannotBeOpen, Icon::information);
        holder.Reset();
        EXPECT_EQ(ReadFileBytes(path_), previous);
        RemoveDirectoryW(PendingParameterFilePath(path_).c_str());
    }
    {
        SCOPED_TRACE("the temporary file cannot be made, but the file itself can be written over");
        ASSERT_TRUE(WriteFileBytes(path_, previous));
        ASSERT_TRUE(CreateDirectoryW(PendingParameterFilePath(path_).c_str(), nullptr));
        MessageBoxCatcher catcher;
        EXPECT_TRUE(SaveParameterFile(kCaption, path_, changed));
        EXPECT_TRUE(catcher.boxes().empty());
        EXPECT_EQ(ReadFileBytes(path_), EncodeParameterFile(changed).bytes);
        RemoveDirectoryW(PendingParameterFilePath(path_).c_str());
    }
    {
        SCOPED_TRACE("the old file cannot be replaced");
        ASSERT_TRUE(WriteFileBytes(path_, previous));
        // Another program holds the file open and shares nothing.
        UniqueHandle holder(CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.valid());
        MessageBoxCatcher catcher;
        EXPECT_FALSE(SaveParameterFile(kCaption, path_, changed));
        ASSERT_EQ(catcher.boxes().size(), 1u);
        ExpectBox(catcher.boxes()[0], kCaption, cannotBeOpen, Icon::information);
        holder.Reset();
        EXPECT_EQ(ReadFileBytes(path_), previous);
        EXPECT_FALSE(FileExists(PendingParameterFilePath(path_)));
    }
    {
        SCOPED_TRACE("after the failures a save works again");
        MessageBoxCatcher catcher;
        EXPECT_TRUE(SaveParameterFile(kCaption, path_, changed));
        EXPECT_TRUE(catcher.boxes().empty());
        EXPECT_EQ(ReadFileBytes(path_), EncodeParameterFile(changed).bytes);
    }
}

namespace {

// Passes every call of a save to the system but the one numbered `failAt`
// (counting from 1), which fails as a full disk or a vanished network share
// makes it fail. A write takes at most 1000 bytes, so that the save of a full
// table makes ten of them and each can be the one that fails.
class FaultyCalls : public SaveFileCalls {
public:
    enum class WriteFault {
        error,       // part of the bytes reach the file, then an error
        noProgress,  // success with nothing written
    };

    FaultyCalls(int failAt, WriteFault writeFault, bool refuseNewFiles = false)
        : failAt_(failAt), writeFault_(writeFault), refuseNewFiles_(refuseNewFiles) {}

    bool failed() const { return calls_ >= failAt_; }
    const std::vector<std::string>& log() const { return log_; }

    HANDLE Create(const std::wstring& path) override {
        // A folder that refuses new files refuses every one, and that is no
        // fault injected: the calls that follow are counted instead.
        if (refuseNewFiles_) {
            log_.push_back("create refused");
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        if (Fails("create")) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        return SaveFileCalls::Create(path);
    }
    HANDLE OpenExisting(const std::wstring& path) override {
        if (Fails("open existing")) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE;
        }
        return SaveFileCalls::OpenExisting(path);
    }
    bool Truncate(HANDLE file) override {
        if (Fails("truncate")) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        return SaveFileCalls::Truncate(file);
    }
    bool Copy(const std::wstring& from, const std::wstring& to) override {
        if (Fails("copy")) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        return SaveFileCalls::Copy(from, to);
    }
    bool Write(HANDLE file, const unsigned char* bytes, DWORD size, DWORD& written) override {
        size = std::min<DWORD>(size, 1000);
        if (!Fails("write")) return SaveFileCalls::Write(file, bytes, size, written);
        written = 0;
        if (writeFault_ == WriteFault::noProgress) return true;
        DWORD part = 0;
        SaveFileCalls::Write(file, bytes, size / 2, part);
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    bool Flush(HANDLE file) override {
        if (Fails("flush")) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        return SaveFileCalls::Flush(file);
    }
    bool Close(HANDLE file) override {
        // The handle is gone either way; only the report differs.
        const bool closed = SaveFileCalls::Close(file);
        return !Fails("close") && closed;
    }
    bool Replace(const std::wstring& from, const std::wstring& to) override {
        if (Fails("replace")) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        return SaveFileCalls::Replace(from, to);
    }
    bool Remove(const std::wstring& path) override {
        log_.push_back("remove");
        return SaveFileCalls::Remove(path);
    }

private:
    bool Fails(const char* call) {
        log_.push_back(call);
        return ++calls_ == failAt_;
    }

    int failAt_;
    WriteFault writeFault_;
    bool refuseNewFiles_;
    int calls_ = 0;
    std::vector<std::string> log_;
};

}  // namespace

TEST_F(ParameterFile, ASaveThatFailsAtAnyCallKeepsThePreviousFileByteForByte) {
    const wchar_t* cannotBeOpen = L"The file of parameters cannot be open.\nParameters will not be written.";
    const std::vector<unsigned char> previous = EncodeParameterFile(DistinctTable(100)).bytes;
    MaterialTable changed = DistinctTable(100);
    changed.columns[kEg].entries[99] = 0.5;

    int faults = 0;
    for (bool hadFile : {true, false}) {
        for (FaultyCalls::WriteFault writeFault :
             {FaultyCalls::WriteFault::error, FaultyCalls::WriteFault::noProgress}) {
            for (int failAt = 1;; ++failAt) {
                SCOPED_TRACE(testing::Message()
                             << (hadFile ? "over a file" : "first save") << ", write fault "
                             << static_cast<int>(writeFault) << ", call " << failAt << " fails");
                DeleteFileW(path_.c_str());
                if (hadFile) {
                    ASSERT_TRUE(WriteFileBytes(path_, previous));
                }
                const FolderContents before = ContentsOf(folder_.path());

                FaultyCalls calls(failAt, writeFault);
                MessageBoxCatcher catcher;
                const bool saved = SaveParameterFile(kCaption, path_, changed, calls);
                if (hadFile && failAt == 1) {
                    // No temporary file: the file itself is written over.
                    ASSERT_EQ(calls.log().front(), "create");
                    EXPECT_TRUE(saved);
                    EXPECT_TRUE(catcher.boxes().empty());
                    EXPECT_EQ(ContentsOf(folder_.path()),
                              (FolderContents{{L"Tesmor.smp", EncodeParameterFile(changed).bytes}}));
                    continue;
                }
                if (!calls.failed()) {
                    // Every call has had its turn: this save went through.
                    EXPECT_TRUE(saved);
                    EXPECT_TRUE(catcher.boxes().empty());
                    EXPECT_EQ(ContentsOf(folder_.path()),
                              (FolderContents{{L"Tesmor.smp", EncodeParameterFile(changed).bytes}}));
                    EXPECT_GE(std::count(calls.log().begin(), calls.log().end(), "write"), 10);
                    break;
                }
                ++faults;
                EXPECT_FALSE(saved);
                ASSERT_EQ(catcher.boxes().size(), 1u);
                ExpectBox(catcher.boxes()[0], kCaption, cannotBeOpen, Icon::information);
                // The previous file as it was (or none), and no temporary file left.
                EXPECT_EQ(ContentsOf(folder_.path()), before);
                ASSERT_LT(failAt, 50) << "the save never got through";
            }
        }
    }
    std::printf("parameter file: %d failed saves injected\n", faults);
}

// In a folder that refuses new files the file is written over, which cannot
// be undone half-way: a failure there is told, and leaves no other file.
TEST_F(ParameterFile, ASaveOverTheFileThatFailsAtAnyCallIsToldAndMakesNoOtherFile) {
    const wchar_t* cannotBeOpen = L"The file of parameters cannot be open.\nParameters will not be written.";
    // Longer than the new table, so that a missing truncation shows.
    const std::vector<unsigned char> previous = EncodeParameterFile(DistinctTable(100)).bytes;
    const MaterialTable changed = DistinctTable(60);
    int faults = 0;
    for (FaultyCalls::WriteFault writeFault :
         {FaultyCalls::WriteFault::error, FaultyCalls::WriteFault::noProgress}) {
        for (int failAt = 1;; ++failAt) {
            SCOPED_TRACE(testing::Message() << "write fault " << static_cast<int>(writeFault) << ", call "
                                            << failAt << " fails");
            ASSERT_TRUE(WriteFileBytes(path_, previous));
            FaultyCalls calls(failAt, writeFault, true);
            MessageBoxCatcher catcher;
            const bool saved = SaveParameterFile(kCaption, path_, changed, calls);
            const FolderContents after = ContentsOf(folder_.path());
            ASSERT_EQ(after.size(), 1u);
            ASSERT_EQ(after.count(L"Tesmor.smp"), 1u);
            if (!calls.failed()) {
                EXPECT_TRUE(saved);
                EXPECT_TRUE(catcher.boxes().empty());
                EXPECT_EQ(after.at(L"Tesmor.smp"), EncodeParameterFile(changed).bytes);
                EXPECT_EQ(std::count(calls.log().begin(), calls.log().end(), "truncate"), 1);
                break;
            }
            ++faults;
            EXPECT_FALSE(saved);
            ASSERT_EQ(catcher.boxes().size(), 1u);
            ExpectBox(catcher.boxes()[0], kCaption, cannotBeOpen, Icon::information);
            ASSERT_LT(failAt, 50) << "the save never got through";
        }
    }
    std::printf("parameter file: %d failed saves over the file injected\n", faults);
}

TEST_F(ParameterFile, AFileThatCouldNotBeUsedIsKeptAsTheBackupWhenASaveReplacesIt) {
    const std::wstring backup = BackupParameterFilePath(path_);
    EXPECT_EQ(backup, folder_.File(L"Tesmor.smp.bak"));
    const std::vector<unsigned char> damaged = {0x65, 0x00, 0x00, 0x00, 1, 2, 3};
    const MaterialTable table = DistinctTable(100);
    SaveOptions keep;
    keep.backUpOldFile = true;
    {
        SCOPED_TRACE("the first save keeps the old bytes, replacing an older backup");
        ASSERT_TRUE(WriteFileBytes(path_, damaged));
        ASSERT_TRUE(WriteFileBytes(backup, {9, 9, 9}));
        MessageBoxCatcher catcher;
        MaterialTable loaded = FreshTable();
        EXPECT_EQ(LoadParameterFile(kCaption, path_, loaded), ParameterFileLoad::unusable);
        EXPECT_TRUE(SaveParameterFile(kCaption, path_, table, keep));
        EXPECT_EQ(catcher.boxes().size(), 1u);  // only the damaged-file box of the load
        EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.smp", EncodeParameterFile(table).bytes},
                                                              {L"Tesmor.smp.bak", damaged}}));
    }
    {
        SCOPED_TRACE("a backup that cannot be made stops the save");
        DeleteFileW(backup.c_str());
        ASSERT_TRUE(WriteFileBytes(path_, damaged));
        ASSERT_TRUE(CreateDirectoryW(backup.c_str(), nullptr));
        const FolderContents before = ContentsOf(folder_.path());
        MessageBoxCatcher catcher;
        EXPECT_FALSE(SaveParameterFile(kCaption, path_, table, keep));
        ASSERT_EQ(catcher.boxes().size(), 1u);
        ExpectBox(catcher.boxes()[0], kCaption,
                  L"The file of parameters cannot be open.\nParameters will not be written.", Icon::information);
        EXPECT_EQ(ContentsOf(folder_.path()), before);
        RemoveDirectoryW(backup.c_str());
    }
    {
        SCOPED_TRACE("the old file has gone meanwhile: nothing to keep");
        DeleteFileW(path_.c_str());
        MessageBoxCatcher catcher;
        EXPECT_TRUE(SaveParameterFile(kCaption, path_, table, keep));
        EXPECT_TRUE(catcher.boxes().empty());
        EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.smp", EncodeParameterFile(table).bytes}}));
    }
}

TEST_F(ParameterFile, AQuietSaveThatFailsTellsNothingAndKeepsThePreviousFile) {
    const std::vector<unsigned char> previous = EncodeParameterFile(DistinctTable(5)).bytes;
    ASSERT_TRUE(WriteFileBytes(path_, previous));
    UniqueHandle holder(CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());
    SaveOptions quiet;
    quiet.quiet = true;
    MessageBoxCatcher catcher;
    EXPECT_FALSE(SaveParameterFile(kCaption, path_, DistinctTable(9), quiet));
    EXPECT_TRUE(catcher.boxes().empty());
    holder.Reset();
    EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.smp", previous}}));
}

// A Tesmor.smp that is a symbolic link to a table kept elsewhere (one table for
// several program folders) is saved where the link leads: the link stays a
// link, and no file is made beside it.
TEST_F(ParameterFile, ALinkIsSavedThroughAndStaysALink) {
    ScratchFolder elsewhere;
    const std::wstring target = elsewhere.File(L"Shared.smp");
    const std::vector<unsigned char> previous = EncodeParameterFile(DistinctTable(5)).bytes;
    ASSERT_TRUE(WriteFileBytes(target, previous));
    if (!MakeSymbolicLink(path_, target)) GTEST_SKIP() << "no symbolic link can be made here";
    ASSERT_EQ(ReadFileBytes(path_), previous) << "the link does not lead to the table";

    const MaterialTable changed = DistinctTable(9);
    MessageBoxCatcher catcher;
    EXPECT_TRUE(SaveParameterFile(kCaption, path_, changed));
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(ContentsOf(elsewhere.path()), (FolderContents{{L"Shared.smp", EncodeParameterFile(changed).bytes}}));
    EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.smp", EncodeParameterFile(changed).bytes}}));

    // Still a link: what the table elsewhere holds is what the link reads.
    ASSERT_TRUE(WriteFileBytes(target, previous));
    EXPECT_EQ(ReadFileBytes(path_), previous);
    DeleteFileW(path_.c_str());
}

// The save at a close writes only a changed table: a table read and left as
// it was does not undo what another copy saved meanwhile, and leaves a
// read-only file silent; a change is written, and only once.
TEST_F(ParameterFile, TheSaveAtACloseWritesOnlyAChangedTable) {
    const std::vector<unsigned char> first = EncodeParameterFile(DistinctTable(5)).bytes;
    ASSERT_TRUE(WriteFileBytes(path_, first));
    MaterialTable table = FreshTable();
    std::vector<unsigned char> fileBytes;
    MessageBoxCatcher catcher;
    ASSERT_EQ(LoadParameterFile(kCaption, path_, table, &fileBytes), ParameterFileLoad::loaded);
    EXPECT_EQ(fileBytes, first);

    const std::vector<unsigned char> others = EncodeParameterFile(DistinctTable(7)).bytes;
    ASSERT_TRUE(WriteFileBytes(path_, others));
    EXPECT_TRUE(SaveChangedParameterFile(kCaption, path_, table, fileBytes));
    EXPECT_EQ(ReadFileBytes(path_), others) << "an unchanged table was written";

    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(SaveChangedParameterFile(kCaption, path_, table, fileBytes));
    EXPECT_TRUE(catcher.boxes().empty());
    table.columns[kEg].entries[0] = 0.5;
    EXPECT_FALSE(SaveChangedParameterFile(kCaption, path_, table, fileBytes));
    ASSERT_EQ(catcher.boxes().size(), 1u);
    ExpectBox(catcher.boxes()[0], kCaption, L"The file of parameters cannot be open.\nParameters will not be written.",
              Icon::information);
    EXPECT_NE(GetFileAttributesW(path_.c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << "the read-only file was replaced";
    EXPECT_EQ(ContentsOf(folder_.path()), (FolderContents{{L"Tesmor.smp", others}}));
    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL));

    EXPECT_TRUE(SaveChangedParameterFile(kCaption, path_, table, fileBytes));
    EXPECT_EQ(ReadFileBytes(path_), EncodeParameterFile(table).bytes);
    EXPECT_EQ(fileBytes, EncodeParameterFile(table).bytes);
    ASSERT_TRUE(WriteFileBytes(path_, others));
    EXPECT_TRUE(SaveChangedParameterFile(kCaption, path_, table, fileBytes));
    EXPECT_EQ(ReadFileBytes(path_), others) << "a change was written twice";

    // No file at start, or one that could not be used: there is nothing the
    // table came from, so it is written.
    DeleteFileW(path_.c_str());
    MaterialTable defaults = FreshTable();
    ASSERT_EQ(LoadParameterFile(kCaption, path_, defaults, &fileBytes), ParameterFileLoad::missing);
    EXPECT_TRUE(fileBytes.empty());
    EXPECT_TRUE(SaveChangedParameterFile(kCaption, path_, defaults, fileBytes));
    EXPECT_EQ(ReadFileBytes(path_).size(), 9604u);
    ASSERT_EQ(catcher.boxes().size(), 2u);  // the load's "Will be!"
}

TEST_F(ParameterFile, ALeftoverTemporaryFileDoesNotStopTheNextSave) {
    ASSERT_TRUE(WriteFileBytes(PendingParameterFilePath(path_), {1, 2, 3}));
    MessageBoxCatcher catcher;
    EXPECT_TRUE(SaveParameterFile(kCaption, path_, DistinctTable(2)));
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(ReadFileBytes(path_), EncodeParameterFile(DistinctTable(2)).bytes);
    EXPECT_FALSE(FileExists(PendingParameterFilePath(path_)));
}

TEST_F(ParameterFile, SelectorsOutsideTheirRangeAreReportedAsInternalErrors) {
    // The program's own selectors are 0 and 1; these checks guard the codec.
    const wchar_t* mustNotHappen =
        L"\u041D\u0435 \u0434\u043E\u043B\u0436\u043D\u043E \u0431\u044B\u0442\u044C!";
    MaterialTable odd = DistinctTable(4);
    odd.columns[kB].byteSelector = 9;
    {
        MessageBoxCatcher catcher;
        EXPECT_TRUE(SaveParameterFile(kCaption, path_, odd));
        ASSERT_EQ(catcher.boxes().size(), 1u);
        ExpectBox(catcher.boxes()[0], L"void Write...(...)", mustNotHappen, Icon::error);
        // The column is left out of the file.
        EXPECT_EQ(ReadFileBytes(path_).size(), ParameterFileSize(4) - 8 * 4);
    }
    {
        ASSERT_TRUE(WriteFileBytes(path_, EncodeParameterFile(DistinctTable(4)).bytes));
        MaterialTable table = odd;
        MessageBoxCatcher catcher;
        EXPECT_EQ(LoadParameterFile(kCaption, path_, table), ParameterFileLoad::loaded);
        ASSERT_EQ(catcher.boxes().size(), 1u);
        ExpectBox(catcher.boxes()[0], L"void Read.2.(...)", mustNotHappen, Icon::error);
        // The other columns are read as usual.
        EXPECT_EQ(table.columns[kNd].entries[3], DistinctTable(4).columns[kNd].entries[3]);
        EXPECT_EQ(table.columns[kARand].entries[0], DistinctTable(4).columns[kARand].entries[0]);
    }
}

// Storage says what happened and shows nothing: a load or a save under a
// window that must not be interrupted (a series running, the end of the
// session) decides itself what the user hears.
TEST_F(ParameterFile, ReadingAndWritingShowNothingAndSayWhatHappened) {
    MessageBoxCatcher catcher;
    MaterialTable table = DistinctTable(7);
    ParameterFileRead read = ReadParameterFile(path_, table);
    EXPECT_EQ(read.load, ParameterFileLoad::missing);
    EXPECT_EQ(read.notice, ParameterFileNotice::doesNotOpen);
    ExpectDefaults(table);

    ASSERT_TRUE(WriteFileBytes(path_, {3, 0, 0, 0, 1, 2}));
    table = DistinctTable(7);
    read = ReadParameterFile(path_, table);
    EXPECT_EQ(read.load, ParameterFileLoad::unusable);
    EXPECT_EQ(read.notice, ParameterFileNotice::damaged);
    ExpectDefaults(table);

    SaveFileCalls system;
    const ParameterFileWrite nowhere =
        WriteParameterFile(folder_.File(L"missing\\Tesmor.smp"), DistinctTable(9), system, false);
    EXPECT_FALSE(nowhere.written);
    EXPECT_FALSE(nowhere.internalError);

    MaterialTable uncountable = DistinctTable(9);
    uncountable.materialCount = kMaxMaterials + 1;
    const ParameterFileWrite refused = WriteParameterFile(path_, uncountable, system, false);
    EXPECT_FALSE(refused.written);
    EXPECT_TRUE(refused.internalError);
    EXPECT_EQ(ReadFileBytes(path_), (std::vector<unsigned char>{3, 0, 0, 0, 1, 2}));

    EXPECT_TRUE(catcher.boxes().empty());
}
