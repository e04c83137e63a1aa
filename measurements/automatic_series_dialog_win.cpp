#include "measurements/automatic_series_dialog_win.h"

#include <iterator>

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "numtext/edit_text_win.h"
#include "numtext/number_format.h"
#include "numtext/number_parse.h"
#include "res/resource.h"
#include "ui/centre_window.h"
#include "ui/item_names_win.h"

namespace {

bool HoldsText(HWND box) {
    const std::wstring text = ReadWindowText(box);
    return std::any_of(text.begin(), text.end(), [](wchar_t c) { return !IsNumberSpace(c); });
}

std::wstring ValueText(SeriesQuantity quantity, double value) {
    return std::wstring(SeriesQuantitySymbol(quantity)) + L" = " + FormatReal(value) + L" " +
           SeriesQuantityUnit(quantity);
}

}  // namespace

INT_PTR AutomaticSeriesDialog::Run(HWND owner) {
    return ModalDialog::Run(IDD_AUTOMATIC_SERIES, owner);
}

LRESULT AutomaticSeriesDialog::HandleMessage(const Message& message, bool& handled) {
    using D = AutomaticSeriesDialog;
    static const MessageMapEntry<D> kMessageMap[] = {
        {WM_INITDIALOG, kAnyId, kAnyCode, Handler<&D::OnInitDialog>},
        {WM_COMMAND, IDOK, kAnyCode, Handler<&D::OnStart>},
        {WM_COMMAND, IDCANCEL, kAnyCode, Handler<&D::OnCancel>},
        {WM_COMMAND, IDC_SERIES_QUANTITY, CBN_SELCHANGE, Handler<&D::OnQuantity>},
        {WM_COMMAND, IDC_SERIES_BY_STEP, BN_CLICKED, Handler<&D::OnMode>},
        {WM_COMMAND, IDC_SERIES_BY_COUNT, BN_CLICKED, Handler<&D::OnMode>},
        {WM_COMMAND, IDC_SERIES_START, EN_CHANGE, Handler<&D::OnBoxChange>},
        {WM_COMMAND, IDC_SERIES_END, EN_CHANGE, Handler<&D::OnBoxChange>},
        {WM_COMMAND, IDC_SERIES_STEP, EN_CHANGE, Handler<&D::OnBoxChange>},
        {WM_COMMAND, IDC_SERIES_COUNT, EN_CHANGE, Handler<&D::OnBoxChange>},
    };
    return DispatchMessageMap(*this, kMessageMap, message, handled);
}

LRESULT AutomaticSeriesDialog::OnInitDialog() {
    CentreWindow(window(), nullptr);
    for (int k = 0; k < kSeriesQuantityCount; ++k) {
        SendItem(IDC_SERIES_QUANTITY, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(SeriesQuantityLabel(static_cast<SeriesQuantity>(k))));
    }
    filling_ = true;
    SetComboChoice(IDC_SERIES_QUANTITY, settings_.kept ? static_cast<int>(settings_.quantity) : 0);
    CheckRadioButton(window(), IDC_SERIES_BY_STEP, IDC_SERIES_BY_COUNT,
                     settings_.kept && settings_.byCount ? IDC_SERIES_BY_COUNT : IDC_SERIES_BY_STEP);
    ShowTexts(ChosenQuantity());
    filling_ = false;
    UpdateModeBoxes();
    FollowOtherWay();
    SendItem(IDC_SERIES_PROGRESS, PBM_SETRANGE32, 0, 1);
    // Each box after its label, the two ways' boxes after their ways; the
    // buttons are read by their own texts.
    static const ItemName kNames[] = {
        {IDC_SERIES_QUANTITY, L"Vary"},    {IDC_SERIES_START, L"From"},           {IDC_SERIES_END, L"To"},
        {IDC_SERIES_BY_STEP, L"In steps of"}, {IDC_SERIES_STEP, L"In steps of"}, {IDC_SERIES_BY_COUNT, L"In points"},
        {IDC_SERIES_COUNT, L"In points"},  {IDC_SERIES_PROGRESS, L"Progress"},
    };
    NameItems(window(), kNames, std::size(kNames));
    ShowRestingStatus();
    return TRUE;  // the focus goes to the first control
}

SeriesQuantity AutomaticSeriesDialog::ChosenQuantity() const {
    return static_cast<SeriesQuantity>(ComboChoice(IDC_SERIES_QUANTITY));
}

bool AutomaticSeriesDialog::ChosenByCount() const {
    return IsChecked(IDC_SERIES_BY_COUNT);
}

// The quantity's values as the student last left them in this session, or
// the dialog's proposal for a quantity not shown before.
void AutomaticSeriesDialog::ShowTexts(SeriesQuantity quantity) {
    shownQuantity_ = quantity;
    const SeriesSettings::Texts& texts = settings_.texts[static_cast<int>(quantity)];
    if (!texts.kept) {
        SuggestRange(quantity);
        return;
    }
    SetItemText(IDC_SERIES_START, texts.start);
    SetItemText(IDC_SERIES_END, texts.end);
    SetItemText(IDC_SERIES_STEP, texts.step);
    SetItemText(IDC_SERIES_COUNT, texts.count);
}

