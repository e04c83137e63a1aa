#include "numtext/edit_text_win.h"

#include "numtext/number_format.h"
#include "numtext/number_parse.h"

void SetEditReal(HWND window, double value, const wchar_t* format) {
    SetWindowTextW(window, FormatReal(value, format, true).c_str());
}

void SetEditInteger(HWND window, int value, const wchar_t* format) {
    SetWindowTextW(window, FormatInteger(value, format).c_str());
}

std::wstring ReadWindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

double ReadEditReal(HWND window) {
    return ParseReal(ReadWindowText(window));
}

int ReadEditInteger(HWND window) {
    return ParseInteger(ReadWindowText(window));
}

EditUpdate UpdateFromEdit(HWND window, double& value, std::optional<double> min, std::optional<double> max) {
    double a = ReadEditReal(window);
    if (a == value) return EditUpdate::unchanged;
    if (min && a < *min) return EditUpdate::outOfRange;
    if (max && a > *max) return EditUpdate::outOfRange;
    value = a;
    return EditUpdate::changed;
}
