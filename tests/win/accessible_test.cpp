// What a screen reader finds: every window read through its accessible object,
// as a reader in another program asks for it (AccessibleObjectFromWindow).
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "base/module.h"
#include "panel/reading_text.h"
#include "panel_fixture.h"
#include "ui/accessible_win.h"

namespace {

// The name, role, value and description of a window's client object.
struct AccessibleReading {
    HRESULT found = E_FAIL;
    std::wstring name;
    long role = 0;
    long state = 0;
    std::wstring value;
    std::wstring description;
};

std::wstring Take(BSTR text) {
    std::wstring taken = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return taken;
}

AccessibleReading ReadAccessible(HWND window) {
    AccessibleReading reading;
    IAccessible* object = nullptr;
    reading.found = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                               __uuidof(IAccessible), reinterpret_cast<void**>(&object));
    if (FAILED(reading.found) || !object) return reading;
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    if (object->get_accName(self, &text) == S_OK) reading.name = Take(text);
    VARIANT role;
    VariantInit(&role);
    if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) reading.role = role.lVal;
    VARIANT state;
    VariantInit(&state);
    if (SUCCEEDED(object->get_accState(self, &state)) && state.vt == VT_I4) reading.state = state.lVal;
    text = nullptr;
    if (object->get_accValue(self, &text) == S_OK) reading.value = Take(text);
    text = nullptr;
    if (object->get_accDescription(self, &text) == S_OK) reading.description = Take(text);
    object->Release();
    return reading;
}

class Accessible : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                  ResourceModule(), nullptr);
        ASSERT_TRUE(parent_);
    }
    void TearDown() override {
        DestroyWindow(parent_);
        CoUninitialize();
    }

    HWND Edit(const wchar_t* text, DWORD style = 0) {
        return CreateWindowExW(0, L"EDIT", text, WS_CHILD | WS_VISIBLE | style, 10, 10, 100, 20, parent_,
                               nullptr, ResourceModule(), nullptr);
    }

    HWND parent_ = nullptr;
};

std::wstring DescribeCount(HWND, void* context) {
    return L"Points: " + std::to_wstring(*static_cast<int*>(context));
}

}  // namespace

// A box whose label is drawn is read by the name given to it, with the role and
// the text of an edit box as the platform reports them; the description is
// asked for afresh each time, and a window destroyed leaves an object a reader
// still holds answering without it.
TEST_F(Accessible, ABoxIsReadByItsGivenNameWithTheStandardRoleAndValue) {
    HWND box = Edit(L"300.0", ES_READONLY);
    ASSERT_TRUE(box);
    SetAccessibleName(box, L"Temperature T, K");
    AccessibleReading reading = ReadAccessible(box);
    ASSERT_EQ(reading.found, S_OK);
    EXPECT_EQ(reading.name, L"Temperature T, K");
    EXPECT_EQ(reading.role, ROLE_SYSTEM_TEXT);
    EXPECT_EQ(reading.value, L"300.0");
    EXPECT_EQ(reading.description, L"");

    SetWindowTextW(box, L"77.0");
    SetAccessibleName(box, L"Temperature T, K", L"The chamber's temperature");
    reading = ReadAccessible(box);
    EXPECT_EQ(reading.name, L"Temperature T, K");
    EXPECT_EQ(reading.value, L"77.0");
    EXPECT_EQ(reading.description, L"The chamber's temperature");

    int points = 3;
    HWND plot = Edit(L"");
    SetAccessibleDescriber(plot, &DescribeCount, &points);
    EXPECT_EQ(ReadAccessible(plot).description, L"Points: 3");
    points = 4;
    EXPECT_EQ(ReadAccessible(plot).description, L"Points: 4");

    IAccessible* held = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(plot, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&held)),
              S_OK);
    DestroyWindow(plot);
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR description = nullptr;
    held->get_accDescription(self, &description);
    EXPECT_EQ(Take(description), L"");
    held->Release();
}

namespace {

// The panel as a screen reader in another program meets it.
class AccessiblePanel : public PanelFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        PanelFixture::SetUp();
    }
    void TearDown() override {
        if (hook_) UnhookWinEvent(hook_);
        PanelFixture::TearDown();
        CoUninitialize();
    }

    // Records every value change of a window's own object from now on.
    void WatchValueChanges() {
        changed_.clear();
        hook_ = SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, &OnValueChange,
                                0, 0, WINEVENT_OUTOFCONTEXT);
        ASSERT_TRUE(hook_);
    }
    int ChangesOf(int id) const {
        int count = 0;
        for (HWND window : changed_) count += window == Box(id) ? 1 : 0;
        return count;
    }

    static void CALLBACK OnValueChange(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                                       DWORD) {
        if (object == OBJID_CLIENT && child == CHILDID_SELF) changed_.push_back(window);
    }

    static std::vector<HWND> changed_;
    HWINEVENTHOOK hook_ = nullptr;
};

std::vector<HWND> AccessiblePanel::changed_;

