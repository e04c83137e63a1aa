// The parameters file in a folder nobody may write to, as when the program is
// installed where its users have only read access. Run by read_only_folder.sh,
// which makes such a folder with a file of two materials in it and names it in
// TESMOR_READ_ONLY_FOLDER.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "message_box_catcher.h"
#include "scratch_folder.h"
#include "storage/parameter_file.h"

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
    const std::wstring path = folder_ + L"\\Tesmor.smp";
    ASSERT_EQ(before_.count(L"Tesmor.smp"), 1u);

    MaterialTable table;
    table.Initialise();
    MessageBoxCatcher catcher;
    ASSERT_TRUE(LoadParameterFile(kCaption, path, table));
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
    EXPECT_FALSE(LoadParameterFile(kCaption, path, table));
    EXPECT_EQ(table.materialCount, kMaxMaterials);
    EXPECT_FALSE(SaveParameterFile(kCaption, path, table));
    ASSERT_EQ(catcher.boxes().size(), 2u);
    EXPECT_EQ(catcher.boxes()[1].text, kCannotBeOpen);
    EXPECT_EQ(ContentsOf(folder_), before_);
}
