// Vantrel, the front-end. Files named on the command line (or by the desktop entry) are added
// to the list; when a copy already runs, they go to that copy and this one ends at once.
#include "frontend/CQVInstanceChannel.h"
#include "frontend/CQVMainDlg.h"
#include "frontend/CQVVelomakeApp.h"
#include "frontend/FrontEndCommands.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char** argv)
{
    // The preview embeds the engine's X11 window in a dialog: under Wayland run on XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    QStringList files;
    for (const QString& argument : application.arguments().mid(1))
        if (!argument.startsWith(QLatin1Char('-')))
            files << QFileInfo(argument).absoluteFilePath();

    qv::CQVVelomakeApp app;
    if (!app.InitInstance())
    {
        if (app.Result() == qv::CQVVelomakeApp::kSecondInstance && !files.isEmpty())
            qv::CQVInstanceChannel::SendFiles(files);
        return 0;
    }
    qv::InstallFrontEndCommands();
    app.Run(files);
    app.ExitInstance();
    return 0;
}
