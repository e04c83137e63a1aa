#pragma once

#include <windows.h>

#include <string>

// Where the measurement log lives. Beside the program, as its other files do,
// when this user may write there (a folder of their own, a USB stick). A
// program folder that refuses it (installed for all users, unpacked where
// students cannot write, a read-only share) would leave every reading unsaved,
// and Windows might even redirect the writes into a private copy the user
// never sees: the log then lives in the user's Documents, in a folder
// "Tesmor" made when it is first written.
struct LogLocation {
    std::wstring path;
    bool besideProgram = true;
};
LogLocation ChooseLogLocation(const std::wstring& besideProgram);

// The user's Documents\Tesmor, whether it exists or not; empty when the
// system names no Documents folder.
std::wstring DocumentsTesmorFolder();

// Where rows that could not be saved go when the session ends: in
// Documents\Tesmor, the log's name with "unsaved" and the time after it,
// "Tesmor unsaved 2026-12-09 16-05-31.csv".
std::wstring RescueLogFilePath(const std::wstring& logPath, const SYSTEMTIME& now);
