#include "measurements/log_store_win.h"

#include <windows.h>

#include <utility>

namespace {

// How long a series may go on recording without a save.
constexpr DWORD kDeferredSaveInterval = 500;  // ms

}  // namespace

LogStore::LogStore(std::wstring path, std::function<void(const std::wstring&)> tell)
    : file_(std::move(path)), tell_(std::move(tell)) {}

LogStore::LogStore(std::wstring path, LogFileCalls& calls, std::function<void(const std::wstring&)> tell)
    : file_(std::move(path), calls), tell_(std::move(tell)) {}

void LogStore::Load() {
    if (loaded_) return;
    loaded_ = true;
    LogLoadResult result = file_.Load(log_);
    if (result.status == LogLoad::unusable && tell_) tell_(UnusableLogText(result, file_.path()));
    if (listener_) listener_->OnRowsReplaced();
}

int LogStore::Append(MeasurementRow row, bool deferSave) {
    Load();
    const int number = log_.Append(std::move(row));
    if (number == 0) return 0;
    unsaved_ = true;
    if (listener_) listener_->OnRowAppended();
    if (!deferSave || GetTickCount() - lastSave_ >= kDeferredSaveInterval) Save();
    return number;
}

size_t LogStore::Remove(const std::vector<size_t>& indices) {
    Load();
    const size_t removed = log_.Remove(indices);
    if (removed == 0) return 0;
    unsaved_ = true;
    if (listener_) listener_->OnRowsReplaced();
    Save();
    return removed;
}

void LogStore::Clear() {
    Load();
    log_.Clear();
    unsaved_ = true;
    if (listener_) listener_->OnRowsReplaced();
    Save();
}

void LogStore::SaveIfChanged() {
    if (unsaved_) Save();
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
void LogStore::Save() {
    lastSave_ = GetTickCount();
    switch (file_.Save(log_, false)) {
    case LogSave::saved:
        unsaved_ = false;
        unflushed_ = true;
        break;
    case LogSave::failed:
        SetStatus(L"The log could not be saved; it is kept here and saved at the next change.");
        if (tell_) tell_(LogNotWrittenText(file_.path()));
        break;
    case LogSave::failedAgain:
        SetStatus(L"The log could not be saved; it is kept here and saved at the next change.");
        break;
    }
}
