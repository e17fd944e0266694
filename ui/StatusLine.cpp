#include "StatusLine.h"

#include <QAccessible>
#include <QLabel>

StatusLine::StatusLine(QWidget *parent)
    : QStatusBar(parent)
    , m_message(new QLabel(this))
{
    m_message->setTextFormat(Qt::PlainText);
    addWidget(m_message, 1);
    m_speech.setSingleShot(true);
    m_speech.setInterval(SpeakAfterMs);
    connect(&m_speech, &QTimer::timeout, this, &StatusLine::speak);
}

QString StatusLine::SimpleText() const
{
    return m_message->text();
}

void StatusLine::setSimpleText(const QString &text)
{
    m_speech.stop();
    m_message->setText(text);
}

void StatusLine::showOutcome(const QString &text)
{
    m_message->setText(text);
    if (text.isEmpty())
        m_speech.stop();
    else
        m_speech.start();
}

void StatusLine::speak()
{
    QAccessibleEvent shown(m_message, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}
