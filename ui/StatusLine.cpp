#include "StatusLine.h"

#include <QLabel>

StatusLine::StatusLine(QWidget *parent)
    : QStatusBar(parent)
    , m_message(new QLabel(this))
{
    m_message->setObjectName(QStringLiteral("myStatusText"));
    m_message->setTextFormat(Qt::PlainText);
    addWidget(m_message, 1);
}

QString StatusLine::SimpleText() const
{
    return m_message->text();
}

void StatusLine::setSimpleText(const QString &text)
{
    m_message->setText(text);
}
