// The parameter editor behind its password, and the About box: the real
// dialogs, driven from inside their own modal loops.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/program_files_win.h"
#include "editor/parameter_table_dialog.h"
#include "editor/password_check.h"
#include "editor_script.h"
#include "message_box_catcher.h"
#include "message_sequence.h"
#include "numtext/number_format.h"
#include "numtext/number_parse.h"
#include "panel_fixture.h"

namespace {

using Icon = MessageBoxCatcher::Icon;

const std::wstring kTableTitle = kCaption + L":  Semiconductor Parameters";

class Editor : public PanelFixture {
protected:
    void OpenEditor() { OpenParameterEditor(panel_.window()); }

    void ExpectTableUnchanged(const MaterialTable& before) {
        for (int k = 0; k < kParameterCount; ++k) {
            for (int m = 0; m < before.materialCount; ++m) {
                ASSERT_EQ(panel_.table().columns[k].entries[m], before.columns[k].entries[m]);
            }
        }
    }
};

}  // namespace

TEST(PasswordCheck, OnlyTheExactPasswordPasses) {
    EXPECT_TRUE(IsEditorPassword(kEditorPassword));
    for (const wchar_t* wrong : {L"479 zkp ", L" 479 zkp", L"479 ZKP", L"479zkp", L"", L"479 zk"}) {
        SCOPED_TRACE(testing::Message() << wcslen(wrong));
        EXPECT_FALSE(IsEditorPassword(wrong));
    }
    unsigned char digest[32];
    ASSERT_TRUE(Utf16Sha256(L"abc", digest));
    // SHA-256 of "abc" in UTF-16LE (61 00 62 00 63 00): 13e22856...e33caedf.
    const unsigned char expectedStart[4] = {0x13, 0xE2, 0x28, 0x56};
    const unsigned char expectedEnd[4] = {0xE3, 0x3C, 0xAE, 0xDF};
    EXPECT_EQ(std::vector<unsigned char>(digest, digest + 4),
              std::vector<unsigned char>(expectedStart, expectedStart + 4));
    EXPECT_EQ(std::vector<unsigned char>(digest + 28, digest + 32),
              std::vector<unsigned char>(expectedEnd, expectedEnd + 4));
}

TEST_F(Editor, WrongPasswordsAreRefusedOnceEachAndTheRightOneOpensTheTable) {
    Start();
    MessageBoxCatcher catcher;
    DialogScript script;
    std::vector<bool> focusBack;
    for (const wchar_t* wrong : {L"479 zkp ", L"479 ZKP", L" 479 zkp"}) {
        EnterPassword(script, wrong);
        script.Then("focus back in the box", [&focusBack] {
            HWND dialog = PasswordWindow();
            if (!dialog) return false;
            focusBack.push_back(GetFocus() == GetDlgItem(dialog, IDC_PASSWORD));
            return true;
        });
    }
    EnterPassword(script, kEditorPassword);
    bool tableOpened = false;
    script.Then("the table opens", [&] {
        if (!Table()) return false;
        tableOpened = true;
        return true;
    });
    Press(script, Table, IDCANCEL);
    OpenEditor();

    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(script.failures().empty()) << script.failures().front();
    EXPECT_TRUE(tableOpened);
    ExpectRefusals(catcher.boxes(), 3);
    EXPECT_EQ(focusBack, (std::vector<bool>{true, true, true}));
}

