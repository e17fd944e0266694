// Absurd server lists and absurd typed text: a clear answer, promptly, and no crash.
#include "QueryParser.h"
#include "ResultBox.h"
#include "ServerTable.h"
#include "StatusLine.h"
#include "frmMain.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QtTest>

namespace {

constexpr qsizetype TenMB = 10 * 1024 * 1024;
constexpr qint64 PromptMs = 3000;
const QByteArray Servers("com,whois.example.test\n");

void addInputRows()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("status");
    const QString enter = QString::fromLatin1(QueryParser::EnterDomainMessage);
    const QString invalid = QString::fromLatin1(QueryParser::InvalidMessage);
    const QString noServer = QStringLiteral("No whois server listed to support . domain");
    QTest::newRow("100,000 letters") << QString(100000, u'a') << enter;
    QTest::newRow("100,000 dots") << QString(100000, u'.') << invalid;
    QTest::newRow("100,000 digits") << QString(100000, u'9') << invalid;
    QTest::newRow("only spaces") << QStringLiteral("     ") << enter;
    QTest::newRow("one dot") << QStringLiteral(".") << noServer;
    QTest::newRow("two dots") << QStringLiteral("..") << noServer;
    QTest::newRow("three dots") << QStringLiteral("...") << noServer;
    QTest::newRow("four dots") << QStringLiteral("....") << invalid;
    QTest::newRow("one tab") << QStringLiteral("\t") << enter;
    QTest::newRow("only tabs") << QStringLiteral("\t\t\t") << enter;
    QTest::newRow("tabs around a dot")
            << QStringLiteral("\t.\t")
            << QStringLiteral("No whois server listed to support .\t domain");
}

} // namespace

class tst_badinput : public QObject
{
    Q_OBJECT

private slots:
    void serverList_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<QString>("comHost");
        QTest::newRow("10 MB line without comma") << QByteArray(TenMB, 'x') + '\n'
                                                  << false << QString();
        QTest::newRow("10 MB valid line") << "com," + QByteArray(TenMB, 'h') + "\r\n"
                                          << true << QString(TenMB, u'h');
        QRandomGenerator random(42);
        QByteArray binary(1024 * 1024, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(binary.data()), binary.size() / 4);
        QTest::newRow("random binary") << binary << false << QString();
    }

    void serverList()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, loads);
        QFETCH(QString, comHost);
        ServerTable table;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(table.LoadServers(contents), loads);
        QVERIFY2(timer.elapsed() < PromptMs, qPrintable(QString::number(timer.elapsed())));
        if (loads)
            QCOMPARE(table.FindServer(QStringLiteral("com")), comHost);
    }

    void parseQuery_data() { addInputRows(); }

    void parseQuery()
    {
        QFETCH(QString, input);
        QFETCH(QString, status);
        ServerTable table;
        QVERIFY(table.LoadServers(Servers));
        QueryState state;
        QElapsedTimer timer;
        timer.start();
        const QueryDispatch dispatch = QueryParser::parseQuery(input, state, table);
        QVERIFY2(timer.elapsed() < PromptMs, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(dispatch.statusText, status);
        QVERIFY(!dispatch.connect);
    }

    void typedInput_data() { addInputRows(); }

    // The same through the input box and Enter, with an earlier answer still on screen. The box
    // keeps only the first 32,767 characters of a long text (QLineEdit's default limit), which
    // leads to the same outcome.
    void typedInput()
    {
        QFETCH(QString, input);
        QFETCH(QString, status);
        frmMain w;
        QVERIFY(w.serverTable().LoadServers(Servers));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.txtResult->setText(QStringLiteral("earlier answer"));
        w.txtURL->setText(input);
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(w.txtURL, Qt::Key_Return);
        QVERIFY2(timer.elapsed() < PromptMs, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(w.myStatus->SimpleText(), status);
        QCOMPARE(w.txtResult->Text(), QString());
    }
};

QTEST_MAIN(tst_badinput)
#include "tst_badinput.moc"
