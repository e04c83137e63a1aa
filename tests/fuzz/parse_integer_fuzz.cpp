// ParseInteger on any text: never fails and never reads outside the text; a
// text that is just a decimal number of int range reads as that number. What
// FindInteger says it read is what it read, and the saturating reader differs
// from it only where the digits leave the int range.
#include <climits>
#include <cstdlib>

#include "fuzz_text.h"
#include "numtext/number_format.h"
#include "numtext/number_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = WideTextOf(data, size);
    const int value = ParseInteger(text);
    // Its own text reads back exactly.
    if (ParseInteger(FormatInteger(value)) != value) std::abort();
    const NumberSpan span = FindInteger(text);
    if (span.begin > span.end || span.end > text.size()) std::abort();
    if (ParseInteger(text.substr(span.begin, span.end - span.begin)) != value) std::abort();
    const int saturated = ParseIntegerSaturated(text);
    if (saturated != value && saturated != INT_MAX && saturated != INT_MIN) std::abort();
    return 0;
}
