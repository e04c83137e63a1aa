#include "panel/experiment_panel_win.h"

#include <commctrl.h>

#include <algorithm>

#include "base/module.h"
#include "editor/parameter_table_dialog.h"
#include "editor/password_dialog.h"
#include "help/about_dialog.h"
#include "help/help_launcher.h"
#include "model/noise.h"
#include "panel/reading_text.h"
#include "res/resource.h"
#include "storage/module_file_names.h"
#include "storage/module_files_win.h"
#include "panel/parameter_file_notices_win.h"
#include "ui/centre_window.h"
#include "ui/private_messages.h"

ExperimentPanel::ExperimentPanel() {
    // Each row of the table gets the next record of its kind.
    std::size_t number = 0, slider = 0, spin = 0, reading = 0;
    for (const PanelField& field : kPanelFields) {
        PlacedControl* box = nullptr;
        switch (field.kind) {
        case FieldKind::materialNumber:
            box = &materialNumberBox_;
            break;
        case FieldKind::number:
            box = &numbers_[number++];
            break;
        case FieldKind::upDown:
            box = &spins_[spin++];
            break;
        case FieldKind::reading:
            box = &readings_[reading++];
            break;
        case FieldKind::slider: {
            SliderField& s = sliders_[slider++];
            box = &s.valueBox;
            s.trackId = field.slider.trackId;
            s.frame.id = field.slider.frameId;
            s.minimumBox.id = field.slider.minimumId;
            s.maximumBox.id = field.slider.maximumId;
            for (PlacedControl* part : {&s.frame, &s.minimumBox, &s.maximumBox}) part->field = &field;
            break;
        }
        }
        box->id = field.id;
        box->field = &field;
    }
}

// Destroyed here, while the message map is whole: WM_DESTROY takes the filter
// and the caption button with it.
ExperimentPanel::~ExperimentPanel() {
    if (window()) DestroyWindow(window());
    UnregisterFilter();
}

void ExperimentPanel::UnregisterFilter() {
    if (filteringLoop_) filteringLoop_->UnregisterFilter(this);
    filteringLoop_ = nullptr;
}

bool ExperimentPanel::Create() {
    return ModelessDialog::Create(IDD_PANEL, nullptr);
}

LRESULT ExperimentPanel::HandleMessage(const Message& message, bool& handled) {
    using P = ExperimentPanel;
    static const MessageMapEntry<P> kMessageMap[] = {
        {WM_INITDIALOG, kAnyId, kAnyCode, &P::OnInitDialog},
        {WM_COMMAND, IDM_ABOUT, kAnyCode, &P::OnAbout},
        {WM_COMMAND, IDOK, kAnyCode, &P::OnClose},
        {WM_COMMAND, IDCANCEL, kAnyCode, &P::OnClose},
        {WM_COMMAND, IDM_HELP_CONTENTS, kAnyCode, &P::OnHelpContents},
        {WM_COMMAND, IDM_RECORD_READING, kAnyCode, &P::OnRecordReading},
        {WM_COMMAND, IDM_MEASUREMENT_LOG, kAnyCode, &P::OnMeasurementLog},
        {WM_COMMAND, IDM_AUTOMATIC_SERIES, kAnyCode, &P::OnAutomaticSeries},
        {WM_COMMAND, IDM_NEXT_BOX, kAnyCode, &P::OnStepBox},
        {WM_COMMAND, IDM_PREVIOUS_BOX, kAnyCode, &P::OnStepBox},
        {WM_COMMAND, kAnyId, kAnyCode, &P::OnFieldCommand},  // the boxes of kPanelFields
        {WM_NOTIFY, kAnyId, static_cast<int>(UDN_DELTAPOS), &P::OnUpDown},
        {WM_SYSCOMMAND, kAnyId, kAnyCode, &P::OnSysCommand},
        {kCaptionButtonNotify, kAnyId, kAnyCode, &P::OnCaptionButtonNotify},
        {WM_SETCURSOR, kAnyId, kAnyCode, &P::OnSetCursor},
        {WM_TIMER, kAnyId, kAnyCode, &P::OnTimer},
        {WM_SETFOCUS, kAnyId, kAnyCode, &P::OnSetFocus},
        {WM_QUERYENDSESSION, kAnyId, kAnyCode, &P::OnQueryEndSession},
        {WM_ENDSESSION, kAnyId, kAnyCode, &P::OnEndSession},
        {WM_DESTROY, kAnyId, kAnyCode, &P::OnDestroy},
        {kLoadMeasurementLog, kAnyId, kAnyCode, &P::OnLoadMeasurementLog},
        {WM_DPICHANGED, kAnyId, kAnyCode, &P::OnDpiChanged},
        {WM_HELP, kAnyId, kAnyCode, &P::OnHelpKey},
        {kShowReadAsNote, kAnyId, kAnyCode, &P::OnShowReadAsNote},
        {WM_ACTIVATE, kAnyId, kAnyCode, &P::OnActivate},
        {WM_MOVE, kAnyId, kAnyCode, &P::OnMove},
    };
    return DispatchMessageMap(*this, kMessageMap, message, handled);
}