void AutomaticSeriesDialog::KeepTexts() {
    SeriesSettings::Texts& texts = settings_.texts[static_cast<int>(shownQuantity_)];
    texts.kept = true;
    texts.start = ItemText(IDC_SERIES_START);
    texts.end = ItemText(IDC_SERIES_END);
    texts.step = ItemText(IDC_SERIES_STEP);
    texts.count = ItemText(IDC_SERIES_COUNT);
}

// However the dialog ends, it is left as it is for the next time.
void AutomaticSeriesDialog::Close(INT_PTR result) {
    KeepTexts();
    settings_.kept = true;
    settings_.quantity = shownQuantity_;
    settings_.byCount = ChosenByCount();
    End(result);
}

// A temperature series runs from the cold end the lab uses up to the top of
// the chamber, well into the intrinsic range that the band gap is read from;
// a current over the slider's range in force, in ten steps.
void AutomaticSeriesDialog::SuggestRange(SeriesQuantity quantity) {
    double lower = 0, upper = 0;
    target_.SeriesRange(quantity, lower, upper);
    double start = lower, end = upper, step = (upper - lower) / 10;
    if (quantity == SeriesQuantity::temperature) {
        start = std::max(lower, 100.0);
        step = 10;
    }
    SetEditReal(Item(IDC_SERIES_START), start);
    SetEditReal(Item(IDC_SERIES_END), end);
    SetEditReal(Item(IDC_SERIES_STEP), step);
    const double points = step != 0 ? std::floor(std::fabs(end - start) / step + 1e-6) + 1 : 1;
    SetEditInteger(Item(IDC_SERIES_COUNT), static_cast<int>(std::min(points, double(kMaxSeriesPoints))));
}

void AutomaticSeriesDialog::OnQuantity() {
    KeepTexts();
    filling_ = true;
    ShowTexts(ChosenQuantity());
    filling_ = false;
    FollowOtherWay();
    ShowRestingStatus();
}

void AutomaticSeriesDialog::OnMode() {
    UpdateModeBoxes();
    FollowOtherWay();
    ShowRestingStatus();
}

void AutomaticSeriesDialog::OnBoxChange() {
    if (filling_) return;
    FollowOtherWay();
    ShowRestingStatus();
}

// The greyed box follows the others as they are typed: in steps it shows how
// many points they make, in points the step between them; it is empty while
// they make none.
void AutomaticSeriesDialog::FollowOtherWay() {
    SeriesPlan plan;
    plan.quantity = shownQuantity_;
    plan.byCount = ChosenByCount();
    plan.start = ReadEditReal(Item(IDC_SERIES_START));
    plan.end = ReadEditReal(Item(IDC_SERIES_END));
    plan.step = ReadEditReal(Item(IDC_SERIES_STEP));
    plan.count = ParseIntegerSaturated(ItemText(IDC_SERIES_COUNT));
    const bool given = HoldsText(Item(IDC_SERIES_START)) && HoldsText(Item(IDC_SERIES_END)) &&
                       HoldsText(Item(plan.byCount ? IDC_SERIES_COUNT : IDC_SERIES_STEP));
    std::wstring text;
    if (given && plan.byCount) {
        const double spacing = SeriesPointSpacing(plan);
        if (std::isfinite(spacing)) text = FormatReal(spacing);
    } else if (given) {
        const int count = SeriesPointCount(plan);
        if (count > 0) text = FormatInteger(count);
    }
    filling_ = true;
    SetItemText(plan.byCount ? IDC_SERIES_STEP : IDC_SERIES_COUNT, text);
    filling_ = false;
}

// What the dialog says before anything is done, and again once the student
// changes anything: what an earlier Start said no longer applies.
void AutomaticSeriesDialog::ShowRestingStatus() {
    SendItem(IDC_SERIES_PROGRESS, PBM_SETPOS);
    const std::wstring why = target_.WhyNoReading();
    SetStatus(why.empty() ? L"Choose what to vary and press Start." : why);
}

// Only the box of the chosen way is open: the step's or the points'.
void AutomaticSeriesDialog::UpdateModeBoxes() {
    const bool byCount = ChosenByCount();
    EnableItem(IDC_SERIES_STEP, !byCount);
    EnableItem(IDC_SERIES_COUNT, byCount);
}

bool AutomaticSeriesDialog::ReadPlan(SeriesPlan& plan) {
    plan.quantity = ChosenQuantity();
    plan.byCount = ChosenByCount();
    const int used = plan.byCount ? IDC_SERIES_COUNT : IDC_SERIES_STEP;
    for (int id : {IDC_SERIES_START, IDC_SERIES_END, used}) {
        if (!HoldsText(Item(id))) {
            MessageBeep(MB_ICONWARNING);
            SetStatus(id == IDC_SERIES_COUNT ? L"Enter the number of points."
                      : id == IDC_SERIES_STEP ? L"Enter the step."
                                              : L"Enter the start and the end.");
            SetFocus(Item(id));
            return false;
        }
    }
    plan.start = ReadEditReal(Item(IDC_SERIES_START));
    plan.end = ReadEditReal(Item(IDC_SERIES_END));
    plan.step = ReadEditReal(Item(IDC_SERIES_STEP));
    // A count with more digits than an int holds must not wrap round into a
    // small one ("4294967298" into 2): it reads as the largest int, which the
    // plan refuses as too many points.
    plan.count = ParseIntegerSaturated(ItemText(IDC_SERIES_COUNT));
    return true;
}