TEST_F(Editor, CancellingThePasswordOpensNothingAndChangesNothing) {
    Start();
    const MaterialTable before = panel_.table();
    for (int command : {IDCANCEL, -1}) {
        DialogScript script;
        bool passwordSeen = false, tableSeen = false;
        script.Then("cancel the password", [command, &passwordSeen] {
            HWND dialog = PasswordWindow();
            if (!dialog) return false;
            passwordSeen = true;
            SetDlgItemTextW(dialog, IDC_PASSWORD, L"479");
            if (command == -1) {
                SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
            } else {
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
            }
            return true;
        });
        // Runs only if a table opens after all (its modal loop drives the
        // script on), and closes it so that the test can say so.
        script.Then("no table", [&tableSeen] {
            HWND table = Table();
            if (!table) return false;
            tableSeen = true;
            SendMessageW(table, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return true;
        });
        OpenEditor();
        EXPECT_TRUE(passwordSeen);
        EXPECT_TRUE(script.failures().empty());
        EXPECT_FALSE(tableSeen);
        EXPECT_EQ(Table(), nullptr);
    }
    ExpectTableUnchanged(before);
}

TEST_F(Editor, TableShowsEveryMaterialUnderTheParameterHeaders) {
    Start();
    DialogScript script;
    EnterPassword(script, kEditorPassword);
    std::wstring title;
    std::vector<std::wstring> headers;
    std::vector<int> formats, widths;
    int rows = -1;
    std::wstring firstNumber, lastNumber, nd, eg, mu;
    script.Then("read the table", [&] {
        HWND table = Table();
        if (!table) return false;
        wchar_t text[256] = {};
        GetWindowTextW(table, text, 256);
        title = text;
        for (int column = 0; column < 13; ++column) {
            wchar_t header[32] = {};
            LVCOLUMNW info = {};
            info.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
            info.pszText = header;
            info.cchTextMax = 32;
            SendMessageW(List(), LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
            headers.push_back(header);
            formats.push_back(info.fmt & LVCFMT_JUSTIFYMASK);
            widths.push_back(info.cx);
        }
        rows = static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0));
        firstNumber = Cell(0, 0);
        lastNumber = Cell(99, 0);
        nd = Cell(0, 1);
        eg = Cell(0, 11);
        mu = Cell(0, 3);
        return true;
    });
    Press(script, Table, IDCANCEL);
    OpenEditor();
    ASSERT_TRUE(script.failures().empty()) << script.failures().front();

    EXPECT_EQ(title, kTableTitle);
    EXPECT_EQ(headers,
              (std::vector<std::wstring>{L"N", L"Nd", L"Na", L"\u03BCnL0", L"\u03BCnI0", L"TL0", L"TI0",
                                         L"\u03B1", L"\u03B2", L"b", L"ni0", L"Eg", L"ARand"}));
    const int L = LVCFMT_LEFT, C = LVCFMT_CENTER, R = LVCFMT_RIGHT;
    EXPECT_EQ(formats, (std::vector<int>{L, C, C, R, R, R, R, R, R, R, C, R, R}));
    EXPECT_EQ(widths, (std::vector<int>{50, 100, 100, 80, 80, 70, 70, 60, 60, 60, 100, 60, 60}));
    EXPECT_EQ(rows, 100);
    EXPECT_EQ(firstNumber, L"1");
    EXPECT_EQ(lastNumber, L"100");
    EXPECT_EQ(nd, L"1.0e+016");
    EXPECT_EQ(eg, L"1.12");
    EXPECT_EQ(mu, L"8000.0");
}

TEST_F(Editor, TableHasOneRowPerMaterialOfTheFile) {
    for (int count : {5, 0}) {
        SCOPED_TRACE(count);
        ASSERT_TRUE(WriteFileBytes(ParameterPath(), EncodeParameterFile(DefaultTable(count)).bytes));
        // A file of no materials is damaged: the 100 defaults take its place.
        const int rowsShown = count == 0 ? kMaxMaterials : count;
        MessageBoxCatcher catcher;
        ProgramFiles files;
        ExperimentPanel panel(files);
        ASSERT_TRUE(panel.Create());
        DialogScript script;
        EnterPassword(script, kEditorPassword);
        int rows = -1;
        script.Then("count the rows", [&rows] {
            if (!Table()) return false;
            rows = static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0));
            return true;
        });
        Press(script, Table, IDOK);
        SendMessageW(panel.window(), WM_SYSCOMMAND, IDM_PARAMETERS, 0);
        EXPECT_TRUE(script.failures().empty());
        EXPECT_EQ(rows, rowsShown);
        EXPECT_EQ(panel.table().materialCount, rowsShown);
        EXPECT_EQ(catcher.boxes().size(), count == 0 ? 1u : 0u);
        DestroyWindow(panel.window());
    }
}

