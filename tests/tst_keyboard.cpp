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
#include <QScrollBar>
#include <QStandardPaths>
#include <QtTest>

namespace {

const QString Sentinel = QStringLiteral("on the clipboard before");
const QString StartStatus = QStringLiteral("Press F1.    About");
const QString NoPrinter = QStringLiteral("No printer available. Whois data not printed.");

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

QString shown(const QString &text)
{
    return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

// The main window, shown, with a printer source that counts its calls and a known clipboard.
class Window : public frmMain
{
public:
    Window()
    {
        setPrinterSource([this]() -> std::unique_ptr<QPrinter> {
            ++printerCalls;
            return printer ? printer() : nullptr;
        });
        show();
        QApplication::clipboard()->setText(Sentinel);
    }
    int printerCalls = 0;
    WhoisPrinting::PrinterSource printer;
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
        QTest::addColumn<int>("printerCalls");
        QTest::addColumn<bool>("failingPrinter"); // else there is no default printer
        const auto row = [](const char *name, const char *keys, bool onButton,
                            const QString &result, const QString &status, const QString &clipboard,
                            int printerCalls, bool failingPrinter = false) {
            QTest::newRow(name) << QString::fromLatin1(keys) << onButton << result << status
                                << clipboard << printerCalls << failingPrinter;
        };
        const QString answer = QStringLiteral("Domain: <b>example.test</b>\r\n\r\nend\r\n");
        const QString copied = QStringLiteral("Whois data copied to clipboard.");
        row("F2, nothing to copy", "F2", false, {},
            QStringLiteral("No data to copy. Enter domain name and Query !"), Sentinel, 0);
        row("F3, nothing to print", "F3", false, {},
            QStringLiteral("No data to print. Enter domain name and Query !"), Sentinel, 0);
        row("F2", "F2", false, answer, copied, answer, 0);
        row("Shift+F2", "Shift+F2", false, answer, copied, answer, 0);
        row("F3, no default printer", "F3", false, answer, NoPrinter, Sentinel, 1);
        row("Ctrl+F3, printer fails", "Ctrl+F3", false, answer, NoPrinter, Sentinel, 1, true);
        row("F1 on the button", "F1", true, answer, StartStatus, Sentinel, 0);
        row("F2 on the button", "F2", true, answer, StartStatus, Sentinel, 0);
        row("F3 on the button", "F3", true, answer, StartStatus, Sentinel, 0);
        row("F4", "F4", false, answer, StartStatus, Sentinel, 0);
    }

    void command()
    {
        QFETCH(QString, keys);
        QFETCH(bool, onButton);
        QFETCH(QString, result);
        QFETCH(bool, failingPrinter);
        Window w;
        if (failingPrinter) {
            w.printer = [] {
                auto printer = std::make_unique<QPrinter>();
                printer->setOutputFileName(QStringLiteral("/nonexistent/folder/answer.pdf"));
                return printer;
            };
        }
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.txtResult_SetText(result);
        QWidget *target = onButton ? static_cast<QWidget *>(w.btnSend) : w.txtURL;
        target->setFocus();
        bool aboutOpened = false;
        QObject guard; // a wrongly opened About box is closed instead of hanging the test
        QTimer::singleShot(0, &guard, [&aboutOpened] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                aboutOpened = true;
                modal->close();
            }
        });
        const QKeyCombination key = QKeySequence::fromString(keys)[0];
        QTest::keyClick(target, key.key(), key.keyboardModifiers());

