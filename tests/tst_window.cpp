// The main window on whois servers on loopback addresses, well-behaved and not: what reaches the
// answer box and the status line, the layout, the focus, the function keys and the About box.
#include "LayoutRule.h"
#include "LoopbackWhoisServer.h"
#include "ResultBox.h"
#include "ServerFileError.h"
#include "StatusLine.h"
#include "TcpSocketBoundary.h"
#include "Twips.h"
#include "frmMain.h"
#include "frmOptions.h"

#include <QAccessible>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <optional>

using Ending = LoopbackWhoisServer::Ending;
using namespace Qt::StringLiterals;

namespace {

const QString Sentinel = u"on the clipboard before"_s;

// What assistive technology is told: the notifications that show, by name as a screen reader
// reads it then, and the objects that take the focus or move their caret.
struct AccessibilityRecorder
{
    inline static QStringList spoken;
    inline static QObjectList focused, caretMoved;

    // With no screen reader running, Qt sends no events at all; it is switched on by hand, as
    // Qt's own tests do. Widgets made afterwards are made as under a running screen reader.
    AccessibilityRecorder()
    {
        spoken.clear();
        focused.clear();
        caretMoved.clear();
        QAccessible::installUpdateHandler(&record);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    }
    ~AccessibilityRecorder()
    {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
        QAccessible::installUpdateHandler(nullptr);
    }
    static void record(QAccessibleEvent *event)
    {
        QAccessibleInterface *iface = event->accessibleInterface();
        if (event->type() == QAccessible::ObjectShow && iface->role() == QAccessible::Notification)
            spoken.append(iface->text(QAccessible::Name));
        else if (event->type() == QAccessible::Focus)
            focused.append(event->object());
        else if (event->type() == QAccessible::TextCaretMoved)
            caretMoved.append(event->object());
    }
};

// The window, shown, with every connection sent to the one port of two servers: `first` on
// 127.0.0.1 answers for test and com, `second` on 127.0.0.2 for other. Nothing listens on
// 127.0.0.3, no-such-host.invalid does not resolve, and nohost has no host.
struct World
{
    AccessibilityRecorder told;
    LoopbackWhoisServer first, second;
    frmMain w;

    World()
    {
        // Both on one port. Another program may hold the first one's port on 127.0.0.2; then
        // both move to another.
        for (int attempt = 0; attempt < 20 && !second.port(); ++attempt) {
            first.close();
            first.listen(QHostAddress(u"127.0.0.1"_s));
            second.listen(QHostAddress(u"127.0.0.2"_s), first.port());
        }
        TcpSocketBoundary::setPortForTesting(first.port());
        w.serverTable().LoadServers("test,127.0.0.1\ncom,127.0.0.1\nother,127.0.0.2\n"
                                    "refused,127.0.0.3\nunresolvable,no-such-host.invalid\n"
                                    "nohost,\n"_ba);
        // No printer: a print job, wanted or not, would show on the status line.
        w.setPrinterSource([] { return std::unique_ptr<QPrinter>(); });
        w.show();
        QApplication::clipboard()->setText(Sentinel);
    }
    ~World() { TcpSocketBoundary::setPortForTesting(0); }

    void query(const QString &text)
    {
        w.txtURL->setText(text);
        QTest::keyClick(w.txtURL, Qt::Key_Return);
    }
    QString result() const { return w.txtResult->Text(); }
    QString status() const { return w.myStatus->SimpleText(); }
};

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

class tst_window : public QObject
{
    Q_OBJECT

    std::optional<World> s;

private slots:
    void init()
    {
        s.emplace();
        QVERIFY(s->first.port() && s->second.port() == s->first.port());
        QVERIFY(QTest::qWaitForWindowActive(&s->w));
    }
    void cleanup() { s.reset(); }

