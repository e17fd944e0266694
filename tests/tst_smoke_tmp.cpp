#include "LoopbackWhoisServer.h"
#include "ResultBox.h"
#include "StatusLine.h"
#include "TcpSocketBoundary.h"
#include "frmMain.h"

#include <QLineEdit>
#include <QtTest>

class tst_smoke_tmp : public QObject
{
    Q_OBJECT
private slots:
    void query()
    {
        LoopbackWhoisServer server;
        QVERIFY(server.listen());
        server.setAnswer({"Domain: example.test\r\n", "more lines\r\n"},
                         LoopbackWhoisServer::Ending::Close, 20);
        TcpSocketBoundary::setPortForTesting(server.port());
        frmMain w;
        QVERIFY(w.serverTable().LoadServers(QByteArray("test,127.0.0.1\n")));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.txtURL->setText(QStringLiteral("www.Example.TEST"));
        QTest::keyClick(w.txtURL, Qt::Key_Return);
        QTRY_COMPARE(w.txtResult->Text(), QStringLiteral("Domain: example.test\r\nmore lines\r\n"));
        QCOMPARE(server.queries(), QList<QByteArray> {"example.test\r\n"});
        QCOMPARE(w.myStatus->SimpleText(), QStringLiteral("Whois data for : example.test"));
        QTRY_COMPARE(w.txtResult->toPlainText(),
                     QStringLiteral("Domain: example.test\nmore lines\n"));
    }
};
QTEST_MAIN(tst_smoke_tmp)
#include "tst_smoke_tmp.moc"
