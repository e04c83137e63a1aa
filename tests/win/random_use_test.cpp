// The panel under a long run of random use: typed texts of every kind, slider
// moves, range-box edits, up-down clicks and Enter, with the rules checked
// after every event. The run is seeded and prints its seed; set
// TESMOR_RANDOM_SEED to repeat one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>

#include "message_box_catcher.h"
#include "model/hall_model.h"
#include "numtext/number_format.h"
#include "panel_fixture.h"

namespace {

// The inputs that can be the one box left enabled by a rejection.
const int kStarred[] = {IDC_MATERIAL_NUMBER,  IDC_HALL_FACTOR,   IDC_SAMPLE_LENGTH,   IDC_SAMPLE_WIDTH,
                        IDC_SAMPLE_THICKNESS, IDC_CONTACT_WIDTH, IDC_CONTACT_SPACING, IDC_TEMPERATURE,
                        IDC_SAMPLE_CURRENT,   IDC_MAGNET_CURRENT};

const int kTypable[] = {IDC_MATERIAL_NUMBER,    IDC_HALL_FACTOR,        IDC_SAMPLE_LENGTH,
                        IDC_SAMPLE_WIDTH,       IDC_SAMPLE_THICKNESS,   IDC_CONTACT_WIDTH,
                        IDC_CONTACT_SPACING,    IDC_TEMPERATURE,        IDC_SAMPLE_CURRENT,
                        IDC_MAGNET_CURRENT,     IDC_SAMPLE_CURRENT_MIN, IDC_SAMPLE_CURRENT_MAX,
                        IDC_MAGNET_CURRENT_MIN, IDC_MAGNET_CURRENT_MAX};

class RandomUse : public PanelFixture {
protected:
    std::mt19937 random_;
    int typed_ = 0, sliderMoves_ = 0, clicks_ = 0, enters_ = 0, repairs_ = 0, lockedAfter_ = 0;

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    double Uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(random_); }

    // Texts of every kind a user might type, and some no user would.
    std::wstring RandomText() {
        switch (Pick(12)) {
        case 0:
            return std::to_wstring(Pick(120));
        case 1:
            return FormatReal(Uniform(-50, 50), L"%.3f", false);
        case 2:
            return FormatReal(Uniform(0, 30000), L"%.2f", false);
        case 3:
            return FormatReal(Uniform(0, 2), L"%.4g", false);
        case 4:
            return L"";
        case 5:
            return L"abc";
        case 6:
            return std::wstring(300 + Pick(200), L'9');
        case 7:
            return L"\uFF11\uFF12";  // fullwidth 12
        case 8:
            return L"\u0416\u00E9" + std::to_wstring(Pick(10));
        case 9:
            return FormatReal(Uniform(-1, 1) * std::pow(10.0, Pick(40) - 20), L"%g", false);
        case 10:
            return L"1e999";
        default:
            return FormatReal(Uniform(70, 1700), L"%.1f", false);
        }
    }

    void RandomEvent() {
        // A locked panel is mostly repaired next, as a user would.
        const bool locked = EnabledInputs().size() == 1;
        switch (locked && Pick(3) != 0 ? 9 : Pick(10)) {
        case 0:
        case 1:
        case 2:
        case 3: {
            // A user types only into an enabled box.
            const int id = kTypable[Pick(sizeof kTypable / sizeof kTypable[0])];
            if (IsWindowEnabled(Box(id))) {
                Type(id, RandomText().c_str());
                ++typed_;
            }
            break;
        }
        case 4: {
            if (IsWindowEnabled(Box(IDC_MATERIAL_NUMBER))) {
                Type(IDC_MATERIAL_NUMBER, std::to_wstring(Pick(103)).c_str());
                ++typed_;
            }
            break;
        }
        case 5:
        case 6: {
            const SliderField& slider = Pick(2) ? panel_.sampleCurrent() : panel_.magnetCurrent();
            if (!IsWindowEnabled(slider.track)) break;
            SendMessageW(slider.track, TBM_SETPOS, TRUE, Pick(20001));
            MSG move = {slider.track, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3), 0, {0, 0}};
            loop_.Filter(move);
            ++sliderMoves_;
            break;
        }
        case 7: {
            if (!IsWindowEnabled(Box(IDC_TEMPERATURE_SPIN))) break;
            NMUPDOWN change = {};
            change.hdr.hwndFrom = Box(IDC_TEMPERATURE_SPIN);
            change.hdr.idFrom = IDC_TEMPERATURE_SPIN;
            change.hdr.code = UDN_DELTAPOS;
            change.iDelta = Pick(2) ? 1 : -1;
            SendMessageW(panel_.window(), WM_NOTIFY, IDC_TEMPERATURE_SPIN, reinterpret_cast<LPARAM>(&change));
            ++clicks_;
            break;
        }
        case 8: {
            MSG enter = {GetFocus(), WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
            loop_.Filter(enter);
            ++enters_;
            break;
        }
        default: {
            // Repair the locked box now and then, so that the run spends time
            // unlocked: the user types back the value it had (17 digits read
            // back exactly), or a material number.
            std::set<int> enabled = EnabledInputs();
            if (enabled.size() == 1) {
                const int id = *enabled.begin();
                const ExperimentSettings stored = panel_.Settings();
                double value = 0;
                switch (id) {
                case IDC_HALL_FACTOR:
                    value = stored.hallFactor;
                    break;
                case IDC_SAMPLE_LENGTH:
                    value = stored.sampleLength;
                    break;
                case IDC_SAMPLE_WIDTH:
                    value = stored.sampleWidth;
                    break;
                case IDC_SAMPLE_THICKNESS:
                    value = stored.sampleThickness;
                    break;
                case IDC_CONTACT_WIDTH:
                    value = stored.contactWidth;
                    break;
                case IDC_CONTACT_SPACING:
                    value = stored.contactSpacing;
                    break;
                case IDC_TEMPERATURE:
                    value = stored.temperature;
                    break;
                case IDC_SAMPLE_CURRENT:
                    value = stored.sampleCurrent;
                    break;
                case IDC_MAGNET_CURRENT:
                    value = stored.magnetCurrent;
                    break;
                default:
                    value = 1 + Pick(100);
                    break;
                }
                // An infinity (a range box given "1e999" lets one in) is typed
                // the way it was: its shown text would read back as 1.
                std::wstring text = std::isinf(value) ? (value > 0 ? L"1e999" : L"-1e999")
                                                      : FormatReal(value, L"%.17g", false);
                Type(id, text.c_str());
                ++repairs_;
            }
            break;
        }
        }
    }

