#include "model/material_table.h"

// An n-type silicon-like material without noise: the same for every material
// until a teacher edits the table.
const std::array<ParameterInfo, kParameterCount> kParameterInfo = {{
    {L"Nd", 1e16, 1},
    {L"Na", 1e14, 0},
    {L"\u03BCnL0", 8000, 0},  // μnL0
    {L"\u03BCnI0", 8000, 1},  // μnI0
    {L"TL0", 80, 0},
    {L"TI0", 20, 1},
    {L"\u03B1", -1.5, 1},  // α
    {L"\u03B2", 1.5, 0},   // β
    {L"b", 2.5, 0},
    {L"ni0", 1.49e10, 1},
    {L"Eg", 1.12, 1},
    {L"ARand", 0, 0},
}};

void MaterialTable::Initialise() {
    for (int k = 0; k < kParameterCount; ++k) {
        columns[k].byteSelector = kParameterInfo[k].byteSelector;
    }
    materialCount = kMaxMaterials;
}

void MaterialTable::UseDefaults() {
    materialCount = kMaxMaterials;
    FillDefaults();
}

void MaterialTable::FillDefaults() {
    for (int k = 0; k < kParameterCount; ++k) {
        for (int m = 0; m < materialCount; ++m) {
            columns[k].entries[m] = kParameterInfo[k].defaultValue;
        }
    }
}

bool MaterialTable::SelectMaterial(int n) {
    if (n != 0 && !IsValidMaterialNumber(n)) return false;
    materialNumber = n;
    if (n == 0) return true;
    for (ParameterColumn& column : columns) {
        column.workingEntry() = column.entries[n - 1];
    }
    return true;
}

MaterialParameters MaterialTable::WorkingEntry() const {
    MaterialParameters p;
    p.nd = columns[kNd].workingEntry();
    p.na = columns[kNa].workingEntry();
    p.munL0 = columns[kMunL0].workingEntry();
    p.munI0 = columns[kMunI0].workingEntry();
    p.tl0 = columns[kTL0].workingEntry();
    p.ti0 = columns[kTI0].workingEntry();
    p.alpha = columns[kAlpha].workingEntry();
    p.beta = columns[kBeta].workingEntry();
    p.b = columns[kB].workingEntry();
    p.ni0 = columns[kNi0].workingEntry();
    p.eg = columns[kEg].workingEntry();
    p.aRand = columns[kARand].workingEntry();
    return p;
}
