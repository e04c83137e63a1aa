#include "ui/accessible_win.h"

#include <commctrl.h>
#include <oleacc.h>

#include <iterator>
#include <new>
#include <utility>

// The labels of most controls are drawn (the panel's picture carries them), so
// a screen reader would find nothing to call them by. Windows asks a window for
// its accessible object with WM_GETOBJECT; a subclass answers for the client
// area with an object of ours that lends the standard object of the control's
// class everything but the name and the description. The platform's dynamic
// annotation (IAccPropServices) would do the same with less code, but Wine
// leaves it unimplemented. The interface ids are the compiler's (__uuidof):
// MinGW's import library of oleacc.dll gives IID_IAccessible the address of
// an import thunk, not the id.

namespace {

constexpr UINT_PTR kSubclassId = 0x41434301;
// Where a control keeps its label, to find it again: the import library of
// the common controls offers no GetWindowSubclass.
constexpr const wchar_t* kLabelProperty = L"TesmorAccessibleLabel";

// What a control is called, shared by the subclass and every object handed out
// for it: an object a reader still holds may outlive the window, and then
// answers as the standard object does.
struct AccessibleLabel {
    ULONG references = 1;   // the subclass's, and one per object handed out
    HWND window = nullptr;  // null once the window is destroyed
    BSTR name = nullptr;    // null: the standard object's
    BSTR description = nullptr;
    AccessibleDescriber describe = nullptr;
    void* context = nullptr;
    BSTR buttonName = nullptr;
    AccessibleButton* button = nullptr;  // the window's drawn button, if it has one

    void AddRef() { ++references; }
    void Release() {
        if (--references != 0) return;
        SysFreeString(name);
        SysFreeString(description);
        SysFreeString(buttonName);
        delete this;
    }
};

// A copy of a label's text for a reader, who frees it.
HRESULT CopyText(BSTR text, BSTR* copy) {
    *copy = SysAllocStringLen(text, SysStringLen(text));
    return *copy ? S_OK : E_OUTOFMEMORY;
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// Wine's standard objects know the edit, button and list controls, not the
// static, the slider and the up-down: those are given the role that Windows
// gives them, and the slider and up-down their position as the value.
LONG KnownControl(HWND window) {
    wchar_t name[32] = L"";
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    if (lstrcmpiW(name, TRACKBAR_CLASSW) == 0) return ROLE_SYSTEM_SLIDER;
    if (lstrcmpiW(name, UPDOWN_CLASSW) == 0) return ROLE_SYSTEM_SPINBUTTON;
    if (lstrcmpiW(name, WC_STATICW) != 0) return ROLE_SYSTEM_CLIENT;
    const LONG_PTR type = GetWindowLongPtrW(window, GWL_STYLE) & SS_TYPEMASK;
    const bool picture = type == SS_BITMAP || type == SS_ICON || type == SS_ENHMETAFILE;
    return picture ? ROLE_SYSTEM_GRAPHIC : ROLE_SYSTEM_STATICTEXT;
}

long ControlPosition(HWND window) {
    if (KnownControl(window) == ROLE_SYSTEM_SLIDER)
        return static_cast<long>(SendMessageW(window, TBM_GETPOS, 0, 0));
    return static_cast<long>(SendMessageW(window, UDM_GETPOS32, 0, 0));
}

// The drawn button's child id: the one after the standard children.
bool IsButton(const AccessibleLabel& label, IAccessible& standard, const VARIANT& child) {
    LONG count = 0;
    return label.button && label.window && child.vt == VT_I4 &&
           SUCCEEDED(standard.get_accChildCount(&count)) && child.lVal == count + 1;
}

HRESULT Number(LONG number, VARIANT* answer) {
    answer->vt = VT_I4;
    answer->lVal = number;
    return S_OK;
}

class LabelledAccessible final : public IAccessible {
public:
    LabelledAccessible(IAccessible* standard, AccessibleLabel* label) : standard_(standard), label_(label) {
        standard_->AddRef();
        label_->AddRef();
    }
    LabelledAccessible(const LabelledAccessible&) = delete;
    LabelledAccessible& operator=(const LabelledAccessible&) = delete;

    // IUnknown. The children's enumeration and the window are the standard
    // object's; everything else (marshalling above all) must see this object.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // A window with a drawn button has a child the standard enumeration
        // does not know: without one, a reader asks for its children one by one.
        if ((iid == __uuidof(IEnumVARIANT) && !label_->button) || iid == __uuidof(IOleWindow))
            return standard_->QueryInterface(iid, object);
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* badArgument) override {
        return standard_->Invoke(id, iid, locale, flags, parameters, result, exception, badArgument);
    }

    // IAccessible: the name and the description are ours, the rest the standard object's.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (name && IsButton(*label_, *standard_, child)) return CopyText(label_->buttonName, name);
        if (!name || !IsSelf(child) || !label_->window || !label_->name)
            return standard_->get_accName(child, name);
        return CopyText(label_->name, name);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        if (!description || !IsSelf(child) || !label_->window) {
            return standard_->get_accDescription(child, description);
        }
        if (!label_->describe) {
            if (!label_->description) return standard_->get_accDescription(child, description);
            return CopyText(label_->description, description);
        }
        const std::wstring text = label_->describe(label_->window, label_->context);
        *description = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *description ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        const HRESULT answer = standard_->get_accChildCount(count);
        if (SUCCEEDED(answer) && count && label_->button) ++*count;
        return answer;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (!object || !IsButton(*label_, *standard_, child)) return standard_->get_accChild(child, object);
        *object = nullptr;
        return S_FALSE;  // an element of this object, not an object of its own
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        const HRESULT answer = standard_->get_accValue(child, value);
        if (!value || !IsSelf(child) || !label_->window || (SUCCEEDED(answer) && *value)) return answer;
        const LONG role = KnownControl(label_->window);
        if (role != ROLE_SYSTEM_SLIDER && role != ROLE_SYSTEM_SPINBUTTON) return answer;
        wchar_t text[16];
        wsprintfW(text, L"%ld", ControlPosition(label_->window));
        *value = SysAllocString(text);
        return *value ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (role && IsButton(*label_, *standard_, child)) return Number(ROLE_SYSTEM_PUSHBUTTON, role);
        const HRESULT answer = standard_->get_accRole(child, role);
        if (SUCCEEDED(answer) && role && role->vt == VT_I4 && role->lVal == ROLE_SYSTEM_CLIENT &&
            IsSelf(child) && label_->window) {
            role->lVal = KnownControl(label_->window);
        }
        return answer;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!state || !IsButton(*label_, *standard_, child)) return standard_->get_accState(child, state);
        return Number(label_->button->AccessiblePressed() ? STATE_SYSTEM_PRESSED : 0, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!action || !IsButton(*label_, *standard_, child))
            return standard_->get_accDefaultAction(child, action);
        *action = SysAllocString(L"Press");
        return *action ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        if (!left || !top || !width || !height || !IsButton(*label_, *standard_, child)) {
            return standard_->accLocation(left, top, width, height, child);
        }
        const RECT place = label_->button->AccessibleScreenRect();
        *left = place.left;
        *top = place.top;
        *width = place.right - place.left;
        *height = place.bottom - place.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!IsButton(*label_, *standard_, child)) return standard_->accDoDefaultAction(child);
        label_->button->AccessiblePress();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

