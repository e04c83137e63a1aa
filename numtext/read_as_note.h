#pragma once

#include <string>

// What a box's balloon tells about a text that its reader takes only in part,
// or not at all: the number it was read as and, for the common slips, why the
// rest was not read. The readers themselves stay as lenient as they are; the
// note only says what they did.
//
//   "2,5"   Read as 2: the decimal separator is "."
//   "5 mA"  Read as 5: "mA" is not part of the number
//   ""      Read as 0: the box is empty
//
// Empty when the whole text is the number (white space around it aside).

// For a box read with ParseReal.
std::wstring RealReadAsNote(const std::wstring& text);
// For a box read with ParseInteger (the material number).
std::wstring IntegerReadAsNote(const std::wstring& text);