LRESULT ExperimentPanel::OnInitDialog(const Message&, bool&) {
    InitPanel();
    return FALSE;  // the focus is set already
}

LRESULT ExperimentPanel::OnClose(const Message& m, bool&) {
    ClosePanel(m.CommandId());
    return 0;
}

LRESULT ExperimentPanel::OnAbout(const Message&, bool&) {
    ShowAbout();
    return 0;
}

void ExperimentPanel::ShowAbout() {
    AboutDialog about;
    about.Run(GetActiveWindow());
}

// The table is edited on a copy behind the password, and taken back only when
// the editor is closed with OK; the readings then follow at once.
void ExperimentPanel::RunParameterEditor() {
    {
        PasswordDialog password(caption_);
        if (password.Run(GetActiveWindow()) != kDialogOk) return;
    }

    ParameterArrays copy;
    copy.count = table_.materialCount;
    for (int k = 0; k < kParameterCount; ++k) {
        const auto& entries = table_.columns[k].entries;
        copy.params[k].assign(entries.begin(), entries.begin() + copy.count);
    }

    ParameterTableDialog editor(caption_, copy);
    openEditor_ = &editor;
    editorCopy_ = &copy;
    const INT_PTR result = editor.Run(GetActiveWindow());
    openEditor_ = nullptr;
    editorCopy_ = nullptr;
    // The end of the session was held for this dialog's changes; they are
    // settled now, one way or the other.
    ShutdownBlockReasonDestroy(window());
    if (result == kDialogOk) TakeEditedTable(copy);
}

void ExperimentPanel::TakeEditedTable(const ParameterArrays& copy) {
    table_.materialCount = copy.count;
    for (int k = 0; k < kParameterCount; ++k) {
        std::copy(copy.params[k].begin(), copy.params[k].end(), table_.columns[k].entries.begin());
    }
    SelectMaterial(table_.materialNumber);
}

LRESULT ExperimentPanel::OnHelpContents(const Message&, bool&) {
    ShowHelpContents(helpFilePath_);
    return 0;
}

// F1, pressed in the panel or in any window it owns (the log, the dialogs,
// message boxes: their default processing hands WM_HELP on to their owner),
// opens the help as the Help menu does. A held key repeats: the help opens
// once, and again only for a press after a pause.
LRESULT ExperimentPanel::OnHelpKey(const Message&, bool&) {
    const DWORD now = GetTickCount();
    const bool repeated = helpKeyTime_ != 0 && now - helpKeyTime_ < kHelpKeyPause;
    helpKeyTime_ = now;
    if (!repeated) ShowHelpContents(helpFilePath_);
    return TRUE;
}

