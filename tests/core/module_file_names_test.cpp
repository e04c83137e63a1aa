#include "storage/module_file_names.h"

#include <gtest/gtest.h>

TEST(ModuleFileBase, CutsTheLastThreeCharactersWhateverTheyAre) {
    struct Case {
        const wchar_t* path;
        const wchar_t* base;
    } cases[] = {
        {L"D:\\Lab\\lab.exe", L"D:\\Lab\\lab."},
        {L"C:\\Program Files\\Tesmor\\Tesmor.exe", L"C:\\Program Files\\Tesmor\\Tesmor."},
        {L"C:\\x\\prog.ex", L"C:\\x\\prog"},  // a two-letter extension cuts into the name
        {L"C:\\x.y\\prog", L"C:\\x.y\\p"},    // no extension at all: no search for a dot
        {L"\\\\server\\share\\t.EXE", L"\\\\server\\share\\t."},
        {L"abc", L""},
        {L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "path of length " << std::wstring(c.path).size());
        EXPECT_EQ(ModuleFileBase(c.path), c.base);
    }
    EXPECT_EQ(ModuleFileBase(L"D:\\Lab\\lab.exe") + kParameterFileExtension, L"D:\\Lab\\lab.smp");
    EXPECT_EQ(ModuleFileBase(L"D:\\Lab\\lab.exe") + kHelpFileExtension, L"D:\\Lab\\lab.chm");
    EXPECT_EQ(ModuleFileBase(L"D:\\Lab\\lab.exe") + kLogFileExtension, L"D:\\Lab\\lab.csv");
}
