#include "panel/experiment_panel_win.h"

#include <commctrl.h>

#include <algorithm>

#include "base/module.h"
#include "editor/parameter_table_dialog.h"
#include "editor/password_dialog.h"
#include "help/about_dialog.h"
#include "help/help_launcher.h"
#include "model/noise.h"
#include "numtext/edit_text_win.h"
#include "panel/reading_text.h"
#include "res/resource.h"
#include "ui/centre_window.h"

ExperimentPanel::ExperimentPanel(PanelFiles& files) : files_(files) {}

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
        {WM_INITDIALOG, kAnyId, kAnyCode, Handler<&P::OnInitDialog>},
        {WM_COMMAND, IDM_ABOUT, kAnyCode, Handler<&P::ShowAbout>},
        {WM_COMMAND, IDOK, kAnyCode, Handler<&P::ClosePanel>},
        {WM_COMMAND, IDCANCEL, kAnyCode, Handler<&P::ClosePanel>},
        {WM_COMMAND, IDM_HELP_CONTENTS, kAnyCode, Handler<&P::ShowHelp>},
        {WM_COMMAND, IDM_RECORD_READING, kAnyCode, Handler<&P::OnRecordReading>},
        {WM_COMMAND, IDM_MEASUREMENT_LOG, kAnyCode, Handler<&P::OpenMeasurementLog>},
        {WM_COMMAND, IDM_AUTOMATIC_SERIES, kAnyCode, Handler<&P::RunAutomaticSeries>},
        {WM_COMMAND, IDM_NEXT_BOX, kAnyCode, Handler<&P::OnStepBox>},
        {WM_COMMAND, IDM_PREVIOUS_BOX, kAnyCode, Handler<&P::OnStepBox>},
        {WM_COMMAND, kAnyId, kAnyCode, Handler<&P::OnFieldCommand>},  // the boxes of kPanelFields
        {WM_NOTIFY, kAnyId, static_cast<int>(UDN_DELTAPOS), Handler<&P::OnUpDown>},
        {WM_SYSCOMMAND, kAnyId, kAnyCode, Handler<&P::OnSysCommand>},
        {kCaptionButtonNotify, kAnyId, kAnyCode, Handler<&P::OnCaptionButtonNotify>},
        {WM_SETCURSOR, kAnyId, kAnyCode, &P::OnSetCursor},
        {WM_TIMER, kAnyId, kAnyCode, Handler<&P::OnTimer>},
        {WM_SETFOCUS, kAnyId, kAnyCode, Handler<&P::OnSetFocus>},
        {WM_QUERYENDSESSION, kAnyId, kAnyCode, Handler<&P::OnQueryEndSession>},
        {WM_ENDSESSION, kAnyId, kAnyCode, Handler<&P::OnEndSession>},
        {WM_DESTROY, kAnyId, kAnyCode, Handler<&P::OnDestroy>},
        {kLoadMeasurementLog, kAnyId, kAnyCode, Handler<&P::LoadMeasurementLog>},
        {WM_DPICHANGED, kAnyId, kAnyCode, Handler<&P::OnDpiChanged>},
        {WM_HELP, kAnyId, kAnyCode, Handler<&P::OnHelpKey>},
        {kShowReadAsNote, kAnyId, kAnyCode, Handler<&P::OnShowReadAsNote>},
        {WM_ACTIVATE, kAnyId, kAnyCode, Handler<&P::OnActivate>},
        {WM_MOVE, kAnyId, kAnyCode, Handler<&P::OnMove>},
    };
    return DispatchMessageMap(*this, kMessageMap, message, handled);
}

void ExperimentPanel::ShowAbout() {
    AboutDialog about;
    about.Run(GetActiveWindow());
}

