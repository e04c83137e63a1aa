#include "panel/experiment_panel_win.h"

#include <cmath>

#include "base/module.h"
#include "numtext/edit_text_win.h"
#include "numtext/number_format.h"
#include "panel/reading_text.h"
#include "res/resource.h"
#include "ui/file_dialog.h"

namespace {

std::wstring RefusalText(ExperimentPanel::RecordResult result) {
    switch (result) {
    case ExperimentPanel::RecordResult::noMaterial:
        return L"Not recorded: choose a material first.";
    case ExperimentPanel::RecordResult::locked:
        return L"Not recorded: a value outside its range locks the panel until it is put right.";
    case ExperimentPanel::RecordResult::noReading:
        return L"Not recorded: the meters show no reading (*****).";
    case ExperimentPanel::RecordResult::logFull:
        return L"Not recorded: the log is full (100000 readings). Save it as CSV and clear it first.";
    case ExperimentPanel::RecordResult::numbersUsedUp:
        return L"Not recorded: every reading number up to 999999999 has been given.";
    case ExperimentPanel::RecordResult::fileFull:
        return L"Not recorded: the log's file would grow beyond 64 MB. Save the log as CSV and clear it first.";
    case ExperimentPanel::RecordResult::unloggable:
        return L"Not recorded: the log does not take this reading.";
    case ExperimentPanel::RecordResult::recorded:
        break;
    }
    return std::wstring();
}

// Why the log refused a row, as the panel tells it.
ExperimentPanel::RecordResult RecordResultOf(LogRefusal refusal) {
    switch (refusal) {
    case LogRefusal::rowsFull:
        return ExperimentPanel::RecordResult::logFull;
    case LogRefusal::numbersUsed:
        return ExperimentPanel::RecordResult::numbersUsedUp;
    case LogRefusal::fileFull:
        return ExperimentPanel::RecordResult::fileFull;
    case LogRefusal::invalidRow:
    case LogRefusal::none:
        break;
    }
    return ExperimentPanel::RecordResult::unloggable;
}

// A text that the panel reads back as exactly this value. The panel's boxes read
// with ParseReal, to which "1.#INF" is 1.
std::wstring ExactText(double value) {
    if (std::isinf(value)) return value > 0 ? L"1e999" : L"-1e999";
    return ExactRealText(value);
}

}  // namespace

// The log is read after the panel is on the screen (kLoadMeasurementLog), or
// at the first recording, whichever comes first.
void ExperimentPanel::InitMeasurements(const std::wstring& logFilePath) {
    accelerators_ = LoadAcceleratorsW(ResourceModule(), MAKEINTRESOURCEW(IDR_PANEL_ACCELERATORS));
    logWindow_.reset();
    logStore_ = std::make_unique<LogStore>(logFilePath, [this](const std::wstring& text) {
        HWND owner = window() && IsWindowVisible(window()) ? GetActiveWindow() : nullptr;
        MessageBoxW(owner, text.c_str(), caption_.c_str(), MB_OK | MB_ICONINFORMATION);
    });
    PostMessageW(window(), kLoadMeasurementLog, 0, 0);
    SetTimer(window(), kLogFlushTimer, kLogFlushInterval, nullptr);
}

LRESULT ExperimentPanel::OnLoadMeasurementLog(const Message&, bool&) {
    if (logStore_) logStore_->Load();
    return 0;
}

LRESULT ExperimentPanel::OnRecordReading(const Message&, bool&) {
    const RecordResult result = RecordReading();
    if (result == RecordResult::recorded) {
        ShowRecordedReadAsNote();
        return 0;
    }
    // Pointed at the meter that shows no reading when that is the reason,
    // otherwise at the Hall voltage's.
    int meter = IDC_HALL_VOLTAGE;
    if (result == RecordResult::noReading && ReadWindowText(Control(IDC_HALL_VOLTAGE)) != kNoReading) {
        meter = IDC_SAMPLE_VOLTAGE;
    }
    ShowRefusalTip(RefusalText(result), meter);
    return 0;
}

LRESULT ExperimentPanel::OnMeasurementLog(const Message&, bool&) {
    OpenMeasurementLog();
    return 0;
}

void ExperimentPanel::OpenMeasurementLog() {
    logStore_->Load();
    if (!logWindow_) logWindow_ = std::make_unique<MeasurementLogWindow>(*logStore_, accelerators_, window(), caption_);
    logWindow_->Open(window());
}

LRESULT ExperimentPanel::OnAutomaticSeries(const Message&, bool&) {
    logStore_->Load();
    AutomaticSeriesDialog series(*this, caption_, seriesSettings_);
    series.Run(GetActiveWindow());
    // A series that ran to its end is shown at once.
    if (series.outcome() == AutomaticSeriesDialog::Outcome::completed) OpenMeasurementLog();
    return 0;
}

