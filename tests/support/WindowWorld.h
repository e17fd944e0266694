#pragma once

#include "LoopbackWhoisServer.h"
#include "ResultBox.h"
#include "StatusLine.h"
#include "frmMain.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPrinter>
#include <QtTest>

// The main window, shown, its connections going to two whois servers on loopback addresses:
// `first` answers for test and com, `second` for other. No printer: a print job, wanted or not,
// would show on the status line. The clipboard holds `Sentinel` to start with.
struct WindowWorld : TwoWhoisServers
{
    inline static const QString Sentinel = QStringLiteral("on the clipboard before");
    frmMain w;

    WindowWorld()
    {
        w.serverTable().LoadServers(QByteArray("test,127.0.0.1\ncom,127.0.0.1\nother,127.0.0.2\n"));
        w.setPrinterSource([] { return std::unique_ptr<QPrinter>(); });
        w.show();
        QApplication::clipboard()->setText(Sentinel);
    }

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
