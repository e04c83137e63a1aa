// What a screen reader finds in every window but the panel: each control read
// through its accessible object (AccessibleObjectFromWindow), as a reader
// asks for it: its name, its role and its value.
#include <oleacc.h>

#include "dialog_script.h"
#include "editor_script.h"
#include "panel_fixture.h"

namespace {

struct Read {
    std::wstring name;
    long role = 0;
    std::wstring value;
    std::wstring description;
};

std::wstring TakeText(HRESULT result, BSTR text) {
    std::wstring taken = result == S_OK && text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return taken;
}

// The object a reader gets: ours (AccessibleObjectFromWindow, through the
// window), or the platform's own for the control's class.
Read ReadObject(IAccessible* object) {
    Read read;
    if (!object) {
        read.name = L"(no object)";
        return read;
    }
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    HRESULT result = object->get_accName(self, &text);
    read.name = TakeText(result, text);
    VARIANT role;
    VariantInit(&role);
    if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) read.role = role.lVal;
    text = nullptr;
    result = object->get_accValue(self, &text);
    read.value = TakeText(result, text);
    text = nullptr;
    result = object->get_accDescription(self, &text);
    read.description = TakeText(result, text);
    object->Release();
    return read;
}

Read ReadControl(HWND control) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
        object = nullptr;
    }
    return ReadObject(object);
}

Read ReadStandard(HWND control) {
    IAccessible* object = nullptr;
    if (FAILED(CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&object)))) {
        object = nullptr;
    }
    return ReadObject(object);
}

// A control as a reader must find it: its name, its role as Windows gives
// it, and its value where the value is text (empty: not looked at).
struct Expected {
    int id;
    const wchar_t* name;
    long role;
    const wchar_t* value;
};

// Reads every listed control of `dialog`, and checks that no other control a
// keyboard reaches was left unnamed. The role and the value are the
// platform's own for the control's class, which the name does not change;
// Wine's objects know fewer classes than Windows' and give some controls the
// role of a plain window and no value: there only the platform's answer is
// required.
void ExpectRead(HWND dialog, std::initializer_list<Expected> controls) {
    for (const Expected& control : controls) {
        SCOPED_TRACE(control.id);
        HWND window = GetDlgItem(dialog, control.id);
        const Read read = ReadControl(window);
        const Read standard = ReadStandard(window);
        EXPECT_EQ(read.name, control.name);
        EXPECT_EQ(read.role, standard.role);
        if (standard.role != ROLE_SYSTEM_CLIENT) EXPECT_EQ(read.role, control.role);
        EXPECT_EQ(read.value, standard.value);
        if (*control.value && !standard.value.empty()) EXPECT_EQ(read.value, control.value);
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP)) continue;
        EXPECT_NE(ReadControl(child).name, L"") << "control " << GetDlgCtrlID(child) << " has no name";
    }
}

class WindowNames : public LoggingPanelFixture {
protected:
    void SetUp() override {
        LoggingPanelFixture::SetUp();
        com_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void TearDown() override {
        LoggingPanelFixture::TearDown();
        if (SUCCEEDED(com_)) CoUninitialize();
    }
    HRESULT com_ = E_FAIL;
};

}  // namespace

// The log's window: its buttons, the list, the axes' lists with the axis
// chosen, and the plot, whose description says what it shows and follows new
// readings and a fitted line.
TEST_F(WindowNames, TheLogWindowsControlsAndThePlotAreReadByName) {
    MeasurementLogWindow* opened = OpenLogOfThreeReadings();
    ASSERT_NE(opened, nullptr);
    MeasurementLogWindow& log = *opened;
    HWND window = log.window();
    const std::wstring x = ReadWindowText(GetDlgItem(window, IDC_LOG_X));
    const std::wstring y = ReadWindowText(GetDlgItem(window, IDC_LOG_Y));
    ExpectRead(window, {
                           {IDC_LOG_FIT, L"Fit line", ROLE_SYSTEM_PUSHBUTTON, L""},
                           {IDC_LOG_COPY, L"Copy", ROLE_SYSTEM_PUSHBUTTON, L""},
                           {IDC_LOG_COPY_PLOT, L"Copy plot", ROLE_SYSTEM_PUSHBUTTON, L""},
                           {IDC_LOG_SAVE_PNG, L"Save plot as PNG...", ROLE_SYSTEM_PUSHBUTTON, L""},
                           {IDC_LOG_SAVE_CSV, L"Save as CSV...", ROLE_SYSTEM_PUSHBUTTON, L""},
                           {IDC_LOG_DELETE, L"Delete", ROLE_SYSTEM_PUSHBUTTON, L""},
                           {IDC_LOG_CLEAR, L"Clear...", ROLE_SYSTEM_PUSHBUTTON, L""},
                           {IDC_LOG_UNDO, L"Undo", ROLE_SYSTEM_PUSHBUTTON, L""},
                           {IDC_LOG_LIST, L"Readings", ROLE_SYSTEM_LIST, L""},
                           {IDC_LOG_X, L"X", ROLE_SYSTEM_COMBOBOX, x.c_str()},
                           {IDC_LOG_Y, L"Y", ROLE_SYSTEM_COMBOBOX, y.c_str()},
                       });
    EXPECT_FALSE(x.empty());
    const Read plot = ReadControl(log.plot().window());
    EXPECT_EQ(plot.name, L"Plot");
    EXPECT_EQ(plot.description, L"ln(1/V_\u03C3) against 1/T (1/K): 3 points.");

    Key(log.list(), VK_F9);
    Pump(200);
    Key(log.list(), 'F', kAlt);
    const Read fitted = ReadControl(log.plot().window());
    EXPECT_EQ(fitted.description.rfind(L"ln(1/V_\u03C3) against 1/T (1/K): 4 points. Fitted line: ", 0), 0u)
        << std::string(fitted.description.begin(), fitted.description.end());
    EXPECT_EQ(fitted.description.back(), L'.');
    Key(log.list(), VK_ESCAPE);
}