TEST_F(Editor, CellsAreEditedInPlaceAndShowTheNumberTheyRead) {
    Start();
    DialogScript script;
    EnterPassword(script, kEditorPassword);

    bool nothingForN = false, nothingBelow = false, selectedAll = false, overCell = false, focused = false;
    script.Then("no editor for N or the empty area", [&] {
        if (!Table()) return false;
        DoubleClick(0, 0);
        nothingForN = CellEditorWindow() == nullptr;
        DoubleClick(-1, 3);
        nothingBelow = CellEditorWindow() == nullptr;
        return true;
    });
    script.Then("the editor lies over the cell, its text selected", [&] {
        DoubleClick(2, 9);
        HWND editor = CellEditorWindow();
        if (!editor) return false;
        RECT cell = {};
        cell.top = 9;
        cell.left = LVIR_BOUNDS;
        SendMessageW(List(), LVM_GETSUBITEMRECT, 2, reinterpret_cast<LPARAM>(&cell));
        RECT box;
        GetWindowRect(editor, &box);
        MapWindowPoints(nullptr, List(), reinterpret_cast<POINT*>(&box), 2);
        overCell = EqualRect(&box, &cell) != FALSE;
        focused = GetFocus() == editor;
        DWORD start = 0, end = 0;
        SendMessageW(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        selectedAll =
            start == 0 && end == static_cast<DWORD>(GetWindowTextLengthW(editor)) && end == 3;  // "2.5"
        SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
        return true;
    });
    EditCell(script, 0, 9, L"2,5");
    EditCell(script, 1, 9, L"");
    EditCell(script, 2, 9, L"abc");
    EditCell(script, 3, 1, L"1e17");
    EditCell(script, 4, 1, L"1234567890123456789012345678901234567890");
    EditCell(script, 5, 12, L"  12abc");
    EditCell(script, 6, 1, L"1e999");
    std::vector<std::wstring> cells;
    bool stillOpen = false, editorGone = false;
    script.Then("read the cells", [&] {
        for (int row = 0; row < 7; ++row) {
            int column = row == 5 ? 12 : (row >= 3 ? 1 : 9);
            cells.push_back(Cell(row, column));
        }
        stillOpen = Table() != nullptr;
        editorGone = CellEditorWindow() == nullptr;
        return true;
    });
    Press(script, Table, IDOK);
    OpenEditor();
    ASSERT_TRUE(script.failures().empty()) << script.failures().front();

    EXPECT_TRUE(nothingForN);
    EXPECT_TRUE(nothingBelow);
    EXPECT_TRUE(overCell);
    EXPECT_TRUE(focused);
    EXPECT_TRUE(selectedAll);
    EXPECT_TRUE(stillOpen) << "Enter ends the edit, not the dialog";
    EXPECT_TRUE(editorGone);
    EXPECT_EQ(cells, (std::vector<std::wstring>{L"2.0", L"0.0", L"0.0", L"1.0e+017", L"1.2345679e+029",
                                                L"12.0", L"1.#INF"}));

    // OK took them all.
    const MaterialTable& table = panel_.table();
    EXPECT_EQ(table.columns[kB].entries[0], 2.0);
    EXPECT_EQ(table.columns[kB].entries[1], 0.0);
    EXPECT_EQ(table.columns[kNd].entries[3], 1e17);
    EXPECT_EQ(table.columns[kNd].entries[4], 1.2345679e29);
    EXPECT_EQ(table.columns[kARand].entries[5], 12.0);
    // The cell's "1.#INF" stands for the infinity it shows, not for 1.
    EXPECT_TRUE(std::isinf(table.columns[kNd].entries[6]));
}

TEST_F(Editor, ClickingOkWhileEditingCommitsTheEditAndCancelDiscardsEverything) {
    Start();
    {
        DialogScript script;
        EnterPassword(script, kEditorPassword);
        ClickWhileEditing(script, 0, 9, L"3.5", IDOK);  // b of material 1
        OpenEditor();
        EXPECT_TRUE(script.failures().empty());
        EXPECT_EQ(panel_.table().columns[kB].entries[0], 3.5);
    }
    const MaterialTable before = panel_.table();
    {
        DialogScript script;
        EnterPassword(script, kEditorPassword);
        EditCell(script, 0, 9, L"9");
        EditCell(script, 1, 1, L"7");
        Press(script, Table, IDCANCEL);
        OpenEditor();
        EXPECT_TRUE(script.failures().empty());
    }
    ExpectTableUnchanged(before);
}

namespace {

// The pixels of `text` drawn in `font`, black on white.
std::vector<uint32_t> Drawn(HFONT font, const std::wstring& text) {
    const int width = 48, height = 32;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<uint32_t> pixels;
    if (dc && bitmap && bits) {
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        HGDIOBJ oldFont = SelectObject(dc, font);
        RECT all = {0, 0, width, height};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, TRANSPARENT);
        TextOutW(dc, 4, 4, text.c_str(), static_cast<int>(text.size()));
        GdiFlush();
        const uint32_t* p = static_cast<const uint32_t*>(bits);
        pixels.assign(p, p + width * height);
        SelectObject(dc, oldFont);
        SelectObject(dc, oldBitmap);
    }
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
    return pixels;
}

}  // namespace

