#include "numtext/edit_text_win.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// A real edit control, as the panel's boxes are.
class EditBox : public testing::Test {
protected:
    void SetUp() override {
        edit_ = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_AUTOHSCROLL, 0, 0, 120, 24, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(edit_, nullptr);
    }
    void TearDown() override { DestroyWindow(edit_); }

    void Type(const wchar_t* text) { SetWindowTextW(edit_, text); }
    std::wstring Text() const { return ReadWindowText(edit_); }

    HWND edit_ = nullptr;
};

}  // namespace

TEST_F(EditBox, ShowsNumbersInThePanelAndTableStyles) {
    struct Case {
        double value;
        const wchar_t* format;
        const wchar_t* text;
    } cases[] = {
        {1e16, nullptr, L"1.0e+016"},
        {300, nullptr, L"300.0"},
        {12345, nullptr, L"12345."},
        {-283.269185226, nullptr, L"-283.27"},
        {573.635372682, L"%#.5g", L"573.64"},
        {1.23456789e16, L"%#.8g", L"1.2345679e+016"},
        {1234567, L"%#.8g", L"1234567.0"},
        {-0.0, nullptr, L"-0.0"},
        {std::numeric_limits<double>::infinity(), nullptr, L"1.#INF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SetEditReal(edit_, c.value, c.format);
        EXPECT_EQ(Text(), c.text);
    }
    SetEditInteger(edit_, 0);
    EXPECT_EQ(Text(), L"0");
    SetEditInteger(edit_, -25);
    EXPECT_EQ(Text(), L"-25");
    SetEditInteger(edit_, 100, L"%i");
    EXPECT_EQ(Text(), L"100");
}

TEST_F(EditBox, ReadsWhateverWasTypedLeniently) {
    struct Case {
        const wchar_t* text;
        double real;
        int integer;
    } cases[] = {
        {L"", 0.0, 0},         {L"abc", 0.0, 0},     {L"  12.5", 12.5, 12},  {L"1,5", 1.0, 1},
        {L"1.5d3", 1500.0, 1}, {L"12abc", 12.0, 12}, {L"-1.#IND", -1.0, -1}, {L"\xFF14\xFF12", 0.0, 42},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case with real " << c.real);
        Type(c.text);
        EXPECT_EQ(ReadEditReal(edit_), c.real);
        EXPECT_EQ(ReadEditInteger(edit_), c.integer);
    }
    // A text far longer than any buffer the caller might have guessed.
    std::wstring longText(5000, L'9');
    longText[0] = L'1';
    Type(longText.c_str());
    EXPECT_TRUE(std::isinf(ReadEditReal(edit_)));
    EXPECT_EQ(ReadWindowText(edit_).size(), longText.size());
}

TEST_F(EditBox, UpdateFromEditComparesThenChecksTheBoundsThenStores) {
    double value = 100;
    struct Step {
        const wchar_t* text;
        EditUpdate result;
        double stored;
    } steps[] = {
        {L"25000", EditUpdate::changed, 25000},        // the upper bound itself is accepted
        {L"25000.5", EditUpdate::outOfRange, 25000},  // above it is not, and the value stays
        {L"0", EditUpdate::outOfRange, 25000},
        {L"", EditUpdate::outOfRange, 25000},       // empty text reads as 0
        {L"2.5e4", EditUpdate::unchanged, 25000},  // the same number in another form: unchanged
        {L"1", EditUpdate::changed, 1},             // the lower bound itself
        {L"1.0", EditUpdate::unchanged, 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.text);
        Type(s.text);
        EXPECT_EQ(UpdateFromEdit(edit_, value, 1.0, 25000.0), s.result);
        EXPECT_EQ(value, s.stored);
    }

    // Equality is tested first: a stored value outside the bounds still reads as unchanged.
    value = 30000;
    Type(L"30000");
    EXPECT_EQ(UpdateFromEdit(edit_, value, 1.0, 25000.0), EditUpdate::unchanged);

    // Without bounds every new number is taken.
    Type(L"-7e300");
    EXPECT_EQ(UpdateFromEdit(edit_, value), EditUpdate::changed);
    EXPECT_EQ(value, -7e300);

    // Only one bound given.
    Type(L"-5");
    EXPECT_EQ(UpdateFromEdit(edit_, value, 0.0, std::nullopt), EditUpdate::outOfRange);
    EXPECT_EQ(UpdateFromEdit(edit_, value, std::nullopt, 0.0), EditUpdate::changed);
    EXPECT_EQ(value, -5);
}
