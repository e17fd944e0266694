#include "LoopbackWhoisServer.h"
#include "ResultBox.h"
#include "ServerFileError.h"
#include "StatusLine.h"
#include "TcpSocketBoundary.h"
#include "frmMain.h"
#include "frmOptions.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

namespace {

const QString Sentinel = QStringLiteral("on the clipboard before");

// Runs `check` inside the modal dialog that the next call opens; `check` closes it. Should a
// check fail half-way, the guard closes the dialog, so that the test fails instead of hanging.
template<typename Check>
void onModal(QObject *context, Check check)
{
    QTimer::singleShot(0, context, [check] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        const auto closeIfStillOpen = qScopeGuard([modal] {
            if (QApplication::activeModalWidget() == modal)
                modal->close();
        });
        QVERIFY(QTest::qWaitForWindowActive(modal));
        check(modal);
    });
}

} // namespace

// The main window, shown, with no printer but a count of the print jobs, and a known clipboard.
class Window : public frmMain
{
public:
    Window()
    {
        setPrinterSource([this] {
            ++printerCalls;
            return std::unique_ptr<QPrinter>();
        });
        show();
        QApplication::clipboard()->setText(Sentinel);
    }
    int printerCalls = 0;
};

class tst_Keyboard : public QObject
{
    Q_OBJECT

private slots:
    void command_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("onButton");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<int>("printJobs"); // the printer source yields no printer
        const QString answer = QStringLiteral("Domain: <b>example.test</b>\r\n\r\nend\r\n");
        QTest::newRow("F2, nothing to copy")
                << "F2" << false << QString() << "No data to copy. Enter domain name and Query !"
                << Sentinel << 0;
        QTest::newRow("F3, nothing to print")
                << "F3" << false << QString() << "No data to print. Enter domain name and Query !"
                << Sentinel << 0;
        QTest::newRow("F2") << "F2" << false << answer << "Whois data copied to clipboard."
                            << answer << 0;
        QTest::newRow("Ctrl+F3, no printer")
                << "Ctrl+F3" << false << answer << "No printer available. Whois data not printed."
                << Sentinel << 1;
        QTest::newRow("F3 on the button")
                << "F3" << true << answer << "Press F1.    About" << Sentinel << 0;
    }

    void command()
    {
        QFETCH(QString, keys);
        QFETCH(bool, onButton);
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QFETCH(QString, result);
        w.txtResult_SetText(result);
        QWidget *target = onButton ? static_cast<QWidget *>(w.btnSend) : w.txtURL;
        target->setFocus();
        // A held key sends auto-repeated releases too; only the real one acts, and once.
        const QKeyCombination key = QKeySequence::fromString(keys)[0];
        QKeyEvent repeated(QEvent::KeyRelease, key.key(), key.keyboardModifiers(), {}, true);
        QApplication::sendEvent(target, &repeated);
        QCOMPARE(w.myStatus->SimpleText(), QStringLiteral("Press F1.    About"));
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
        QTEST(w.myStatus->SimpleText(), "status");
        QTEST(QApplication::clipboard()->text(), "clipboard");
        QCOMPARE(QApplication::clipboard()->mimeData()->formats(), QStringList {"text/plain"});
        QTEST(w.printerCalls, "printJobs");
    }

    void printToPdf()
    {
        QCOMPARE(WhoisPrinting::PrintText(QStringLiteral("abc")),
                 QStringLiteral("abc\r\n\r\n\r\n   Created with Ondrix \r\n   www.ondrix.example"));
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed: the printout cannot be read back");
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("answer.pdf"));
        Window w;
        w.setPrinterSource([pdf] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return printer;
        });
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.txtResult_SetText(QStringLiteral("abc"));
        QTest::keyClick(w.txtURL, Qt::Key_F3);
        QCOMPARE(w.myStatus->SimpleText(), QStringLiteral("Printing whois data."));
        QProcess reader;
        reader.start(pdftotext, {pdf, QStringLiteral("-")});
        QVERIFY(reader.waitForFinished());
        QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput())
                         .trimmed()
                         .split(u'\n', Qt::SkipEmptyParts),
                 QStringList({"abc", "Created with Ondrix", "www.ondrix.example"}));
    }

    void aboutBox()
    {
        LoopbackWhoisServer server; // its answer streams in while the box is open
        QVERIFY(server.listen());
        const QString whole = QStringLiteral("first\r\nsecond\r\nthird\r\n");
        server.setAnswer({"first\r\n", "second\r\n", "third\r\n"},
                         LoopbackWhoisServer::Ending::Close, 300);
        TcpSocketBoundary::setPortForTesting(server.port());
        const auto noRedirect = qScopeGuard([] { TcpSocketBoundary::setPortForTesting(0); });
        Window w;
        QVERIFY(w.serverTable().LoadServers(QByteArray("test,127.0.0.1\r\n")));
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.txtURL->setText(QStringLiteral("example.test"));
        QTest::keyClick(w.txtURL, Qt::Key_Return);
        QTRY_VERIFY(!w.txtResult->Text().isEmpty());

        const auto texts = [](const frmOptions *about) {
            return QStringList {about->Text1->toPlainText(), about->Label1->text(),
                                about->Label2->text()};
        };
        QPointer<frmOptions> first;
        QStringList before;
        onModal(this, [&](QWidget *modal) {
            first = qobject_cast<frmOptions *>(modal);
            QVERIFY(first);
            QCOMPARE(QApplication::focusWidget(), first->Command1);
            QTest::keyClick(first, Qt::Key_Escape);
            QVERIFY(first->isVisible());
            before = texts(first);
            QVERIFY(w.txtResult->Text() != whole);
            QTRY_COMPARE(w.txtResult->Text(), whole);
            QTest::mouseClick(first->Command1, Qt::LeftButton);
        });
        QTest::keyClick(w.txtURL, Qt::Key_F1);
        onModal(this, [&](QWidget *modal) { // OK kept it for the next F1
            QCOMPARE(modal, first.data());
            modal->close();
        });
        QTest::keyClick(w.txtURL, Qt::Key_F1);
        QVERIFY(!first); // closing discarded it
        QCOMPARE(w.aboutDialog(), nullptr);

        QStringList after;
        onModal(this, [&](QWidget *modal) {
            QCOMPARE(modal, w.aboutDialog());
            after = texts(w.aboutDialog());
            w.aboutDialog()->Command1->click();
        });
        QTest::keyClick(w.txtURL, Qt::Key_F1);
        QVERIFY(!before.value(0).isEmpty());
        QCOMPARE(after, before);
    }

    void serverFileError()
    {
        onModal(this, [](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            QCOMPARE(
                    QStringList({box->windowTitle(), box->text()}),
                    QStringList({"Ondrix", "Possible corrupt server file. Reinstall application"}));
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            QCOMPARE(box->buttons(), QList<QAbstractButton *> {box->button(QMessageBox::Ok)});
            box->button(QMessageBox::Ok)->click();
        });
        showServerFileError();
    }
};

QTEST_MAIN(tst_Keyboard)
#include "tst_keyboard.moc"
