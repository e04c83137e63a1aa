// FormatReal on any double, in the panel's and the table's formats: the text
// reads back as the value rounded to the shown digits, and shows again as the
// same text.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "numtext/number_format.h"
#include "numtext/number_parse.h"

namespace {

void Check(double value, const wchar_t* format, int digits) {
    const std::wstring text = FormatReal(value, format, true);
    if (std::isnan(value)) {
        if (text.find(L"1.#") == std::wstring::npos) std::abort();
        return;
    }
    if (std::isinf(value)) {
        if (text != (value < 0 ? L"-1.#INF" : L"1.#INF")) std::abort();
        return;
    }
    const double back = ParseReal(text);
    // Rounding to the shown digits can only leave the double range at its very top.
    if (std::isinf(back)) {
        if (std::fabs(value) < 1.79e308) std::abort();
        return;
    }
    // A subnormal has fewer significant bits than the shown digits need: it
    // reads back only to within its own spacing.
    if (std::fabs(value) < 2.2250738585072014e-308) {
        if (std::fabs(back - value) > std::fabs(value) * 5e-5 + 1e-322) std::abort();
        return;
    }
    // Within half a unit of the last shown digit (and a little for the
    // conversions themselves).
    const double unit =
        value == 0 ? 0 : std::pow(10.0, std::floor(std::log10(std::fabs(value))) - (digits - 1));
    if (std::fabs(back - value) > unit * 0.5000001 + std::fabs(value) * 1e-15) std::abort();
    if (std::signbit(back) != std::signbit(value) && back != 0) std::abort();
    if (FormatReal(back, format, true) != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < sizeof(double)) return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    Check(value, kPanelFormat, 5);
    Check(value, kTableFormat, 8);
    return 0;
}