// The headers' Greek letters and the caption buttons' symbols need fonts that
// a bare Wine lacks: without them the headers show boxes and the caption
// buttons the letters "0 1 r". Windows has both.
TEST_F(Editor, TheHeadersGreekLettersAndTheCaptionSymbolsHaveTheirFonts) {
    Start();
    DialogScript script;
    EnterPassword(script, kEditorPassword);
    std::vector<std::string> missing;
    script.Then("draw the headers' letters in the headers' font", [&missing] {
        if (!Table()) return false;
        HWND header = reinterpret_cast<HWND>(SendMessageW(List(), LVM_GETHEADER, 0, 0));
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0));
        if (!font) font = reinterpret_cast<HFONT>(SendMessageW(List(), WM_GETFONT, 0, 0));
        if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        // U+0378 is no character at all: every font draws its missing-glyph
        // box for it.
        const std::vector<uint32_t> noGlyph = Drawn(font, L"\u0378");
        const std::vector<uint32_t> nothing = Drawn(font, L" ");
        const std::pair<const char*, const wchar_t*> letters[] = {
            {"mu", L"\u03BC"}, {"alpha", L"\u03B1"}, {"beta", L"\u03B2"}};
        for (const auto& letter : letters) {
            const std::vector<uint32_t> drawn = Drawn(font, letter.second);
            if (drawn.empty() || drawn == noGlyph || drawn == nothing) missing.push_back(letter.first);
        }
        return true;
    });
    Press(script, Table, IDCANCEL);
    OpenEditor();
    ASSERT_TRUE(script.failures().empty()) << script.failures().front();
    EXPECT_TRUE(missing.empty()) << "no glyph for " << missing.front() << " in the table's headers";

    // The caption buttons are drawn from Marlett; a missing font is stood in
    // for by another face.
    HFONT marlett = CreateFontW(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SYMBOL_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Marlett");
    ASSERT_NE(marlett, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, marlett);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(marlett);
    EXPECT_STREQ(face, L"Marlett");
}

// Each way an edit ends tells the dialog once, before anything else happens:
// a click on OK while editing ends the edit (the focus leaves the box) before
// the button's command arrives, and Escape drops the edit with one notice.
TEST_F(Editor, AnEditEndsWithOneNoticeBeforeTheCommandThatEndedIt) {
    Start();
    DialogScript script;
    EnterPassword(script, kEditorPassword);
    std::vector<SentMessage> byEnter, byEscape, byClick;
    std::unique_ptr<MessageSequence> sequence;
    const std::vector<UINT> wanted = {WM_ENDCELLEDIT, WM_COMMAND};
    script.Then("Enter in a cell", [&] {
        if (!Table()) return false;
        sequence = std::make_unique<MessageSequence>(Table(), wanted);
        SendMessageW(TypeIntoCell(0, 9, L"3"), WM_KEYDOWN, VK_RETURN, 0);
        byEnter = sequence->sent();
        sequence = std::make_unique<MessageSequence>(Table(), wanted);
        PostKey(TypeIntoCell(1, 9, L"4"), VK_ESCAPE);
        return true;
    });
    script.Then("Escape in a cell", [&] {
        byEscape = sequence->sent();
        sequence = std::make_unique<MessageSequence>(Table(), wanted);
        ClickOkWhileEditing(2, 9, L"5");
        return true;
    });
    OpenEditor();
    if (sequence) byClick = sequence->sent();
    sequence.reset();

    ASSERT_TRUE(script.failures().empty()) << script.failures().front();
    const SentMessage kept = {WM_ENDCELLEDIT, static_cast<int>(kCellEditKept), 0};
    const SentMessage dropped = {WM_ENDCELLEDIT, static_cast<int>(kCellEditAbandoned), 0};
    EXPECT_EQ(byEnter, std::vector<SentMessage>{kept});
    EXPECT_EQ(byEscape, std::vector<SentMessage>{dropped});
    EXPECT_EQ(byClick, (std::vector<SentMessage>{kept, SentMessage{WM_COMMAND, IDOK, BN_CLICKED}}));
    EXPECT_EQ(panel_.table().columns[kB].entries[0], 3.0);
    EXPECT_EQ(panel_.table().columns[kB].entries[1], 2.5);
    EXPECT_EQ(panel_.table().columns[kB].entries[2], 5.0);
}

