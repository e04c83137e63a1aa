#include "measurements/log_merge.h"

#include <algorithm>

namespace {

// FNV-1a over the row's parts, each closed by a separator no text holds
// unescaped in the file, so that ("ab", "c") and ("a", "bc") differ.
class KeyHash {
public:
    void Add(std::uint64_t value) {
        for (int i = 0; i < 8; ++i) Byte(static_cast<unsigned char>(value >> (8 * i)));
    }
    void Add(const std::wstring& text) {
        for (wchar_t c : text) {
            Byte(static_cast<unsigned char>(c & 0xFF));
            Byte(static_cast<unsigned char>((c >> 8) & 0xFF));
        }
        Add(text.size());
    }
    std::uint64_t value() const { return hash_; }

private:
    void Byte(unsigned char b) {
        hash_ ^= b;
        hash_ *= 0x100000001B3ull;
    }
    std::uint64_t hash_ = 0xCBF29CE484222325ull;
};

}  // namespace

std::uint64_t RowKey(const MeasurementRow& row) {
    KeyHash hash;
    hash.Add(static_cast<std::uint64_t>(row.number));
    hash.Add(row.time);
    hash.Add(static_cast<std::uint64_t>(row.material));
    for (int column = kLogHallFactor; column < kLogColumnCount; ++column) hash.Add(*ShownText(row, column));
    return hash.value();
}

bool RowKeys::Contains(std::uint64_t key) const {
    if (!sorted_) {
        std::sort(keys_.begin(), keys_.end());
        sorted_ = true;
    }
    return std::binary_search(keys_.begin(), keys_.end(), key);
}

RowKeys KeysOf(const MeasurementLog& log) {
    RowKeys keys;
    keys.Reserve(log.size());
    for (const MeasurementRow& row : log.rows()) keys.Add(RowKey(row));
    return keys;
}

LogMerge MergeLogs(const MeasurementLog& memory, const MeasurementLog& file, const RowKeys& synced,
                   int knownHighest) {
    LogMerge result;
    const RowKeys mine = KeysOf(memory);
    const RowKeys inFile = KeysOf(file);

    // Another writer's rows keep their numbers.
    std::vector<const MeasurementRow*> theirs;
    std::vector<int> taken;
    for (const MeasurementRow& row : file.rows()) {
        const std::uint64_t key = RowKey(row);
        if (synced.Contains(key) || mine.Contains(key)) continue;
        theirs.push_back(&row);
        taken.push_back(row.number);
    }
    result.added = theirs.size();

    // This copy's rows keep theirs unless an added row holds it already; from
    // the first that cannot, every later one moves too, so that this copy's
    // readings stay in the order it recorded them.
    std::vector<const MeasurementRow*> ours;
    std::vector<const MeasurementRow*> moved;
    for (const MeasurementRow& row : memory.rows()) {
        const std::uint64_t key = RowKey(row);
        if (synced.Contains(key) && !inFile.Contains(key)) {
            ++result.removed;  // by another writer
            continue;
        }
        // A number given elsewhere since this copy last saw the file (not
        // to this very row, which the file may hold already).
        const bool givenElsewhere = row.number > knownHighest && row.number <= file.HighestNumber() &&
                                    !synced.Contains(key) && !inFile.Contains(key);
        if (!moved.empty() || givenElsewhere || std::binary_search(taken.begin(), taken.end(), row.number)) {
            moved.push_back(&row);
        } else {
            ours.push_back(&row);
        }
    }

    // Both rise by number already, as a file's and a log's rows do: merged.
    std::vector<MeasurementRow> rows;
    rows.reserve(theirs.size() + ours.size() + moved.size());
    size_t t = 0, o = 0;
    while (t < theirs.size() || o < ours.size()) {
        const bool takeTheirs = o == ours.size() || (t < theirs.size() && theirs[t]->number < ours[o]->number);
        rows.push_back(takeTheirs ? *theirs[t++] : *ours[o++]);
    }
    // Above every number either log has given, whether its row is still there or not.
    long long next =
        std::max({rows.empty() ? 0 : rows.back().number, file.HighestNumber(), memory.HighestNumber()}) + 1LL;
    for (const MeasurementRow* row : moved) {
        if (next > MeasurementLog::kMaxNumber) {
            result.fits = false;
            break;
        }
        result.renumbered.emplace_back(row->number, static_cast<int>(next));
        rows.push_back(*row);
        rows.back().number = static_cast<int>(next++);
    }
    if (result.fits) result.fits = result.merged.Assign(std::move(rows));
    if (result.fits) {
        result.merged.RaiseHighestNumber(memory.HighestNumber());
        result.merged.RaiseHighestNumber(file.HighestNumber());
    }
    if (!result.fits) {
        result.merged.Clear();
        result.renumbered.clear();
    }
    return result;
}
