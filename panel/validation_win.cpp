#include "panel/panel_fields_win.h"

#include "res/resource.h"

namespace {

constexpr UINT_PTR kRangeWarningTimer = 1;

}  // namespace

void PanelFields::AcceptInput(bool changed) {
    DropRangeWarning();
    EnableInputs(true, 0);
    if (changed) ComputeReadings();
}

void PanelFields::AcceptMaterial(int n) {
    materialChosenOnce_ = true;
    DropRangeWarning();
    EnableInputs(true, 0);
    SelectMaterial(n);
}

void PanelFields::RejectInput(int id, double lower, double upper, bool integer) {
    rangeWarning_.lower = lower;
    rangeWarning_.upper = upper;
    rangeWarning_.flags = RangeWarning::kHasLower | RangeWarning::kHasUpper;
    if (integer) rangeWarning_.flags |= RangeWarning::kIsInteger;

    // A pending warning keeps its first start, and the lock is in place already.
    if (rangeWarning_.timerId != 0) return;
    // Before the first material is chosen a rejected number locks silently.
    const bool silent = id == IDC_MATERIAL_NUMBER && !materialChosenOnce_;
    // A refused timer leaves timerId at 0: locked without a warning, and the
    // next rejection tries again.
    if (!silent) rangeWarning_.timerId = SetTimer(panel_, kRangeWarningTimer, rangeWarningDelay_, nullptr);
    EnableInputs(false, id);
}

// Every control of the fields but the slider frames; a rejected value's own box
// stays enabled so that it can be put right. Every accepted keystroke asks for
// the unlocked state: the controls are switched only when the state changes.
void PanelFields::EnableInputs(bool enable, int exceptId) {
    const int lock = enable ? kUnlocked : exceptId;
    if (lock == lock_) return;
    lock_ = lock;
    records_.ForEachControl([&](int id, HWND window, LockRole role) {
        if (role == LockRole::notLocked || !window) return;
        if (role == LockRole::staysEnabledIfRejected && id == exceptId) return;
        EnableWindow(window, enable ? TRUE : FALSE);
    });
}

void PanelFields::CancelRangeWarning() {
    KillTimer(panel_, rangeWarning_.timerId);
    rangeWarning_.timerId = 0;
}

void PanelFields::DropRangeWarning() {
    if (rangeWarning_.timerId != 0) CancelRangeWarning();
}

bool PanelFields::OnTimer(WPARAM timerId) {
    if (timerId != kRangeWarningTimer) return false;
    if (timerId != rangeWarning_.timerId) return true;
    // Cancelled before the box runs its own loop: the warning fires once.
    CancelRangeWarning();
    MessageBoxW(panel_, RangeWarningText(rangeWarning_).c_str(), caption_->c_str(), MB_OK | MB_ICONWARNING);
    return true;
}
