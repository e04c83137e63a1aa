// help_fields: the panel's fields as the program has them, for the help's
// check of its page of fields (help/check-fields.py).
//
// Writes one line for each measured quantity that the panel shows in a box or
// a meter (kMeasuredQuantities with a box), its fields separated by tabs, texts
// in UTF-8:
//   symbol unit label kind start lower upper
// kind is the panel field's (material, number, slider, reading); start is the
// value the box has when the program starts (ExperimentSettings's, 0 for the
// material: none chosen); lower and upper are the range the box takes at the
// start (a slider's: its range boxes'). A reading has neither: "-".

#include <cstdio>
#include <string>

#include "measurements/measured_quantities.h"
#include "panel/panel_fields.h"

namespace {

std::string Utf8(const wchar_t* text) {
    std::string out;
    for (; *text; ++text) {
        const unsigned long c = static_cast<unsigned long>(*text);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

const char* KindName(FieldKind kind) {
    switch (kind) {
    case FieldKind::materialNumber:
        return "material";
    case FieldKind::number:
        return "number";
    case FieldKind::slider:
        return "slider";
    case FieldKind::reading:
        return "reading";
    case FieldKind::upDown:
        break;
    }
    return "other";
}

}  // namespace

int main() {
    const ExperimentSettings defaults;
    int written = 0;
    for (const MeasuredQuantity& quantity : kMeasuredQuantities) {
        if (quantity.box == 0) continue;
        const PanelField* field = nullptr;
        for (const PanelField& candidate : kPanelFields) {
            if (candidate.id == quantity.box) field = &candidate;
        }
        if (!field) {
            std::fprintf(stderr, "no panel field has the box %d of %s\n", quantity.box,
                         quantity.name);
            return 1;
        }
        std::printf("%s\t%s\t%s\t%s\t", Utf8(quantity.symbol).c_str(), Utf8(quantity.unit).c_str(),
                    Utf8(quantity.label).c_str(), KindName(field->kind));
        if (field->kind == FieldKind::reading) {
            std::printf("-\t-\t-\n");
        } else {
            const double start = field->setting ? defaults.*(field->setting) : 0;
            std::printf("%.17g\t%.17g\t%.17g\n", start, field->lower, field->upper);
        }
        ++written;
    }
    return written > 0 ? 0 : 1;
}
