#pragma once

#include "DisplayText.h"

#include <QPlainTextEdit>
#include <QTimer>

// The answer box. It keeps the answer exactly as received (CR LF stays CR LF) for copying and
// printing, and shows it as plain text: markup in an answer is never interpreted. Arriving
// chunks are added at the end and drawn in batches, so a long streaming answer costs time in
// proportion to its size and the window keeps responding.
class ResultBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit ResultBox(QWidget *parent = nullptr);

    const QString &Text() const { return m_text; }
    void setText(const QString &text);
    void appendText(const QString &chunk);

    // Draws what has arrived but is not on screen yet.
    void flushPending();

private:
    QString m_text;
    QString m_pendingDisplay;
    DisplayText m_display;
    QTimer m_flushTimer;
    int m_linesInBlock = 0;
};
