// The main window's look in plain Qt widgets, so that start-up is measured against Qt's own cost.
#include "FloorWindow.h"

#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

namespace {

QFont arial(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    return font;
}

// Read as PNG by name: the cheapest way Qt offers, as the program reads its own pictures.
QPixmap png(const QString &fileName)
{
    QImageReader reader(fileName, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace

void buildFloorWindow(QMainWindow &window)
{
    window.setWindowTitle(QStringLiteral("The smartest little whois tool"));
    QIcon icon;
    icon.addPixmap(png(QStringLiteral(":/images/ondrix-32.png")));
    icon.addPixmap(png(QStringLiteral(":/images/ondrix-16.png")));
    window.setWindowIcon(icon);

    auto *client = new QWidget(&window);
    window.setCentralWidget(client);

    // Where the main window's controls stand at its opening size, after its own layout has run.
    auto *input = new QLineEdit(client);
    input->setGeometry(1, 94, 485, 28);
    input->setFont(arial(12));

    auto *button = new QPushButton(QStringLiteral("Query !"), client);
    button->setGeometry(492, 94, 117, 28);
    button->setFont(arial(9.75));

    auto *status = new QStatusBar(&window);
    status->setFixedHeight(25);
    status->setFont(arial(9));
    auto *message = new QLabel(QStringLiteral("Press F1.    About"), status);
    message->setTextFormat(Qt::PlainText);
    status->addWidget(message, 1);
    window.setStatusBar(status);

    auto *title = new QLabel(QStringLiteral("Ondrix ?"), client);
    title->setGeometry(508, 8, 95, 24);
    title->setFont(arial(14.25));

    auto *picture = new QLabel(client);
    picture->setGeometry(1, 0, 120, 93);
    picture->setPixmap(png(QStringLiteral(":/images/Picture1.png")));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto *result = new QPlainTextEdit(client);
    result->setGeometry(1, 123, 613, 321);
    result->setFont(arial(9));
    result->setReadOnly(true);
    result->setLineWrapMode(QPlainTextEdit::NoWrap);
    result->setUndoRedoEnabled(false);

    window.setGeometry(91, 36, 617, 494);
    input->setFocus();
}