        QFETCH(QString, status);
        QFETCH(QString, clipboard);
        QFETCH(int, printerCalls);
        QCOMPARE(w.myStatus->SimpleText(), status);
        QCOMPARE(QApplication::clipboard()->text(), clipboard);
        QCOMPARE(QApplication::clipboard()->mimeData()->formats(), QStringList {"text/plain"});
        QCOMPARE(w.printerCalls, printerCalls);
        QVERIFY(!aboutOpened);
    }

    void printToPdf()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed: the printout cannot be read back");
        QCOMPARE(WhoisPrinting::PrintText(QStringLiteral("abc")),
                 QStringLiteral("abc\r\n\r\n\r\n   Created with Ondrix \r\n   www.ondrix.example"));
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("answer.pdf"));
        Window w;
        w.printer = [pdf] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return printer;
        };
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.txtResult_SetText(QStringLiteral("Domain Name: EXAMPLE.TEST\r\nRegistrar: Example\r\n"));
        QTest::keyClick(w.txtURL, Qt::Key_F3);
        QCOMPARE(w.myStatus->SimpleText(), QStringLiteral("Printing whois data."));

        QProcess reader;
        reader.start(pdftotext, {pdf, QStringLiteral("-")});
        QVERIFY(reader.waitForFinished());
        const QStringList lines = QString::fromUtf8(reader.readAllStandardOutput())
                                          .split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.mid(0, 4),
                 QStringList({"Domain Name: EXAMPLE.TEST", "Registrar: Example",
                              "Created with Ondrix", "www.ondrix.example"}));
    }

    void actsOnRealReleaseOnly()
    {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.txtResult_SetText(QStringLiteral("abc"));
        // A held key sends presses and auto-repeated releases; only the real release acts.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier);
        QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_F3, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(w.txtURL, &press);
        QApplication::sendEvent(w.txtURL, &repeated);
        QCOMPARE(w.printerCalls, 0);
        QKeyEvent real(QEvent::KeyRelease, Qt::Key_F3, Qt::NoModifier);
        QApplication::sendEvent(w.txtURL, &real);
        QCOMPARE(w.printerCalls, 1);
    }

    void aboutHiddenByOk()
    {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QPointer<QWidget> first;
        onModal(this, [&first](QWidget *modal) {
            first = modal;
            auto *about = qobject_cast<frmOptions *>(modal);
            QVERIFY(about);
            QCOMPARE(QApplication::focusWidget(), about->Command1);
            QTest::keyClick(about, Qt::Key_Escape);
            QVERIFY(about->isVisible());
            const QString text = frmOptions::AboutText();
            QCOMPARE(text.count(QStringLiteral("\r\n")), 22);
            QVERIFY(text.endsWith(QStringLiteral("(not recommended !)\r\n")));
            QCOMPARE(about->Text1->toPlainText(), shown(text));
            QVERIFY(about->Text1->verticalScrollBar()->maximum() > 0); // the last lines scroll
            QCOMPARE(about->Label1->text(),
                     QStringLiteral("F1.   About \nF2.   Copy whois data to clipboard (RTF)\n"
                                    "F3.   Print whois data  "));
            QCOMPARE(about->Label2->text(), QStringLiteral("ondrix.example"));
            QVERIFY(about->Label2->fontMetrics().horizontalAdvance(about->Label2->text())
                    <= about->Label2->contentsRect().width());
            QTest::mouseClick(about->Command1, Qt::LeftButton);
        });
        QTest::keyClick(w.txtURL, Qt::Key_F1);
        QVERIFY(first);
        QVERIFY(!first->isVisible());
        QCOMPARE(w.aboutDialog(), first.data());

        QWidget *second = nullptr;
        onModal(this, [&second](QWidget *modal) {
            second = modal;
            QTest::mouseClick(qobject_cast<frmOptions *>(modal)->Command1, Qt::LeftButton);
        });
        QTest::keyClick(w.txtURL, Qt::Key_F1);
        QCOMPARE(second, first.data());
    }

    void aboutDiscardedByClose()
    {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QPointer<QWidget> first;
        onModal(this, [&first](QWidget *modal) {
            first = modal;
            modal->close();
        });
        QTest::keyClick(w.txtURL, Qt::Key_F1);
        QCOMPARE(w.aboutDialog(), nullptr);
        QVERIFY(!first);

        QString text;
        onModal(this, [&text, &w](QWidget *modal) {
            QCOMPARE(modal, w.aboutDialog());
            text = w.aboutDialog()->Text1->toPlainText();
            QTest::mouseClick(w.aboutDialog()->Command1, Qt::LeftButton);
        });
        QTest::keyClick(w.txtURL, Qt::Key_F1);
        QVERIFY(w.aboutDialog());
        QCOMPARE(text, shown(frmOptions::AboutText()));
    }

    void answerGrowsBehindAbout()
    {
        LoopbackWhoisServer server;
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

        QString atOpen;
        onModal(this, [&](QWidget *modal) {
            atOpen = w.txtResult->Text();
            QVERIFY(QTest::qWaitFor([&w, &whole] { return w.txtResult->Text() == whole; }));
            qobject_cast<frmOptions *>(modal)->Command1->click();
        });
        QTest::keyClick(w.txtURL, Qt::Key_F1);
        QVERIFY(atOpen != whole);
        QCOMPARE(w.txtResult->Text(), whole);
    }

    void serverFileError()
    {
        onModal(this, [](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QStringLiteral("Ondrix"));
            QCOMPARE(box->text(),
                     QStringLiteral("Possible corrupt server file. Reinstall application"));
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->standardButton(box->buttons().at(0)), QMessageBox::Ok);
            box->buttons().at(0)->click();
        });
        showServerFileError();
    }
};

QTEST_MAIN(tst_Keyboard)
#include "tst_keyboard.moc"