// The session may end with the table open. Without changed cells nothing
// holds it. With changes the end is held, with a reason Windows shows; a
// session that goes on after all leaves the dialog open and the file alone,
// and one that ends anyway keeps every change, the cell still being typed
// too, as OK would, and saves the table.
TEST_F(Editor, TheEndOfTheSessionWaitsForChangedCellsAndKeepsThemIfItEndsAnyway) {
    MessageBoxCatcher catcher;
    Start();
    const std::vector<unsigned char> before = ReadFileBytes(ParameterPath());
    DialogScript script;
    EnterPassword(script, kEditorPassword);
    LRESULT unchangedAnswer = -1;
    LRESULT changedAnswer = -1;
    std::wstring reason;
    bool reasonTold = false;
    std::vector<unsigned char> afterRefusal;
    bool openAfterRefusal = false;
    script.Then("the session asks with nothing changed", [&] {
        if (!Table()) return false;
        unchangedAnswer = SendMessageW(panel_.window(), WM_QUERYENDSESSION, 0, 0);
        return true;
    });
    EditCell(script, 0, 1, L"2e16");
    script.Then("the session asks with a cell changed and one being typed", [&] {
        if (!TypeIntoCell(1, 2, L"3e15")) return false;
        changedAnswer = SendMessageW(panel_.window(), WM_QUERYENDSESSION, 0, 0);
        // Windows gives the reason back; Wine 8 has no such call (a call
        // bound at load time would abort the test there).
        using ReasonQuery = BOOL(WINAPI*)(HWND, LPWSTR, DWORD*);
        const auto query = reinterpret_cast<ReasonQuery>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "ShutdownBlockReasonQuery")));
        wchar_t text[256] = {};
        DWORD size = 256;
        reasonTold = query && query(panel_.window(), text, &size) != FALSE;
        reason = text;
        SendMessageW(panel_.window(), WM_ENDSESSION, FALSE, 0);
        afterRefusal = ReadFileBytes(ParameterPath());
        openAfterRefusal = Table() != nullptr && CellEditorWindow() != nullptr;
        SendMessageW(panel_.window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        return true;
    });
    // If the dialog were left open, this step would time out and cancel it.
    script.Then("the dialog has ended", [] { return Table() == nullptr; });
    OpenEditor();
    ASSERT_TRUE(script.failures().empty()) << script.failures().front();
    EXPECT_EQ(unchangedAnswer, TRUE);
    EXPECT_EQ(changedAnswer, FALSE);
    if (reasonTold) {
        EXPECT_EQ(reason, L"The table of material parameters has changes that are not saved yet.");
    }
    EXPECT_EQ(afterRefusal, before);
    EXPECT_TRUE(openAfterRefusal);

    MaterialTable expected = DefaultTable();
    expected.columns[kNd].entries[0] = 2e16;
    expected.columns[kNa].entries[1] = 3e15;
    EXPECT_EQ(ReadFileBytes(ParameterPath()), EncodeParameterFile(expected).bytes);
    ExpectTableUnchanged(expected);
    EXPECT_TRUE(catcher.boxes().empty());
}

