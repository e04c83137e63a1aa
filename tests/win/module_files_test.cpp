#include "storage/module_files_win.h"

#include <gtest/gtest.h>

#include <cwctype>

#include "base/module.h"

TEST(ResolveModuleFiles, PutsTheFilesBesideTheExecutableAndReadsTheTitle) {
    HWND window = CreateWindowExW(0, L"STATIC", L"Experimental Setup for Hall-Effect Measurement", WS_POPUP,
                                  0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ModuleFiles files = ResolveModuleFiles(window, L"smp");
    DestroyWindow(window);

    std::wstring exe = ModulePath();
    ASSERT_GT(exe.size(), 4u);
    std::wstring extension = exe.substr(exe.size() - 4);
    for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
    EXPECT_EQ(extension, L".exe");

    std::wstring base = exe.substr(0, exe.size() - 3);
    EXPECT_EQ(files.parameterFilePath, base + L"smp");
    EXPECT_EQ(files.helpFilePath, base + L"chm");
    EXPECT_EQ(files.logFilePath, base + L"csv");
    EXPECT_EQ(files.caption, L"Experimental Setup for Hall-Effect Measurement");
}

TEST(ResolveModuleFiles, TakesAtMost126CharactersOfTheTitle) {
    std::wstring title;
    for (int i = 0; i < 200; ++i) title += static_cast<wchar_t>(L'a' + i % 26);
    HWND window = CreateWindowExW(0, L"STATIC", title.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ModuleFiles files = ResolveModuleFiles(window, L"smp");
    DestroyWindow(window);
    EXPECT_EQ(files.caption, title.substr(0, 126));
}
