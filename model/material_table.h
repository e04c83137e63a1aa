#pragma once

#include <array>
#include <cstdint>

// The semiconductor materials the student can put into the apparatus: up to 100
// materials, numbered from 1, each with twelve parameters. The columns keep a
// fixed order, which is also the order of the parameters file and of the
// editor's columns.

inline constexpr int kMaxMaterials = 100;
inline constexpr int kParameterCount = 12;
// Index of the working entry, the copy of the current material's value.
inline constexpr int kWorkingEntry = kMaxMaterials;

enum Parameter : int {
    kNd,     // donor concentration, cm^-3
    kNa,     // acceptor concentration, cm^-3
    kMunL0,  // lattice-limited electron mobility at TL0, cm^2/(V s)
    kMunI0,  // impurity-limited electron mobility at TI0, cm^2/(V s)
    kTL0,    // reference temperature of munL0, K
    kTI0,    // reference temperature of munI0, K
    kAlpha,  // temperature exponent of the lattice-limited mobility
    kBeta,   // temperature exponent of the impurity-limited mobility
    kB,      // ratio of electron to hole mobility
    kNi0,    // intrinsic concentration at 300 K, cm^-3
    kEg,     // band gap, eV
    kARand,  // relative amplitude of the random factor on both readings
};

struct ParameterInfo {
    const wchar_t* key;  // column header of the editor: "Nd", "μnL0", "α", ...
    double defaultValue;
    int32_t byteSelector;  // which byte of a stored value is inverted (see the codec)
};

// Keys, defaults and byte selectors, in column order.
extern const std::array<ParameterInfo, kParameterCount> kParameterInfo;

struct ParameterColumn {
    // Entries 0..99 hold materials 1..100; entry kWorkingEntry the current one.
    std::array<double, kMaxMaterials + 1> entries{};
    int32_t byteSelector = 0;

    double& workingEntry() { return entries[kWorkingEntry]; }
    double workingEntry() const { return entries[kWorkingEntry]; }
};

// The working entry gathered under the physical names, as the model reads it.
struct MaterialParameters {
    double nd, na, munL0, munI0, tl0, ti0, alpha, beta, b, ni0, eg, aRand;
};

class MaterialTable {
public:
    // Sets the byte selectors and a count of 100; the entries keep their values.
    void Initialise();
    // Fills entries 0..materialCount-1 of every column with the column's default.
    void FillDefaults();
    // The table a missing or unreadable file gives: all 100 materials, each
    // with the defaults (what the packages ship as the default file).
    void UseDefaults();

    // Makes material n current: for 1 <= n <= materialCount the n-th entry of
    // every column is copied into the working entry; n = 0 means no material.
    // Any other n is refused (returns false) and changes nothing.
    bool SelectMaterial(int n);

    bool IsValidMaterialNumber(int n) const { return n >= 1 && n <= materialCount; }
    MaterialParameters WorkingEntry() const;

    int32_t materialCount = kMaxMaterials;
    int32_t materialNumber = 0;  // 0 while no material is chosen
    std::array<ParameterColumn, kParameterCount> columns{};
};
