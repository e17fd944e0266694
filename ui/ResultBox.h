#pragma once

#include "DisplayText.h"

#include <QPlainTextEdit>
#include <QTimer>

// The answer box. It shows the answer as plain text, markup never interpreted, and gives it back
// exactly as received (CR LF stays CR LF) for copying and printing. Arriving chunks are added at
// the end and drawn in batches, so a long streaming answer costs time in proportion to its size
// and the window keeps responding. The answer is held once, in the document on screen: the exact
// text is rebuilt from it and a compact record of what the display changed, so that a long answer
// costs little more than its own characters.
class ResultBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit ResultBox(QWidget *parent = nullptr);

    // The answer exactly as received. It is rebuilt on each call, so callers that only need to
    // know how much has arrived use length().
    QString Text() const;
    qsizetype length() const { return m_display.fedLength(); }
    void setText(const QString &text);
    void appendText(const QString &chunk);

    // Draws what has arrived but is not on screen yet.
    void flushPending();

private:
    QString m_pendingDisplay;
    DisplayText m_display {true};
    QTimer m_flushTimer;
    int m_linesInBlock = 0;
};
