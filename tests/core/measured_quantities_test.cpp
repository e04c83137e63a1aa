#include "measurements/measured_quantities.h"

#include <gtest/gtest.h>

#include "panel/panel_fields.h"

namespace {

const PanelField* FieldOfBox(int id) {
    for (const PanelField& field : kPanelFields) {
        if (field.id == id) return &field;
    }
    return nullptr;
}

}  // namespace

// A quantity's box is the panel field that fills the quantity's column: a
// record naming another box would log one box's text under another's title,
// and a series would turn a box other than the one its choice names.
TEST(MeasuredQuantities, EachBoxIsThePanelFieldOfItsColumn) {
    int boxes = 0;
    for (const MeasuredQuantity& quantity : kMeasuredQuantities) {
        if (quantity.box == 0) {
            EXPECT_EQ(quantity.shown, nullptr) << quantity.label;
            continue;
        }
        ++boxes;
        const PanelField* field = FieldOfBox(quantity.box);
        ASSERT_NE(field, nullptr) << quantity.label;
        EXPECT_EQ(field->logColumn, quantity.column) << quantity.label;
    }
    EXPECT_EQ(boxes, kLogColumnCount - 2);  // all but the number and the time

    for (int k = 0; k < kSeriesQuantityCount; ++k) {
        const SeriesQuantity series = static_cast<SeriesQuantity>(k);
        const PanelField* field = FieldOfBox(SeriesQuantityBox(series));
        ASSERT_NE(field, nullptr) << k;
        // A series types its values into the box: a box the student types in.
        EXPECT_TRUE(field->kind == FieldKind::number || field->kind == FieldKind::slider) << k;
        EXPECT_EQ(std::wstring(SeriesQuantityLabel(series)), kLogColumnTitles[field->logColumn]) << k;
    }
}
