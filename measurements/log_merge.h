#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "measurements/measurement_log.h"

// Another copy of the program, or another program, may have written the log's
// file since this copy last read or wrote it. Before this copy writes the file
// again it reads it and merges, so that no row another writer put there is
// lost and none of this copy's changes is undone.

// A row's identity: its number, time, material and every text. Two rows with
// the same key are the same reading.
std::uint64_t RowKey(const MeasurementRow& row);

// A set of row keys: the keys of the rows the file held when this copy last
// read or wrote it. Added to one at a time as rows are appended, asked only
// when a file is merged; sorted then, so that it stays a plain array.
class RowKeys {
public:
    void Add(std::uint64_t key) {
        keys_.push_back(key);
        sorted_ = false;
    }
    bool Contains(std::uint64_t key) const;
    void Clear() {
        keys_.clear();
        sorted_ = true;
    }
    void Reserve(size_t count) { keys_.reserve(count); }

private:
    mutable std::vector<std::uint64_t> keys_;
    mutable bool sorted_ = true;
};
RowKeys KeysOf(const MeasurementLog& log);

struct LogMerge {
    MeasurementLog merged;
    // Rows the file brought that this copy did not have.
    size_t added = 0;
    // This copy's rows that another writer had removed from the file.
    size_t removed = 0;
    // This copy's rows that had to take new numbers, because another writer
    // had given theirs to other readings meanwhile: (old number, new number).
    std::vector<std::pair<int, int>> renumbered;
    // False when the two together would not fit one log (more than
    // MeasurementLog::kMaxRows rows, or numbers beyond kMaxNumber); `merged`
    // is then empty.
    bool fits = true;
};

// The log this copy should write, given its own rows (`memory`), the rows the
// file holds now (`file`) and the keys of the rows the file held when this copy
// last saw it (`synced`):
//   - what this copy recorded since then is there, what it removed is gone;
//   - every row of `file` that this copy never saw is added: another writer's;
//   - a row the file held then and holds no more was removed by another
//     writer, and is removed here too;
//   - every other row of `memory` stays.
// So neither copy loses a reading the other recorded, and neither undoes a
// deletion of the other's.
// Rows are ordered by number. Where an added row and one of this copy's rows
// share a number, the added row keeps it (others may have read it already);
// this copy's row, and every one after it, take the next free numbers above
// all others, in the order this copy recorded them. So does a row this copy
// recorded since it last saw the file whose number another writer has given
// meanwhile, as far as the file tells: above `knownHighest`, the highest
// number given that this copy knew the file to hold then, and not above
// file.HighestNumber(), which counts the numbers of rows removed from the file
// when whoever reads it keeps them (MeasurementLog::RaiseHighestNumber). No
// number either log has given is given to another row: the merged log's
// HighestNumber is at least both of theirs.
LogMerge MergeLogs(const MeasurementLog& memory, const MeasurementLog& file, const RowKeys& synced,
                   int knownHighest = 0);
