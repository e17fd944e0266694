#include "LayoutRule.h"
#include "LoopbackWhoisServer.h"
#include "ResultBox.h"
#include "StatusLine.h"
#include "TcpSocketBoundary.h"
#include "frmMain.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// A shown main window whose suffix "test" is answered by the loopback server with `answer`.
class ShownWindow : public frmMain
{
public:
    ShownWindow(LoopbackWhoisServer &server, const QByteArray &answer = {},
                LoopbackWhoisServer::Ending ending = LoopbackWhoisServer::Ending::Close)
    {
        server.listen();
        server.setAnswer({answer}, ending);
        TcpSocketBoundary::setPortForTesting(server.port());
        serverTable().LoadServers(QByteArray("test,127.0.0.1\r\n"));
        show();
    }
    ~ShownWindow() override { TcpSocketBoundary::setPortForTesting(0); }
};

class tst_frmMain : public QObject
{
    Q_OBJECT

private slots:
    void query_data()
    {
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Enter, markup shows literally")
                << false << QByteArray("Domain: <b>example.test</b>\r\n")
                << QStringLiteral("Domain: <b>example.test</b>\n");
        QTest::newRow("button, control characters visible")
                << true << QByteArray("a\tb\x01\r\n") << QStringLiteral("a\tb\u2401\n");
    }

    void query()
    {
        QFETCH(bool, byButton);
        QFETCH(QByteArray, answer);
        LoopbackWhoisServer server;
        ShownWindow w(server, answer);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.txtURL->setText(QStringLiteral("www.Example.TEST"));
        if (byButton)
            QTest::mouseClick(w.btnSend, Qt::LeftButton);
        else
            QTest::keyClick(w.txtURL, Qt::Key_Return);

        QTRY_COMPARE(w.txtResult->Text(), QString::fromLatin1(answer));
        QCOMPARE(server.queries(), QList<QByteArray> {"example.test\r\n"});
        QFETCH(QString, shown);
        QTRY_COMPARE(w.txtResult->toPlainText(), shown);
        // Screen readers reach the status as a visible child of the status bar.
        const QString status = QStringLiteral("Whois data for : example.test");
        QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(w.myStatus);
        bool read = false;
        for (int i = 0; bar && i < bar->childCount(); ++i)
            read |= !bar->child(i)->state().invisible
                    && bar->child(i)->text(QAccessible::Name) == status;
        QVERIFY2(read, qPrintable(w.myStatus->SimpleText()));
        QCOMPARE(QApplication::focusWidget(), w.txtURL);
    }

    void layoutRule_data()
    {
        QTest::addColumn<QSizeF>("outer");
        QTest::addColumn<bool>("minimised");
        // txtResult width and height, txtURL width, btnSend left, Label2 left; empty: no layout.
        QTest::addColumn<QList<float>>("expected");
        QTest::newRow("smallest laid out")
                << QSizeF(3500, 5000) << false << QList<float> {3380, 2345, 1460, 1565, 1805};
        QTest::newRow("start-up outer size")
                << QSizeF(9375, 7815) << false << QList<float> {9255, 5160, 7335, 7440, 7680};
        QTest::newRow("one twip too narrow") << QSizeF(3499, 20000) << false << QList<float> {};
        QTest::newRow("one twip too low") << QSizeF(20000, 4999) << false << QList<float> {};
        QTest::newRow("minimised") << QSizeF(9375, 7815) << true << QList<float> {};
    }

    void layoutRule()
    {
        QFETCH(QSizeF, outer);
        QFETCH(bool, minimised);
        const auto layout = ::Form_Resize(outer.width(), outer.height(), minimised);
        QTEST((layout ? QList<float> {layout->txtResultWidth, layout->txtResultHeight,
                                      layout->txtURLWidth, layout->btnSendLeft, layout->Label2Left}
                      : QList<float> {}),
              "expected");
    }

    void focusReturnsToInput()
    {
        LoopbackWhoisServer server;
        ShownWindow w(server);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (QWidget *clicked : {w.txtResult->viewport(), static_cast<QWidget *>(w.Picture1)}) {
            w.btnSend->setFocus();
            QTest::mouseClick(clicked, Qt::LeftButton, {}, QPoint(20, 20));
            QTRY_COMPARE(QApplication::focusWidget(), w.txtURL);
        }
    }

    void closeDuringQuery()
    {
        LoopbackWhoisServer server;
        ShownWindow w(server, "first part of a long answer\r\n",
                      LoopbackWhoisServer::Ending::KeepOpen);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.txtURL->setText(QStringLiteral("example.test"));
        QTest::keyClick(w.txtURL, Qt::Key_Return);
        QTRY_VERIFY(!w.txtResult->Text().isEmpty());
        QCOMPARE(server.openConnections(), 1);

        QVERIFY(w.close());
        QTRY_COMPARE(server.openConnections(), 0);
        const QWidgetList windows = QApplication::topLevelWidgets(); // no message box either
        QVERIFY(std::ranges::none_of(windows, &QWidget::isVisible));
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
