// The built program itself: typed at on an X server of the test's own, and with no display.
#include "LoopbackWhoisServer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString MainTitle = u"The smartest little whois tool"_s;

// With no window manager the focus would follow the pointer: callers find the window and focus
// it themselves ("search ... windowfocus --sync").
bool xdotool(const QStringList &arguments)
{
    QProcess tool;
    tool.start(u"xdotool"_s, arguments);
    return tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit
            && tool.exitCode() == 0;
}

} // namespace

class tst_DesktopE2E : public QObject
{
    Q_OBJECT

    QProcess m_xvfb, m_app;
    QTemporaryDir m_dir;

    // The program in a folder of its own, beside the given server list.
    bool start(const QByteArray &serverList)
    {
        const QString program = m_dir.filePath(u"ondrix"_s);
        QFile list(m_dir.filePath(u"OndrixServers.txt"_s));
        if ((!QFile::exists(program) && !QFile::copy(QStringLiteral(ONDRIX_EXECUTABLE), program))
            || !list.open(QIODevice::WriteOnly) || list.write(serverList) != serverList.size())
            return false;
        list.close();
        m_app.start(program);
        return true;
    }

private slots:
    // One Xvfb for the desktop tests, on the first free display number, which it reports.
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"Xvfb"_s).isEmpty()
            || QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
            return;
        m_xvfb.start(u"Xvfb"_s,
                     {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        while (m_xvfb.waitForReadyRead(30000) && !m_xvfb.canReadLine()) { }
        QVERIFY2(m_xvfb.canReadLine(), "Xvfb did not start");
        qputenv("DISPLAY", ':' + m_xvfb.readLine().trimmed());
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("QT_QPA_PLATFORM");
    }
    void init()
    {
        if (m_xvfb.state() != QProcess::Running
            && qstrcmp(QTest::currentTestFunction(), "noDisplay"))
            QSKIP("Xvfb or xdotool is not installed");
    }
    void cleanup()
    {
        m_app.kill();
        m_app.waitForFinished();
    }
    void cleanupTestCase()
    {
        m_xvfb.terminate();
        m_xvfb.waitForFinished();
    }

    void queryTypedOnTheDesktop()
    {
        LoopbackWhoisServer server;
        if (!server.listen(QHostAddress::LocalHost, 43))
            QSKIP("cannot listen on 127.0.0.1:43: the whois port needs root and must be free");
        server.setAnswer({"Domain: example.test\r\n"});
        QVERIFY(start("test,127.0.0.1\r\n"));
        QVERIFY(xdotool({"search", "--sync", "--onlyvisible", "--name", u'^' + MainTitle + u'$',
                         "windowfocus", "--sync", "type", "www.Example.TEST"}));
        QVERIFY(xdotool({"key", "Return"}));
        QTRY_COMPARE_WITH_TIMEOUT(server.queries(), QList<QByteArray> {"example.test\r\n"}, 30000);
        QCOMPARE(m_app.state(), QProcess::Running);
    }

    // Only the message box shows; once it is answered the program ends with status 1.
    void brokenServerList()
    {
        QVERIFY(start("com,whois.example\r\ntest 127.0.0.1\r\n"));
        QVERIFY(xdotool({"search", "--sync", "--onlyvisible", "--name", "^Ondrix$", "windowfocus",
                         "--sync"}));
        QVERIFY(!xdotool({"search", "--name", MainTitle}));
        QVERIFY(xdotool({"key", "Return"}));
        QVERIFY(m_app.waitForFinished(30000));
        QCOMPARE(m_app.exitCode(), 1);
    }

    // One line instead of Qt's plugin diagnostics, and status 2.
    void noDisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1StringView(name));
        m_app.setProcessEnvironment(environment);
        m_app.start(QStringLiteral(ONDRIX_EXECUTABLE));
        QVERIFY(m_app.waitForFinished(30000));
        QCOMPARE(m_app.exitCode(), 2);
        QCOMPARE(QString::fromUtf8(m_app.readAllStandardError()),
                 u"ondrix: no display found; start it from a desktop session.\n"_s);
    }
};

QTEST_GUILESS_MAIN(tst_DesktopE2E)
#include "tst_desktop_e2e.moc"
