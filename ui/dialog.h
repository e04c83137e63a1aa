#pragma once

#include <windows.h>

#include <string>

#include "ui/message_map.h"

// The results a modal dialog ends with: OK (Enter, the OK button) and Cancel
// (Escape, the close box, the Cancel button).
inline constexpr INT_PTR kDialogOk = IDOK;
inline constexpr INT_PTR kDialogCancel = IDCANCEL;

// A dialog bound to its C++ object. The object is attached once, in
// WM_INITDIALOG, from the creation parameter, and detached when the window is
// destroyed; the message map is the one virtual operation.
class Dialog {
public:
    Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog() = default;

    HWND window() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }

    // What the dialogs do with their items again and again.
    LRESULT SendItem(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageW(window_, id, message, wParam, lParam);
    }
    void EnableItem(int id, bool enable) const { EnableWindow(Item(id), enable ? TRUE : FALSE); }
    bool IsChecked(int id) const { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
    void SetChecked(int id, bool checked) const {
        CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    std::wstring ItemText(int id) const;
    void SetItemText(int id, const wchar_t* text) const { SetDlgItemTextW(window_, id, text); }
    void SetItemText(int id, const std::wstring& text) const { SetItemText(id, text.c_str()); }
    // A combo box's chosen entry (CB_ERR: none), and choosing one.
    int ComboChoice(int id) const { return static_cast<int>(SendItem(id, CB_GETCURSEL)); }
    void SetComboChoice(int id, int index) const { SendItem(id, CB_SETCURSEL, static_cast<WPARAM>(index)); }

protected:
    // The message map: returns the result and says whether it handled the message.
    virtual LRESULT HandleMessage(const Message& message, bool& handled) = 0;
    // What the kind of dialog does with a message its map left; then the
    // dialog manager has it.
    virtual LRESULT FallbackMessage(const Message& message, bool& handled);

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    // Cuts the window off from this object: later messages find no object.
    void Unbind();

private:
    HWND window_ = nullptr;
};

// A dialog that lives beside the message loop, ended by destroying it. A
// derived class that must see its own WM_DESTROY destroys the window in its
// destructor; one still open when the base is reached is destroyed unbound.
class ModelessDialog : public Dialog {
public:
    ~ModelessDialog() override;
    // Creates the dialog from a template of the resource module; false when it
    // could not be created.
    bool Create(int templateId, HWND owner);
};

// A dialog with a loop of its own, ended with End. Unless its map takes them,
// the commands IDOK and IDCANCEL end it with kDialogOk and kDialogCancel.
class ModalDialog : public Dialog {
public:
    // Runs the dialog from a template of the resource module over `owner`;
    // returns the result given to End, or -1 when it could not be created.
    INT_PTR Run(int templateId, HWND owner);
    void End(INT_PTR result) { EndDialog(window(), result); }

protected:
    LRESULT FallbackMessage(const Message& message, bool& handled) override;
};
