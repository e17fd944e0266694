// The main window on whois servers on loopback addresses: what the answer box shows, the
// layout, the function keys, printing, closing, and the server list's message box.
#include "DesktopIdentity.h"
#include "LayoutRule.h"
#include "ServerFileError.h"
#include "Twips.h"
#include "WindowWorld.h"
#include "frmOptions.h"

#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>

#include <optional>

using Ending = LoopbackWhoisServer::Ending;
using namespace Qt::StringLiterals;

class tst_window : public QObject
{
    Q_OBJECT

    std::optional<WindowWorld> s;

private slots:
    void init()
    {
        s.emplace();
        QVERIFY(s->listening());
        QVERIFY(QTest::qWaitForWindowActive(&s->w));
    }

    void cleanup() { s.reset(); }

    // A query from the button, its answer shown as it arrives: markup literally, each line end as
    // a line break, and the focus back in the input box.
    void answer()
    {
        // Over 128 lines: the box breaks lines within blocks and between them.
        const QByteArray lines = "Status: ok\rEnd\n" + QByteArray("line\n").repeated(130);
        s->first.setAnswer({"Domain: <b>x</b>\r\n", lines}, Ending::Close, 100);
        s->w.txtURL->setText(u"www.Bücher.TEST"_s);
        QTest::mouseClick(s->w.btnSend, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(s->status(), u"Whois data for : bücher.test"_s, 30000);
        QTRY_COMPARE(s->result(), u"Domain: <b>x</b>\r\n"_s + QString::fromLatin1(lines));
        QCOMPARE(s->first.queries(), QList<QByteArray> {"xn--bcher-kva.test\r\n"});
        QTRY_COMPARE(s->w.txtResult->toPlainText(),
                     u"Domain: <b>x</b>\nStatus: ok\nEnd\n"_s + u"line\n"_s.repeated(130));
        QCOMPARE(QApplication::focusWidget(), s->w.txtURL);
    }

    // The box holds an answer once, as shown, and rebuilds the exact text from a record of what
    // the display changed: the line end each line break stood for, and whether each control
    // picture was a control character. The record starts afresh with each answer.
    void exactTextFromDisplay_data()
    {
        QTest::addColumn<QString>("before"); // an answer the box held before
        QTest::addColumn<QStringList>("chunks");
        QTest::addColumn<QString>("shown");
        const QString mixed = u"x\r\ny\nz\r"_s.repeated(100);
        QTest::newRow("CR LF split between chunks, a CR at the end")
                << QString()
                << QStringList {u"a\r"_s, u"\nb\r"_s, u"c"_s, u"\nd\r"_s, u"e\n"_s, u"\r"_s}
                << u"a\nb\nc\nd\ne\n\n"_s;
        QTest::newRow("characters a document breaks lines at")
                << QString() << QStringList {u"a\u2028b\u2029c\ufdd0d\ufdd1e\r\n\u2028"_s}
                << u"a\nb\nc\nd\ne\n\n"_s;
        QTest::newRow("control pictures, as themselves and for control characters")
                << QString()
                << QStringList {u"\x01\x02"_s, u"\u2401\x7f\u2421\t\u2409\x1f"_s, u"\x02"_s}
                << u"\u2401\u2402\u2401\u2421\u2421\t\u2409\u241f\u2402"_s;
        QTest::newRow("line ends of each kind over many blocks")
                << QString() << QStringList {mixed.left(301), u"\u2029"_s + mixed.mid(301)}
                << u"x\ny\nz\n"_s.repeated(43) + u"\n"_s + u"x\ny\nz\n"_s.repeated(57);
        QTest::newRow("after a long answer that ended in CR and a literal picture")
                << u"\x01\u2401\r\n"_s.repeated(100000) + u"\r"_s
                << QStringList {u"\n\u2401\x01\u2028"_s} << u"\n\u2401\u2401\n"_s;
    }

    void exactTextFromDisplay()
    {
        QFETCH(QString, before);
        QFETCH(QStringList, chunks);
        QFETCH(QString, shown);
        ResultBox *box = s->w.txtResult;
        s->w.txtResult_SetText(before);
        QCOMPARE(box->Text(), before);
        s->w.txtResult_SetText(QString()); // as each query starts
        const QString answer = chunks.join(QString());
        for (const QString &chunk : chunks)
            s->w.txtResult_Append(chunk);
        QCOMPARE(box->length(), answer.size());
        QCOMPARE(box->Text(), answer); // with part of it still waiting to be drawn
        box->flushPending();
        QCOMPARE(box->toPlainText(), shown);
        QCOMPARE(box->Text(), answer);
    }

    void closeDuringQuery()
    {
        s->first.setAnswer({"first part of a long answer\r\n"}, Ending::KeepOpen);
        s->query(u"example.test"_s);
        QTRY_VERIFY(!s->result().isEmpty());
        QCOMPARE(s->first.openConnections(), 1);
        QVERIFY(s->w.close());
        QTRY_COMPARE(s->first.openConnections(), 0);
        // No message box either.
        QVERIFY(std::ranges::none_of(QApplication::topLevelWidgets(), &QWidget::isVisible));
    }

    // F2 copies the answer as plain text; F3 finds no printer here, which it says.
    void functionKey_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("status");
        const QString answer = u"Domain: <b>example.test</b>\r\n\r\nend\r\n"_s;
        QTest::newRow("F2, nothing to copy")
                << "F2" << QString() << "No data to copy. Enter domain name and Query !";
        QTest::newRow("F3, nothing to print")
                << "F3" << QString() << "No data to print. Enter domain name and Query !";
        QTest::newRow("F2") << "F2" << answer << "Whois data copied to clipboard.";
        QTest::newRow("Ctrl+F3") << "Ctrl+F3" << answer
                                 << "No printer available. Whois data not printed.";
        QTest::newRow("F3 on the button") << "F3" << answer << "Press F1.    About";
    }
    void functionKey()
    {
        QFETCH(QString, keys);
        QFETCH(QString, result);
        QFETCH(QString, status);
        s->w.txtResult_SetText(result);
        QWidget *target = qstrcmp(QTest::currentDataTag(), "F3 on the button") == 0
                ? static_cast<QWidget *>(s->w.btnSend)
                : s->w.txtURL;
        target->setFocus();
        // A held key sends auto-repeated releases too; only the real one acts, and once.
        const QKeyCombination key = QKeySequence::fromString(keys)[0];
        QKeyEvent repeated(QEvent::KeyRelease, key.key(), key.keyboardModifiers(), {}, true);
        QApplication::sendEvent(target, &repeated);
        // Nor does the shortcut override that comes before the press, or the press itself.
        for (const QEvent::Type early : {QEvent::ShortcutOverride, QEvent::KeyPress}) {
            QKeyEvent event(early, key.key(), key.keyboardModifiers());
            QApplication::sendEvent(target, &event);
        }
        QCOMPARE(s->status(), u"Press F1.    About"_s);
        QCOMPARE(QApplication::clipboard()->text(), WindowWorld::Sentinel);
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
        QCOMPARE(s->status(), status);
        const bool copied = status.startsWith(u"Whois data copied");
        QCOMPARE(QApplication::clipboard()->text(), copied ? result : WindowWorld::Sentinel);
        QCOMPARE(QApplication::clipboard()->mimeData()->formats(), QStringList {"text/plain"});
    }