TEST_F(Editor, EscapeDropsTheOpenEditAndEscapeAgainCancelsTheDialog) {
    Start();
    const MaterialTable before = panel_.table();
    DialogScript script;
    EnterPassword(script, kEditorPassword);
    script.Then("type into Nd of material 1, then Escape", [] {
        if (!Table()) return false;
        HWND editor = TypeIntoCell(0, 1, L"2e16");
        if (!editor) return false;
        PostKey(editor, VK_ESCAPE);
        return true;
    });
    bool listWhole = false, tableOpen = false, focusOnList = false;
    std::wstring cell;
    script.Then("the edit is gone, the table is not", [&] {
        if (CellEditorWindow()) return false;
        tableOpen = Table() != nullptr;
        listWhole = IsWindow(List()) && SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0) == kMaxMaterials;
        cell = Cell(0, 1);
        focusOnList = GetFocus() == List();
        PostKey(GetFocus(), VK_ESCAPE);
        return true;
    });
    script.Then("the second Escape ends the dialog", [] { return Table() == nullptr; });
    OpenEditor();

    ASSERT_TRUE(script.failures().empty()) << script.failures().front();
    EXPECT_TRUE(tableOpen);
    EXPECT_TRUE(listWhole);
    EXPECT_EQ(cell, L"1.0e+016");
    EXPECT_TRUE(focusOnList);
    ExpectTableUnchanged(before);
}

// Every key a teacher may press while a cell is open leaves the table whole:
// the keys that end an edit keep what the box held, Escape keeps what the cell
// held, and the others edit the box's text as the edit control does.
TEST_F(Editor, NoKeyPressedInAnOpenCellLosesTheTable) {
    std::vector<CellKey> keys = {{"Tab", VK_TAB, kNoModifiers}, {"Shift+Tab", VK_TAB, kShift}};
    keys.insert(keys.end(), std::begin(kKeysInACell), std::end(kKeysInACell));
    keys.push_back({"Escape", VK_ESCAPE, kNoModifiers});
    const int count = static_cast<int>(keys.size());
    Start();
    MaterialTable expected = panel_.table();
    DialogScript script;
    EnterPassword(script, kEditorPassword);
    std::vector<std::string> broken;
    for (int i = 0; i < count; ++i) {
        const CellKey key = keys[i];
        // Material i + 1's b, typed as i + 0.5 before the key.
        const std::wstring typed = std::to_wstring(i) + L".5";
        script.Then("open a cell and press the key", [i, key, typed] {
            if (!Table()) return false;
            HWND editor = TypeIntoCell(i, 9, typed);
            if (!editor) return false;
            PostKey(editor, key.key, key.modifiers);
            return true;
        });
        script.Then("end the edit if the key left it open", [i, key, typed, &expected, &broken] {
            HoldModifiers(kNoModifiers);
            if (!Table() || !IsWindow(List()) || SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0) != kMaxMaterials) {
                broken.push_back(key.name);
                return true;
            }
            double kept = expected.columns[kB].entries[i];
            if (HWND editor = CellEditorWindow()) {
                const std::wstring text = ReadWindowText(editor);
                SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
                kept = ParseShownReal(FormatReal(ParseShownReal(text.substr(0, 30)), kTableFormat, true));
            } else if (key.key != VK_ESCAPE) {
                kept = ParseShownReal(FormatReal(ParseReal(typed), kTableFormat, true));
            }
            expected.columns[kB].entries[i] = kept;
            if (Cell(i, 9) != FormatReal(kept, kTableFormat, true)) broken.push_back(key.name);
            return true;
        });
    }
    Press(script, Table, IDOK);
    OpenEditor();

    ASSERT_TRUE(script.failures().empty()) << script.failures().front();
    EXPECT_TRUE(broken.empty()) << broken.front();
    for (int m = 0; m < kMaxMaterials; ++m) {
        for (int k = 0; k < kParameterCount; ++k) {
            if (m >= count || k != kB) {
                expected.columns[k].entries[m] = ParseReal(FormatReal(expected.columns[k].entries[m], kTableFormat));
            }
        }
    }
    ExpectTableUnchanged(expected);
}

