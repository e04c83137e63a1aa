#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

// The experiment panel is not built yet: the program initialises what the panel
// will need and ends as a program whose panel cannot be created does, with
// exit code 0.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CoInitialize(nullptr);

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    int exitCode = 0;

    CoUninitialize();
    return exitCode;
}
