// What a screen reader finds in both windows: the focus it is told of, the outcomes it speaks,
// the text it reads from the boxes, and the About box read by keyboard.
#include "WindowWorld.h"
#include "frmOptions.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <optional>

using Ending = LoopbackWhoisServer::Ending;
using namespace Qt::StringLiterals;

namespace {

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

} // namespace

class tst_accessibility : public QObject
{
    Q_OBJECT

    std::optional<AccessibilityRecorder> told;
    std::optional<WindowWorld> s;

private slots:
    // The recorder comes first, so that the window is made as under a running screen reader.
    void init()
    {
        told.emplace();
        s.emplace();
        QVERIFY(s->listening());
        QVERIFY(QTest::qWaitForWindowActive(&s->w));
    }

    void cleanup()
    {
        s.reset();
        told.reset();
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

    // The About box read by keyboard while the answer streams in behind it; OK keeps it for the
    // next F1, closing discards it.
    void aboutBox()
    {
        const QString whole = u"first\r\nsecond\r\nthird\r\n"_s;
        s->first.setAnswer({"first\r\n", "second\r\n", "third\r\n"}, Ending::Close, 300);
        s->query(u"example.test"_s);
        QTRY_VERIFY(!s->result().isEmpty());
        QPointer<frmOptions> first;
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
            QCOMPARE(first->Text1->toPlainText(),
                     frmOptions::AboutText().replace(u"\r\n"_s, u"\n"_s));
            QVERIFY(s->result() != whole);
            QTRY_COMPARE(s->result(), whole);
            QTest::mouseClick(first->Command1, Qt::LeftButton);
        });
        QTest::keyClick(s->w.txtURL, Qt::Key_F1);
        onModal(this, [&](QWidget *modal) {
            QCOMPARE(modal, first.data());
            modal->close();
        });
        QTest::keyClick(s->w.txtURL, Qt::Key_F1);
        QVERIFY(!first);
        QCOMPARE(s->w.aboutDialog(), nullptr);
        onModal(this, [&](QWidget *modal) { // a new one the next time
            QCOMPARE(modal, s->w.aboutDialog());
            modal->close();
        });
        QTest::keyClick(s->w.txtURL, Qt::Key_F1);

        // The web domain shows whole, growing leftwards from where it was drawn.
        const frmOptions about;
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
        text->setCursorPosition(2);
        QCOMPARE(QList<int>({text->selectionCount(), text->cursorPosition()}), QList<int>({0, 2}));
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
};

QTEST_MAIN(tst_accessibility)
#include "tst_accessibility.moc"
