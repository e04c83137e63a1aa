// The parameters file in a folder that refuses new files, as when the program
// is installed where its users may write only its own files, or nothing at
// all. Run by read_only_folder.sh, which makes such a folder with files of two
// materials in it (Tesmor.smp writable, Locked.smp not, Damaged.smp cut short)
// and names it in TESMOR_READ_ONLY_FOLDER.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "measurements/log_location_win.h"
#include "measurements/log_store_win.h"
#include "message_box_catcher.h"
#include "scratch_folder.h"
#include "storage/parameter_codec.h"
#include "storage/parameter_file_win.h"
#include "app/parameter_file_notices_win.h"

namespace {

const std::wstring kCaption = L"Experimental Setup for Hall-Effect Measurement";
const wchar_t kCannotBeOpen[] = L"The file of parameters cannot be open.\nParameters will not be written.";

class ReadOnlyFolder : public testing::Test {
protected:
    void SetUp() override {
        const wchar_t* named = _wgetenv(L"TESMOR_READ_ONLY_FOLDER");
        ASSERT_NE(named, nullptr) << "TESMOR_READ_ONLY_FOLDER names no folder";
        folder_ = named;
        // The folder really refuses new files.
        HANDLE probe = CreateFileW((folder_ + L"\\probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            CloseHandle(probe);
            DeleteFileW((folder_ + L"\\probe").c_str());
        }
        ASSERT_EQ(probe, INVALID_HANDLE_VALUE) << "the folder can be written to";
        before_ = ContentsOf(folder_);
    }

    std::wstring folder_;
    FolderContents before_;
};

}  // namespace

TEST_F(ReadOnlyFolder, TheFileIsReadButTheSaveAtCloseFailsAndLeavesItAsItWas) {
    const std::wstring path = folder_ + L"\\Locked.smp";
    ASSERT_EQ(before_.count(L"Locked.smp"), 1u);

    MaterialTable table;
    table.Initialise();
    MessageBoxCatcher catcher;
    ASSERT_EQ(LoadParameterFile(kCaption, path, table), ParameterFileLoad::loaded);
    EXPECT_TRUE(catcher.boxes().empty());
    ASSERT_EQ(table.materialCount, 2);

    table.columns[kEg].entries[0] = 1.25;  // the teacher's change, which cannot be kept
    EXPECT_FALSE(SaveParameterFile(kCaption, path, table));
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].caption, kCaption);
    EXPECT_EQ(catcher.boxes()[0].text, kCannotBeOpen);
    EXPECT_EQ(ContentsOf(folder_), before_);
}

TEST_F(ReadOnlyFolder, WithoutAFileTheDefaultsAreUsedAndNothingIsMade) {
    const std::wstring path = folder_ + L"\\Other.smp";
    MaterialTable table;
    table.Initialise();
    MessageBoxCatcher catcher;
    EXPECT_EQ(LoadParameterFile(kCaption, path, table), ParameterFileLoad::missing);
    EXPECT_EQ(table.materialCount, kMaxMaterials);
    EXPECT_FALSE(SaveParameterFile(kCaption, path, table));
    ASSERT_EQ(catcher.boxes().size(), 2u);
    EXPECT_EQ(catcher.boxes()[1].text, kCannotBeOpen);
    EXPECT_EQ(ContentsOf(folder_), before_);
}

TEST_F(ReadOnlyFolder, AFileThatMayBeWrittenIsSavedOverItselfAndNothingElseIsMade) {
    const std::wstring path = folder_ + L"\\Tesmor.smp";
    MaterialTable table;
    table.Initialise();
    MessageBoxCatcher catcher;
    ASSERT_EQ(LoadParameterFile(kCaption, path, table), ParameterFileLoad::loaded);
    ASSERT_EQ(table.materialCount, 2);

    table.columns[kEg].entries[0] = 1.25;
    EXPECT_TRUE(SaveParameterFile(kCaption, path, table));
    EXPECT_TRUE(catcher.boxes().empty());
    FolderContents expected = before_;
    expected[L"Tesmor.smp"] = EncodeParameterFile(table).bytes;
    EXPECT_EQ(ContentsOf(folder_), expected);

    MaterialTable again;
    again.Initialise();
    ASSERT_EQ(LoadParameterFile(kCaption, path, again), ParameterFileLoad::loaded);
    EXPECT_EQ(again.columns[kEg].entries[0], 1.25);
}

TEST_F(ReadOnlyFolder, ADamagedFileIsNotWrittenOverWhereNoBackupCanBeMade) {
    const std::wstring path = folder_ + L"\\Damaged.smp";
    MaterialTable table;
    table.Initialise();
    MessageBoxCatcher catcher;
    ASSERT_EQ(LoadParameterFile(kCaption, path, table), ParameterFileLoad::unusable);
    SaveOptions keep;
    keep.backUpOldFile = true;
    EXPECT_FALSE(SaveParameterFile(kCaption, path, table, keep));
    ASSERT_EQ(catcher.boxes().size(), 2u);
    EXPECT_EQ(catcher.boxes()[1].text, kCannotBeOpen);
    EXPECT_EQ(ContentsOf(folder_), before_);
}

// A program folder the student cannot write to keeps no log: the log lives in
// the user's Documents\Tesmor, every reading saved there, and nothing is told.
TEST_F(ReadOnlyFolder, TheMeasurementLogGoesToTheUsersDocumentsAndEveryReadingIsSaved) {
    const std::wstring name = L"Lab-" + std::to_wstring(GetCurrentProcessId()) + L".csv";
    const std::wstring documents = DocumentsTesmorFolder();
    ASSERT_FALSE(documents.empty());
    const std::wstring there = documents + L"\\" + name;
    DeleteFileW(there.c_str());

    std::vector<std::wstring> told;
    LogStore store(folder_ + L"\\" + name, [&](const std::wstring& text) { told.push_back(text); });
    store.Load();
    EXPECT_FALSE(store.besideProgram());
    EXPECT_EQ(store.file().path(), there);
    MeasurementRow row;
    row.time = L"2026-12-09 10:00:00";
    row.material = 1;
    row.temperature = L"300.00";
    EXPECT_EQ(store.Append(row), 1);
    EXPECT_EQ(store.Append(row), 2);
    EXPECT_FALSE(store.unsaved());
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(ReadFileBytes(there).size() > 0, true);
    EXPECT_EQ(ContentsOf(folder_), before_);
    DeleteFileW(there.c_str());
}

// Closing without a change leaves a file that may not be written alone, and
// says nothing: no "cannot be open" at every close.
TEST_F(ReadOnlyFolder, AnUnchangedTableOfAFileThatMayNotBeWrittenIsLeftAloneSilently) {
    const std::wstring path = folder_ + L"\\Locked.smp";
    MaterialTable table;
    table.Initialise();
    std::vector<unsigned char> fileBytes;
    MessageBoxCatcher catcher;
    ASSERT_EQ(LoadParameterFile(kCaption, path, table, &fileBytes), ParameterFileLoad::loaded);
    EXPECT_TRUE(SaveChangedParameterFile(kCaption, path, table, fileBytes));
    EXPECT_TRUE(SaveChangedParameterFile(kCaption, path, table, fileBytes));
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(ContentsOf(folder_), before_);
}
