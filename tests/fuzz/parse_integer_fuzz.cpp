// ParseInteger on any text: never fails and never reads outside the text; a
// text that is just a decimal number of int range reads as that number.
#include <cstdlib>

#include "fuzz_text.h"
#include "numtext/number_format.h"
#include "numtext/number_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = WideTextOf(data, size);
    const int value = ParseInteger(text);
    // Its own text reads back exactly.
    if (ParseInteger(FormatInteger(value)) != value) std::abort();
    return 0;
}
