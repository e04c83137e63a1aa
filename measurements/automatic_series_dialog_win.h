#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "measurements/automatic_series.h"
#include "ui/dialog.h"

// What a series works on: the panel, through its own boxes, so that every
// rule of the panel applies.
class SeriesTarget {
public:
    virtual ~SeriesTarget() = default;
    // Whether a reading could be recorded now; if not, why, as a sentence.
    virtual std::wstring WhyNoReading() const = 0;
    // The range the quantity's box takes now, for the dialog's first values.
    virtual void SeriesRange(SeriesQuantity quantity, double& lower, double& upper) const = 0;
    // Puts the value into the quantity's box as if it were typed. An empty
    // result when the panel took it; otherwise why not, and the box is back at
    // the value it had.
    virtual std::wstring SetSeriesValue(SeriesQuantity quantity, double value) = 0;
    // Records a reading as F9 does; an empty result when it was recorded,
    // otherwise why not. The log may wait with its save until EndSeries.
    virtual std::wstring RecordSeriesReading() = 0;
    // The series is over, however it ended: the log is saved.
    virtual void EndSeries() = 0;
};

// What the series dialog was left with, kept by its owner for the session: the
// dialog opens again as the student left it.
struct SeriesSettings {
    bool kept = false;  // false: the dialog has not been used yet, and proposes its own
    SeriesQuantity quantity = SeriesQuantity::temperature;
    bool byCount = false;
    // The boxes' texts as they were last shown for each quantity; a quantity
    // never shown gets the dialog's proposal.
    struct Texts {
        bool kept = false;
        std::wstring start, end, step, count;
    };
    std::array<Texts, kSeriesQuantityCount> texts;
};

// The "Automatic series" dialog: T, I or I_m from a start to an end in steps
// or in a number of points, a reading recorded at each value. While it runs
// it shows its progress; Escape or the Cancel button stops it after the
// reading in hand. A value the panel refuses stops it with a message naming
// the value and the range in force. The dialog closes when a series has run
// to its end. The box of the way not chosen (the step's or the points') shows,
// greyed, what the other boxes give. It opens with the settings it was left
// with, which it keeps in `settings`.
class AutomaticSeriesDialog : public ModalDialog {
public:
    AutomaticSeriesDialog(SeriesTarget& target, std::wstring caption, SeriesSettings& settings)
        : target_(target), caption_(std::move(caption)), settings_(settings) {}

    INT_PTR Run(HWND owner);

    // How the last series ended, and how many readings it recorded.
    enum class Outcome { notRun, completed, cancelled, refused };
    Outcome outcome() const { return outcome_; }
    int recorded() const { return recorded_; }

    // Runs a series without the dialog's inputs (the dialog must be open):
    // what the Start button does once the plan is read.
    void RunSeries(const SeriesPlan& plan);

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;

private:
    LRESULT OnInitDialog();
    void OnStart();
    void OnCancel();
    void OnQuantity();
    void OnMode();
    void OnBoxChange();

    SeriesQuantity ChosenQuantity() const;
    bool ChosenByCount() const;
    void ShowTexts(SeriesQuantity quantity);
    void KeepTexts();
    void Close(INT_PTR result);
    void FollowOtherWay();
    void ShowRestingStatus();
    void UpdateModeBoxes();
    bool ReadPlan(SeriesPlan& plan);
    void SuggestRange(SeriesQuantity quantity);
    void EnableInputs(bool enable);
    void SetStatus(const std::wstring& text);
    // Handles the messages waiting for the dialog; true when the series is to stop.
    bool PumpMessages();

    SeriesTarget& target_;
    std::wstring caption_;
    SeriesSettings& settings_;
    // The quantity whose values the boxes show.
    SeriesQuantity shownQuantity_ = SeriesQuantity::temperature;
    // Set while the dialog fills its boxes itself: their changes are not the student's.
    bool filling_ = false;
    bool running_ = false;
    bool cancelRequested_ = false;
    Outcome outcome_ = Outcome::notRun;
    int recorded_ = 0;
};