// The table is edited on a copy behind the password, and taken back only when
// the editor is closed with OK; the readings then follow at once.
void ExperimentPanel::RunParameterEditor() {
    {
        PasswordDialog password(caption_, files_.passwordFilePath());
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
    fields_.SelectMaterial(table_.materialNumber);
}

void ExperimentPanel::ShowHelp() {
    ShowHelpContents(files_.helpFilePath());
}

// F1, pressed in the panel or in any window it owns (the log, the dialogs,
// message boxes: their default processing hands WM_HELP on to their owner),
// opens the help as the Help menu does. A held key repeats: the help opens
// once, and again only for a press after a pause.
LRESULT ExperimentPanel::OnHelpKey() {
    const DWORD now = GetTickCount();
    const bool repeated = helpKeyTime_ != 0 && now - helpKeyTime_ < kHelpKeyPause;
    helpKeyTime_ = now;
    if (!repeated) ShowHelpContents(files_.helpFilePath());
    return TRUE;
}

bool ExperimentPanel::OnSysCommand(WPARAM command) {
    // The whole command is compared: 2101 has low bits that SC_ masks would drop.
    switch (command) {
    case IDM_PARAMETERS:
        RunParameterEditor();
        return true;
    case IDM_ABOUT:
        ShowAbout();
        return true;
    default:
        return false;  // the dialog's default processing: move, close, minimise
    }
}

void ExperimentPanel::OnCaptionButtonNotify(WPARAM, LPARAM pressed) {
    helpMode_ = pressed != 0;
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
bool ExperimentPanel::OnDestroy() {
    UnregisterFilter();
    // The tip is the panel's own window and goes with it.
    KillTimer(window(), kRefusalTipTimer);
    refusalTip_ = nullptr;
    DetachCaptionButtons(window());
    return false;  // the dialog's own handling follows
}

// The dialog manager would hand the focus straight back to a control (the one
// it saved, or the first tab stop). The panel keeps it: Enter in a box gives the
// focus to the panel to end the editing of that box.
void ExperimentPanel::OnSetFocus() {}

void ExperimentPanel::OnTimer(WPARAM timerId) {
    if (timerId == kRefusalTipTimer) {
        HideRefusalTip();
    } else if (!recorder_.OnTimer(timerId)) {
        fields_.OnTimer(timerId);
    }
}

LRESULT ExperimentPanel::OnInitDialog() {
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

    fields_.Attach(panel, &caption_);
    helpMode_ = false;
    noteBox_ = nullptr;
    refusalTip_ = nullptr;

    AttachCaptionButtons(panel);
    AddCaptionButton(helpButton_, IDB_HELP_BUTTON, IDB_HELP_BUTTON_PRESSED);

    recorder_.Init(panel, &caption_);
    files_.Open(panel);
    caption_ = files_.caption();
    recorder_.Start(files_.logStore());

    HMENU systemMenu = GetSystemMenu(panel, FALSE);
    InsertMenuW(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_STRING, IDM_PARAMETERS, L"Parameters...");
    InsertMenuW(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);

    SeedNoise();
    table_.Initialise();
    files_.LoadTable(table_);

    layout_.Init(panel, fields_.records());
    fields_.ShowDefaults();

    SetFocus(fields_.records().materialNumberBox.window);
    return FALSE;  // the focus is set already
}
HWND ExperimentPanel::Control(int id) const {
    return id == IDC_PICTURE ? layout_.picture() : fields_.Control(id);
}

// Moved to a monitor of another scale: the panel is laid out again for it, in
// the rectangle the system suggests; values, focus and a lock stay as they are.
void ExperimentPanel::OnDpiChanged(WPARAM dpis, LPARAM suggested) {
    const int dpi = LOWORD(dpis);
    if (dpi > 0) layout_.ChangeDpi(dpi, reinterpret_cast<const RECT*>(suggested), fields_.records());
}

bool ExperimentPanel::FilterMessage(MSG& message) {
    HWND panel = window();
    if (!panel) return false;
    HACCEL accelerators = recorder_.accelerators();
    if (accelerators && (message.hwnd == panel || IsChild(panel, message.hwnd)) &&
        TranslateAcceleratorW(panel, accelerators, &message)) {
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
        fields_.FollowSlider(message.hwnd);
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
    if (!recorder_.KeepUnsavedReadings()) return;
    fields_.DropRangeWarning();
    DestroyWindow(window());
    // The save's messages, if any, appear without an owner: the panel is gone.
    files_.SaveTable(table_, false);
    recorder_.FlushAtClose();
    PostQuitMessage(exitCode);
}

// Logging off or shutting down ends the process after WM_ENDSESSION without
// any close: the table is saved here as a close saves it. The session is
// ending, so a failure is not told; the previous file stays as it was.
//
// A teacher may still be in the middle of the table's edits. Windows is asked
// to wait, with the reason shown to the user, who can go back and press OK
// or Cancel; a session that ends all the same keeps the edits, as OK would:
// losing a teacher's typing is worse than keeping it unconfirmed.
LRESULT ExperimentPanel::OnQueryEndSession() {
    if (!openEditor_ || !openEditor_->HasChangedCells()) return TRUE;
    ShutdownBlockReasonCreate(window(), kUnsavedTableReason);
    return FALSE;
}

void ExperimentPanel::OnEndSession(WPARAM ending) {
    if (!ending) return;  // the session goes on after all
    fields_.DropRangeWarning();
    if (openEditor_ && openEditor_->HasChangedCells() && openEditor_->ConfirmNow()) {
        TakeEditedTable(*editorCopy_);
    }
    files_.SaveTable(table_, true);
    recorder_.SaveAtEndOfSession();
}

// The notifications of every box of the fields; the message map's own rows
// come first.
bool ExperimentPanel::OnFieldCommand(int id, int code) {
    NoteFieldCommand(id, code);
    return fields_.OnCommand(id, code);
}

bool ExperimentPanel::OnUpDown(const NMUPDOWN& change) {
    return fields_.OnUpDown(change);
}

void ExperimentPanel::OnRecordReading() {
    const RecordResult result = recorder_.RecordReading();
    if (result == RecordResult::recorded) {
        ShowRecordedReadAsNote();
        return;
    }
    // Pointed at the meter that shows no reading when that is the reason,
    // otherwise at the Hall voltage's.
    int meter = IDC_HALL_VOLTAGE;
    if (result == RecordResult::noReading && ReadWindowText(Control(IDC_HALL_VOLTAGE)) != kNoReading) {
        meter = IDC_SAMPLE_VOLTAGE;
    }
    ShowRefusalTip(RefusalText(result), meter);
}