struct ExpectedControl {
    int id;
    const wchar_t* name;
    long role;
};

// clang-format off
const ExpectedControl kPanelControls[] = {
    {IDC_MATERIAL_NUMBER,       L"Semiconductor material number",  ROLE_SYSTEM_TEXT},
    {IDC_HALL_FACTOR,           L"Hall factor r_H",                ROLE_SYSTEM_TEXT},
    {IDC_SAMPLE_LENGTH,         L"Sample length l, \u00B5m",       ROLE_SYSTEM_TEXT},
    {IDC_SAMPLE_WIDTH,          L"Sample width w, \u00B5m",        ROLE_SYSTEM_TEXT},
    {IDC_SAMPLE_THICKNESS,      L"Sample thickness d, \u00B5m",    ROLE_SYSTEM_TEXT},
    {IDC_CONTACT_WIDTH,         L"Contact width s, \u00B5m",       ROLE_SYSTEM_TEXT},
    {IDC_CONTACT_SPACING,       L"Contact spacing \u03B4, \u00B5m", ROLE_SYSTEM_TEXT},
    {IDC_HALL_VOLTAGE,          L"Hall voltage V_H, mV",           ROLE_SYSTEM_TEXT},
    {IDC_SAMPLE_VOLTAGE,        L"Sample voltage V_\u03C3, mV",    ROLE_SYSTEM_TEXT},
    {IDC_SAMPLE_CURRENT,        L"Sample current I, mA",           ROLE_SYSTEM_TEXT},
    {IDC_SAMPLE_CURRENT_SLIDER, L"Sample current I slider",        ROLE_SYSTEM_SLIDER},
    {IDC_SAMPLE_CURRENT_MIN,    L"Sample current I minimum, mA",   ROLE_SYSTEM_TEXT},
    {IDC_SAMPLE_CURRENT_MAX,    L"Sample current I maximum, mA",   ROLE_SYSTEM_TEXT},
    {IDC_SAMPLE_CURRENT_FRAME,  L"Sample current I range",         ROLE_SYSTEM_STATICTEXT},
    {IDC_TEMPERATURE,           L"Temperature T, K",               ROLE_SYSTEM_TEXT},
    {IDC_TEMPERATURE_SPIN,      L"Temperature T up-down",          ROLE_SYSTEM_SPINBUTTON},
    {IDC_MAGNET_CURRENT,        L"Magnet current I_m, A",          ROLE_SYSTEM_TEXT},
    {IDC_MAGNET_CURRENT_SLIDER, L"Magnet current I_m slider",      ROLE_SYSTEM_SLIDER},
    {IDC_MAGNET_CURRENT_MIN,    L"Magnet current I_m minimum, A",  ROLE_SYSTEM_TEXT},
    {IDC_MAGNET_CURRENT_MAX,    L"Magnet current I_m maximum, A",  ROLE_SYSTEM_TEXT},
    {IDC_MAGNET_CURRENT_FRAME,  L"Magnet current I_m range",       ROLE_SYSTEM_STATICTEXT},
};
// clang-format on

}  // namespace

// Every control of the panel is read by its label in the picture with its
// unit, with its role, and with what it shows as its value: the box's text,
// the meter's reading, the slider's position. The meters are read-only.
TEST_F(AccessiblePanel, EveryControlIsReadByItsLabelWithItsRoleAndValue) {
    Start();
    SetExample();
    Pump(0);
    ASSERT_NE(Text(IDC_HALL_VOLTAGE), kNoReading);
    for (const ExpectedControl& control : kPanelControls) {
        SCOPED_TRACE(control.id);
        const AccessibleReading reading = ReadAccessible(Box(control.id));
        ASSERT_EQ(reading.found, S_OK);
        EXPECT_EQ(reading.name, control.name);
        EXPECT_EQ(reading.role, control.role);
        if (control.role == ROLE_SYSTEM_TEXT) {
            EXPECT_EQ(reading.value, Text(control.id));
        }
        if (control.role == ROLE_SYSTEM_SLIDER) {
            EXPECT_EQ(reading.value, std::to_wstring(SendMessageW(Box(control.id), TBM_GETPOS, 0, 0)));
        }
    }
    EXPECT_EQ(ReadAccessible(Box(IDC_TEMPERATURE)).value, L"300.0");
    EXPECT_EQ(ReadAccessible(Box(IDC_SAMPLE_CURRENT)).value, L"10");
    for (int meter : {IDC_HALL_VOLTAGE, IDC_SAMPLE_VOLTAGE}) {
        EXPECT_TRUE(ReadAccessible(Box(meter)).state & STATE_SYSTEM_READONLY) << meter;
    }
    EXPECT_FALSE(ReadAccessible(Box(IDC_SAMPLE_CURRENT)).state & STATE_SYSTEM_READONLY);

    const AccessibleReading picture = ReadAccessible(Box(IDC_PICTURE));
    EXPECT_EQ(picture.name, L"Hall-effect apparatus");
    EXPECT_EQ(picture.role, ROLE_SYSTEM_GRAPHIC);
    EXPECT_NE(picture.description.find(L"two voltmeters"), std::wstring::npos);
}