ExperimentPanel::RecordResult ExperimentPanel::CheckRecordable() const {
    if (!materialChosenOnce_ || table_.materialNumber == 0) return RecordResult::noMaterial;
    if (lock_ != kUnlocked) return RecordResult::locked;
    for (int meter : {IDC_HALL_VOLTAGE, IDC_SAMPLE_VOLTAGE}) {
        if (ReadWindowText(Control(meter)) == kNoReading) return RecordResult::noReading;
    }
    return RecordResult::recorded;
}

// Every field with a column in the log: a box as it shows the value the panel
// used, or that value where the box shows more than the number; a meter as it
// shows its reading, which is the program's own text.
MeasurementRow ExperimentPanel::ShownRow() const {
    MeasurementRow row;
    row.time = LocalRecordTime();
    row.material = table_.materialNumber;
    for (const PanelField& field : kPanelFields) {
        std::wstring* text = ShownText(row, field.logColumn);
        if (!text) continue;
        const std::wstring shown = ReadWindowText(Control(field.id));
        if (const NumericField* box = NumericFieldOf(field.id)) {
            *text = LoggedText(shown, box->value);
        } else if (const SliderField* slider = SliderOfBox(field.id)) {
            *text = LoggedText(shown, slider->value);
        } else {
            *text = shown;
        }
    }
    return row;
}

ExperimentPanel::RecordResult ExperimentPanel::RecordReading(bool deferSave) {
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

std::wstring ExperimentPanel::WhyNoReading() const {
    return RefusalText(CheckRecordable());
}

HWND ExperimentPanel::SeriesBox(SeriesQuantity quantity) const {
    return Control(SeriesQuantityBox(quantity));
}

void ExperimentPanel::SeriesRange(SeriesQuantity quantity, double& lower, double& upper) const {
    const int box = SeriesQuantityBox(quantity);
    if (const NumericField* field = NumericFieldOf(box)) {
        lower = field->lower;
        upper = field->upper;
        return;
    }
    const SliderField& slider = *SliderOfBox(box);
    lower = slider.lower;
    upper = slider.upper;
}

// The value goes in as a student would type it. A refused one is taken back
// at once by showing the box's previous text again, which the panel takes
// without a change: the lock goes and the warning with it.
std::wstring ExperimentPanel::SetSeriesValue(SeriesQuantity quantity, double value) {
    HWND box = SeriesBox(quantity);
    const std::wstring previous = ReadWindowText(box);
    SetEditReal(box, value);
    if (lock_ == kUnlocked) return std::wstring();

    const std::wstring why = L"the panel takes " + std::wstring(SeriesQuantitySymbol(quantity)) + L" from " +
                             FormatReal(rangeWarning_.lower) + L" to " + FormatReal(rangeWarning_.upper) + L" " +
                             SeriesQuantityUnit(quantity) + L" here.";
    SetWindowTextW(box, previous.c_str());
    if (lock_ != kUnlocked) {
        // The box showed a text that does not read back as the value it holds
        // (one the panel put there itself, "-1.#IND" for an infinity, say):
        // the value goes back in a text that does.
        const NumericField* field = NumericFieldOf(SeriesQuantityBox(quantity));
        const double held = field ? field->value : SliderOfBox(SeriesQuantityBox(quantity))->value;
        SetWindowTextW(box, ExactText(held).c_str());
    }
    return why;
}

std::wstring ExperimentPanel::RecordSeriesReading() {
    return RefusalText(RecordReading(true));
}

void ExperimentPanel::EndSeries() {
    logStore_->SaveIfChanged();
    logStore_->FlushToDisk();
}

// A close with readings that the log's file would not take (another program
// holds it, the disk is full, the folder refuses it) says how many and offers
// to save the whole log elsewhere; only the student's own "No" lets them go,
// and Cancel keeps the program open.
bool ExperimentPanel::KeepUnsavedReadings() {
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
            MessageBoxW(window(), question.c_str(), caption_.c_str(), MB_YESNOCANCEL | MB_ICONWARNING);
        if (answer == IDNO) return true;
        if (answer != IDYES) return false;
        const std::wstring path = AskSaveFileName(window(), L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0",
                                                  L"csv", L"measurements.csv");
        if (path.empty()) continue;
        if (WriteLogFile(path, logStore_->log())) return true;
        MessageBoxW(window(), LogNotSavedToText(path).c_str(), caption_.c_str(), MB_OK | MB_ICONWARNING);
    }
}
