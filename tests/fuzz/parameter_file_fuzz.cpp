// The parameters file decoder on any bytes: never reads or writes out of
// bounds (the sanitizers watch), never holds more than 100 materials, changes
// nothing unless it succeeds, and a decoded file encodes back to its bytes.
#include <cstdlib>
#include <cstring>

#include "storage/parameter_codec.h"

namespace {

bool Same(const MaterialTable& a, const MaterialTable& b) {
    if (a.materialCount != b.materialCount || a.materialNumber != b.materialNumber) return false;
    for (int k = 0; k < kParameterCount; ++k) {
        if (a.columns[k].byteSelector != b.columns[k].byteSelector) return false;
        if (std::memcmp(a.columns[k].entries.data(), b.columns[k].entries.data(),
                        sizeof a.columns[k].entries) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MaterialTable table;
    table.Initialise();
    table.FillDefaults();
    const MaterialTable before = table;

    DecodeResult result = DecodeParameterFile(data, size, table);
    if (table.materialCount < 0 || table.materialCount > kMaxMaterials) std::abort();
    if (result.status != ColumnStatus::ok) {
        if (!Same(table, before)) std::abort();
        return 0;
    }
    const size_t used = ParameterFileSize(table.materialCount);
    if (used > size) std::abort();
    EncodeResult encoded = EncodeParameterFile(table);
    if (encoded.bytes.size() != used || std::memcmp(encoded.bytes.data(), data, used) != 0) std::abort();
    return 0;
}
