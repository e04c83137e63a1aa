#include "panel/experiment_panel_win.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "base/module.h"
#include "editor/parameter_table_dialog.h"
#include "editor/password_dialog.h"
#include "model/noise.h"
#include "numtext/edit_text_win.h"
#include "panel/panel_names_win.h"
#include "panel/reading_text.h"
#include "res/resource.h"
#include "ui/centre_window.h"

ExperimentPanel::ExperimentPanel(PanelFiles& files) : files_(files) {}

// Destroyed here, while the message map is whole: WM_DESTROY takes the filter
// and the caption button with it.
ExperimentPanel::~ExperimentPanel() {
    if (window()) DestroyWindow(window());
    filter_.Unregister();
}

bool ExperimentPanel::Create() {
    return ModelessDialog::Create(IDD_PANEL, nullptr);
}

LRESULT ExperimentPanel::HandleMessage(const Message& message, bool& handled) {
    using P = ExperimentPanel;
    static const MessageMapEntry<P> kMessageMap[] = {
        {WM_INITDIALOG, kAnyId, kAnyCode, Handler<&P::OnInitDialog>},
        {WM_COMMAND, IDOK, kAnyCode, Handler<&P::ClosePanel>},
        {WM_COMMAND, IDCANCEL, kAnyCode, Handler<&P::ClosePanel>},
        {WM_COMMAND, IDM_RECORD_READING, kAnyCode, Handler<&P::OnRecordReading>},
        {WM_COMMAND, IDM_NEXT_BOX, kAnyCode, Handler<&P::OnStepBox>},
        {WM_COMMAND, IDM_PREVIOUS_BOX, kAnyCode, Handler<&P::OnStepBox>},
        {WM_SYSCOMMAND, kAnyId, kAnyCode, Handler<&P::OnSysCommand>},
        {WM_SETFOCUS, kAnyId, kAnyCode, Handler<&P::OnSetFocus>},
        {WM_QUERYENDSESSION, kAnyId, kAnyCode, Handler<&P::OnQueryEndSession>},
        {WM_ENDSESSION, kAnyId, kAnyCode, Handler<&P::OnEndSession>},
        {WM_DESTROY, kAnyId, kAnyCode, Handler<&P::OnDestroy>},
        {WM_DPICHANGED, kAnyId, kAnyCode, Handler<&P::OnDpiChanged>},
    };
    // The parts that watch a message without taking it (the notes at a box's
    // notifications, everyone at WM_DESTROY) see it before those that take it.
    LRESULT result = 0;
    handled = help_.Route(message, result) || notes_.Route(message, result) ||
              recorder_.Route(message, result) ||
              RouteMessage(*this, kMessageMap, std::size(kMessageMap), message, result) ||
              fields_.Route(message, result);
    return result;
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

bool ExperimentPanel::OnSysCommand(WPARAM command) {
    // The whole command is compared: 2101 has low bits that SC_ masks would drop.
    switch (command) {
    case IDM_PARAMETERS:
        RunParameterEditor();
        return true;
    case IDM_ABOUT:
        help_.ShowAbout();
        return true;
    default:
        return false;  // the dialog's default processing: move, close, minimise
    }
}

// Whichever way the window goes, its filter goes with it (and the caption
// button and the tip with the parts that own them).
bool ExperimentPanel::OnDestroy() {
    filter_.Unregister();
    return false;  // the dialog's own handling follows
}

// The dialog manager would hand the focus straight back to a control (the one
// it saved, or the first tab stop). The panel keeps it: Enter in a box gives the
// focus to the panel to end the editing of that box.
void ExperimentPanel::OnSetFocus() {}

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

    filter_.Register(this);

    fields_.Attach(panel, &caption_);
    notes_.Attach(panel);
    help_.Attach(panel);

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
    NamePanelControls(fields_.records(), layout_.picture());
    fields_.ShowDefaults();

    SetFocus(fields_.records().materialNumberBox.window);
    return FALSE;  // the focus is set already
}

HWND ExperimentPanel::Control(int id) const {
    return id == IDC_PICTURE ? layout_.picture() : fields_.Control(id);
}

// Moved to a monitor of another scale: the panel is laid out again for it, in
// the rectangle the system suggests; values, focus and a lock stay as they are.
void ExperimentPanel::OnStepBox(int command) {
    // The log's window shares the panel's keys; F6 there is not meant for the panel.
    if (GetActiveWindow() == window()) FocusNextBox(fields_, command == IDM_PREVIOUS_BOX);
}

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
    if (message.message == WM_KEYDOWN || message.message == WM_LBUTTONDOWN) notes_.HideRefusalTip();
    switch (message.message) {
    case WM_KEYDOWN:
        // Keys go to the focused box as typed: no Tab or arrow navigation, no
        // default button, no Escape. Enter ends the editing of a box by taking
        // the focus to the panel (a box writable only while focused becomes
        // read-only again); its value was taken at each keystroke.
        if (message.wParam == VK_RETURN) SetFocus(panel);
        return false;
    case WM_MOUSEMOVE:
    case WM_KEYUP:
        // The sliders are followed through the mouse, not through WM_HSCROLL;
        // a slider moved with the keys (reached with F6) is followed when the
        // key is let go, its move done.
        fields_.FollowSlider(message.hwnd);
        break;
    case WM_LBUTTONDOWN:
        // In context-help mode the press shows the pop-up of the control under it.
        if (help_.OnButtonDown(message)) return true;
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

void ExperimentPanel::OnRecordReading() {
    const RecordResult result = recorder_.RecordReading();
    if (result == RecordResult::recorded) {
        notes_.ShowRecordedReadAsNote();
        return;
    }
    // Pointed at the meter that shows no reading when that is the reason,
    // otherwise at the Hall voltage's.
    int meter = IDC_HALL_VOLTAGE;
    if (result == RecordResult::noReading && ReadWindowText(Control(IDC_HALL_VOLTAGE)) != kNoReading) {
        meter = IDC_SAMPLE_VOLTAGE;
    }
    notes_.ShowRefusalTip(RefusalText(result), meter);
}
