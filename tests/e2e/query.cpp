#include "query.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

// A program that does not answer within this time is reported as such rather
// than waited for.
constexpr UINT kReplyTimeout = 2000;  // ms

const int kPanelControls[] = {
    IDC_MATERIAL_NUMBER,    IDC_HALL_VOLTAGE,     IDC_SAMPLE_VOLTAGE,       IDC_SAMPLE_CURRENT,
    IDC_SAMPLE_CURRENT_SLIDER, IDC_SAMPLE_CURRENT_MIN, IDC_SAMPLE_CURRENT_MAX, IDC_TEMPERATURE,
    IDC_TEMPERATURE_SPIN,   IDC_MAGNET_CURRENT,   IDC_MAGNET_CURRENT_SLIDER, IDC_MAGNET_CURRENT_MIN,
    IDC_MAGNET_CURRENT_MAX, IDC_HALL_FACTOR,      IDC_SAMPLE_LENGTH,        IDC_SAMPLE_WIDTH,
    IDC_SAMPLE_THICKNESS,   IDC_CONTACT_WIDTH,    IDC_CONTACT_SPACING,
};

std::string Utf8(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        if (c == L'\n') {
            escaped += L"\\n";
        } else if (c == L'\r') {
            escaped += L"\\r";
        } else if (c == L'\\') {
            escaped += L"\\\\";
        } else {
            escaped += c;
        }
    }
    if (escaped.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, escaped.data(), static_cast<int>(escaped.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, escaped.data(), static_cast<int>(escaped.size()), &out[0], size, nullptr,
                        nullptr);
    return out;
}

void PrintText(const std::string& key, const std::wstring& text) {
    std::printf("%s %s\n", key.c_str(), Utf8(text).c_str());
}

void PrintRect(const std::string& key, const RECT& r) {
    std::printf("%s %ld %ld %ld %ld\n", key.c_str(), r.left, r.top, r.right, r.bottom);
}

