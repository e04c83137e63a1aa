#pragma once

#include <windows.h>

#include <string>

#include "editor/parameter_table_dialog.h"
#include "model/hall_model.h"
#include "model/material_table.h"
#include "panel/measurements_win.h"
#include "panel/panel_messages.h"
#include "panel/panel_fields_win.h"
#include "panel/panel_files.h"
#include "panel/panel_help_win.h"
#include "panel/panel_layout_win.h"
#include "panel/panel_notes_win.h"
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
    static constexpr DWORD kHelpKeyPause = PanelHelp::kHelpKeyPause;
    // How long the reason for a refused F9 stays at the meters.
    static constexpr UINT kRefusalTipTime = PanelNotes::kRefusalTipTime;
    // Why the end of the session waits, as Windows shows it to the user.
    static constexpr const wchar_t* kUnsavedTableReason =
        L"The table of material parameters has changes that are not saved yet.";

    explicit ExperimentPanel(PanelFiles& files);
    ~ExperimentPanel() override;

    // Tests wait a shorter time; the program always waits kRangeWarningDelay.
    void SetRangeWarningDelay(UINT milliseconds) { fields_.SetRangeWarningDelay(milliseconds); }
    // Tests let the reason for a refused F9 go sooner; the program keeps it kRefusalTipTime.
    void SetRefusalTipTime(UINT milliseconds) { notes_.SetRefusalTipTime(milliseconds); }

    // Creates the panel from its template; it initialises itself completely
    // (the table from its file included) before this returns.
    bool Create();

    bool FilterMessage(MSG& message) override;

    // What the rest of the program and the tests look at: the fields with the
    // settings they hold, the layout, the help, and the readings in the log
    // with the series (measurements_win.h).
    const MaterialTable& table() const { return table_; }
    const std::wstring& caption() const { return caption_; }
    const PanelFields& fields() const { return fields_; }
    const PanelLayout& layout() const { return layout_; }
    const PanelHelp& help() const { return help_; }
    PanelRecorder& recorder() { return recorder_; }
    HWND Control(int id) const;
    const SliderField& sampleCurrent() const { return *fields_.records().SliderOfBox(IDC_SAMPLE_CURRENT); }
    const SliderField& magnetCurrent() const { return *fields_.records().SliderOfBox(IDC_MAGNET_CURRENT); }

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;

private:
    // The panel's own message map (experiment_panel_win.cpp); its parts take
    // their messages first (help, notes, recorder) or last (fields).
    LRESULT OnInitDialog();
    bool OnSysCommand(WPARAM command);
    void OnSetFocus();
    LRESULT OnQueryEndSession();
    void OnEndSession(WPARAM ending);
    bool OnDestroy();
    void OnRecordReading();
    void OnDpiChanged(WPARAM dpis, LPARAM suggested);
    void OnStepBox(int command);

    void RunParameterEditor();
    void TakeEditedTable(const ParameterArrays& copy);
    void ClosePanel(int exitCode);

    PanelFiles& files_;
    FilterRegistration filter_;  // in the loop of the thread that made the panel
    std::wstring caption_;

    MaterialTable table_;
    PanelFields fields_{table_};
    PanelLayout layout_;
    PanelHelp help_{files_};
    PanelNotes notes_{fields_, layout_};
    PanelRecorder recorder_{fields_, table_};
    // The parameter editor while it is open, and the copy of the table it edits.
    ParameterTableDialog* openEditor_ = nullptr;
    ParameterArrays* editorCopy_ = nullptr;
};
