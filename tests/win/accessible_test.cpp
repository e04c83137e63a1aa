// What a screen reader finds: every window read through its accessible object,
// as a reader in another program asks for it (AccessibleObjectFromWindow).
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <string>

#include "base/module.h"
#include "ui/accessible_win.h"

namespace {

// The name, role, value and description of a window's client object.
struct AccessibleReading {
    HRESULT found = E_FAIL;
    std::wstring name;
    long role = 0;
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
