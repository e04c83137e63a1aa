// ParseReal on any text: never fails, never reads outside the text, never
// gives a NaN (there is no text for one), and a number it reads shows and reads
// back the same way.
#include <cmath>
#include <cstdlib>

#include "fuzz_text.h"
#include "numtext/number_format.h"
#include "numtext/number_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = WideTextOf(data, size);
    const double value = ParseReal(text);
    if (std::isnan(value)) std::abort();
    // Subnormals hold fewer digits than the table shows; they are left out.
    if (!std::isfinite(value) || (value != 0 && std::fabs(value) < 2.2250738585072014e-308)) return 0;
    // Reading the shown text again gives the same number of the shown digits.
    const std::wstring shown = FormatReal(value, kTableFormat, true);
    const double again = ParseReal(shown);
    if (std::isfinite(again) && FormatReal(again, kTableFormat, true) != shown) std::abort();
    if (std::isinf(again) && std::fabs(value) < 1.79e308) std::abort();
    return 0;
}
