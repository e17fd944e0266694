#include "DesktopIdentity.h"
#include "ServerFileError.h"
#include "frmMain.h"

#include <QApplication>

#include <cstdio>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace {

const char NoDisplayMessage[] = "ondrix: no display found; start it from a desktop session.\n";

// Qt's own message for a missing display is a wall of plugin diagnostics; say it in one line.
bool displayAvailable()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY")
            || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

// The display that the platform failed to open, as the user named it.
QByteArray displayName()
{
    const QByteArray x11 = qgetenv("DISPLAY");
    if (x11.isEmpty() || qgetenv("QT_QPA_PLATFORM").startsWith("wayland"))
        return qgetenv("WAYLAND_DISPLAY");
    return x11;
}

// Holds Qt's messages while QApplication connects to the display. When the display cannot be
// opened (a server that has ended, a forwarded display out of reach), Qt lists its plugins and
// aborts with a core dump; one line naming the display says what went wrong. Once the
// application stands, the messages held back go out as they would have.
class StartupMessages
{
public:
    StartupMessages() { s_passOn = qInstallMessageHandler(&hold); }
    void release()
    {
        qInstallMessageHandler(s_passOn);
        const std::lock_guard lock(s_mutex);
        const auto text = [](const QByteArray &s) { return s.isNull() ? nullptr : s.constData(); };
        for (const Message &held : s_held) {
            const QMessageLogContext context(text(held.file), held.line, text(held.function),
                                             text(held.category));
            s_passOn(held.type, context, held.text);
        }
        s_held.clear();
    }

private:
    struct Message
    {
        QtMsgType type;
        QByteArray file, function, category;
        int line;
        QString text;
    };

    static void hold(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type == QtFatalMsg) {
            const QByteArray name = displayName();
            if (name.isEmpty())
                std::fputs(NoDisplayMessage, stderr);
            else
                std::fprintf(stderr,
                             "ondrix: cannot open display %s; start it from a desktop session.\n",
                             name.constData());
            _exit(2); // no core, and nothing of the half-made application runs on
        }
        const std::lock_guard lock(s_mutex);
        s_held.push_back({type, QByteArray(context.file), QByteArray(context.function),
                          QByteArray(context.category), context.line, text});
    }

    inline static QtMessageHandler s_passOn = nullptr;
    inline static std::mutex s_mutex;
    inline static std::vector<Message> s_held;
};

} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fputs(NoDisplayMessage, stderr);
        return 2;
    }
    StartupMessages startup;
    QApplication app(argc, argv);
    startup.release();
    DesktopIdentity::apply();

    frmMain window;
    if (!window.Form_Load()) {
        showServerFileError();
        return 1;
    }
    window.show();
    return app.exec();
}
