// Vantrel, the front-end. Files named on the command line (or by the desktop entry) are added
// to the list; when a copy already runs, they go to that copy and this one ends at once.
#include "frontend/CQVInstanceChannel.h"
#include "frontend/CQVMainDlg.h"
#include "frontend/CQVVelomakeApp.h"

#include <QApplication>
#include <QFileInfo>
#include <QThread>
#include <cstdio>

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
    // A copy that holds the lock but does not listen is starting or ending: ask again, and
    // once it has let go of the lock, start as the only copy with the files.
    for (int nTry = 0; !app.InitInstance(); ++nTry)
    {
        if (app.Result() != qv::CQVVelomakeApp::kSecondInstance || files.isEmpty())
            return 0;
        const auto eSent = qv::CQVInstanceChannel::SendFiles(files);
        if (eSent == qv::CQVInstanceChannel::kTaken)
            return 0;
        if (eSent == qv::CQVInstanceChannel::kNoAnswer || nTry == 40)
        {
            std::fprintf(stderr, "Vantrel is running but did not answer; the files may not have "
                                 "been added.\n");
            return 1;
        }
        QThread::msleep(250);
    }
    app.Run(files);
    app.ExitInstance();
    return 0;
}