void PrintWindowRect(const std::string& key, HWND window) {
    RECT r;
    if (window && GetWindowRect(window, &r)) PrintRect(key, r);
}

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result) {
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kReplyTimeout, &result) != 0;
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    if (!Ask(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), copied)) return L"<no answer>";
    text[511] = L'\0';
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// A block of memory in the program's own address space, for the messages whose
// answer goes through a pointer (Wine carries only the standard ones across).
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, size_t size) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
        if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool ok() const { return address_ != nullptr; }
    LPARAM At(size_t offset) const { return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset); }
    bool Write(size_t offset, const void* data, size_t size) {
        SIZE_T done = 0;
        return WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
               done == size;
    }
    bool Read(size_t offset, void* data, size_t size) {
        SIZE_T done = 0;
        return ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
               done == size;
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

// A rectangle in a window's client coordinates, in screen coordinates.
RECT ClientToScreenRect(HWND window, RECT r) {
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The middle of the part of the window's frame that hit-tests as `code`,
// looked for near the top corner on the given side.
bool FindHitArea(HWND window, LRESULT code, bool fromRight, POINT& middle) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    auto hit = [&](LONG x, LONG y) {
        DWORD_PTR result = 0;
        return Ask(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), result) && static_cast<LRESULT>(result) == code;
    };
    const LONG width = r.right - r.left;
    const LONG reach = width < 120 ? width : 120;
    POINT p = {0, 0};
    bool found = false;
    for (LONG y = r.top; y < r.top + 48 && !found; y += 2) {
        for (LONG d = 0; d < reach && !found; d += 2) {
            LONG x = fromRight ? r.right - 1 - d : r.left + d;
            if (hit(x, y)) {
                p = {x, y};
                found = true;
            }
        }
    }
    if (!found) return false;
    LONG left = p.x, right = p.x, top = p.y, bottom = p.y;
    while (left > r.left && hit(left - 1, p.y)) --left;
    while (right < r.right - 1 && hit(right + 1, p.y)) ++right;
    const LONG x = (left + right) / 2;
    while (top > r.top && hit(x, top - 1)) --top;
    while (bottom < r.bottom - 1 && hit(x, bottom + 1)) ++bottom;
    middle = {x, (top + bottom) / 2};
    return true;
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindDescendant(HWND window, LPARAM context) {
    ControlSearch* search = reinterpret_cast<ControlSearch*>(context);
    if (GetDlgCtrlID(window) != search->id) return TRUE;
    search->found = window;
    return FALSE;
}

// The panel's controls live inside its picture (and the sliders inside their
// frames), where GetDlgItem does not find them.
HWND Descendant(HWND parent, int id) {
    ControlSearch search = {id, nullptr};
    EnumChildWindows(parent, FindDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

const char* KindOf(HWND window) {
    if (!window) return "none";
    const std::wstring name = ClassOf(window);
    if (name == L"#32768") return "menu";
    if (name == L"TesmorHelpPopup") return "popup";
    if (_wcsicmp(name.c_str(), TOOLTIPS_CLASSW) == 0) return "tip";
    if (name != L"#32770") return "other";
    // The password, table and series dialogs have statics with id 0xFFFF too
    // (a group box, labels), so they are told apart first.
    if (GetDlgItem(window, IDC_PICTURE)) return "panel";
    if (GetDlgItem(window, IDC_PASSWORD)) return "password";
    if (GetDlgItem(window, IDC_PARAMETER_LIST)) return "table";
    if (GetDlgItem(window, IDC_LOG_LIST)) return "log";
    if (GetDlgItem(window, IDC_SERIES_QUANTITY)) return "series";
    if (GetDlgItem(window, 0xFFFF)) return "message";
    return "other";
}

void PrintPanel(HWND panel) {
    POINT p;
    if (FindHitArea(panel, HTCLOSE, true, p)) std::printf("panel.close %ld %ld\n", p.x, p.y);
    if (FindHitArea(panel, HTSYSMENU, false, p)) std::printf("panel.sysmenu %ld %ld\n", p.x, p.y);
    for (int id : kPanelControls) {
        HWND control = Descendant(panel, id);
        if (!control) continue;
        const std::string key = "control." + std::to_string(id);
        PrintWindowRect(key + ".rect", control);
        std::printf("%s.enabled %d\n", key.c_str(), IsWindowEnabled(control) ? 1 : 0);
        const std::wstring name = ClassOf(control);
        if (_wcsicmp(name.c_str(), L"Edit") == 0) {
            const LONG style = GetWindowLongW(control, GWL_STYLE);
            std::printf("%s.readonly %d\n", key.c_str(), (style & ES_READONLY) ? 1 : 0);
            PrintText(key + ".text", TextOf(control));
        } else if (name == TRACKBAR_CLASSW) {
            DWORD_PTR position = 0;
            if (Ask(control, TBM_GETPOS, 0, 0, position)) {
                std::printf("%s.pos %ld\n", key.c_str(), static_cast<long>(position));
            }
            RemoteBuffer buffer(control, sizeof(RECT));
            DWORD_PTR unused = 0;
            RECT thumb = {};
            if (buffer.ok() && Ask(control, TBM_GETTHUMBRECT, 0, buffer.At(0), unused) &&
                buffer.Read(0, &thumb, sizeof thumb)) {
                PrintRect(key + ".thumb", ClientToScreenRect(control, thumb));
            }
        }
    }
}

struct CellRequest {
    int row;
    int column;
};

// The rows of a list view, and the rectangles and texts of the cells asked for,
// under "KIND.rows" and "KIND.cell.ROW.COLUMN.*".
void PrintListCells(const std::string& kind, HWND list, const std::vector<CellRequest>& cells) {
    DWORD_PTR rows = 0;
    if (Ask(list, LVM_GETITEMCOUNT, 0, 0, rows)) std::printf("%s.rows %ld\n", kind.c_str(), static_cast<long>(rows));

    constexpr int kTextUnits = 64;
    RemoteBuffer buffer(list, sizeof(LVITEMW) + kTextUnits * sizeof(wchar_t) + sizeof(RECT));
    if (!buffer.ok()) return;
    const size_t textOffset = sizeof(LVITEMW);
    const size_t rectOffset = textOffset + kTextUnits * sizeof(wchar_t);
    for (const CellRequest& cell : cells) {
        if (cell.row < 0 || static_cast<DWORD_PTR>(cell.row) >= rows) continue;
        const std::string key = kind + ".cell." + std::to_string(cell.row) + "." + std::to_string(cell.column);
        DWORD_PTR result = 0;
        RECT rect = {LVIR_BOUNDS, cell.column, 0, 0};  // left: the part; top: the column
        if (buffer.Write(rectOffset, &rect, sizeof rect) &&
            Ask(list, LVM_GETSUBITEMRECT, cell.row, buffer.At(rectOffset), result) && result &&
            buffer.Read(rectOffset, &rect, sizeof rect)) {
            PrintRect(key + ".rect", ClientToScreenRect(list, rect));
        }
        LVITEMW item = {};
        item.iSubItem = cell.column;
        item.pszText = reinterpret_cast<wchar_t*>(buffer.At(textOffset));
        item.cchTextMax = kTextUnits;
        wchar_t text[kTextUnits] = {};
        if (buffer.Write(0, &item, sizeof item) && buffer.Write(textOffset, text, sizeof text) &&
            Ask(list, LVM_GETITEMTEXTW, cell.row, buffer.At(0), result) &&
            buffer.Read(textOffset, text, sizeof text)) {
            text[kTextUnits - 1] = L'\0';
            PrintText(key + ".text", text);
        }
    }
}

void PrintTable(HWND table, const std::vector<CellRequest>& cells) {
    HWND list = GetDlgItem(table, IDC_PARAMETER_LIST);
    PrintWindowRect("table.list", list);
    PrintWindowRect("table.ok", GetDlgItem(table, IDOK));
    for (HWND child = GetWindow(list, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == L"TesmorCellEditor" && IsWindowVisible(child)) {
            PrintWindowRect("table.editor", child);
            PrintText("table.editor.text", TextOf(child));
        }
    }
    PrintListCells("table", list, cells);
}

void PrintLog(HWND log, const std::vector<CellRequest>& cells) {
    HWND list = GetDlgItem(log, IDC_LOG_LIST);
    PrintWindowRect("log.list", list);
    RECT client;
    if (GetClientRect(list, &client)) PrintRect("log.list.client", ClientToScreenRect(list, client));
    PrintText("log.status", TextOf(GetDlgItem(log, IDC_LOG_STATUS)));
    if (GetClientRect(log, &client)) PrintRect("log.client", ClientToScreenRect(log, client));
    std::printf("log.maximized %d\n", IsZoomed(log) ? 1 : 0);
    PrintWindowRect("log.xchoice", GetDlgItem(log, IDC_LOG_X));
    PrintWindowRect("log.ychoice", GetDlgItem(log, IDC_LOG_Y));
    PrintWindowRect("log.statusline", GetDlgItem(log, IDC_LOG_STATUS));
    PrintWindowRect("log.clear", GetDlgItem(log, IDC_LOG_CLEAR));
    PrintWindowRect("log.undo", GetDlgItem(log, IDC_LOG_UNDO));
    std::printf("log.undo.enabled %d\n", IsWindowEnabled(GetDlgItem(log, IDC_LOG_UNDO)) ? 1 : 0);
    PrintListCells("log", list, cells);
}

// The text of a tooltip's first tool, asked for in the program's own memory.
void PrintTip(HWND tip) {
    constexpr int kTextUnits = 1024;
    RemoteBuffer buffer(tip, sizeof(TOOLINFOW) + kTextUnits * sizeof(wchar_t));
    if (!buffer.ok()) return;
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.lpszText = reinterpret_cast<wchar_t*>(buffer.At(sizeof(TOOLINFOW)));
    wchar_t text[kTextUnits] = {};
    DWORD_PTR found = 0;
    if (buffer.Write(0, &tool, sizeof tool) && buffer.Write(sizeof(TOOLINFOW), text, sizeof text) &&
        Ask(tip, TTM_ENUMTOOLSW, 0, buffer.At(0), found) && found &&
        buffer.Read(sizeof(TOOLINFOW), text, sizeof text)) {
        text[kTextUnits - 1] = L'\0';
        PrintText("tip.text", text);
    }
}

void PrintSeries(HWND series) {
    PrintText("series.quantity", TextOf(GetDlgItem(series, IDC_SERIES_QUANTITY)));
    PrintText("series.from", TextOf(GetDlgItem(series, IDC_SERIES_START)));
    PrintText("series.to", TextOf(GetDlgItem(series, IDC_SERIES_END)));
    PrintText("series.step", TextOf(GetDlgItem(series, IDC_SERIES_STEP)));
    PrintWindowRect("series.stepbox", GetDlgItem(series, IDC_SERIES_STEP));
    PrintText("series.count", TextOf(GetDlgItem(series, IDC_SERIES_COUNT)));
    DWORD_PTR checked = 0;
    if (Ask(GetDlgItem(series, IDC_SERIES_BY_STEP), BM_GETCHECK, 0, 0, checked)) {
        std::printf("series.bystep %d\n", checked == BST_CHECKED ? 1 : 0);
    }
    PrintText("series.status", TextOf(GetDlgItem(series, IDC_SERIES_STATUS)));
    PrintWindowRect("series.start", GetDlgItem(series, IDOK));
}

struct TopLevel {
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
    if (IsWindowVisible(window)) reinterpret_cast<TopLevel*>(context)->windows.push_back(window);
    return TRUE;
}

}  // namespace

int PrintScreenState(int argc, wchar_t** argv) {
    std::vector<CellRequest> cells;
    for (int i = 0; i < argc; ++i) {
        CellRequest cell;
        if (std::swscanf(argv[i], L"cell=%d,%d", &cell.row, &cell.column) != 2) {
            std::fprintf(stderr, "panel_driver: unknown query argument\n");
            return 1;
        }
        cells.push_back(cell);
    }

    PrintWindowRect("desktop.rect", GetDesktopWindow());
    POINT cursor;
    if (GetCursorPos(&cursor)) std::printf("cursor %ld %ld\n", cursor.x, cursor.y);

    HWND foreground = GetForegroundWindow();
    std::printf("foreground %s\n", KindOf(foreground));
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    if (foreground && GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &thread) &&
        thread.hwndFocus) {
        std::printf("focus.id %d\n", GetDlgCtrlID(thread.hwndFocus));
        PrintText("focus.class", ClassOf(thread.hwndFocus));
    }

    TopLevel top;
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&top));
    for (HWND window : top.windows) {
        const std::string kind = KindOf(window);
        if (kind == "other") continue;
        std::printf("window %s\n", kind.c_str());
        PrintWindowRect(kind + ".rect", window);
        std::printf("%s.enabled %d\n", kind.c_str(), IsWindowEnabled(window) ? 1 : 0);
        PrintText(kind + ".caption", TextOf(window));
        if (kind == "message") {
            PrintText("message.text", TextOf(GetDlgItem(window, 0xFFFF)));
            HWND ok = GetDlgItem(window, IDOK);
            PrintWindowRect("message.ok", ok ? ok : GetDlgItem(window, IDCANCEL));
        } else if (kind == "password") {
            PrintWindowRect("password.edit", GetDlgItem(window, IDC_PASSWORD));
            PrintWindowRect("password.ok", GetDlgItem(window, IDOK));
        } else if (kind == "table") {
            PrintTable(window, cells);
        } else if (kind == "log") {
            PrintLog(window, cells);
        } else if (kind == "series") {
            PrintSeries(window);
        } else if (kind == "panel") {
            PrintPanel(window);
        } else if (kind == "tip") {
            PrintTip(window);
        }
    }
    std::fflush(stdout);
    return 0;
}
