#include "ResultBox.h"

#include <QTextCursor>

ResultBox::ResultBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(15);
    connect(&m_flushTimer, &QTimer::timeout, this, &ResultBox::flushPending);
}

void ResultBox::setText(const QString &text)
{
    m_flushTimer.stop();
    m_pendingDisplay.clear();
    m_display.reset();
    m_linesInBlock = 0;
    m_text.clear();
    clear();
    appendText(text);
    flushPending();
}

void ResultBox::appendText(const QString &chunk)
{
    m_text += chunk;
    m_pendingDisplay += m_display.feed(chunk);
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void ResultBox::flushPending()
{
    if (m_pendingDisplay.isEmpty())
        return;
    // A document block per line costs more than drawing the line; breaking lines inside blocks of
    // a bounded size keeps appends cheap without making one huge block to lay out again.
    for (QChar &c : m_pendingDisplay) {
        if (c == u'\n' && ++m_linesInBlock < 128)
            c = QChar::LineSeparator;
        else if (c == u'\n')
            m_linesInBlock = 0;
    }
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(m_pendingDisplay);
    m_pendingDisplay.clear();
}
