#include "frmMain.h"

#include "AccessibleInterfaces.h"
#include "LayoutRule.h"
#include "Pictures.h"
#include "ResultBox.h"
#include "StatusLine.h"
#include "Twips.h"
#include "WhoisClient.h"
#include "frmOptions.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>

namespace {

// Without a window manager the window has no frame of its own; the layout then assumes the usual
// one (a 4-pixel border and a 19-pixel caption) so that it looks the same everywhere.
constexpr QSize AssumedFrame(8, 27);

} // namespace

frmMain::frmMain(const SocketFactory &socketFactory, QWidget *parent)
    : QMainWindow(parent)
    , m_printerSource(&WhoisPrinting::defaultPrinter)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("The smartest little whois tool"));
    setWindowIcon(Pictures::programIcon());
    installAccessibleInterfaces();

    auto *client = new QWidget(this);
    setCentralWidget(client);

    txtURL = new QLineEdit(client);
    txtURL->setObjectName(QStringLiteral("txtURL"));
    place(txtURL, 15, 1410, 7335, 420);
    txtURL->setFont(arial(12));
    txtURL->setAccessibleName(QStringLiteral("Domain name or IP address"));

    btnSend = new QPushButton(QStringLiteral("Query !"), client);
    btnSend->setObjectName(QStringLiteral("btnSend"));
    place(btnSend, 7455, 1410, 1755, 420);
    btnSend->setFont(arial(9.75));

    myStatus = new StatusLine(this);
    myStatus->setObjectName(QStringLiteral("myStatus"));
    myStatus->setFixedHeight(px(375));
    myStatus->setFont(arial(9));
    myStatus->setSimpleText(QStringLiteral("Press F1.    About"));
    setStatusBar(myStatus);

    Label2 = new QLabel(QStringLiteral("Ondrix ?"), client);
    Label2->setObjectName(QStringLiteral("Label2"));
    place(Label2, 7680, 120, 1425, 360);
    Label2->setFont(arial(14.25));

    Picture1 = new QLabel(client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    place(Picture1, 15, 0, 1800, 1395);
    // Drawn at its own size; QIcon picks the @2x rendering on a screen scaled to 200 %.
    const QIcon picture = Pictures::windowPicture();
    Picture1->setPixmap(picture.pixmap(picture.availableSizes().value(0), devicePixelRatioF()));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setFocusPolicy(Qt::TabFocus);
    Picture1->setAccessibleName(
            QStringLiteral("A man in a hat looking through a magnifying glass"));

    txtResult = new ResultBox(client);
    txtResult->setObjectName(QStringLiteral("txtResult"));
    place(txtResult, 15, 1845, 9240, 5160);
    txtResult->setFont(arial(9));
    txtResult->setAccessibleName(QStringLiteral("Whois answer"));

    setTabOrder(txtURL, btnSend);
    setTabOrder(btnSend, Picture1);
    setTabOrder(Picture1, txtResult);

    // The client area opens at a fixed place and size, not centred.
    setGeometry(px(1365), px(540), px(9255), px(7410));

    m_client = std::make_unique<WhoisClient>(*this, m_servers, socketFactory);

    connect(btnSend, &QPushButton::clicked, this, &frmMain::btnSend_Click);
    txtURL->installEventFilter(this);
    txtResult->installEventFilter(this);
    Picture1->installEventFilter(this);
    txtURL->setFocus();
}

frmMain::~frmMain()
{
    // The client reports to this window until it is gone.
    m_client.reset();
}

bool frmMain::Form_Load()
{
    return m_servers.LoadServers();
}

QString frmMain::txtURL_Text() const
{
    return txtURL->text();
}

void frmMain::txtURL_SetFocus()
{
    txtURL->setFocus();
}

void frmMain::txtResult_SetText(const QString &text)
{
    txtResult->setText(text);
}

void frmMain::txtResult_Append(const QString &chunk)
{
    txtResult->appendText(chunk);
}

