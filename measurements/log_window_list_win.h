#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "measurements/measurement_log.h"
#include "measurements/plot_axes.h"

// The list of the measurement log's window and its axes' choices: the list's
// columns, the texts of its cells, its rows and their selection.

// "1 row", "2 rows".
std::wstring CountText(size_t n, const wchar_t* one, const wchar_t* many);

// Gives the list its columns, each as wide as its title and its usual cells;
// returns their width together.
int AddLogColumns(HWND dialog, HWND list);

// Answers the list's request for a cell's text (LVN_GETDISPINFO). The text is
// kept in `cellText` for as long as the list may read it.
void GiveLogCellText(const MeasurementLog& log, NMLVDISPINFOW& info, std::wstring& cellText);

// Tells the list how many rows the log has, keeping a row focused, and brings
// the last row into view when asked.
void ShowLogRowCount(HWND list, int count, bool scrollToEnd);

// The selected rows' indices, below `count`, in order.
std::vector<size_t> SelectedLogRows(HWND list, size_t count);

// Selects the rows with these numbers and focuses the first of them.
void SelectLogRowsByNumber(HWND list, const MeasurementLog& log, std::vector<int> numbers);

// Fills the axes' choices, the given ones chosen.
void FillAxisChoices(HWND xChoice, HWND yChoice, PlotX x, PlotY y);
