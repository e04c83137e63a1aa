#include "measurements/log_store_win.h"

#include <windows.h>

#include <utility>

#include "measurements/log_location_win.h"

namespace {

// How long a series may go on recording without a save.
constexpr DWORD kDeferredSaveInterval = 500;  // ms

std::wstring Readings(size_t count) {
    return std::to_wstring(count) + (count == 1 ? L" reading" : L" readings");
}

}  // namespace

LogStore::LogStore(std::wstring path, std::function<void(const std::wstring&)> tell)
    : file_(std::move(path)), tell_(std::move(tell)) {}

LogStore::LogStore(std::wstring path, LogFileCalls& calls, std::function<void(const std::wstring&)> tell)
    : file_(std::move(path), calls), locate_(false), tell_(std::move(tell)) {}

void LogStore::Load() {
    if (loaded_) return;
    loaded_ = true;
    if (locate_) {
        LogLocation location = ChooseLogLocation(file_.path());
        besideProgram_ = location.besideProgram;
        if (!besideProgram_) {
            file_.SetPath(std::move(location.path));
            file_.SetMakeFolder(true);
        }
    }
    LogLoadResult result = file_.Load(log_);
    if (status_.empty()) status_ = L"The log is kept in " + file_.path() + L".";
    if (listener_) listener_->OnRowsReplaced();
    if (result.status == LogLoad::repaired) {
        // Written at once without the lines that cannot be read, so that the
        // next start finds a whole log and says nothing.
        unsaved_ = true;
        Save();
        if (tell_) tell_(RepairedLogText(result, file_.path()));
    }
    if (result.status == LogLoad::unusable && tell_) tell_(UnusableLogText(result, file_.path()));
    if (result.status == LogLoad::locked && tell_) tell_(LockedLogText(file_.path()));
}

int LogStore::Append(MeasurementRow row, bool deferSave) {
    Load();
    int number = log_.Append(std::move(row));
    if (number == 0) return 0;
    unsaved_ = true;
    if (listener_) listener_->OnRowAppended();
    if (!deferSave || GetTickCount() - lastSave_ >= kDeferredSaveInterval) Save();
    for (const auto& moved : file_.lastMerge().renumbered) {
        if (moved.first == number) number = moved.second;
    }
    return number;
}

size_t LogStore::Remove(const std::vector<size_t>& indices) {
    Load();
    const size_t removed = log_.Remove(indices);
    if (removed == 0) return 0;
    unsaved_ = true;
    file_.RowsRemoved();
    if (listener_) listener_->OnRowsReplaced();
    Save();
    return removed;
}

void LogStore::Clear() {
    Load();
    log_.Clear();
    unsaved_ = true;
    file_.RowsRemoved();
    if (listener_) listener_->OnRowsReplaced();
    Save();
}

bool LogStore::PutBack(std::vector<MeasurementRow> rows) {
    Load();
    if (rows.empty()) return true;
    if (!log_.PutBack(std::move(rows))) return false;
    unsaved_ = true;
    // Rows back between others cannot be appended: the file is written anew.
    file_.RowsRemoved();
    if (listener_) listener_->OnRowsReplaced();
    Save();
    return true;
}

void LogStore::SaveIfChanged() {
    if (unsaved_) Save();
}

void LogStore::Retry() {
    if (unsaved_) Save(true);
}

size_t LogStore::UnsavedRows() const {
    return unsaved_ ? file_.UnsavedRows(log_) : 0;
}

std::wstring LogStore::SaveRescueCopy() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::wstring path = RescueLogFilePath(file_.path(), now);
    const size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos) CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    return WriteLogFile(path, log_) ? path : std::wstring();
}

void LogStore::SetStatus(std::wstring status) {
    status_ = std::move(status);
    if (listener_) listener_->OnStatusChanged();
}

void LogStore::FlushToDisk() {
    if (unflushed_ && !unsaved_ && file_.FlushToDisk()) unflushed_ = false;
}

// Saved at once, flushed to the disk a little later (FlushToDisk): a
// recording then takes about a millisecond, and a crash of the program loses
// nothing all the same.
void LogStore::Save(bool retry) {
    lastSave_ = GetTickCount();
    mergeNote_.clear();
    switch (file_.Save(log_, false)) {
    case LogSave::saved: {
        unsaved_ = false;
        unflushed_ = true;
        if (file_.lastRepair().status == LogLoad::repaired && tell_) {
            tell_(RepairedLogText(file_.lastRepair(), file_.path()));
        }
        const LogMerge& merge = file_.lastMerge();
        if (merge.added != 0 || merge.removed != 0 || !merge.renumbered.empty()) {
            if (merge.added != 0) mergeNote_ = Readings(merge.added) + L" from another copy of Tesmor added.";
            if (merge.removed != 0) {
                if (!mergeNote_.empty()) mergeNote_ += L' ';
                mergeNote_ += Readings(merge.removed) + L" deleted in another copy of Tesmor.";
            }
            if (!merge.renumbered.empty()) {
                if (!mergeNote_.empty()) mergeNote_ += L' ';
                mergeNote_ += merge.renumbered.size() == 1
                                  ? L"Reading " + std::to_wstring(merge.renumbered[0].first) + L" is now " +
                                        std::to_wstring(merge.renumbered[0].second) + L"."
                                  : L"Readings " + std::to_wstring(merge.renumbered.front().first) + L" to " +
                                        std::to_wstring(merge.renumbered.back().first) + L" are now " +
                                        std::to_wstring(merge.renumbered.front().second) + L" to " +
                                        std::to_wstring(merge.renumbered.back().second) + L".";
            }
            if (listener_) listener_->OnRowsReplaced();
            if (retry) SetStatus(mergeNote_);
        } else if (retry) {
            SetStatus(L"The log is saved again.");
        }
        break;
    }
    case LogSave::failed:
        SetStatus(L"The log could not be saved; it is kept here and saved at the next change.");
        if (tell_) tell_(LogNotWrittenText(file_.path()));
        break;
    case LogSave::failedAgain:
        if (!retry) SetStatus(L"The log could not be saved; it is kept here and saved at the next change.");
        break;
    }
}