    void answer_data()
    {
        QTest::addColumn<QString>("input"); // the button for inputs in capitals, else Enter
        QTest::addColumn<QList<QByteArray>>("chunks"); // from 127.0.0.1, 100 ms apart
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("shown"); // null: as the result
        QTest::addColumn<QString>("status");
        const QString data = u"Whois data for : example.test"_s;
        const auto row = [](const char *name, const QString &input, const QByteArray &sent,
                            const QList<QByteArray> &chunks, const QString &result,
                            const QString &shown, const QString &status) {
            QTest::newRow(name) << input << chunks << sent << result << shown << status;
        };
        // Over 128 lines: the box breaks lines within blocks and between them.
        const QByteArray lines = "Status: ok\rEnd\n" + QByteArray("line\n").repeated(130);
        row("IDN label, markup shows literally, line ends", u"www.Bücher.TEST"_s,
            "xn--bcher-kva.test\r\n", {"Domain: <b>x</b>\r\n", lines},
            u"Domain: <b>x</b>\r\n"_s + QString::fromLatin1(lines),
            u"Domain: <b>x</b>\nStatus: ok\nEnd\n"_s + u"line\n"_s.repeated(130),
            u"Whois data for : bücher.test"_s);
        // A wide space is part of its label: sent as a separator it would become a stray byte.
        row("wide space in a label, control characters visible", u"a\u3000b.test"_s,
            u"a\u3000b.test\r\n"_s.toUtf8(), {"a\tb\x01\r\n"}, u"a\tb\x01\r\n"_s, u"a\tb\u2401\n"_s,
            u"Whois data for : a\u3000b.test"_s);
        // The answer ends in the first bytes of a character that never comes.
        const QList<QByteArray> longAnswer {"Domain: example.test\r\n", QByteArray(200000, 'x'), "",
                                            "End \xe2\x82"};
        row("long answer, unfinished character at the close", u"example.test"_s, "example.test\r\n",
            longAnswer, QString::fromLatin1(longAnswer.join()), {}, data);
        // Characters split between reads and at the edges of UTF-8's byte ranges. From the first
        // invalid one on (an overlong U+07FF, split), the rest reads as Latin-1, even valid UTF-8.
        row("split characters, then invalid UTF-8", u"example.test"_s, "example.test\r\n",
            {"\xf0\x9f", "\x98\x80 \xf4\x80\x80\x80 \xc3\xbf \xdf\xbf \xe0\xa4\x95 \xe0",
             "\x9f\xbf ", "\xc3\xa9\r\n"},
            u"😀 \U00100000 ÿ \u07ff क à\u009f¿ Ã©\r\n"_s, {}, data);
        // The registry names the registrar in its second read; the next tick follows the referral
        // to 127.0.0.2, whose answer comes below the registry's.
        const auto referral = [](const QByteArray &host) {
            return QList<QByteArray> {"Registry banner\r\n",
                                      "   Registrar WHOIS Server: " + host + "\n   Referral URL\n"};
        };
        row("referral", u"www.example.com"_s, "example.com\r\n", referral("127.0.0.2"),
            QString::fromLatin1(referral("127.0.0.2").join()) + u"Registrar answer\r\n"_s, {},
            u"Whois data for : example.com"_s);
        row("referral to a host that does not resolve", u"www.example.com"_s, "example.com\r\n",
            referral("no-such-host.invalid"),
            QString::fromLatin1(referral("no-such-host.invalid").join()), {},
            u"Authoritative answer: Host not found"_s);
        row("refused", u"example.refused"_s, {}, {}, {}, {}, u"Connection refused"_s);
        row("host does not resolve", u"example.unresolvable"_s, {}, {}, {}, {},
            u"Whois server : no-such-host.invalid not available."_s);
        row("no host", u"example.nohost"_s, {}, {}, {}, {}, u"Whois server :  not available."_s);
    }
    void answer()
    {
        QFETCH(QString, input);
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QByteArray, sent);
        QFETCH(QString, result);
        QFETCH(QString, shown);
        QFETCH(QString, status);
        s->first.setAnswer(chunks, Ending::Close, 100);
        s->second.setAnswer({"Registrar answer\r\n"});
        s->w.txtURL->setText(input);
        if (input != input.toLower())
            QTest::mouseClick(s->w.btnSend, Qt::LeftButton);
        else
            QTest::keyClick(s->w.txtURL, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(s->status(), status, 30000);
        QTRY_COMPARE(s->result(), result);
        QCOMPARE(s->first.queries(), sent.isEmpty() ? QList<QByteArray>() : QList {sent});
        if (!shown.isNull()) {
            QTRY_COMPARE(s->w.txtResult->toPlainText(), shown);
            // What a screen reader reads is what the box shows, with "\n" for each line end.
            QAccessibleTextInterface *text
                    = QAccessible::queryAccessibleInterface(s->w.txtResult)->textInterface();
            QCOMPARE(text->text(0, text->characterCount()), shown);
        }
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

    void thousandQueriesInQuickSuccession()
    {
        // The first server's answer is not UTF-8, the second's is: its é comes out whole only if
        // nothing of the connection before carries over.
        s->first.setAnswer(QList<QByteArray>(20, "first server \xff\r\n"), Ending::Close, 1);
        s->second.setAnswer(QList<QByteArray>(20, "second server \xc3\xa9\r\n"), Ending::Close, 1);
        // Alternating servers, so that a stale byte of the one before would show. Every tenth
        // query is cut off only once its answer has begun to arrive.
        for (int i = 0; i < 1000; ++i) {
            if (i == 999) // its failure is still on its way when the last query starts
                s->query(u"example.nohost"_s);
            s->query(u"q%1.%2"_s.arg(i).arg(i % 2 ? "other"_L1 : "test"_L1));
            QCoreApplication::processEvents();
            if (i % 10 == 0)
                QTRY_VERIFY(!s->result().isEmpty());
        }
        const QString expected = u"second server é\r\n"_s.repeated(20);
        QTRY_COMPARE(s->result(), expected);
        QCOMPARE(s->second.queries().constLast(), "q999.other\r\n"_ba);
        QCOMPARE(s->status(), u"Whois data for : q999.other"_s);
        // Once every connection is gone nothing more can arrive.
        QTRY_COMPARE(s->first.openConnections() + s->second.openConnections(), 0);
        QCOMPARE(s->result(), expected);
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

    // Where the controls of both windows are drawn, in pixels of 15 twips, and their fonts.
    void controls_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<qreal>("points"); // 0: the platform's font
        QTest::newRow("txtURL") << QRect(1, 94, 489, 28) << 12.0;
        QTest::newRow("btnSend") << QRect(497, 94, 117, 28) << 9.75;
        QTest::newRow("Label2") << QRect(512, 8, 95, 24) << 14.25;
        QTest::newRow("Picture1") << QRect(1, 0, 120, 93) << 0.0;
        QTest::newRow("txtResult") << QRect(1, 123, 616, 344) << 9.0;
        QTest::newRow("Text1") << QRect(2, 6, 433, 195) << 9.0;
        QTest::newRow("Command1") << QRect(337, 266, 88, 26) << 0.0;
        QTest::newRow("Frame1") << QRect(2, 197, 434, 105) << 0.0;
        QTest::newRow("Label1") << QRect(10, 52, 240, 45) << 8.25;
    }
    void controls()
    {
        const frmMain main;
        const frmOptions about;
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        QWidget *control = main.findChild<QWidget *>(name);
        control = control ? control : about.findChild<QWidget *>(name);
        QTEST(control->geometry(), "geometry");
        QFETCH(qreal, points);
        if (points > 0)
            QCOMPARE(QList<QVariant>({control->font().family(), control->font().pointSizeF()}),
                     QList<QVariant>({u"Arial"_s, points}));
        QCOMPARE(main.myStatus->font().pointSizeF(), 9.0);
    }

    // The result box and the picture hand the focus back to the input box, however they get it,
    // and screen readers are told so last.
    void focusReturnsToInput()
    {
        for (QWidget *clicked :
             {s->w.txtResult->viewport(), static_cast<QWidget *>(s->w.Picture1)}) {
            s->w.btnSend->setFocus();
            QTest::mouseClick(clicked, Qt::LeftButton, {}, QPoint(20, 20));
            QTRY_COMPARE(QApplication::focusWidget(), s->w.txtURL);
            QCOMPARE(AccessibilityRecorder::focused.constLast(), s->w.txtURL);
        }
        QWidgetList reached;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTRY_VERIFY(QApplication::focusWidget() != s->w.txtResult);
            reached.append(QApplication::focusWidget());
        }
        QCOMPARE(reached, QWidgetList({s->w.btnSend, s->w.Picture1, s->w.txtURL}));
        QCOMPARE(AccessibilityRecorder::focused.constLast(), s->w.txtURL);
    }

