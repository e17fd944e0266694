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

// The built program in a folder of its own, beside the given server list, on an X server of the
// test's own: Xvfb takes the first free display number and reports it.
class Desktop
{
public:
    ~Desktop()
    {
        app.kill();
        app.waitForFinished();
        m_server.terminate();
        m_server.waitForFinished();
    }

    bool start(const QByteArray &serverList)
    {
        const QString program = m_dir.filePath(QStringLiteral("ondrix"));
        QFile list(m_dir.filePath(QStringLiteral("OndrixServers.txt")));
        if (!QFile::copy(QStringLiteral(ONDRIX_EXECUTABLE), program)
            || !list.open(QIODevice::WriteOnly) || list.write(serverList) != serverList.size()
            || !list.flush())
            return false;
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
        app.setProcessEnvironment(m_environment);
        app.start(program);
        return true;
    }

    // Runs xdotool on this display. With no window manager the focus would follow the pointer:
    // the caller finds the window and focuses it itself ("search ... windowfocus --sync").
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
    QProcess m_server;
    QProcessEnvironment m_environment;
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
        QVERIFY(desktop.app.exitStatus() == QProcess::NormalExit && desktop.app.exitCode() != 0);
    }

    void noDisplayIsOneLine()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1StringView(name));
        QProcess app;
        app.setProcessEnvironment(environment);
        app.start(QStringLiteral(ONDRIX_EXECUTABLE));
        QVERIFY(app.waitForFinished(30000));
        QVERIFY(app.exitStatus() == QProcess::NormalExit && app.exitCode() != 0);
        const QStringList lines
                = QString::fromUtf8(app.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.at(0).contains(u"no display"), qPrintable(lines.at(0)));
    }
};

QTEST_GUILESS_MAIN(tst_DesktopE2E)
#include "tst_desktop_e2e.moc"