TEST_F(Editor, TabMovesOnFromAnOpenCellAndAltF4CancelsTheDialog) {
    Start();
    const MaterialTable before = panel_.table();
    DialogScript script;
    EnterPassword(script, kEditorPassword);
    int afterTab = 0, afterShiftTab = 0;  // the ids of the controls focused
    script.Then("Tab in a cell", [] {
        if (!Table()) return false;
        PostKey(TypeIntoCell(0, 9, L"4"), VK_TAB);
        return true;
    });
    script.Then("Shift+Tab in a cell", [&afterTab] {
        afterTab = GetDlgCtrlID(GetFocus());
        PostKey(TypeIntoCell(1, 9, L"5"), VK_TAB, kShift);
        return true;
    });
    script.Then("Alt+F4 in a cell", [&afterShiftTab] {
        HoldModifiers(kNoModifiers);
        afterShiftTab = GetDlgCtrlID(GetFocus());
        PostKey(TypeIntoCell(2, 9, L"6"), VK_F4, kAlt);
        return true;
    });
    script.Then("the dialog is gone", [] {
        HoldModifiers(kNoModifiers);
        return Table() == nullptr;
    });
    OpenEditor();

    ASSERT_TRUE(script.failures().empty()) << script.failures().front();
    // Tab went on from the list to the first button, Shift+Tab back to the last.
    EXPECT_EQ(afterTab, IDOK);
    EXPECT_EQ(afterShiftTab, IDCANCEL);
    // Alt+F4 is the close box: the dialog is cancelled and the table kept.
    ExpectTableUnchanged(before);
}

TEST_F(Editor, CellsShowingInfinitiesOrNaNsKeepThemWhenConfirmedUnchanged) {
    const uint64_t kBits[] = {0x7FF0000000000000ull, 0xFFF0000000000000ull, 0xFFF8000000000000ull,
                              0x7FF8000000000000ull};
    const wchar_t* const kShown[] = {L"1.#INF", L"-1.#INF", L"-1.#IND", L"1.#QNAN"};
    MaterialTable table = DefaultTable();
    for (int i = 0; i < 4; ++i) std::memcpy(&table.columns[kEg].entries[i], &kBits[i], 8);
    ASSERT_TRUE(WriteFileBytes(ParameterPath(), EncodeParameterFile(table).bytes));
    Start();

    DialogScript script;
    EnterPassword(script, kEditorPassword);
    std::vector<std::wstring> shown;
    script.Then("open each cell and press Enter", [&shown] {
        if (!Table()) return false;
        for (int i = 0; i < 4; ++i) {
            DoubleClick(i, 11);
            HWND editor = CellEditorWindow();
            if (!editor) return false;
            SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
            shown.push_back(Cell(i, 11));
        }
        return true;
    });
    Press(script, Table, IDOK);
    OpenEditor();

    ASSERT_TRUE(script.failures().empty()) << script.failures().front();
    EXPECT_EQ(shown, std::vector<std::wstring>(std::begin(kShown), std::end(kShown)));
    for (int i = 0; i < 4; ++i) {
        uint64_t bits;
        std::memcpy(&bits, &panel_.table().columns[kEg].entries[i], 8);
        EXPECT_EQ(bits, kBits[i]) << "material " << i + 1;
    }
}

TEST_F(Editor, ATableWhoseListIsGoneIsNotTakenByOk) {
    Start();
    const MaterialTable before = panel_.table();
    DialogScript script;
    EnterPassword(script, kEditorPassword);
    script.Then("the list is destroyed", [] {
        if (!Table()) return false;
        SendMessageW(List(), WM_CLOSE, 0, 0);
        return !IsWindow(List());
    });
    // Found by its title now: it holds no list any more.
    Press(script, [] { return FindDialogTitled(kTableTitle); }, IDOK);
    OpenEditor();
    ASSERT_TRUE(script.failures().empty()) << script.failures().front();
    ExpectTableUnchanged(before);
}

