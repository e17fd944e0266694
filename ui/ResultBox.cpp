#include "ResultBox.h"

#include <QTextBlock>
#include <QTextCursor>

namespace {
// Characters waiting for the screen before they go in without waiting for the timer (1 MiB of
// text). Each batch costs a fixed share of layout and scrolling, so far smaller batches cost time
// instead.
constexpr qsizetype MaxPending = 512 * 1024;
} // namespace

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

QString ResultBox::Text() const
{
    DisplayText::Original original(m_display);
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin())
            original.addBreak();
        original.add(block.text());
    }
    original.add(m_pendingDisplay);
    return original.take();
}

void ResultBox::setText(const QString &text)
{
    m_flushTimer.stop();
    m_pendingDisplay.clear();
    m_display.reset();
    m_linesInBlock = 0;
    clear();
    appendText(text);
    flushPending();
}

void ResultBox::appendText(const QString &chunk)
{
    m_display.feed(chunk, m_pendingDisplay);
    // While reads come back to back the timer waits; a batch this long goes in at once, so that
    // what waits for the screen stays small beside the answer.
    if (m_pendingDisplay.size() >= MaxPending)
        flushPending();
    else if (!m_flushTimer.isActive())
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
