#include "frmOptions.h"

#include "DisplayText.h"
#include "Pictures.h"
#include "Twips.h"
#include "WhoisPrinting.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

frmOptions::frmOptions(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                      | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , Text1(new QPlainTextEdit(this))
    , Command1(new QPushButton(QStringLiteral("OK"), this))
    , Frame1(new QFrame(this))
    , Label1(new QLabel(QStringLiteral("Keys :"), Frame1))
    , Label2(new QLabel(QLatin1StringView(WebDomain), Frame1))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("About"));
    setWindowIcon(Pictures::programIcon());
    setFixedSize(px(6555), px(4545));
    setModal(true);

    Text1->setObjectName(QStringLiteral("Text1"));
    place(Text1, 30, 90, 6495, 2925);
    Text1->setFont(arial(9));
    Text1->setReadOnly(true);
    // A caret that the arrow keys move line by line, so that a screen reader reads each line.
    Text1->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setAccessibleName(QStringLiteral("About Ondrix"));
    QPalette palette = Text1->palette();
    palette.setColor(QPalette::Base, QColor(0, 0, 0));
    palette.setColor(QPalette::Text, QColor(255, 255, 255));
    Text1->setPalette(palette);

    Frame1->setObjectName(QStringLiteral("Frame1"));
    place(Frame1, 30, 2955, 6510, 1575);
    Frame1->setFrameShape(QFrame::StyledPanel);
    Label1->setObjectName(QStringLiteral("Label1"));
    place(Label1, 150, 780, 3600, 675);
    Label1->setFont(arial(8.25));
    Label1->setTextFormat(Qt::PlainText);
    Label2->setObjectName(QStringLiteral("Label2"));
    place(Label2, 5010, 225, 1335, 300);
    Label2->setFont(arial(12));
    // Our web domain is wider than the label drawn for it: the label grows to the left, keeping
    // its right edge, so that the name shows whole instead of being cut off.
    const int domainWidth = Label2->fontMetrics().horizontalAdvance(Label2->text());
    if (domainWidth > Label2->width())
        Label2->setGeometry(Label2->geometry().adjusted(Label2->width() - domainWidth, 0, 0, 0));

    // OK shares the band below the text with the frame's labels and shows in front of the frame.
    Command1->setObjectName(QStringLiteral("Command1"));
    place(Command1, 5055, 3990, 1320, 390);
    Command1->setDefault(false);
    Command1->raise();
    connect(Command1, &QPushButton::clicked, this, &frmOptions::Command1_Click);

    setTabOrder(Command1, Text1);
    setTabOrder(Text1, Frame1);
    Command1->setFocus();
    Form_Load();
}

QString frmOptions::AboutText()
{
    const QStringList lines = {
            QStringLiteral("Ondrix version  1.1"),
            QString(),
            QStringLiteral("Programmed by the Ondrix developers "),
            QLatin1StringView(WhoisPrinting::WebAddress),
            QString(),
            QString(),
            QString(),
            QStringLiteral("Ondrix is simple to use, yet elegant and "),
            QStringLiteral("recognizes more than 100 TLDs"),
            QStringLiteral("including .com, net, org, edu, info, ca, "),
            QStringLiteral("us, co.uk, tv, biz and more ..."),
            QStringLiteral("Supports complete URLs like www.example.com, "),
            QStringLiteral("mail.example.org "),
            QStringLiteral("Just enter a domain name and hit the ENTER key ! "),
            QString(),
            QString(),
            QStringLiteral("For the adventurous"),
            QStringLiteral("----------------------------"),
            QString(),
            QStringLiteral("You can edit or add any .xxx TLD "),
            QStringLiteral("and whois servers by editing OndrixServers.txt file"),
            QStringLiteral("(not recommended !)"),
    };
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

QString frmOptions::KeyListCaption()
{
    return QStringLiteral("F1.   About \r\n"
                          "F2.   Copy whois data to clipboard (RTF)\r\n"
                          "F3.   Print whois data  ");
}

void frmOptions::Form_Load()
{
    // The texts carry CR LF line ends; the widgets are shown the same lines with plain breaks.
    Text1->setPlainText(DisplayText::of(AboutText()));
    Label1->setText(DisplayText::of(KeyListCaption()));
}

void frmOptions::Command1_Click()
{
    hide();
}

void frmOptions::closeEvent(QCloseEvent *event)
{
    m_closed = true;
    QDialog::closeEvent(event);
}

void frmOptions::keyPressEvent(QKeyEvent *event)
{
    // Esc does not close the About box: only OK and the close button do.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