TEST_F(Editor, OkRoundsToEightDigitsAndTheReadingsFollowAtOnce) {
    Start();
    SetExample();
    ASSERT_EQ(Text(IDC_HALL_VOLTAGE), L"-283.27");
    {
        DialogScript script;
        EnterPassword(script, kEditorPassword);
        EditCell(script, 0, 1, L"1.23456789e16");  // Nd of material 1, the current one
        EditCell(script, 1, 11, L"1.123456789");
        Press(script, Table, IDOK);
        OpenEditor();
        EXPECT_TRUE(script.failures().empty());
    }
    const MaterialTable& table = panel_.table();
    EXPECT_EQ(table.columns[kNd].entries[0], 1.2345679e16);
    EXPECT_EQ(table.columns[kEg].entries[1], 1.1234568);
    EXPECT_EQ(table.columns[kNd].workingEntry(), 1.2345679e16);
    EXPECT_NE(Text(IDC_HALL_VOLTAGE), L"-283.27");

    // Values with more digits than the table shows come back rounded by any OK.
    MaterialTable precise = DefaultTable();
    precise.columns[kNi0].entries[42] = 1.0 / 3.0;
    ASSERT_TRUE(WriteFileBytes(ParameterPath(), EncodeParameterFile(precise).bytes));
    ProgramFiles secondFiles;
    ExperimentPanel second(secondFiles);
    ASSERT_TRUE(second.Create());
    DialogScript script;
    EnterPassword(script, kEditorPassword);
    Press(script, Table, IDOK);
    SendMessageW(second.window(), WM_SYSCOMMAND, IDM_PARAMETERS, 0);
    EXPECT_TRUE(script.failures().empty());
    EXPECT_EQ(second.table().columns[kNi0].entries[42], 0.33333333);
    // Before any material is chosen the readings stay "*****" after OK.
    EXPECT_EQ(ReadWindowText(second.Control(IDC_HALL_VOLTAGE)), L"*****");
    EXPECT_EQ(ReadWindowText(second.Control(IDC_SAMPLE_VOLTAGE)), L"*****");
    DestroyWindow(second.window());
}

TEST_F(Editor, OkWithARandChangesTheReadingsOfTheCurrentMaterial) {
    Start();
    SetExample();
    DialogScript script;
    EnterPassword(script, kEditorPassword);
    EditCell(script, 0, 12, L"0.5");
    Press(script, Table, IDOK);
    OpenEditor();
    EXPECT_TRUE(script.failures().empty());
    EXPECT_EQ(panel_.table().columns[kARand].workingEntry(), 0.5);
    // With the scatter on, the reading is the exact one times a factor in [0.5, 1.5].
    double hall = ParseReal(Text(IDC_HALL_VOLTAGE));
    EXPECT_LE(hall, -283.27 * 0.5 + 0.01);
    EXPECT_GE(hall, -283.27 * 1.5 - 0.01);
}

TEST_F(Editor, AboutBoxFromTheMenuAndTheSystemMenuClosesEveryWay) {
    Start();
    SetExample();
    const std::wstring hall = Text(IDC_HALL_VOLTAGE);
    struct Way {
        const char* what;
        UINT message;
        WPARAM open;
        std::function<void(HWND)> close;
    } ways[] = {
        {"menu, OK", WM_COMMAND, IDM_ABOUT,
         [](HWND about) { SendMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }},
        {"system menu, Enter", WM_SYSCOMMAND, IDM_ABOUT,
         [](HWND about) {
             MSG enter = {GetFocus(), WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
             IsDialogMessageW(about, &enter);
         }},
        {"menu, Escape", WM_COMMAND, IDM_ABOUT,
         [](HWND about) {
             MSG escape = {GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
             IsDialogMessageW(about, &escape);
         }},
        {"system menu, close box", WM_SYSCOMMAND, IDM_ABOUT,
         [](HWND about) { SendMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        DialogScript script;
        std::wstring text;
        bool hasIcon = false, panelDisabled = false;
        script.Then("look at the About box and close it", [&] {
            HWND about = FindDialogTitled(L"About");
            if (!about) return false;
            for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t className[16] = {};
                GetClassNameW(child, className, 16);
                if (lstrcmpiW(className, L"Static") != 0) continue;
                if (SendMessageW(child, STM_GETICON, 0, 0)) hasIcon = true;
                std::wstring childText = ReadWindowText(child);
                if (!childText.empty()) text = childText;
            }
            panelDisabled = !IsWindowEnabled(panel_.window());
            way.close(about);
            return true;
        });
        SendMessageW(panel_.window(), way.message, way.open, 0);
        EXPECT_TRUE(script.finished());
        EXPECT_EQ(FindDialogTitled(L"About"), nullptr);
        EXPECT_TRUE(script.failures().empty());
        EXPECT_EQ(text, L"Tesmor Lab\nApplication v1.0");
        EXPECT_TRUE(hasIcon);
        EXPECT_TRUE(panelDisabled);
    }
    EXPECT_EQ(Text(IDC_HALL_VOLTAGE), hall);
    EXPECT_EQ(EnabledInputs(), AllInputs());
    EXPECT_TRUE(IsWindowEnabled(panel_.window()));
}
