// The built program itself: typed at on an X server of the test's own, and with no display.
#include "LoopbackWhoisServer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString MainTitle = QStringLiteral("The smartest little whois tool");

bool haveTools()
{
    return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()
            && !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1StringView(name));
    return environment;
}

// The program in a folder of its own, beside the given server list, on an Xvfb that takes the
// first free display number and reports it.
class Desktop
{
public:
    ~Desktop()
    {
        app.kill();
        app.waitForFinished();
        m_xvfb.terminate();
        m_xvfb.waitForFinished();
    }

    bool start(const QByteArray &serverList)
    {
        const QString program = m_dir.filePath(QStringLiteral("ondrix"));
        QFile list(m_dir.filePath(QStringLiteral("OndrixServers.txt")));
        if (!QFile::copy(QStringLiteral(ONDRIX_EXECUTABLE), program)
            || !list.open(QIODevice::WriteOnly) || list.write(serverList) != serverList.size()
            || !list.flush())
            return false;
        m_xvfb.start(QStringLiteral("Xvfb"),
                     {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        while (m_xvfb.waitForReadyRead(30000) && !m_xvfb.canReadLine()) { }
        if (!m_xvfb.canReadLine())
            return false;
        m_environment.insert(QStringLiteral("DISPLAY"),
                             u':' + QString::fromLatin1(m_xvfb.readLine().trimmed()));
        app.setProcessEnvironment(m_environment);
        app.start(program);
        return true;
    }

    // With no window manager the focus would follow the pointer: callers find the window and
    // focus it themselves ("search ... windowfocus --sync").
    bool xdotool(const QStringList &arguments) const
    {
        QProcess tool;
        tool.setProcessEnvironment(m_environment);
        tool.start(QStringLiteral("xdotool"), arguments);
        return tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit
                && tool.exitCode() == 0;
    }

    QProcess app;

private:
    QTemporaryDir m_dir;
    QProcess m_xvfb;
    QProcessEnvironment m_environment = withoutDisplay();
};

} // namespace

class tst_DesktopE2E : public QObject
{
    Q_OBJECT

private slots:
    void queryTypedOnTheDesktop()
    {
        if (!haveTools())
            QSKIP("Xvfb or xdotool is not installed");
        LoopbackWhoisServer server;
        if (!server.listen(QHostAddress::LocalHost, 43))
            QSKIP("cannot listen on 127.0.0.1:43: the whois port needs root and must be free");
        server.setAnswer({"Domain: example.test\r\n"});
        Desktop desktop;
        QVERIFY(desktop.start("test,127.0.0.1\r\n"));
        QVERIFY(desktop.xdotool({"search", "--sync", "--onlyvisible", "--name",
                                 u'^' + MainTitle + u'$', "windowfocus", "--sync", "type",
                                 "www.Example.TEST"}));
        QVERIFY(desktop.xdotool({"key", "Return"}));
        QTRY_COMPARE_WITH_TIMEOUT(server.queries(), QList<QByteArray> {"example.test\r\n"}, 30000);
        QCOMPARE(desktop.app.state(), QProcess::Running);
    }

    // Only the message box shows; once it is answered the program ends with status 1.
    void brokenServerListShowsOnlyTheMessage()
    {
        if (!haveTools())
            QSKIP("Xvfb or xdotool is not installed");
        Desktop desktop;
        QVERIFY(desktop.start("com,whois.example\r\ntest 127.0.0.1\r\n"));
        QVERIFY(desktop.xdotool({"search", "--sync", "--onlyvisible", "--name", "^Ondrix$",
                                 "windowfocus", "--sync"}));
        QVERIFY(!desktop.xdotool({"search", "--name", MainTitle}));
        QVERIFY(desktop.xdotool({"key", "Return"}));
        QVERIFY(desktop.app.waitForFinished(30000));
        QCOMPARE(desktop.app.exitCode(), 1);
    }

    // One line instead of Qt's plugin diagnostics, and status 2.
    void noDisplayIsOneLine()
    {
        QProcess app;
        app.setProcessEnvironment(withoutDisplay());
        app.start(QStringLiteral(ONDRIX_EXECUTABLE));
        QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitCode(), 2);
        QCOMPARE(QString::fromUtf8(app.readAllStandardError()),
                 QStringLiteral("ondrix: no display found; start it from a desktop session.\n"));
    }
};

QTEST_GUILESS_MAIN(tst_DesktopE2E)
#include "tst_desktop_e2e.moc"