    // Outcomes are spoken once each, with the status line's text; steps on the way are not, and
    // queries that follow each other quickly leave only the last outcome or two to be said.
    void spokenOutcomes()
    {
        AccessibilityRecorder::spoken.clear();    // the window's opening showed the start-up hint
        s->first.setAnswer({}, Ending::KeepOpen); // "Connected" stands as long as it likes
        s->query(u"example.test"_s);
        QTRY_COMPARE(s->status(), u"Connected"_s);
        QTest::qWait(2 * StatusLine::SpeakAfterMs);
        QCOMPARE(AccessibilityRecorder::spoken, QStringList());

        const QString data = u"Whois data for : example.test"_s;
        s->first.setAnswer({"Domain: example.test\r\n"});
        s->query(u"example.test"_s);
        QTRY_COMPARE(AccessibilityRecorder::spoken, QStringList {data});
        // Inside the status bar, where a screen reader also finds it when asked for the bar.
        QCOMPARE(
                QAccessible::queryAccessibleInterface(s->w.myStatus->message())->parent()->object(),
                s->w.myStatus);
        QTest::keyClick(s->w.txtURL, Qt::Key_F2);
        QTRY_COMPARE(AccessibilityRecorder::spoken,
                     QStringList({data, "Whois data copied to clipboard."}));
        // Said once, however long it stands.
        QTest::qWait(4 * StatusLine::SpeakAfterMs);
        QCOMPARE(AccessibilityRecorder::spoken,
                 QStringList({data, "Whois data copied to clipboard."}));

        // Enter held down: the key repeats every 30 ms, and each query is answered at once.
        AccessibilityRecorder::spoken.clear();
        for (int i = 0; i < 60; ++i) {
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, {}, u"\r"_s, true);
            QApplication::sendEvent(s->w.txtURL, &repeat);
            QTest::qWait(30);
        }
        QTRY_VERIFY(!AccessibilityRecorder::spoken.isEmpty());
        QTest::qWait(2 * StatusLine::SpeakAfterMs);
        const QStringList spoken = AccessibilityRecorder::spoken;
        QVERIFY2(spoken.size() <= 2, qPrintable(spoken.join(u" | ")));
        QCOMPARE(spoken.constLast(), data);
        QCOMPARE(s->first.queries().size(), 62);
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
        QCOMPARE(QApplication::clipboard()->text(), Sentinel);
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
        QCOMPARE(s->status(), status);
        const bool copied = status.startsWith(u"Whois data copied");
        QCOMPARE(QApplication::clipboard()->text(), copied ? result : Sentinel);
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

