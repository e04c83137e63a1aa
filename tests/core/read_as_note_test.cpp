// Tests of what a box's balloon says about a text read only in part.
#include "numtext/read_as_note.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Ascii(const std::wstring& text) {
    std::string s;
    for (wchar_t c : text) s += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    return s;
}

struct NoteRow {
    std::wstring text;
    std::wstring note;
};

}  // namespace

TEST(ReadAsNote, ARealTextReadInPartNamesTheNumberAndTheCommonSlip) {
    const NoteRow rows[] = {
        {L"2,5", L"Read as 2: the decimal separator is \".\""},
        {L",5", L"Read as 0: the decimal separator is \".\""},
        {L"-3,75e2", L"Read as -3: the decimal separator is \".\""},
        {L"\u22127", L"Read as 0: the minus sign is \"-\""},
        {L"\u20137", L"Read as 0: the minus sign is \"-\""},
        {L"\uFF0D7", L"Read as 0: the minus sign is \"-\""},
        {L"5e\u22123", L"Read as 5: the minus sign is \"-\""},
        {L"0x10", L"Read as 0: hexadecimal numbers are not read"},
        {L"-0X1A", L"Read as 0: hexadecimal numbers are not read"},
        {L"\uFF11\uFF12", L"Read as 0: only the digits 0 to 9 are read"},
        {L"\u0661\u0662", L"Read as 0: only the digits 0 to 9 are read"},
        {L"1\uFF12", L"Read as 1: only the digits 0 to 9 are read"},
        {L"2\uFF0E5", L"Read as 2: fullwidth characters are not read"},
        {L"\u200B5", L"Read as 0: the box holds an invisible character"},
        {L"\uFEFF5", L"Read as 0: the box holds an invisible character"},
        {L"5\u200D", L"Read as 5: the box holds an invisible character"},
        {L"1.3\x01", L"Read as 1.3: the box holds an invisible character"},
        {L"\x7F" L"1", L"Read as 0: the box holds an invisible character"},
        {L"1\t5", L"Read as 1: a space ends the number"},
        {L"1 000", L"Read as 1: a space ends the number"},
        {L"5 mA", L"Read as 5: \"mA\" is not part of the number"},
        {L"300K", L"Read as 300: \"K\" is not part of the number"},
        {L"abc", L"Read as 0: \"abc\" is not part of the number"},
        {L"1e", L"Read as 1: \"e\" is not part of the number"},
        {L".", L"Read as 0: \".\" is not part of the number"},
        {L"7 metres and a bit", L"Read as 7: \"metres\" is not part of the number"},
        {L"1 abcdefghijklmnop", L"Read as 1: \"abcdefghijkl...\" is not part of the number"},
        {L"1.#INF", L"Read as 1: \"#INF\" is not part of the number"},
        {L"0.1x", L"Read as 0.1: \"x\" is not part of the number"},
        {L"1e999x", L"Read as 1.#INF: \"x\" is not part of the number"},
        {L"", L"Read as 0: the box is empty"},
        {L" \t ", L"Read as 0: the box is empty"},
    };
    for (const NoteRow& r : rows) {
        EXPECT_EQ(RealReadAsNote(r.text), r.note) << Ascii(r.text);
    }
    // A text read whole, white space around it aside, has nothing to say.
    for (const wchar_t* text : {L"2.5", L" 2.5 ", L"\t-7", L"1e5", L"2.", L".5", L"0", L"-0", L"1e999", L"1.5d3"}) {
        EXPECT_EQ(RealReadAsNote(text), L"") << Ascii(text);
    }
    const std::wstring digits = L"2.5" + std::wstring(100000, L'0');
    EXPECT_EQ(RealReadAsNote(digits), L"");
}

TEST(ReadAsNote, AnIntegerTextReadInPartSaysAMaterialIsAWholeNumber) {
    const NoteRow rows[] = {
        {L"2.5", L"Read as 2: only whole numbers are read"},
        {L"3,9", L"Read as 3: only whole numbers are read"},
        {L"1e3", L"Read as 1: only whole numbers are read"},
        {L"\u22123", L"Read as 0: the minus sign is \"-\""},
        {L"0x1", L"Read as 0: hexadecimal numbers are not read"},
        {L"\u200B7", L"Read as 0: the box holds an invisible character"},
        {L"7 a", L"Read as 7: \"a\" is not part of the number"},
        {L"", L"Read as 0: the box is empty"},
    };
    for (const NoteRow& r : rows) {
        EXPECT_EQ(IntegerReadAsNote(r.text), r.note) << Ascii(r.text);
    }
    // Fullwidth and other scripts' digits are whole numbers to the integer reader.
    for (const wchar_t* text : {L"12", L" 7 ", L"\uFF11\uFF12", L"\u0661", L"100", L"0"}) {
        EXPECT_EQ(IntegerReadAsNote(text), L"") << Ascii(text);
    }
}