private:
    ~LabelledAccessible() {
        label_->Release();
        standard_->Release();
    }

    ULONG references_ = 1;
    IAccessible* standard_;
    AccessibleLabel* label_;
};

LRESULT AnswerClientObject(HWND window, WPARAM flags, AccessibleLabel* label) {
    IAccessible* standard = nullptr;
    if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&standard)))) {
        return 0;
    }
    LabelledAccessible* labelled = new (std::nothrow) LabelledAccessible(standard, label);
    standard->Release();
    if (!labelled) return 0;
    const LRESULT result = LresultFromObject(__uuidof(IAccessible), flags, labelled);
    labelled->Release();
    return SUCCEEDED(result) ? result : 0;
}

LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR data) noexcept {
    AccessibleLabel* label = reinterpret_cast<AccessibleLabel*>(data);
    // The object id arrives as a 32-bit number that a 64-bit lParam may carry
    // without its sign.
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
        if (const LRESULT answer = AnswerClientObject(window, wParam, label)) return answer;
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &LabelProc, kSubclassId);
        RemovePropW(window, kLabelProperty);
        label->window = nullptr;
        label->describe = nullptr;
        label->button = nullptr;
        label->context = nullptr;
        label->Release();
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// The label of a control, made and the subclass set on the first call.
AccessibleLabel* LabelOf(HWND control) {
    if (!control) return nullptr;
    if (HANDLE found = GetPropW(control, kLabelProperty)) return static_cast<AccessibleLabel*>(found);
    AccessibleLabel* label = new (std::nothrow) AccessibleLabel;
    if (!label) return nullptr;
    label->window = control;
    if (!SetPropW(control, kLabelProperty, label)) {
        label->Release();
        return nullptr;
    }
    if (!SetWindowSubclass(control, &LabelProc, kSubclassId, reinterpret_cast<DWORD_PTR>(label))) {
        RemovePropW(control, kLabelProperty);
        label->Release();
        return nullptr;
    }
    return label;
}

}  // namespace

// An empty text is none: the standard object's answers instead.
void SetAccessibleName(HWND control, const wchar_t* name, const wchar_t* description) noexcept {
    AccessibleLabel* label = LabelOf(control);
    if (!label) return;
    for (auto [text, with] : {std::pair(&label->name, name), std::pair(&label->description, description)}) {
        SysFreeString(*text);
        *text = with && *with ? SysAllocString(with) : nullptr;
    }
}

void SetAccessibleDescriber(HWND control, AccessibleDescriber describe, void* context) noexcept {
    AccessibleLabel* label = LabelOf(control);
    if (!label) return;
    label->describe = describe;
    label->context = context;
}

void NotifyValueChanged(HWND control) noexcept {
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

void AddAccessibleButton(HWND window, const wchar_t* name, AccessibleButton* button) noexcept {
    AccessibleLabel* label = LabelOf(window);
    if (!label) return;
    SysFreeString(label->buttonName);
    label->buttonName = SysAllocString(name);
    label->button = label->buttonName ? button : nullptr;
}