void AutomaticSeriesDialog::OnStart() {
    if (running_) return;
    SeriesPlan plan;
    // The progress of an earlier series is not this one's.
    SendItem(IDC_SERIES_PROGRESS, PBM_SETPOS);
    if (!ReadPlan(plan)) return;
    RunSeries(plan);
    if (outcome_ == Outcome::completed) Close(kDialogOk);
}

// While a series runs, Cancel (and Escape, which the dialog turns into it)
// stops it; otherwise it closes the dialog.
void AutomaticSeriesDialog::OnCancel() {
    if (running_) {
        cancelRequested_ = true;
    } else {
        Close(kDialogCancel);
    }
}

void AutomaticSeriesDialog::EnableInputs(bool enable) {
    for (int id : {IDC_SERIES_QUANTITY, IDC_SERIES_START, IDC_SERIES_END, IDC_SERIES_BY_STEP, IDC_SERIES_BY_COUNT,
                   IDOK}) {
        EnableItem(id, enable);
    }
    if (enable) {
        UpdateModeBoxes();
    } else {
        EnableItem(IDC_SERIES_STEP, false);
        EnableItem(IDC_SERIES_COUNT, false);
    }
    SetItemText(IDCANCEL, enable ? L"Close" : L"Cancel");
}

void AutomaticSeriesDialog::SetStatus(const std::wstring& text) {
    SetItemText(IDC_SERIES_STATUS, text);
}

// The dialog's own messages are handled between two readings, so that Cancel
// and Escape are seen; input meant for other windows is dropped. Painting
// waits for the progress to be shown, some twenty times a second.
bool AutomaticSeriesDialog::PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return true;
        }
        const bool ours = message.hwnd == window() || IsChild(window(), message.hwnd);
        const bool input = (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) ||
                           (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST);
        if (input && !ours) continue;
        if (!IsDialogMessageW(window(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return cancelRequested_;
}

void AutomaticSeriesDialog::RunSeries(const SeriesPlan& plan) {
    recorded_ = 0;
    outcome_ = Outcome::notRun;
    SeriesValues series = PlanSeries(plan);
    if (series.values.empty()) {
        MessageBeep(MB_ICONWARNING);
        SetStatus(series.problem);
        return;
    }
    const std::wstring why = target_.WhyNoReading();
    if (!why.empty()) {
        MessageBeep(MB_ICONWARNING);
        SetStatus(why);
        return;
    }

    running_ = true;
    cancelRequested_ = false;
    EnableInputs(false);
    SetFocus(Item(IDCANCEL));
    HWND progress = Item(IDC_SERIES_PROGRESS);
    const int total = static_cast<int>(series.values.size());
    SendMessageW(progress, PBM_SETRANGE32, 0, total);
    SendMessageW(progress, PBM_SETPOS, 0, 0);

    std::wstring stopped;
    DWORD lastShown = GetTickCount();
    for (double value : series.values) {
        if (PumpMessages()) break;
        std::wstring refusal = target_.SetSeriesValue(plan.quantity, value);
        if (refusal.empty()) refusal = target_.RecordSeriesReading();
        if (!refusal.empty()) {
            stopped = L"The series stopped at " + ValueText(plan.quantity, value) + L":\n" + refusal;
            break;
        }
        ++recorded_;
        // The progress is painted some twenty times a second, not at every reading.
        if (GetTickCount() - lastShown >= 50 || recorded_ == total) {
            lastShown = GetTickCount();
            SendMessageW(progress, PBM_SETPOS, recorded_, 0);
            std::wstring text = std::to_wstring(recorded_) + L" of " + std::to_wstring(total) + L" readings";
            SetStatus(text);
            // The log's window follows as often: its list and plot are painted too.
            MSG paint;
            while (PeekMessageW(&paint, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&paint);
        }
    }
    target_.EndSeries();
    running_ = false;
    EnableInputs(true);

    const std::wstring done = std::to_wstring(recorded_) + (recorded_ == 1 ? L" reading" : L" readings") +
                              L" recorded.";
    if (!stopped.empty()) {
        outcome_ = Outcome::refused;
        SetStatus(done);
        MessageBoxW(window(), (stopped + L"\n\n" + done).c_str(), caption_.c_str(), MB_OK | MB_ICONWARNING);
    } else if (recorded_ < total) {
        outcome_ = Outcome::cancelled;
        SetStatus(L"Cancelled: " + done);
    } else {
        outcome_ = Outcome::completed;
        SetStatus(done);
    }
}