    // Each answer starts with a fresh line end: a CR that ended the one before must not pair with
    // the LF that begins the next, which would lose that answer's first line break.
    void answersStartAfresh()
    {
        s->w.txtResult_Append(u"first\r"_s);
        s->w.txtResult_SetText(QString()); // as each query starts
        s->w.txtResult_Append(u"\nnext"_s);
        QTRY_COMPARE(s->w.txtResult->toPlainText(), u"\nnext"_s);
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

    void aboutBox()
    {
        const QString whole = u"first\r\nsecond\r\nthird\r\n"_s; // streams in behind the box
        s->first.setAnswer({"first\r\n", "second\r\n", "third\r\n"}, Ending::Close, 300);
        s->query(u"example.test"_s);
        QTRY_VERIFY(!s->result().isEmpty());
        const auto texts = [](const frmOptions *about) {
            return QStringList {about->Text1->toPlainText(), about->Label1->text()};
        };
        QPointer<frmOptions> first;
        QStringList before;
        onModal(this, [&](QWidget *modal) {
            first = qobject_cast<frmOptions *>(modal);
            QVERIFY(first);
            QCOMPARE(QApplication::focusWidget(), first->Command1);
            // Tab reaches the About text, whose caret Down moves a line on for a screen reader
            // to read; Esc closes nothing there either.
            QTest::keyClick(first->Command1, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), first->Text1);
            QTest::keyClick(first->Text1, Qt::Key_Down);
            QCOMPARE(first->Text1->textCursor().blockNumber(), 1);
            QCOMPARE(AccessibilityRecorder::caretMoved.constLast(), first->Text1);
            QTest::keyClick(first->Text1, Qt::Key_Escape);
            QVERIFY(first->isVisible());
            QAccessibleInterface *text = QAccessible::queryAccessibleInterface(first->Text1);
            QCOMPARE(text->text(QAccessible::Name), u"About Ondrix"_s);
            QVERIFY(text->state().readOnly);
            before = texts(first);
            QVERIFY(s->result() != whole);
            QTRY_COMPARE(s->result(), whole);
            QTest::mouseClick(first->Command1, Qt::LeftButton);
        });
        QTest::keyClick(s->w.txtURL, Qt::Key_F1);
        onModal(this, [&](QWidget *modal) { // OK kept it for the next F1
            QCOMPARE(modal, first.data());
            modal->close();
        });
        QTest::keyClick(s->w.txtURL, Qt::Key_F1);
        QVERIFY(!first); // closing discarded it
        QCOMPARE(s->w.aboutDialog(), nullptr);
        QStringList after;
        onModal(this, [&](QWidget *modal) {
            QCOMPARE(modal, s->w.aboutDialog());
            after = texts(s->w.aboutDialog());
            s->w.aboutDialog()->Command1->click();
        });
        QTest::keyClick(s->w.txtURL, Qt::Key_F1);
        QCOMPARE(after, before);

        // 22 lines, each ended by CR LF, shown white on black with plain line breaks; the web
        // domain shows whole, growing leftwards from where it was drawn.
        const QStringList lines = frmOptions::AboutText().split(u"\r\n"_s);
        QCOMPARE(lines.size(), 23);
        QCOMPARE(QStringList({lines.first(), lines.at(20), lines.last()}),
                 QStringList({"Ondrix version  1.1",
                              "and whois servers by editing OndrixServers.txt file", QString()}));
        QCOMPARE(before.value(0), lines.join(u'\n'));
        const frmOptions about;
        QCOMPARE(about.Text1->palette().color(QPalette::Base), QColor(Qt::black));
        QCOMPARE(about.Text1->palette().color(QPalette::Text), QColor(Qt::white));
        const QRect domain = about.Label2->geometry();
        QVERIFY(domain.width()
                >= about.Label2->fontMetrics().horizontalAdvance(about.Label2->text()));
        QCOMPARE(QLine(domain.topRight(), domain.bottomRight()), QLine(422, 15, 422, 34));
    }

