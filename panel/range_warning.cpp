#include "panel/range_warning.h"

#include "numtext/number_format.h"

namespace {

std::wstring BoundText(const RangeWarning& warning, bool present, double bound) {
    if (!present) return std::wstring();
    if (warning.flags & RangeWarning::kIsInteger) return FormatInteger(static_cast<int>(bound));
    return FormatReal(bound, kPanelFormat, true);
}

}  // namespace

std::wstring RangeWarningText(const RangeWarning& warning) {
    return L"Invalid set of parameters.\nValid range: [" +
           BoundText(warning, (warning.flags & RangeWarning::kHasLower) != 0, warning.lower) + L", " +
           BoundText(warning, (warning.flags & RangeWarning::kHasUpper) != 0, warning.upper) + L"].";
}