LRESULT ExperimentPanel::OnSysCommand(const Message& m, bool& handled) {
    // The whole command is compared: 2101 has low bits that SC_ masks would drop.
    switch (m.wParam) {
    case IDM_PARAMETERS:
        RunParameterEditor();
        return 0;
    case IDM_ABOUT:
        ShowAbout();
        return 0;
    default:
        handled = false;  // the dialog's default processing: move, close, minimise
        return 0;
    }
}

LRESULT ExperimentPanel::OnCaptionButtonNotify(const Message& m, bool&) {
    helpMode_ = m.lParam != 0;
    return 0;
}

LRESULT ExperimentPanel::OnSetCursor(const Message&, bool& handled) {
    if (!helpMode_) {
        handled = false;
        return 0;
    }
    SetCursor(LoadCursorW(nullptr, IDC_HELP));
    return TRUE;
}

// Whichever way the window goes, its filter and its caption button go with it.
LRESULT ExperimentPanel::OnDestroy(const Message&, bool& handled) {
    UnregisterFilter();
    // The tip is the panel's own window and goes with it.
    KillTimer(window(), kRefusalTipTimer);
    refusalTip_ = nullptr;
    DetachCaptionButtons(window());
    handled = false;
    return 0;
}

// The dialog manager would hand the focus straight back to a control (the one
// it saved, or the first tab stop). The panel keeps it: Enter in a box gives the
// focus to the panel to end the editing of that box.
LRESULT ExperimentPanel::OnSetFocus(const Message&, bool&) {
    return 0;
}

LRESULT ExperimentPanel::OnTimer(const Message& m, bool&) {
    if (m.wParam == kLogFlushTimer) {
        // A save that failed (a file another program held, a full disk) is
        // tried again as the student pauses, not only at the next reading.
        logStore_->Retry();
        logStore_->FlushToDisk();
    } else if (m.wParam == kRefusalTipTimer) {
        HideRefusalTip();
    } else {
        ShowRangeWarning(m.wParam);
    }
    return 0;
}

