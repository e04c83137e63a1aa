#include "panel/measurements_win.h"

#include <cmath>
#include <iterator>

#include "base/module.h"
#include "numtext/edit_text_win.h"
#include "numtext/number_format.h"
#include "panel/panel_messages.h"
#include "panel/reading_text.h"
#include "res/resource.h"
#include "ui/file_dialog.h"

std::wstring RefusalText(RecordResult result) {
    switch (result) {
    case RecordResult::noMaterial:
        return L"Not recorded: choose a material first.";
    case RecordResult::locked:
        return L"Not recorded: a value outside its range locks the panel until it is put right.";
    case RecordResult::noReading:
        return L"Not recorded: the meters show no reading (*****).";
    case RecordResult::logFull:
        return L"Not recorded: the log is full (100000 readings). Save it as CSV and clear it first.";
    case RecordResult::numbersUsedUp:
        return L"Not recorded: every reading number up to 999999999 has been given.";
    case RecordResult::fileFull:
        return L"Not recorded: the log's file would grow beyond 64 MB. Save the log as CSV and clear it first.";
    case RecordResult::unloggable:
        return L"Not recorded: the log does not take this reading.";
    case RecordResult::recorded:
        break;
    }
    return std::wstring();
}

namespace {

// Why the log refused a row, as the panel tells it.
RecordResult RecordResultOf(LogRefusal refusal) {
    switch (refusal) {
    case LogRefusal::rowsFull:
        return RecordResult::logFull;
    case LogRefusal::numbersUsed:
        return RecordResult::numbersUsedUp;
    case LogRefusal::fileFull:
        return RecordResult::fileFull;
    case LogRefusal::invalidRow:
    case LogRefusal::none:
        break;
    }
    return RecordResult::unloggable;
}

// A text that the panel reads back as exactly this value. The panel's boxes read
// with ParseReal, to which "1.#INF" is 1.
std::wstring ExactText(double value) {
    if (std::isinf(value)) return value > 0 ? L"1e999" : L"-1e999";
    return ExactRealText(value);
}

}  // namespace

void PanelRecorder::Init(HWND panel, const std::wstring* caption) {
    panel_ = panel;
    caption_ = caption;
    accelerators_ = LoadAcceleratorsW(ResourceModule(), MAKEINTRESOURCEW(IDR_PANEL_ACCELERATORS));
    logWindow_.reset();
}

void PanelRecorder::Start(LogStore& logStore) {
    logStore_ = &logStore;
    PostMessageW(panel_, kLoadMeasurementLog, 0, 0);
    SetTimer(panel_, kLogFlushTimer, kLogFlushInterval, nullptr);
}

bool PanelRecorder::Route(const Message& message, LRESULT& result) {
    using R = PanelRecorder;
    static const MessageMapEntry<R> kMessageMap[] = {
        {WM_COMMAND, IDM_MEASUREMENT_LOG, kAnyCode, Handler<&R::OpenMeasurementLog>},
        {WM_COMMAND, IDM_AUTOMATIC_SERIES, kAnyCode, Handler<&R::RunAutomaticSeries>},
        {kLoadMeasurementLog, kAnyId, kAnyCode, Handler<&R::LoadLog>},
        {WM_TIMER, kAnyId, kAnyCode, Handler<&R::OnTimer>},
    };
    return RouteMessage(*this, kMessageMap, std::size(kMessageMap), message, result);
}

void PanelRecorder::LoadLog() {
    if (logStore_) logStore_->Load();
}

bool PanelRecorder::OnTimer(WPARAM timerId) {
    if (timerId != kLogFlushTimer) return false;
    // A save that failed (a file another program held, a full disk) is
    // tried again as the student pauses, not only at the next reading.
    logStore_->Retry();
    logStore_->FlushToDisk();
    return true;
}

void PanelRecorder::OpenMeasurementLog() {
    logStore_->Load();
    if (!logWindow_) logWindow_ = std::make_unique<MeasurementLogWindow>(*logStore_, accelerators_, panel_, *caption_);
    logWindow_->Open(panel_);
}

void PanelRecorder::RunAutomaticSeries() {
    logStore_->Load();
    AutomaticSeriesDialog series(*this, *caption_, seriesSettings_);
    series.Run(GetActiveWindow());
    // A series that ran to its end is shown at once.
    if (series.outcome() == AutomaticSeriesDialog::Outcome::completed) OpenMeasurementLog();
}

RecordResult PanelRecorder::CheckRecordable() const {
    if (!fields_.materialChosenOnce() || table_.materialNumber == 0) return RecordResult::noMaterial;
    if (fields_.locked()) return RecordResult::locked;
    for (int meter : {IDC_HALL_VOLTAGE, IDC_SAMPLE_VOLTAGE}) {
        if (ReadWindowText(fields_.Control(meter)) == kNoReading) return RecordResult::noReading;
    }
    return RecordResult::recorded;
}

// Every field with a column in the log: a box as it shows the value the panel
// used, or that value where the box shows more than the number; a meter as it
// shows its reading, which is the program's own text.
MeasurementRow PanelRecorder::ShownRow() const {
    MeasurementRow row;
    row.time = LocalRecordTime();
    row.material = table_.materialNumber;
    for (const PanelField& field : kPanelFields) {
        std::wstring* text = ShownText(row, field.logColumn);
        if (!text) continue;
        const std::wstring shown = ReadWindowText(fields_.Control(field.id));
        if (field.setting) {
            *text = LoggedText(shown, fields_.settings().*field.setting);
        } else {
            *text = shown;
        }
    }
    return row;
}

