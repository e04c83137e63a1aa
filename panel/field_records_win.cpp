#include "panel/field_records.h"

namespace {

template <class Record, std::size_t N>
Record* FindById(std::array<Record, N>& records, int id) {
    for (Record& record : records) {
        if (record.id == id) return &record;
    }
    return nullptr;
}

}  // namespace

FieldRecords::FieldRecords() {
    // Each row of the table gets the next record of its kind.
    std::size_t number = 0, slider = 0, spin = 0, reading = 0;
    for (const PanelField& field : kPanelFields) {
        PlacedControl* box = nullptr;
        switch (field.kind) {
        case FieldKind::materialNumber:
            box = &materialNumberBox;
            break;
        case FieldKind::number:
            box = &numbers[number++];
            break;
        case FieldKind::upDown:
            box = &spins[spin++];
            break;
        case FieldKind::reading:
            box = &readings[reading++];
            break;
        case FieldKind::slider: {
            SliderField& s = sliders[slider++];
            box = &s.valueBox;
            s.trackId = field.slider.trackId;
            s.frame.id = field.slider.frameId;
            s.minimumBox.id = field.slider.minimumId;
            s.maximumBox.id = field.slider.maximumId;
            for (PlacedControl* part : {&s.frame, &s.minimumBox, &s.maximumBox}) part->field = &field;
            break;
        }
        }
        box->id = field.id;
        box->field = &field;
    }
}

NumericField* FieldRecords::NumericFieldOf(int id) {
    return FindById(numbers, id);
}

const NumericField* FieldRecords::NumericFieldOf(int id) const {
    return const_cast<FieldRecords*>(this)->NumericFieldOf(id);
}

NumericField* FieldRecords::NumericFieldOf(double ExperimentSettings::*setting) {
    for (NumericField& box : numbers) {
        if (box.field->setting == setting) return &box;
    }
    return nullptr;
}

SliderField* FieldRecords::SliderOfBox(int id) {
    for (SliderField& slider : sliders) {
        if (id == slider.valueBox.id || id == slider.minimumBox.id || id == slider.maximumBox.id) {
            return &slider;
        }
    }
    return nullptr;
}

const SliderField* FieldRecords::SliderOfBox(int id) const {
    return const_cast<FieldRecords*>(this)->SliderOfBox(id);
}

PlacedControl* FieldRecords::Single(int id) {
    if (id == materialNumberBox.id) return &materialNumberBox;
    if (PlacedControl* box = FindById(numbers, id)) return box;
    if (PlacedControl* spin = FindById(spins, id)) return spin;
    return FindById(readings, id);
}

HWND FieldRecords::Control(int id) const {
    HWND found = nullptr;
    ForEachControl([&](int controlId, HWND window, LockRole) {
        if (controlId == id) found = window;
    });
    return found;
}
