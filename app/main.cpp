#include <windows.h>
#include <commctrl.h>

#include "app/program_files_win.h"
#include "app/set_password_win.h"
#include "app/single_copy_win.h"
#include "base/com_apartment.h"
#include "base/module.h"
#include "panel/experiment_panel_win.h"
#include "ui/message_loop.h"

namespace {

// Creates, shows and runs the panel; returns the id of the command that closed
// it, or 0 when it could not be created or another copy runs on the same table
// file (that copy is brought to the front instead).
int RunPanel(int showCommand) {
    SingleCopy copy(TableFileNames(TableFilePath()));
    if (!copy.Claim()) return 0;

    MessageLoop loop;
    EnterMessageLoop(&loop);
    int exitCode = 0;
    {
        ProgramFiles files;
        ExperimentPanel panel(files);
        if (panel.Create()) {
            copy.Publish(panel.window());
            ShowWindow(panel.window(), showCommand);
            exitCode = loop.Run();
        }
    }
    LeaveMessageLoop();
    return exitCode;
}

}  // namespace

// The command line is not used, but for the installer's switch that sets the
// school's password and ends without showing anything.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    if (IsSetPasswordCommand(commandLine)) return SetSchoolPassword();

    // Failures of either initialisation leave nothing to do differently; COM
    // is uninitialised only if this call initialised it.
    ComApartment com;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    SetResourceModule(instance);
    int exitCode = RunPanel(showCommand);

    return exitCode;
}