    // The rules, checked from outside.
    void CheckRules(int event) {
        SCOPED_TRACE(testing::Message() << "after event " << event);
        // Fixed ranges: a stored value was accepted inside its range.
        const ExperimentSettings s = panel_.Settings();
        ASSERT_GE(s.hallFactor, 0.2);
        ASSERT_LE(s.hallFactor, 5);
        for (double v : {s.sampleLength, s.sampleWidth, s.sampleThickness}) {
            ASSERT_GE(v, 1);
            ASSERT_LE(v, 25000);
        }
        ASSERT_GE(s.contactWidth, 0.1);
        ASSERT_LE(s.contactWidth, 1);
        ASSERT_GE(s.contactSpacing, 1);
        ASSERT_LE(s.contactSpacing, 10000);
        ASSERT_GE(s.temperature, 77);
        ASSERT_LE(s.temperature, 1680);

        // Either everything is enabled, or exactly one box that may stay enabled.
        std::set<int> enabled = EnabledInputs();
        bool locked = enabled != AllInputs();
        if (locked) ++lockedAfter_;
        if (locked) {
            ASSERT_EQ(enabled.size(), 1u);
            ASSERT_NE(std::find(std::begin(kStarred), std::end(kStarred), *enabled.begin()),
                      std::end(kStarred));
            // A lock waits for its warning, but for a material number before the first one.
            const bool silent = *enabled.begin() == IDC_MATERIAL_NUMBER && !panel_.materialChosenOnce();
            ASSERT_EQ(panel_.rangeWarning().timerId != 0, !silent);
        } else {
            ASSERT_EQ(panel_.rangeWarning().timerId, 0u);
        }

        // The readings are the model's for the stored values (ARand is 0).
        const MaterialTable& table = panel_.table();
        if (!panel_.materialChosenOnce()) {
            ASSERT_EQ(Text(IDC_HALL_VOLTAGE), L"");
        } else {
            ASSERT_GE(table.materialNumber, 1);
            HallQuantities q = EvaluateHallModel(table.WorkingEntry(), s, 1.0, 1.0);
            ASSERT_EQ(Text(IDC_HALL_VOLTAGE), FormatReal(q.hallVoltage));
            ASSERT_EQ(Text(IDC_SAMPLE_VOLTAGE), FormatReal(q.sampleVoltage));
        }
    }
};

}  // namespace

TEST_F(RandomUse, TwentyThousandEventsKeepEveryRule) {
    unsigned seed = static_cast<unsigned>(GetTickCount());
    if (const char* fixed = std::getenv("TESMOR_RANDOM_SEED"))
        seed = static_cast<unsigned>(std::strtoul(fixed, nullptr, 10));
    std::printf("random use: seed %u (TESMOR_RANDOM_SEED=%u repeats this run)\n", seed, seed);
    random_.seed(seed);

    MessageBoxCatcher catcher;  // no box may appear: the run never waits for the timer
    Start();
    const DWORD userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    const DWORD gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);

    const int events = 20000;
    for (int event = 0; event < events; ++event) {
        RandomEvent();
        CheckRules(event);
        if (HasFatalFailure()) return;
    }
    std::printf(
        "random use: %d typed texts, %d slider moves, %d up-down clicks, %d Enter, %d repairs; "
        "locked after %d of %d events\n",
        typed_, sliderMoves_, clicks_, enters_, repairs_, lockedAfter_, events);
    // The run must really have used the panel, not bounced off a lock.
    EXPECT_GT(typed_, events / 5);
    EXPECT_GT(sliderMoves_, events / 20);
    EXPECT_LT(lockedAfter_, events * 7 / 10);
    EXPECT_TRUE(catcher.boxes().empty());
    // Nothing leaks: the windows and GDI objects are those of the start.
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userObjects + 2);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiObjects + 2);

    // The file written at close holds the table.
    const MaterialTable table = panel_.table();
    SendMessageW(panel_.window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    Pump(0);
    std::vector<unsigned char> bytes = ReadFileBytes(ParameterPath());
    MaterialTable read;
    read.Initialise();
    ASSERT_EQ(DecodeParameterFile(bytes.data(), bytes.size(), read).status, ColumnStatus::ok);
    EXPECT_EQ(read.materialCount, table.materialCount);
    for (int k = 0; k < kParameterCount; ++k) {
        for (int m = 0; m < table.materialCount; ++m) {
            ASSERT_EQ(read.columns[k].entries[m], table.columns[k].entries[m]);
        }
    }
}
