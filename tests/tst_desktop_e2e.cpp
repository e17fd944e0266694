#include "LoopbackWhoisServer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace {

const QString MainTitle = QStringLiteral("The smartest little whois tool");

QString missingTools()
{
    for (const auto *tool : {"Xvfb", "xdotool"}) {
        if (QStandardPaths::findExecutable(QLatin1StringView(tool)).isEmpty())
            return QStringLiteral("%1 is not installed").arg(QLatin1StringView(tool));
    }
    return QString();
}

// The built program in a folder of its own, beside the given server list.
QString installCopy(const QTemporaryDir &dir, const QByteArray &serverList)
{
    const QString program = dir.filePath(QStringLiteral("ondrix"));
    QFile list(dir.filePath(QStringLiteral("OndrixServers.txt")));
    if (!QFile::copy(QStringLiteral(ONDRIX_EXECUTABLE), program) || !list.open(QIODevice::WriteOnly)
        || list.write(serverList) != serverList.size())
        return QString();
    return program;
}

// An X server of the test's own, on the first free display number, which Xvfb reports itself.
class VirtualDisplay
{
public:
    ~VirtualDisplay()
    {
        m_server.terminate();
        m_server.waitForFinished();
    }

    bool start()
    {
        m_server.start(QStringLiteral("Xvfb"),
                       {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        while (m_server.waitForReadyRead(30000) && !m_server.canReadLine()) { }
        if (!m_server.canReadLine())
            return false;
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_environment.insert(QStringLiteral("DISPLAY"),
                             u':' + QString::fromLatin1(m_server.readLine().trimmed()));
        return true;
    }

    QProcessEnvironment environment() const { return m_environment; }

    // Runs xdotool on this display: its output on success, nothing if it failed.
    std::optional<QString> xdotool(const QStringList &arguments) const
    {
        QProcess tool;
        tool.setProcessEnvironment(m_environment);
        tool.start(QStringLiteral("xdotool"), arguments);
        if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit
            || tool.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(tool.readAllStandardOutput()).section(u'\n', 0, 0);
    }

    // Waits for a shown window of that title and gives it the input focus: with no window
    // manager, the focus would otherwise follow the pointer.
    std::optional<QString> focusedWindow(const QString &titlePattern) const
    {
        const auto window = xdotool({"search", "--sync", "--onlyvisible", "--name", titlePattern});
        if (!window || !xdotool({"windowfocus", "--sync", *window}))
            return std::nullopt;
        return window;
    }

private:
    QProcess m_server;
    QProcessEnvironment m_environment;
};

} // namespace

class tst_DesktopE2E : public QObject
{
    Q_OBJECT

private slots:
    void queryTypedOnTheDesktop();
    void brokenServerListShowsOnlyTheMessage();
    void noDisplayIsOneLine();
};

void tst_DesktopE2E::queryTypedOnTheDesktop()
{
    if (const QString missing = missingTools(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    LoopbackWhoisServer server;
    if (!server.listen(QHostAddress::LocalHost, 43))
        QSKIP("cannot listen on 127.0.0.1:43: the whois port needs root and must be free");
    server.setAnswer({"Domain: example.test\r\n"});
    QTemporaryDir dir;
    const QString program = installCopy(dir, "test,127.0.0.1\r\n");
    QVERIFY(!program.isEmpty());
    VirtualDisplay display;
    QVERIFY(display.start());

    QProcess app;
    app.setProcessEnvironment(display.environment());
    app.start(program);
    QVERIFY(display.focusedWindow(u'^' + MainTitle + u'$'));
    QVERIFY(display.xdotool({"type", "www.Example.TEST"}));
    QVERIFY(display.xdotool({"key", "Return"}));
    QTRY_COMPARE_WITH_TIMEOUT(server.queries(), QList<QByteArray> {"example.test\r\n"}, 30000);
    QCOMPARE(app.state(), QProcess::Running);

    app.terminate();
    QVERIFY(app.waitForFinished(30000));
}

void tst_DesktopE2E::brokenServerListShowsOnlyTheMessage()
{
    if (const QString missing = missingTools(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    QTemporaryDir dir;
    const QString program = installCopy(dir, "com,whois.example\r\ntest 127.0.0.1\r\n");
    QVERIFY(!program.isEmpty());
    VirtualDisplay display;
    QVERIFY(display.start());

    QProcess app;
    app.setProcessEnvironment(display.environment());
    app.start(program);
    QVERIFY(display.focusedWindow(QStringLiteral("^Ondrix$")));
    QVERIFY(!display.xdotool({"search", "--name", MainTitle}));
    QVERIFY(display.xdotool({"key", "Return"}));
    QVERIFY(app.waitForFinished(30000));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QVERIFY(app.exitCode() != 0);
}

void tst_DesktopE2E::noDisplayIsOneLine()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1StringView(name));
    QProcess app;
    app.setProcessEnvironment(environment);
    app.start(QStringLiteral(ONDRIX_EXECUTABLE));
    QVERIFY(app.waitForFinished(30000));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QVERIFY(app.exitCode() != 0);
    const QStringList lines
            = QString::fromUtf8(app.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.at(0).contains(u"no display"), qPrintable(lines.at(0)));
}

QTEST_GUILESS_MAIN(tst_DesktopE2E)
#include "tst_desktop_e2e.moc"
