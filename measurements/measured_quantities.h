#pragma once

#include <string>

#include "measurements/automatic_series.h"
#include "measurements/measurement_log.h"
#include "res/resource.h"

// What a reading records, one record for each column of the log, in the
// log's order: where the value comes from on the panel, what it is called and
// in what unit, and how the log's header, the series dialog and the plot's
// axes title it. The log's columns, the series dialog's choices and the
// panel's boxes for a series are all made from this one table; the help's
// page of fields is checked against it (tests/help/help_fields.cpp).
struct MeasuredQuantity {
    const char* name;       // what it is, in words (ASCII)
    const wchar_t* symbol;  // "T", "I_m", "\u03B4" (δ); empty for the reading's number and time
    const wchar_t* unit;    // "K", "\u00B5m" (µm); empty for a pure number
    // The title with its unit, exactly as the log's header, the series dialog
    // and the plot's axes show it: "T (K)".
    const wchar_t* label;
    int box;                // the panel's control it is read from; 0 for none
    LogColumn column;       // its column in the log
    // The row's text for it; null where the row keeps it otherwise (number,
    // time, material).
    std::wstring MeasurementRow::*shown;
    bool series;            // whether an automatic series can vary it
};

// One record per column, in the log's order (kMeasuredQuantities[kLogTemperature]
// is the temperature's). Defined once, in measured_quantities.cpp, so that its
// texts are in the program once.
extern const MeasuredQuantity kMeasuredQuantities[kLogColumnCount];

inline const MeasuredQuantity& QuantityOfColumn(int column) {
    return kMeasuredQuantities[column];
}

// The record of a quantity a series can vary: SeriesQuantity counts the
// table's series quantities in its order.
const MeasuredQuantity& QuantityOfSeries(SeriesQuantity quantity);