void frmMain::myStatus_SetSimpleText(const QString &text)
{
    myStatus->showOutcome(text);
}

void frmMain::myStatus_SetProgressText(const QString &text)
{
    myStatus->setSimpleText(text);
}

void frmMain::btnSend_Click()
{
    m_client->StartQuery();
}

void frmMain::txtURL_KeyPress(int keyAscii)
{
    if (keyAscii == 13)
        m_client->StartQuery();
}

void frmMain::txtURL_KeyUp(int keyCode)
{
    switch (keyCode) {
    case 112:
        showAbout();
        break;
    case 113:
        copyResult();
        break;
    case 114:
        printResult();
        break;
    default:
        break;
    }
}

void frmMain::Picture1_Click()
{
    txtURL->setFocus();
}

void frmMain::txtResult_GotFocus()
{
    // The answer box never keeps the focus: keys and function keys belong to the input box. The
    // hand-back waits until the box's own focus change is over: done inside it, the box would be
    // reported to screen readers as focused after the input box, and they would stay there.
    QMetaObject::invokeMethod(txtURL, qOverload<>(&QWidget::setFocus), Qt::QueuedConnection);
}

void frmMain::Form_Unload()
{
    m_client->Form_Unload();
}

void frmMain::showAbout()
{
    if (!m_about)
        m_about = std::make_unique<frmOptions>();
    // Modal for the whole program, with no owner window; the event loop keeps running, so a
    // query goes on streaming in behind the box.
    m_about->exec();
    if (m_about && m_about->wasClosed())
        m_about.reset();
}

void frmMain::copyResult()
{
    const QString result = txtResult->Text();
    if (result.isEmpty()) {
        myStatus->showOutcome(QStringLiteral("No data to copy. Enter domain name and Query !"));
        return;
    }
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(result); // text/plain only: no rich-text format is offered
    myStatus->showOutcome(QStringLiteral("Whois data copied to clipboard."));
}

void frmMain::printResult()
{
    const QString result = txtResult->Text();
    if (result.isEmpty()) {
        myStatus->showOutcome(QStringLiteral("No data to print. Enter domain name and Query !"));
        return;
    }
    const std::unique_ptr<QPrinter> printer = m_printerSource ? m_printerSource() : nullptr;
    if (!printer) {
        myStatus->showOutcome(QLatin1StringView(WhoisPrinting::NoPrinterMessage));
        return;
    }
    const QString failure = WhoisPrinting::printText(*printer, WhoisPrinting::PrintText(result));
    myStatus->showOutcome(failure.isEmpty() ? QStringLiteral("Printing whois data.") : failure);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtURL && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Every press of Enter starts a query, auto-repeated ones included.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            txtURL_KeyPress(13);
    } else if (watched == txtURL && event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // A held key acts once, at its real release; Shift, Ctrl and Alt make no difference.
        if (!key->isAutoRepeat() && key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F3)
            txtURL_KeyUp(112 + (key->key() - Qt::Key_F1));
    } else if (watched == txtResult && event->type() == QEvent::FocusIn) {
        txtResult_GotFocus();
    } else if (watched == Picture1 && event->type() == QEvent::MouseButtonRelease) {
        Picture1_Click();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::Form_Resize()
{
    QSize outer = frameGeometry().size();
    if (outer == size())
        outer += AssumedFrame;
    const auto layout = ::Form_Resize(float(outer.width() * TwipsPerPixel),
                                      float(outer.height() * TwipsPerPixel),
                                      windowState().testFlag(Qt::WindowMinimized));
    if (!layout)
        return;
    txtResult->resize(px(layout->txtResultWidth), px(layout->txtResultHeight));
    txtURL->resize(px(layout->txtURLWidth), txtURL->height());
    btnSend->move(px(layout->btnSendLeft), btnSend->y());
    Label2->move(px(layout->Label2Left), Label2->y());
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    QMainWindow::closeEvent(event);
}
