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

// A main window whose suffix "test" is answered by a loopback server.
class ShownWindow : public frmMain
{
public:
    explicit ShownWindow(const LoopbackWhoisServer &server)
    {
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

        QTest::newRow("Enter") << false << QByteArray("Domain: example.test\r\nmore\r\n")
                               << QStringLiteral("Domain: example.test\nmore\n");
        QTest::newRow("button") << true << QByteArray("Domain: example.test\r\n")
                                << QStringLiteral("Domain: example.test\n");
        QTest::newRow("markup shows literally")
                << false << QByteArray("<b>x</b>\r\n") << QStringLiteral("<b>x</b>\n");
        QTest::newRow("control characters visible")
                << true << QByteArray("a\tb\x01\r\n") << QStringLiteral("a\tb\u2401\n");
    }

    void query()
    {
        QFETCH(bool, byButton);
        QFETCH(QByteArray, answer);
        QFETCH(QString, shown);
        LoopbackWhoisServer server;
        QVERIFY(server.listen());
        server.setAnswer({answer});
        ShownWindow w(server);
        QVERIFY(QTest::qWaitForWindowActive(&w));

        w.txtURL->setText(QStringLiteral("www.Example.TEST"));
        if (byButton)
            QTest::mouseClick(w.btnSend, Qt::LeftButton);
        else
            QTest::keyClick(w.txtURL, Qt::Key_Return);

        QTRY_COMPARE(w.txtResult->Text(), QString::fromLatin1(answer));
        QCOMPARE(server.queries(), QList<QByteArray> {"example.test\r\n"});
        QTRY_COMPARE(w.txtResult->toPlainText(), shown);
        QCOMPARE(w.myStatus->SimpleText(), QStringLiteral("Whois data for : example.test"));
        QCOMPARE(QApplication::focusWidget(), w.txtURL);
    }

    void layoutRule_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<bool>("minimised");
        // txtResult width and height, txtURL width, btnSend left, Label2 left; empty: no layout.
        QTest::addColumn<QList<float>>("expected");

        QTest::newRow("smallest laid out")
                << 3500.f << 5000.f << false << QList<float> {3380, 2345, 1460, 1565, 1805};
        QTest::newRow("start-up outer size")
                << 9375.f << 7815.f << false << QList<float> {9255, 5160, 7335, 7440, 7680};
        QTest::newRow("one twip too narrow") << 3499.f << 20000.f << false << QList<float> {};
        QTest::newRow("one twip too low") << 20000.f << 4999.f << false << QList<float> {};
        QTest::newRow("minimised") << 9375.f << 7815.f << true << QList<float> {};
    }

    void layoutRule()
    {
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(bool, minimised);
        QFETCH(QList<float>, expected);

        const auto layout = ::Form_Resize(width, height, minimised);
        QList<float> actual;
        if (layout) {
            actual = {layout->txtResultWidth, layout->txtResultHeight, layout->txtURLWidth,
                      layout->btnSendLeft, layout->Label2Left};
        }
        QCOMPARE(actual, expected);
    }

    void layoutFollowsWindow()
    {
        LoopbackWhoisServer server;
        ShownWindow w(server);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // The rule in pixels, for the window's outer size: its offsets of 120, 2655, 2040, 1935 and
        // 1695 twips are 8, 177, 136, 129 and 113 pixels; tops and heights keep their start-up
        // values.
        const auto geometries = [&w] {
            return QList<QRect> {w.txtResult->geometry(), w.txtURL->geometry(),
                                 w.btnSend->geometry(), w.Label2->geometry()};
        };
        const auto laidOut = [](QSize outer) {
            const int width = outer.width();
            return QList<QRect> {QRect(1, 123, width - 8, outer.height() - 177),
                                 QRect(1, 94, width - 136, 28), QRect(width - 129, 94, 117, 28),
                                 QRect(width - 113, 8, 95, 24)};
        };
        QCOMPARE(geometries(), laidOut(w.frameGeometry().size()));

        w.resize(800, 600);
        QTRY_COMPARE(geometries(), laidOut(w.frameGeometry().size()));
        const QList<QRect> wide = geometries();

        w.resize(200, 600); // below the width threshold: the last layout stays
        QTRY_COMPARE(w.width(), 200);
        QCOMPARE(geometries(), wide);
    }

    void focusReturnsToInput_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("setFocus on the answer") << QStringLiteral("setFocus");
        QTest::newRow("click into the answer") << QStringLiteral("clickResult");
        QTest::newRow("click on the picture") << QStringLiteral("clickPicture");
    }

    void focusReturnsToInput()
    {
        QFETCH(QString, action);
        LoopbackWhoisServer server;
        ShownWindow w(server);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.btnSend->setFocus();
        QCOMPARE(QApplication::focusWidget(), w.btnSend);

        if (action == u"setFocus")
            w.txtResult->setFocus();
        else if (action == u"clickResult")
            QTest::mouseClick(w.txtResult->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        else
            QTest::mouseClick(w.Picture1, Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), w.txtURL);
    }

    void closeDuringQuery()
    {
        LoopbackWhoisServer server;
        QVERIFY(server.listen());
        server.setAnswer({"first part of a long answer\r\n"},
                         LoopbackWhoisServer::Ending::KeepOpen);
        ShownWindow w(server);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.txtURL->setText(QStringLiteral("example.test"));
        QTest::keyClick(w.txtURL, Qt::Key_Return);
        QTRY_VERIFY(!w.txtResult->Text().isEmpty());
        QCOMPARE(server.openConnections(), 1);

        QVERIFY(w.close());
        QTRY_COMPARE(server.openConnections(), 0);
        QList<QWidget *> shown; // a message box would be one
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible())
                shown << widget;
        }
        QCOMPARE(shown, QList<QWidget *> {});
    }

    void statusReadByAssistiveTechnology()
    {
        LoopbackWhoisServer server;
        ShownWindow w(server);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.txtURL->setText(QStringLiteral("example.zz"));
        QTest::keyClick(w.txtURL, Qt::Key_Return);
        const QString message = QStringLiteral("No whois server listed to support .zz domain");
        QCOMPARE(w.myStatus->SimpleText(), message);

        // Screen readers reach the message as a visible child of the status bar.
        QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(w.myStatus);
        QVERIFY(bar);
        QStringList shownNames;
        for (int i = 0; i < bar->childCount(); ++i) {
            if (!bar->child(i)->state().invisible)
                shownNames << bar->child(i)->text(QAccessible::Name);
        }
        QVERIFY2(shownNames.contains(message), qPrintable(shownNames.join(u'|')));
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
