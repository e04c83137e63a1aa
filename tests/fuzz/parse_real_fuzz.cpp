// ParseReal on any text: never fails, never reads outside the text, never
// gives a NaN (there is no text for one), and a number it reads shows and reads
// back the same way. What FindReal says it read is what it read, a balloon's
// note comes exactly for a text not read whole, and the log's text for the
// value reads back as that value.
#include <cmath>
#include <cstdlib>

#include "fuzz_text.h"
#include "measurements/measurement_log.h"
#include "numtext/number_format.h"
#include "numtext/number_parse.h"
#include "numtext/read_as_note.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = WideTextOf(data, size);
    const double value = ParseReal(text);
    if (std::isnan(value)) std::abort();
    const NumberSpan span = FindReal(text);
    if (span.begin > span.end || span.end > text.size()) std::abort();
    const double read = ParseReal(text.substr(span.begin, span.end - span.begin));
    if (read != value || std::signbit(read) != std::signbit(value)) std::abort();
    if (RealReadAsNote(text).empty() != ReadsWhole(text, span)) std::abort();
    const std::wstring logged = LoggedText(text, value);
    if (ShownValue(logged) != value || logged.size() > MeasurementLog::kMaxTextLength) std::abort();
    // Subnormals hold fewer digits than the table shows; they are left out.
    if (!std::isfinite(value) || (value != 0 && std::fabs(value) < 2.2250738585072014e-308)) return 0;
    // Reading the shown text again gives the same number of the shown digits.
    const std::wstring shown = FormatReal(value, kTableFormat, true);
    const double again = ParseReal(shown);
    if (std::isfinite(again) && FormatReal(again, kTableFormat, true) != shown) std::abort();
    if (std::isinf(again) && std::fabs(value) < 1.79e308) std::abort();
    return 0;
}