// A new reading on a meter is told to assistive technology once, and a reader
// that looks then finds it; a reading shown again as it was is no change.
TEST_F(AccessiblePanel, AMetersNewReadingIsToldOnce) {
    Start();
    Type(IDC_SAMPLE_CURRENT, L"10");
    Pump(0);
    // No material yet: the meters show no reading, and go on showing none.
    ASSERT_EQ(Text(IDC_HALL_VOLTAGE), kNoReading);
    WatchValueChanges();
    Type(IDC_SAMPLE_CURRENT, L"11");
    Pump(200);
    ASSERT_EQ(Text(IDC_HALL_VOLTAGE), kNoReading);
    EXPECT_EQ(ChangesOf(IDC_HALL_VOLTAGE), 0);
    EXPECT_EQ(ChangesOf(IDC_SAMPLE_VOLTAGE), 0);

    ChooseMaterial();
    Pump(200);
    ASSERT_NE(Text(IDC_SAMPLE_VOLTAGE), kNoReading);
    EXPECT_EQ(ChangesOf(IDC_HALL_VOLTAGE), 1);
    EXPECT_EQ(ChangesOf(IDC_SAMPLE_VOLTAGE), 1);
    EXPECT_EQ(ReadAccessible(Box(IDC_SAMPLE_VOLTAGE)).value, Text(IDC_SAMPLE_VOLTAGE));

    const std::wstring before = Text(IDC_HALL_VOLTAGE);
    Type(IDC_MAGNET_CURRENT, L"5");
    Pump(200);
    ASSERT_NE(Text(IDC_HALL_VOLTAGE), before);
    EXPECT_EQ(ChangesOf(IDC_HALL_VOLTAGE), 2);
    EXPECT_EQ(ReadAccessible(Box(IDC_HALL_VOLTAGE)).value, Text(IDC_HALL_VOLTAGE));
    for (int box : {IDC_SAMPLE_CURRENT, IDC_MAGNET_CURRENT, IDC_MATERIAL_NUMBER})
        EXPECT_EQ(ChangesOf(box), 0);
}

// The title bar's "?" is drawn, not a window: a reader finds it as the last
// child of the panel's client object, a push button that shows whether help
// mode is on and switches it when pressed.
TEST_F(AccessiblePanel, TheCaptionHelpButtonIsAChildOfThePanelThatCanBePressed) {
    Start();
    IAccessible* panel = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(panel_.window(), static_cast<DWORD>(OBJID_CLIENT),
                                         __uuidof(IAccessible), reinterpret_cast<void**>(&panel)),
              S_OK);
    LONG count = 0;
    ASSERT_EQ(panel->get_accChildCount(&count), S_OK);
    ASSERT_GE(count, 2);  // the picture and the button at least
    std::vector<VARIANT> children(count);
    LONG got = 0;
    ASSERT_EQ(AccessibleChildren(panel, 0, count, children.data(), &got), S_OK);
    ASSERT_EQ(got, count);
    // The last child is an element of the panel's object, not a window's.
    const VARIANT button = children.back();
    ASSERT_EQ(button.vt, VT_I4);
    BSTR text = nullptr;
    ASSERT_EQ(panel->get_accName(button, &text), S_OK);
    EXPECT_EQ(Take(text), L"Help mode");
    VARIANT answer;
    VariantInit(&answer);
    ASSERT_EQ(panel->get_accRole(button, &answer), S_OK);
    EXPECT_EQ(answer.lVal, ROLE_SYSTEM_PUSHBUTTON);
    ASSERT_EQ(panel->get_accState(button, &answer), S_OK);
    EXPECT_FALSE(answer.lVal & STATE_SYSTEM_PRESSED);
    text = nullptr;
    ASSERT_EQ(panel->get_accDefaultAction(button, &text), S_OK);
    EXPECT_EQ(Take(text), L"Press");
    for (VARIANT& child : children) VariantClear(&child);

    // Pressed by the reader, help mode is on, as after a click on the button.
    ASSERT_EQ(panel->accDoDefaultAction(button), S_OK);
    Pump(0);
    EXPECT_TRUE(panel_.help().helpMode());
    ASSERT_EQ(panel->get_accState(button, &answer), S_OK);
    EXPECT_TRUE(answer.lVal & STATE_SYSTEM_PRESSED);
    // The next click ends help mode; the button is seen released.
    PostMessageW(Box(IDC_SAMPLE_LENGTH), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(Box(IDC_SAMPLE_LENGTH), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    Pump(0);
    EXPECT_FALSE(panel_.help().helpMode());
    ASSERT_EQ(panel->get_accState(button, &answer), S_OK);
    EXPECT_FALSE(answer.lVal & STATE_SYSTEM_PRESSED);
    panel->Release();
}
