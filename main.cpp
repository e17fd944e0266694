#include "ServerFileError.h"
#include "frmMain.h"

#include <QApplication>

#include <cstdio>

namespace {

// Qt's own message for a missing display is a wall of plugin diagnostics; say it in one line.
bool displayAvailable()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY")
            || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fputs("ondrix: no display found; start it from a desktop session.\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ondrix"));
    QGuiApplication::setDesktopFileName(QStringLiteral("example.ondrix.Ondrix"));

    frmMain window;
    if (!window.Form_Load()) {
        showServerFileError();
        return 1;
    }
    window.show();
    return app.exec();
}
