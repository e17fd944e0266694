// Absurd server lists and absurd typed text: a clear answer, promptly, and no crash.
#include "QueryParser.h"
#include "ResultBox.h"
#include "ServerTable.h"
#include "StatusLine.h"
#include "frmMain.h"

#include <QDeadlineTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_badinput : public QObject
{
    Q_OBJECT

private slots:
    void serverList_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("comHost"); // null: the list is refused
        QTest::newRow("10 MB line without comma") << QByteArray(10 << 20, 'x') + '\n' << QString();
        QTest::newRow("10 MB valid line") << "com," + QByteArray(10 << 20, 'h') + "\r\n"
                                          << QString(10 << 20, u'h');
        QByteArray binary(1 << 20, Qt::Uninitialized);
        QRandomGenerator(42).fillRange(reinterpret_cast<quint32 *>(binary.data()),
                                       binary.size() / 4);
        QTest::newRow("random binary") << binary << QString();
    }

    void serverList()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, comHost);
        ServerTable table;
        const QDeadlineTimer prompt(3000);
        QCOMPARE(table.LoadServers(contents) ? table.FindServer(u"com"_s) : QString(), comHost);
        QVERIFY(!prompt.hasExpired());
    }

    void typedInput_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("status");
        const QString enter = QString::fromLatin1(QueryParser::EnterDomainMessage);
        const QString invalid = QString::fromLatin1(QueryParser::InvalidMessage);
        QTest::newRow("100,000 letters") << QString(100000, u'a') << enter;
        QTest::newRow("100,000 dots") << QString(100000, u'.') << invalid;
        QTest::newRow("100,000 digits") << QString(100000, u'9') << invalid;
        QTest::newRow("only spaces") << u"     "_s << enter;
        QTest::newRow("one dot") << u"."_s << u"No whois server listed to support . domain"_s;
        QTest::newRow("only tabs") << u"\t\t\t"_s << enter;
        QTest::newRow("tabs around a dot")
                << u"\t.\t"_s << u"No whois server listed to support .\t domain"_s;
    }

    // Through the input box and Enter, with an earlier answer on screen. The box keeps only the
    // first 32,767 characters (QLineEdit's default limit), so the parser gets the whole text too.
    void typedInput()
    {
        QFETCH(QString, input);
        QFETCH(QString, status);
        frmMain w;
        w.txtResult->setText(u"earlier answer"_s);
        w.txtURL->setText(input);
        const QDeadlineTimer prompt(3000);
        QTest::keyClick(w.txtURL, Qt::Key_Return);
        QCOMPARE(w.myStatus->SimpleText(), status);
        QCOMPARE(w.txtResult->Text(), QString());
        QueryState state;
        QCOMPARE(QueryParser::parseQuery(input, state, w.serverTable()).statusText, status);
        QVERIFY(!prompt.hasExpired());
    }
};

QTEST_MAIN(tst_badinput)
#include "tst_badinput.moc"