void ExperimentPanel::InitPanel() {
    HWND panel = window();
    CentreWindow(panel, nullptr);

    // LR_SHARED: the system keeps the icons for as long as the module is loaded.
    HANDLE bigIcon = LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDI_TESMOR), IMAGE_ICON,
                                GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED);
    HANDLE smallIcon = LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDI_TESMOR), IMAGE_ICON,
                                  GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    SendMessageW(panel, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageW(panel, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

    filteringLoop_ = CurrentMessageLoop();
    if (filteringLoop_) filteringLoop_->RegisterFilter(this);

    rangeWarning_.timerId = 0;
    lock_ = kLockUnknown;
    helpMode_ = false;
    noteBox_ = nullptr;
    refusalTip_ = nullptr;

    AttachCaptionButtons(panel);
    AddCaptionButton(helpButton_, IDB_HELP_BUTTON, IDB_HELP_BUTTON_PRESSED);

    ModuleFiles files = ResolveModuleFiles(panel, kParameterFileExtension);
    caption_ = files.caption;
    parameterFilePath_ = files.parameterFilePath;
    helpFilePath_ = files.helpFilePath;
    InitMeasurements(files.logFilePath);

    HMENU systemMenu = GetSystemMenu(panel, FALSE);
    InsertMenuW(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_STRING, IDM_PARAMETERS, L"Parameters...");
    InsertMenuW(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);

    SeedNoise();
    shortCircuitCoefficient_ = kShortCircuitCoefficient;
    materialChosenOnce_ = false;
    table_.Initialise();
    backUpParameterFile_ = LoadParameterFile(caption_, parameterFilePath_, table_, &parameterFileBytes_) ==
                           ParameterFileLoad::unusable;

    // The template is laid out in dialog units, which follow the font, not the
    // scale; at any DPI but 96 the panel takes its 96-DPI layout times the scale.
    picture_ = GetDlgItem(panel, IDC_PICTURE);
    dpi_ = WindowDpi(panel);
    templateDpi_ = dpi_;
    templateFont_ = reinterpret_cast<HFONT>(SendMessageW(panel, WM_GETFONT, 0, 0));
    scaledFont_.reset();
    layoutAt96_ = PanelTemplateAt96(panel, picture_, dpi_);
    KeepDialogScalingToPanel(panel);
    ShowPictureAtDpi();
    LayoutControls();
    if (dpi_ != kLayoutDpi) {
        SizePanelToDpi(nullptr);
        CentreWindow(panel, nullptr);
    }
    SetPanelDefaults();

    SetFocus(materialNumberBox_.window);
}

HWND ExperimentPanel::Control(int id) const {
    if (id == IDC_PICTURE) return picture_;
    HWND found = nullptr;
    ForEachControl([&](int controlId, HWND window, LockRole) {
        if (controlId == id) found = window;
    });
    return found;
}

namespace {

// The template makes the controls hidden: each is shown once it is in its
// place, with one call. While the panel is being made it is not shown yet, and
// nothing is repainted.
void Place(HWND control, const PixelRect& rect, bool repaint) {
    SetWindowPos(control, nullptr, rect.left, rect.top, rect.width(), rect.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | (repaint ? 0 : SWP_NOREDRAW));
}

void MoveIntoPicture(PlacedControl& record, HWND panel, HWND picture) {
    record.window = GetDlgItem(panel, record.id);
    SetParent(record.window, picture);
}

}  // namespace

// Re-parented edits, sliders and up-downs keep notifying the window that was
// their parent when they were created, so the panel's message map still
// receives their EN_CHANGE and UDN_DELTAPOS. GetDlgItem no longer finds them
// afterwards: the records keep their handles.
void ExperimentPanel::LayoutControls() {
    HWND panel = window();
    for (const PanelField& field : kPanelFields) {
        switch (field.kind) {
        case FieldKind::materialNumber:
            MoveIntoPicture(materialNumberBox_, panel, picture_);
            break;
        case FieldKind::number:
            MoveIntoPicture(*NumericFieldOf(field.id), panel, picture_);
            break;
        case FieldKind::upDown:
            MoveIntoPicture(*FindById(spins_, field.id), panel, picture_);
            break;
        case FieldKind::reading:
            MoveIntoPicture(*FindById(readings_, field.id), panel, picture_);
            break;
        case FieldKind::slider: {
            SliderField& slider = *SliderOfBox(field.id);
            MoveIntoPicture(slider.valueBox, panel, picture_);
            MoveIntoPicture(slider.frame, panel, picture_);
            slider.track = GetDlgItem(panel, slider.trackId);
            slider.minimumBox.window = GetDlgItem(panel, slider.minimumBox.id);
            slider.maximumBox.window = GetDlgItem(panel, slider.maximumBox.id);
            for (HWND part : {slider.track, slider.minimumBox.window, slider.maximumBox.window}) {
                SetParent(part, slider.frame.window);
            }
            break;
        }
        }
    }
    PlaceControls();
}

// Every control on its field's rectangle at the panel's scale; inside a
// slider's frame, the slider and range boxes by the frame's client size as
// measured, which the frame's borders make.
void ExperimentPanel::PlaceControls() {
    const bool repaint = IsWindowVisible(window()) != FALSE;
    auto place = [&](PlacedControl& record, const PixelRect& rect) {
        record.rect = ScaleToDpi(rect, dpi_);
        Place(record.window, record.rect, repaint);
    };
    for (const PanelField& field : kPanelFields) {
        switch (field.kind) {
        case FieldKind::materialNumber:
            place(materialNumberBox_, field.place);
            break;
        case FieldKind::number:
            place(*NumericFieldOf(field.id), field.place);
            break;
        case FieldKind::upDown:
            place(*FindById(spins_, field.id), field.place);
            break;
        case FieldKind::reading:
            place(*FindById(readings_, field.id), field.place);
            break;
        case FieldKind::slider: {
            SliderField& slider = *SliderOfBox(field.id);
            place(slider.valueBox, field.place);
            place(slider.frame, field.slider.framePlace);
            RECT client;
            GetClientRect(slider.frame.window, &client);
            const int width = client.right;
            const int height = client.bottom;
            slider.trackRect = FrameSliderRect(width, height, dpi_);
            slider.minimumBox.rect = FrameMinimumRect(width, height, dpi_);
            slider.maximumBox.rect = FrameMaximumRect(width, height, dpi_);
            Place(slider.track, slider.trackRect, repaint);
            Place(slider.minimumBox.window, slider.minimumBox.rect, repaint);
            Place(slider.maximumBox.window, slider.maximumBox.rect, repaint);
            break;
        }
        }
    }
}

// The picture for the panel's scale, at its scaled place: bitmap 201 at 96 DPI.
// It is given to the static here rather than named in the template, which
// would have the dialog manager convert it to the screen's format before the
// panel is first shown; a DIB section is converted only as it is painted.
void ExperimentPanel::ShowPictureAtDpi() {
    if (dpi_ == kLayoutDpi && !picture96_) picture96_.reset(LoadPanelPicture(kLayoutDpi));
    HBITMAP made = dpi_ == kLayoutDpi ? nullptr : LoadPanelPicture(dpi_);
    HBITMAP shown = made ? made : picture96_.get();
    if (shown) {
        // The static sizes itself to the bitmap, and deletes none it was given:
        // a picture made for another scale before is shown no more and goes.
        SendMessageW(picture_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(shown));
        scaledPicture_.reset(made);
    }
    SetWindowPos(picture_, nullptr, ScaleToDpi(layoutAt96_.picture.x, dpi_),
                 ScaleToDpi(layoutAt96_.picture.y, dpi_), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The template's font at the panel's scale, in every control of the fields.
void ExperimentPanel::SetFontsAtDpi() {
    HFONT made = nullptr;
    LOGFONTW description{};
    if (dpi_ != templateDpi_ && templateFont_ &&
        GetObjectW(templateFont_, sizeof(description), &description)) {
        description.lfHeight = MulDiv(description.lfHeight, dpi_, templateDpi_);
        made = CreateFontIndirectW(&description);
    }
    HFONT font = made ? made : templateFont_;
    if (!font) return;
    ForEachControl([&](int, HWND control, LockRole) {
        if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    });
    // The font made before is in no control any more.
    scaledFont_.reset(made);
}

void ExperimentPanel::SizePanelToDpi(const RECT* where) {
    SetClientSize(window(), ScaleToDpi(layoutAt96_.client.cx, dpi_), ScaleToDpi(layoutAt96_.client.cy, dpi_),
                  where);
}

// Moved to a monitor of another scale: the panel is laid out again for it, in
// the rectangle the system suggests; values, focus and a lock stay as they are.
LRESULT ExperimentPanel::OnDpiChanged(const Message& m, bool&) {
    const int dpi = LOWORD(m.wParam);
    if (dpi <= 0) return 0;
    dpi_ = dpi;
    ShowPictureAtDpi();
    SetFontsAtDpi();
    PlaceControls();
    SizePanelToDpi(reinterpret_cast<const RECT*>(m.lParam));
    return 0;
}

bool ExperimentPanel::FilterMessage(MSG& message) {
    HWND panel = window();
    if (!panel) return false;
    if (accelerators_ && (message.hwnd == panel || IsChild(panel, message.hwnd)) &&
        TranslateAcceleratorW(panel, accelerators_, &message)) {
        return true;
    }
    // The reason for a refused F9 goes at the student's next key or click.
    if (message.message == WM_KEYDOWN || message.message == WM_LBUTTONDOWN) HideRefusalTip();
    switch (message.message) {
    case WM_KEYDOWN:
        // Keys go to the focused box as typed: no Tab or arrow navigation, no
        // default button, no Escape. Enter ends the editing of a box by taking
        // the focus to the panel (a box writable only while focused becomes
        // read-only again); its value was taken at each keystroke.
        if (message.wParam == VK_RETURN) SetFocus(panel);
        return false;
    case WM_MOUSEMOVE:
        // The sliders are followed through the mouse, not through WM_HSCROLL.
        for (SliderField& slider : sliders_) {
            if (message.hwnd == slider.track) PollSlider(slider);
        }
        break;
    case WM_LBUTTONDOWN:
        // In context-help mode the next press ends the mode and asks for the
        // pop-up of the control under it; a shown pop-up consumes the press.
        if (helpMode_) {
            ToggleCaptionButton(helpButton_);
            POINT point = {static_cast<short>(LOWORD(message.lParam)),
                           static_cast<short>(HIWORD(message.lParam))};
            ClientToScreen(message.hwnd, &point);
            if (ShowContextHelp(panel, point)) return true;
        }
        break;
    }
    return IsDialogMessageW(panel, &message) != FALSE;
}

void ExperimentPanel::ClosePanel(int exitCode) {
    if (!KeepUnsavedReadings()) return;
    if (rangeWarning_.timerId != 0) CancelRangeWarning();
    DestroyWindow(window());
    // The save's messages, if any, appear without an owner: the panel is gone.
    SaveTable(false);
    if (logStore_) logStore_->FlushToDisk();
    PostQuitMessage(exitCode);
}

// Only a table that changed in this run is written: another copy may have
// saved its edits since this one started, and a file kept read-only stays
// untouched and silent as long as nobody tries to change it.
void ExperimentPanel::SaveTable(bool quiet) {
    SaveOptions options;
    options.backUpOldFile = backUpParameterFile_;
    options.quiet = quiet;
    if (SaveChangedParameterFile(caption_, parameterFilePath_, table_, parameterFileBytes_, options)) {
        backUpParameterFile_ = false;
    }
}

// Logging off or shutting down ends the process after WM_ENDSESSION without
// any close: the table is saved here as a close saves it. The session is
// ending, so a failure is not told; the previous file stays as it was.
//
// A teacher may still be in the middle of the table's edits. Windows is asked
// to wait, with the reason shown to the user, who can go back and press OK
// or Cancel; a session that ends all the same keeps the edits, as OK would:
// losing a teacher's typing is worse than keeping it unconfirmed.
LRESULT ExperimentPanel::OnQueryEndSession(const Message&, bool&) {
    if (!openEditor_ || !openEditor_->HasChangedCells()) return TRUE;
    ShutdownBlockReasonCreate(window(), kUnsavedTableReason);
    return FALSE;
}

LRESULT ExperimentPanel::OnEndSession(const Message& m, bool&) {
    if (!m.wParam) return 0;  // the session goes on after all
    if (rangeWarning_.timerId != 0) CancelRangeWarning();
    if (openEditor_ && openEditor_->HasChangedCells() && openEditor_->ConfirmNow()) {
        TakeEditedTable(*editorCopy_);
    }
    SaveTable(true);
    if (logStore_) {
        logStore_->SaveIfChanged();
        // Nobody is there to ask: rows the log's file would not take go to a
        // file of their own in the user's Documents.
        if (logStore_->UnsavedRows() != 0) logStore_->SaveRescueCopy();
        logStore_->FlushToDisk();
    }
    return 0;
}

// The defaults are ExperimentSettings's until the panel's boxes hold them.
ExperimentSettings ExperimentPanel::Settings() const {
    ExperimentSettings s;
    for (const NumericField& box : numbers_) s.*box.field->setting = box.value;
    for (const SliderField& slider : sliders_) s.*slider.valueBox.field->setting = slider.value;
    return s;
}

void ExperimentPanel::ComputeReadings() {
    Readings readings =
        MeasureReadings(table_.materialNumber, table_.WorkingEntry(), Settings(), shortCircuitCoefficient_);
    SetWindowTextW(Control(IDC_HALL_VOLTAGE), HallVoltageText(readings).c_str());
    SetWindowTextW(Control(IDC_SAMPLE_VOLTAGE), SampleVoltageText(readings).c_str());
}

void ExperimentPanel::SelectMaterial(int n) {
    table_.SelectMaterial(n);
    ComputeReadings();
}
