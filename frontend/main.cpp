// Vantrel, the front-end. It takes no arguments.
#include "frontend/CQVVelomakeApp.h"
#include "frontend/FrontEndCommands.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The preview embeds the engine's X11 window in a dialog: under Wayland run on XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    qv::CQVVelomakeApp app;
    if (!app.InitInstance())
        return 0;
    qv::InstallFrontEndCommands();
    app.Run();
    app.ExitInstance();
    return 0;
}
