// The function keys in the main window: F2 copies the answer, F3 prints it, each once per key
// and only from the input box; and the answer box that neither takes edits.
#include "WindowWorld.h"

#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>

#include <optional>

using namespace Qt::StringLiterals;

class tst_keys : public QObject
{
    Q_OBJECT

    std::optional<WindowWorld> s;

private slots:
    void init()
    {
        s.emplace();
        QVERIFY(QTest::qWaitForWindowActive(&s->w));
    }
    void cleanup() { s.reset(); }

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
};

QTEST_MAIN(tst_keys)
#include "tst_keys.moc"