    // The answer box is read-only: a paste or a typed key sent to it straight (the focus would
    // leave it first) changes neither the answer that F2 copies and F3 prints nor what it shows.
    void answerBoxReadOnly()
    {
        const QString answer = u"Domain: example.test\r\n"_s;
        s->w.txtResult_SetText(answer);
        const QString shown = s->w.txtResult->toPlainText();
        QTest::keyClick(s->w.txtResult, Qt::Key_V, Qt::ControlModifier); // Sentinel is there
        QTest::keyClick(s->w.txtResult, Qt::Key_X);
        QCOMPARE(s->w.txtResult->Text(), answer);
        QCOMPARE(s->w.txtResult->toPlainText(), shown);
    }

    void printToPdf()
    {
        QCOMPARE(WhoisPrinting::PrintText(u"abc"_s),
                 u"abc\r\n\r\n\r\n   Created with Ondrix \r\n   www.ondrix.example"_s);
        const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed: the printout cannot be read back");
        QTemporaryDir dir;
        const QString pdf = dir.filePath(u"answer.pdf"_s);
        s->w.setPrinterSource([pdf] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return printer;
        });
        s->w.txtResult_SetText(u"abc"_s);
        QTest::keyClick(s->w.txtURL, Qt::Key_F3);
        QCOMPARE(s->status(), u"Printing whois data."_s);
        QProcess reader;
        reader.start(pdftotext, {pdf, u"-"_s});
        QVERIFY(reader.waitForFinished());
        // One page: pdftotext ends each with a form feed.
        QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
                 QStringList({"abc", "Created with Ondrix", "www.ondrix.example", "\f"}));
    }

    void layoutRule_data()
    {
        QTest::addColumn<QSizeF>("outer");
        QTest::addColumn<bool>("minimised");
        // txtResult width and height, txtURL width, btnSend left, Label2 left; empty: no layout.
        QTest::addColumn<QList<float>>("expected");
        QTest::newRow("smallest laid out")
                << QSizeF(3500, 5000) << false << QList<float> {3380, 2345, 1460, 1565, 1805};
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

    // Shown and resized, the window lays its controls out for its outer size, frame included;
    // the status line spans the bottom edge.
    void layoutFollowsResize()
    {
        frmMain &w = s->w;
        QCOMPARE(w.geometry(), QRect(91, 36, 617, 494)); // where the window opens
        w.resize(800, 600);
        QTRY_COMPARE(w.size(), QSize(800, 600));
        const QSize outer = w.frameGeometry().size() * 15;
        const auto layout = ::Form_Resize(outer.width(), outer.height(), false);
        QVERIFY(layout);
        QCOMPARE(QList<int>({w.txtResult->width(), w.txtResult->height(), w.txtURL->width(),
                             w.btnSend->x(), w.Label2->x()}),
                 QList<int>({px(layout->txtResultWidth), px(layout->txtResultHeight),
                             px(layout->txtURLWidth), px(layout->btnSendLeft),
                             px(layout->Label2Left)}));
        QCOMPARE(w.myStatus->geometry(), QRect(0, 575, 800, 25));
    }

    // Where the controls are drawn before the first resize, in pixels of 15 twips, and their fonts.
    void controls_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<qreal>("points"); // 0: the platform's font
        QTest::newRow("txtURL") << QRect(1, 94, 489, 28) << 12.0;
        QTest::newRow("btnSend") << QRect(497, 94, 117, 28) << 9.75;
        QTest::newRow("Label2") << QRect(512, 8, 95, 24) << 14.25;
        QTest::newRow("Picture1") << QRect(1, 0, 120, 93) << 0.0;
        QTest::newRow("txtResult") << QRect(1, 123, 616, 344) << 9.0;
    }

    void controls()
    {
        const frmMain main;
        const auto *control
                = main.findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
        QTEST(control->geometry(), "geometry");
        QFETCH(qreal, points);
        if (points > 0)
            QCOMPARE(QList<QVariant>({control->font().family(), control->font().pointSizeF()}),
                     QList<QVariant>({u"Arial"_s, points}));
        QCOMPARE(main.myStatus->font().pointSizeF(), 9.0);
    }

    // At the screen's pixel ratio: tst_window_200 runs this at QT_SCALE_FACTOR=2, where Qt must
    // pick the @2x renderings of the picture and of the icon both windows carry.
    void sharpAtScreenScale()
    {
        const qreal ratio = qApp->devicePixelRatio();
        const QPixmap picture = s->w.Picture1->pixmap();
        QCOMPARE(picture.devicePixelRatio(), ratio);
        QCOMPARE(picture.size(), QSize(111, 93) * ratio);
        const frmOptions about;
        for (const QIcon &icon : {s->w.windowIcon(), about.windowIcon()})
            QCOMPARE(icon.pixmap(QSize(32, 32), ratio).size(), QSize(32, 32) * ratio);
    }

    // The window belongs to the desktop entry that the package installs: on Wayland its icon and
    // name in the dock come from the entry of that name, and the software centre's record
    // launches that entry.
    void desktopEntry()
    {
        DesktopIdentity::apply();
        const QString entry = QGuiApplication::desktopFileName() + u".desktop"_s;
        QVERIFY2(QFile::exists(QStringLiteral(ONDRIX_SOURCE_DIR "/packaging/") + entry),
                 qPrintable(entry));
        QFile metainfo(QStringLiteral(ONDRIX_SOURCE_DIR "/packaging/")
                       + QGuiApplication::desktopFileName() + u".metainfo.xml"_s);
        QVERIFY(metainfo.open(QIODevice::ReadOnly));
        QVERIFY(metainfo.readAll().contains("<launchable type=\"desktop-id\">" + entry.toUtf8()));
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

QTEST_MAIN(tst_window)
#include "tst_window.moc"
