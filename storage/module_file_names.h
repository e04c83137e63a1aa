#pragma once

#include <string>

// The program's own files lie beside the executable and share its name: the
// last three characters of the executable's path (the extension, whatever it
// is) are replaced. D:\Lab\lab.exe gives D:\Lab\lab.smp, D:\Lab\lab.chm and
// D:\Lab\lab.csv.
inline constexpr const wchar_t* kParameterFileExtension = L"smp";
inline constexpr const wchar_t* kHelpFileExtension = L"chm";
inline constexpr const wchar_t* kLogFileExtension = L"csv";

// The path less its last three characters ("...\Prog.exe" gives "...\Prog.").
std::wstring ModuleFileBase(const std::wstring& modulePath);