    // The answer box and the input box as a screen reader or magnifier uses them: name and state,
    // the text whole in one run of attributes over every offset, empty or not, selection and
    // caret, where a character is drawn and which one is at a point; and edits to the input.
    void accessibleText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed"); // into the input box, or as the answer
        QTest::addColumn<QString>("read");
        QTest::newRow("txtResult") << u"Whois answer"_s << u"ab\r\ncd"_s << u"ab\ncd"_s;
        QTest::newRow("txtURL") << u"Domain name or IP address"_s << u"abc.com"_s << u"abc.com"_s;
    }
    void accessibleText()
    {
        QFETCH(QString, typed);
        QFETCH(QString, read);
        QWidget *widget = s->w.findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
        const bool answer = widget == s->w.txtResult;
        QAccessibleInterface *box = QAccessible::queryAccessibleInterface(widget);
        QTEST(box->text(QAccessible::Name), "name");
        QCOMPARE(QList<bool>({bool(box->state().readOnly), bool(box->state().editable)}),
                 QList<bool>({answer, !answer}));
        QAccessibleTextInterface *text = box->textInterface();
        int start = -1, end = -1;
        for (const QString &shown : {QString(), typed}) {
            answer ? s->w.txtResult_SetText(shown) : s->w.txtURL->setText(shown);
            const QString whole = shown.isEmpty() ? QString() : read;
            QCOMPARE(text->text(0, text->characterCount()), whole);
            for (int offset = 0; offset <= whole.size(); ++offset) {
                QCOMPARE(text->text(offset, offset), QString());
                text->attributes(offset, &start, &end);
                QCOMPARE(QList<int>({start, end}), QList<int>({0, int(whole.size())}));
            }
        }
        text->setSelection(0, 1, 4);
        text->selection(0, &start, &end);
        QCOMPARE(QList<int>({text->selectionCount(), start, end, text->cursorPosition()}),
                 QList<int>({1, 1, 4, 4}));
        text->removeSelection(0);
        QCOMPARE(QList<int>({text->selectionCount(), text->cursorPosition()}), QList<int>({0, 4}));
        const QRect b = text->characterRect(1);
        QCOMPARE(b.width(), widget->fontMetrics().horizontalAdvance(u'b'));
        QCOMPARE(text->offsetAtPoint(b.topLeft() + QPoint(1, b.height() / 2)), 1);
        QCOMPARE(text->characterRect(2).width(), // a line end has no width
                 answer ? 0 : widget->fontMetrics().horizontalAdvance(u'c'));
        if (answer)
            return;
        QAccessibleEditableTextInterface *edit = box->editableTextInterface();
        edit->replaceText(0, 3, u"www.example"_s);
        edit->insertText(15, u"."_s);
        edit->deleteText(0, 4);
        QCOMPARE(s->w.txtURL->text(), u"example.com."_s);
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
