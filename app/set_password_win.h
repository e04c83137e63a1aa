#pragma once

#include <windows.h>

// `Tesmor.exe /SETPASSWORD`: the installer's way to set the school's
// password. The password comes in the environment variable named below, so
// that it never shows in a list of processes; its digest goes into the
// password file beside the table. No window is shown and the panel is not
// started: a copy of the program that is running meanwhile is neither stopped
// nor brought forward, and its password dialog takes the new password at its
// next try.
inline constexpr const wchar_t* kSetPasswordSwitch = L"/SETPASSWORD";
inline constexpr const wchar_t* kNewPasswordVariable = L"TESMOR_NEW_PASSWORD";

// The exit codes of a run with the switch.
enum SetPasswordExit : int {
    kPasswordSet = 0,
    kPasswordNotWritten = 1,  // the file could not be written, or the digest not made
    kNoNewPassword = 2,       // the variable is missing, empty, or longer than the dialog takes
};

// Whether the command line (less the program's name) is the switch alone, in
// any letter case, with blanks around it or not.
bool IsSetPasswordCommand(const wchar_t* commandLine);

// Sets the password from the variable; one of the exit codes above.
int SetSchoolPassword();