// The series dialog's boxes after their labels, with the text they hold.
TEST_F(WindowNames, TheSeriesDialogsBoxesAreReadAfterTheirLabels) {
    Start();
    SetExample();
    DialogScript script;
    script.Then("read the dialog, close it", [] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog) return false;
        const std::wstring from = ReadWindowText(GetDlgItem(dialog, IDC_SERIES_START));
        const std::wstring to = ReadWindowText(GetDlgItem(dialog, IDC_SERIES_END));
        const std::wstring step = ReadWindowText(GetDlgItem(dialog, IDC_SERIES_STEP));
        EXPECT_FALSE(from.empty());
        ExpectRead(dialog, {
                               {IDC_SERIES_QUANTITY, L"Vary", ROLE_SYSTEM_COMBOBOX, L""},
                               {IDC_SERIES_START, L"From", ROLE_SYSTEM_TEXT, from.c_str()},
                               {IDC_SERIES_END, L"To", ROLE_SYSTEM_TEXT, to.c_str()},
                               {IDC_SERIES_BY_STEP, L"In steps of", ROLE_SYSTEM_RADIOBUTTON, L""},
                               {IDC_SERIES_STEP, L"In steps of", ROLE_SYSTEM_TEXT, step.c_str()},
                               {IDC_SERIES_BY_COUNT, L"In points", ROLE_SYSTEM_RADIOBUTTON, L""},
                               {IDC_SERIES_COUNT, L"In points", ROLE_SYSTEM_TEXT, L""},
                               {IDC_SERIES_PROGRESS, L"Progress", ROLE_SYSTEM_PROGRESSBAR, L""},
                               {IDOK, L"Start", ROLE_SYSTEM_PUSHBUTTON, L""},
                               {IDCANCEL, L"Close", ROLE_SYSTEM_PUSHBUTTON, L""},
                           });
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(script.failures().empty());
}

// The password box, the table and a cell being edited, named by its column
// and its material; and the About box's button.
TEST_F(WindowNames, ThePasswordTheTableAndTheCellBeingEditedAreReadByName) {
    Start();
    DialogScript script;
    script.Then("read the password dialog", [] {
        HWND dialog = PasswordWindow();
        if (!dialog) return false;
        ExpectRead(dialog, {
                               {IDC_PASSWORD, L"Password", ROLE_SYSTEM_TEXT, L""},
                               {IDOK, L"OK", ROLE_SYSTEM_PUSHBUTTON, L""},
                               {IDCANCEL, L"Cancel", ROLE_SYSTEM_PUSHBUTTON, L""},
                           });
        SetWindowTextW(GetDlgItem(dialog, IDC_PASSWORD), kEditorPassword);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return true;
    });
    std::wstring cellName, cellValue, standardValue;
    script.Then("read the table, open a cell", [] {
        if (!Table()) return false;
        ExpectRead(Table(), {
                                {IDC_PARAMETER_LIST, L"Semiconductor Parameters", ROLE_SYSTEM_LIST, L""},
                                {IDOK, L"OK", ROLE_SYSTEM_PUSHBUTTON, L""},
                                {IDCANCEL, L"Cancel", ROLE_SYSTEM_PUSHBUTTON, L""},
                            });
        DoubleClick(2, 11);
        return true;
    });
    script.Then("read the cell", [&] {
        if (!CellEditorWindow()) return false;
        const Read cell = ReadControl(CellEditorWindow());
        cellName = cell.name;
        cellValue = cell.value;
        standardValue = ReadStandard(CellEditorWindow()).value;
        PostMessageW(Table(), WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    OpenParameterEditor(panel_.window());
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(script.failures().empty());
    EXPECT_EQ(cellName, L"Eg, material 3");
    // The editor is an edit control of a class of its own, which Wine's
    // objects do not take for an edit: the value where the platform gives it.
    EXPECT_EQ(cellValue, standardValue);
    if (!standardValue.empty()) EXPECT_EQ(cellValue, L"1.12");

    DialogScript about;
    about.Then("read About", [] {
        HWND dialog = FindDialogTitled(L"About");
        if (!dialog) return false;
        ExpectRead(dialog, {{IDOK, L"OK", ROLE_SYSTEM_PUSHBUTTON, L""}});
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return true;
    });
    SendMessageW(panel_.window(), WM_COMMAND, IDM_ABOUT, 0);
    EXPECT_TRUE(about.finished());
    EXPECT_TRUE(about.failures().empty());
}
