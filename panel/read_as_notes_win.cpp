#include "panel/panel_notes_win.h"

#include <commctrl.h>

#include "numtext/edit_text_win.h"
#include "numtext/read_as_note.h"
#include "panel/panel_messages.h"

// A box reads the number at the start of its text and ignores the rest, so
// "2,5" gives 2 and "−7" (a typographic minus) gives 0 without a word. The
// balloon says what was read, and why not more, once the student is done with
// the box: when it loses the focus (Enter included, which takes the focus to
// the panel) and when F9 records a reading that used it. Never while typing,
// where "1e" and "2." are only on their way to a number. It changes nothing:
// not the value, not the lock, not the focus.

// The balloon's text for one of the boxes the student types into (the range
// boxes included); empty for a text read whole and for any other control.
std::wstring PanelNotes::ReadAsNote(int id) const {
    const FieldRecords& records = fields_.records();
    if (id == records.materialNumberBox.id) {
        return IntegerReadAsNote(ReadWindowText(records.materialNumberBox.window));
    }
    if (records.NumericFieldOf(id) || records.SliderOfBox(id)) {
        return RealReadAsNote(ReadWindowText(fields_.Control(id)));
    }
    return std::wstring();
}

bool PanelNotes::ShowReadAsNote(int id) {
    const std::wstring note = ReadAsNote(id);
    if (note.empty()) return false;
    HideReadAsNote();
    EDITBALLOONTIP balloon{};
    balloon.cbStruct = sizeof balloon;
    balloon.pszTitle = L"";
    balloon.pszText = note.c_str();
    balloon.ttiIcon = TTI_NONE;
    noteBox_ = fields_.Control(id);
    SendMessageW(noteBox_, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&balloon));
    return true;
}

void PanelNotes::HideReadAsNote() {
    if (noteBox_) SendMessageW(noteBox_, EM_HIDEBALLOONTIP, 0, 0);
    noteBox_ = nullptr;
}

// Seen before the box's own handlers: a box that lost the focus gets its note
// once the focus has settled; a balloon goes as soon as its box's text changes,
// since it speaks of a text that is no longer there.
bool PanelNotes::OnFieldCommand(int id, int code) {
    if (code == EN_KILLFOCUS && !ReadAsNote(id).empty()) {
        PostMessageW(panel_, kShowReadAsNote, static_cast<WPARAM>(id), 0);
    } else if (code == EN_CHANGE && noteBox_ && noteBox_ == fields_.Control(id)) {
        HideReadAsNote();
    }
    return false;  // the fields' own handling follows
}

// Only while the panel is the active window: focus taken away to another
// program, or to the log's window, brings no balloon over it.
void PanelNotes::OnShowReadAsNote(WPARAM id) {
    if (GetActiveWindow() == panel_) ShowReadAsNote(static_cast<int>(id));
}

// After F9: the box with the focus if the reading used it read in part,
// otherwise the first such box in the panel's order.
void PanelNotes::ShowRecordedReadAsNote() {
    if (GetActiveWindow() != panel_) return;
    const HWND focus = GetFocus();
    int first = 0;
    for (const PanelField& field : kPanelFields) {
        if (field.logColumn == kNoLogColumn || field.kind == FieldKind::reading) continue;
        if (ReadAsNote(field.id).empty()) continue;
        if (fields_.Control(field.id) == focus) {
            ShowReadAsNote(field.id);
            return;
        }
        if (first == 0) first = field.id;
    }
    if (first != 0) ShowReadAsNote(first);
}