RecordResult PanelRecorder::RecordReading(bool deferSave) {
    RecordResult result = CheckRecordable();
    int number = 0;
    if (result == RecordResult::recorded) {
        MeasurementRow row = ShownRow();
        // The row is kept until the log has taken it, to ask the log why not
        // if it does not.
        number = logStore_->Append(row, deferSave);
        if (number == 0) result = RecordResultOf(logStore_->log().Refusal(row));
    }
    if (result != RecordResult::recorded) {
        MessageBeep(MB_ICONWARNING);
        logStore_->SetStatus(RefusalText(result));
        return result;
    }
    std::wstring status = L"Reading " + std::to_wstring(number) + L" recorded.";
    if (!logStore_->mergeNote().empty()) status += L" " + logStore_->mergeNote();
    logStore_->SetStatus(status);
    return result;
}

std::wstring PanelRecorder::WhyNoReading() const {
    return RefusalText(CheckRecordable());
}

HWND PanelRecorder::SeriesBox(SeriesQuantity quantity) const {
    return fields_.Control(SeriesQuantityBox(quantity));
}

void PanelRecorder::SeriesRange(SeriesQuantity quantity, double& lower, double& upper) const {
    const FieldRecords& records = fields_.records();
    const int box = SeriesQuantityBox(quantity);
    if (const NumericField* field = records.NumericFieldOf(box)) {
        lower = field->lower;
        upper = field->upper;
        return;
    }
    const SliderField& slider = *records.SliderOfBox(box);
    lower = slider.lower;
    upper = slider.upper;
}

// The value goes in as a student would type it. A refused one is taken back
// at once by showing the box's previous text again, which the panel takes
// without a change: the lock goes and the warning with it.
std::wstring PanelRecorder::SetSeriesValue(SeriesQuantity quantity, double value) {
    HWND box = SeriesBox(quantity);
    const std::wstring previous = ReadWindowText(box);
    SetEditReal(box, value);
    if (!fields_.locked()) return std::wstring();

    const std::wstring why = L"the panel takes " + std::wstring(SeriesQuantitySymbol(quantity)) + L" from " +
                             FormatReal(fields_.rangeWarning().lower) + L" to " +
                             FormatReal(fields_.rangeWarning().upper) + L" " +
                             SeriesQuantityUnit(quantity) + L" here.";
    SetWindowTextW(box, previous.c_str());
    if (fields_.locked()) {
        // The box showed a text that does not read back as the value it holds
        // (one the panel put there itself, "-1.#IND" for an infinity, say):
        // the value goes back in a text that does.
        const int id = SeriesQuantityBox(quantity);
        for (const PanelField& field : kPanelFields) {
            if (field.id == id && field.setting) SetWindowTextW(box, ExactText(fields_.settings().*field.setting).c_str());
        }
    }
    return why;
}

std::wstring PanelRecorder::RecordSeriesReading() {
    return RefusalText(RecordReading(true));
}

void PanelRecorder::EndSeries() {
    logStore_->SaveIfChanged();
    logStore_->FlushToDisk();
}

// A close with readings that the log's file would not take (another program
// holds it, the disk is full, the folder refuses it) says how many and offers
// to save the whole log elsewhere; only the student's own "No" lets them go,
// and Cancel keeps the program open.
bool PanelRecorder::KeepUnsavedReadings() {
    if (!logStore_) return true;
    logStore_->SaveIfChanged();
    const size_t unsaved = logStore_->UnsavedRows();
    if (unsaved == 0) return true;
    const std::wstring question =
        (unsaved == 1 ? std::wstring(L"1 reading") : std::to_wstring(unsaved) + L" readings") +
        L" could not be written to the file of measurements\n" + logStore_->file().path() +
        L".\n\nSave the whole log in another file before Tesmor closes?\nNo closes Tesmor without " +
        (unsaved == 1 ? L"it" : L"them") + L"; Cancel keeps Tesmor open.";
    for (;;) {
        const int answer =
            MessageBoxW(panel_, question.c_str(), caption_->c_str(), MB_YESNOCANCEL | MB_ICONWARNING);
        if (answer == IDNO) return true;
        if (answer != IDYES) return false;
        const std::wstring path = AskSaveFileName(panel_, L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0",
                                                  L"csv", L"measurements.csv");
        if (path.empty()) continue;
        if (WriteLogFile(path, logStore_->log())) return true;
        MessageBoxW(panel_, LogNotSavedToText(path).c_str(), caption_->c_str(), MB_OK | MB_ICONWARNING);
    }
}

void PanelRecorder::FlushAtClose() {
    if (logStore_) logStore_->FlushToDisk();
}

void PanelRecorder::SaveAtEndOfSession() {
    if (!logStore_) return;
    logStore_->SaveIfChanged();
    // Nobody is there to ask: rows the log's file would not take go to a
    // file of their own in the user's Documents.
    if (logStore_->UnsavedRows() != 0) logStore_->SaveRescueCopy();
    logStore_->FlushToDisk();
}
