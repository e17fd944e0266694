// The built program itself: typed at on an X server of the test's own, and with no display.
#include "LoopbackWhoisServer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString MainTitle = u"The smartest little whois tool"_s;

bool xdotool(const QStringList &arguments, QByteArray *output = nullptr, int timeoutMs = 20000)
{
    QProcess tool;
    tool.start(u"xdotool"_s, arguments);
    const bool done = tool.waitForFinished(timeoutMs) && tool.exitStatus() == QProcess::NormalExit
            && tool.exitCode() == 0;
    if (output)
        *output = tool.readAllStandardOutput().trimmed();
    return done;
}

// With no window manager the focus would follow the pointer: the tests give it to the window
// themselves. X refuses the focus to a window that is not viewable yet, and on a busy machine a
// window that was found may still be settling, so the callers try again until the window holds
// the focus (QTRY_VERIFY), rather than fail at the first refusal. xdotool's --sync is not used:
// when the focus request is lost it waits for a FocusIn that never comes; and a call that hangs
// is given up after a few seconds.
bool focusWindow(const QString &title)
{
    constexpr int timeoutMs = 5000; // a call that hangs is given up, and the caller tries again
    QByteArray found, focused;
    if (!xdotool({"search", "--onlyvisible", "--name", u'^' + title + u'$'}, &found, timeoutMs))
        return false;
    const QString window = QString::fromLatin1(found.split('\n').constFirst());
    return xdotool({"windowfocus", window}, nullptr, timeoutMs)
            && xdotool({"getwindowfocus"}, &focused, timeoutMs)
            && QString::fromLatin1(focused) == window;
}

// A display number that no X server holds: no lock file and no socket, by path or abstract.
QString unusedDisplay()
{
    QFile sockets(u"/proc/net/unix"_s);
    const QByteArray listening
            = sockets.open(QIODevice::ReadOnly) ? sockets.readAll() : QByteArray();
    // Above the numbers that xvfb-run takes (from 99 on), which the package's tests may be using.
    int number = 299;
    while (QFile::exists(u"/tmp/.X%1-lock"_s.arg(number))
           || QFile::exists(u"/tmp/.X11-unix/X%1"_s.arg(number))
           || listening.contains("/tmp/.X11-unix/X" + QByteArray::number(number) + '\n'))
        ++number;
    return u":%1"_s.arg(number);
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
    // One Xvfb for the desktop tests, on the first free display number, which it reports. An X
    // server resets when its last client leaves and refuses connections meanwhile, so a program
    // started right after the one before was killed would find no display: -noreset.
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"Xvfb"_s).isEmpty()
            || QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
            return;
        m_xvfb.start(
                u"Xvfb"_s,
                {"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
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
        QTRY_VERIFY_WITH_TIMEOUT(focusWindow(MainTitle), 60000);
        QVERIFY(xdotool({"type", "www.Example.TEST"}));
        QVERIFY(xdotool({"key", "Return"}));
        QTRY_COMPARE_WITH_TIMEOUT(server.queries(), QList<QByteArray> {"example.test\r\n"}, 30000);
        QCOMPARE(m_app.state(), QProcess::Running);
    }

    // Only the message box shows; once it is answered the program ends with status 1.
    void brokenServerList()
    {
        QVERIFY(start("com,whois.example\r\ntest 127.0.0.1\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(focusWindow(u"Ondrix"_s), 60000);
        QVERIFY(!xdotool({"search", "--name", MainTitle}));
        QVERIFY(xdotool({"key", "Return"}));
        QVERIFY(m_app.waitForFinished(30000));
        QCOMPARE(m_app.exitCode(), 1);
    }

    // Qt's messages are held back while the program opens the display, in case it cannot, and
    // go out once it has: here, the one about a style that does not exist. A platform named
    // without any display (offscreen, or a Wayland compositor Qt finds by itself) is no missing
    // display either.
    void startupWarningKept_data()
    {
        QTest::addColumn<bool>("offscreen");
        QTest::newRow("X server") << false;
        QTest::newRow("offscreen, no DISPLAY") << true;
    }
    void startupWarningKept()
    {
        QFETCH(bool, offscreen);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_STYLE_OVERRIDE"_s, u"no-such-style"_s);
        if (offscreen) {
            environment.remove(u"DISPLAY"_s);
            environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        }
        m_app.setProcessEnvironment(environment);
        QVERIFY(start("test,127.0.0.1\r\n"));
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += m_app.readAllStandardError())
                                         .contains("invalid style override 'no-such-style'"),
                                 30000);
        QVERIFY2(!said.contains("ondrix:"), said.constData());
        QCOMPARE(m_app.state(), QProcess::Running);
    }

    // One line instead of Qt's plugin diagnostics, and status 2, not an abort with a core dump:
    // with a display where no X server answers, and with Wayland named where no compositor
    // answers: then the Wayland display is the one named. The package's own test starts the
    // installed program with no display set at all.
    void noDisplay_data()
    {
        QTest::addColumn<QString>("display"); // where no X server answers
        QTest::addColumn<bool>("wayland");    // Wayland named, with a compositor that is not there
        QTest::addColumn<QString>("named");
        const QString display = unusedDisplay();
        QTest::newRow("no server") << display << false << display;
        QTest::newRow("no compositor") << display << true << u"wayland-ondrix-test"_s;
    }
    void noDisplay()
    {
        QFETCH(QString, display);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1StringView(name));
        environment.insert(u"DISPLAY"_s, display);
        QFETCH(bool, wayland);
        if (wayland) {
            environment.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
            environment.insert(u"WAYLAND_DISPLAY"_s, u"wayland-ondrix-test"_s);
        }
        m_app.setProcessEnvironment(environment);
        m_app.start(QStringLiteral(ONDRIX_EXECUTABLE));
        QVERIFY(m_app.waitForFinished(30000));
        QCOMPARE(m_app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_app.exitCode(), 2);
        QFETCH(QString, named);
        QCOMPARE(
                QString::fromUtf8(m_app.readAllStandardError()),
                u"ondrix: cannot open display %1; start it from a desktop session.\n"_s.arg(named));
    }
};

QTEST_GUILESS_MAIN(tst_DesktopE2E)
#include "tst_desktop_e2e.moc"
