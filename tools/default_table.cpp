// Writes the default table of material parameters, the file Tesmor.smp that
// the program itself writes at its first close when it found none: the
// packages ship it, so that a first start finds a table and asks nothing.
//
//   default_table FILE
//
// Built from the platform-neutral core (the table and its codec) on the build
// machine, so the bytes come from the same code as the program's own save.
#include <cstdio>

#include "model/material_table.h"
#include "storage/parameter_codec.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: default_table FILE\n");
        return 2;
    }
    // As the program starts: the selectors set, then the table a missing file
    // gives.
    MaterialTable table;
    table.Initialise();
    table.UseDefaults();
    EncodeResult encoded = EncodeParameterFile(table);
    if (encoded.status != ColumnStatus::ok) {
        std::fprintf(stderr, "default_table: the default table does not encode\n");
        return 1;
    }
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    bool written = std::fwrite(encoded.bytes.data(), 1, encoded.bytes.size(), file) == encoded.bytes.size();
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
