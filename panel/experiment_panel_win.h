#pragma once

#include <windows.h>

#include <string>

#include "editor/parameter_table_dialog.h"
#include "help/caption_button.h"
#include "model/hall_model.h"
#include "model/material_table.h"
#include "panel/measurements_win.h"
#include "panel/panel_messages.h"
#include "panel/panel_fields_win.h"
#include "panel/panel_files.h"
#include "panel/panel_layout_win.h"
#include "ui/dialog.h"
#include "ui/message_loop.h"

// The program's main window: a modeless dialog over the picture of the
// apparatus, its edit boxes, sliders and up-down laid into the picture's empty
// fields. Every edit is validated as it is typed; an accepted one re-runs the
// model, a rejected one locks the other inputs and warns after two seconds.
class ExperimentPanel : public ModelessDialog, public MessageFilter {
public:
    // How long a rejected value waits before its warning is shown.
    static constexpr UINT kRangeWarningDelay = PanelFields::kRangeWarningDelay;
    // F1 held down repeats; the help opens again only after a pause this long.
    static constexpr DWORD kHelpKeyPause = 500;  // ms
    // How long the reason for a refused F9 stays at the meters.
    static constexpr UINT kRefusalTipTime = 6000;  // ms
    // Why the end of the session waits, as Windows shows it to the user.
    static constexpr const wchar_t* kUnsavedTableReason =
        L"The table of material parameters has changes that are not saved yet.";

    explicit ExperimentPanel(PanelFiles& files);
    ~ExperimentPanel() override;

    // Tests wait a shorter time; the program always waits kRangeWarningDelay.
    void SetRangeWarningDelay(UINT milliseconds) { fields_.SetRangeWarningDelay(milliseconds); }
    // Tests let the reason for a refused F9 go sooner; the program keeps it kRefusalTipTime.
    void SetRefusalTipTime(UINT milliseconds) { refusalTipTime_ = milliseconds; }

    // Creates the panel from its template; it initialises itself completely
    // (the table from its file included) before this returns.
    bool Create();

    bool FilterMessage(MSG& message) override;

    // What the rest of the program and the tests look at.
    const MaterialTable& table() const { return table_; }
    const std::wstring& caption() const { return caption_; }
    const RangeWarning& rangeWarning() const { return fields_.rangeWarning(); }
    bool materialChosenOnce() const { return fields_.materialChosenOnce(); }
    const ExperimentSettings& Settings() const { return fields_.settings(); }
    HWND picture() const { return layout_.picture(); }
    // The DPI the panel is laid out for, and its layout at 96 DPI.
    int dpi() const { return layout_.dpi(); }
    const TemplateLayout& layoutAt96() const { return layout_.layoutAt96(); }
    HWND Control(int id) const;
    const SliderField& sampleCurrent() const { return *fields_.records().SliderOfBox(IDC_SAMPLE_CURRENT); }
    const SliderField& magnetCurrent() const { return *fields_.records().SliderOfBox(IDC_MAGNET_CURRENT); }
    const NumericField& temperature() const { return *fields_.records().NumericFieldOf(IDC_TEMPERATURE); }
    bool helpMode() const { return helpMode_; }
    const CaptionHelpButton& helpButton() const { return helpButton_; }

    // The readings in the log, and the series (measurements_win.h).
    using RecordResult = ::RecordResult;
    PanelRecorder& recorder() { return recorder_; }
    RecordResult RecordReading(bool deferSave = false) { return recorder_.RecordReading(deferSave); }
    LogStore& logStore() { return recorder_.logStore(); }
    void OpenMeasurementLog() { recorder_.OpenMeasurementLog(); }
    MeasurementLogWindow* logWindow() const { return recorder_.logWindow(); }

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;

private:
    // Window and message map (experiment_panel_win.cpp).
    LRESULT OnInitDialog();
    void ShowAbout();
    void ShowHelp();
    LRESULT OnHelpKey();
    bool OnFieldCommand(int id, int code);
    bool OnUpDown(const NMUPDOWN& change);
    bool OnSysCommand(WPARAM command);
    void OnCaptionButtonNotify(WPARAM, LPARAM pressed);
    LRESULT OnSetCursor(const Message&, bool& handled);
    void OnTimer(WPARAM timerId);
    void OnSetFocus();
    LRESULT OnQueryEndSession();
    void OnEndSession(WPARAM ending);
    bool OnDestroy();
    void OnRecordReading();
    void RunAutomaticSeries() { recorder_.RunAutomaticSeries(); }
    void LoadMeasurementLog() { recorder_.LoadLog(); }
    void OnDpiChanged(WPARAM dpis, LPARAM suggested);
    void OnStepBox(int command);
    bool OnActivate(WPARAM state);
    bool OnMove();

    void RunParameterEditor();
    void TakeEditedTable(const ParameterArrays& copy);
    void ClosePanel(int exitCode);

    void UnregisterFilter();

    // Balloons at boxes read only in part (read_as_notes_win.cpp).
    void OnShowReadAsNote(WPARAM id);
    std::wstring ReadAsNote(int id) const;
    bool ShowReadAsNote(int id);
    void HideReadAsNote();
    void NoteFieldCommand(int id, int code);
    void ShowRecordedReadAsNote();

    // F6 and Shift+F6 (box_walk_win.cpp).
    void FocusNextBox(bool backwards);

    // The reason for a refused F9 at the meters (refusal_tip_win.cpp).
    void ShowRefusalTip(const std::wstring& text, int meterId);
    void HideRefusalTip();

    PanelFiles& files_;
    MessageLoop* filteringLoop_ = nullptr;  // the loop this panel filters for
    std::wstring caption_;
    bool helpMode_ = false;
    DWORD helpKeyTime_ = 0;  // when F1 last asked for the help
    CaptionHelpButton helpButton_;

    MaterialTable table_;
    PanelFields fields_{table_};
    PanelLayout layout_;
    // The parameter editor while it is open, and the copy of the table it edits.
    ParameterTableDialog* openEditor_ = nullptr;
    ParameterArrays* editorCopy_ = nullptr;

    // The box whose balloon says how its text was read, while it may show.
    HWND noteBox_ = nullptr;

    // The tip that says why F9 recorded nothing (made at the first refusal),
    // and the timer that takes it away.
    HWND refusalTip_ = nullptr;
    static constexpr UINT_PTR kRefusalTipTimer = 3;
    UINT refusalTipTime_ = kRefusalTipTime;

    PanelRecorder recorder_{fields_, table_};
};
