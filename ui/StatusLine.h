#pragma once

#include <QStatusBar>

class QLabel;

// A status bar that shows one line of text. The text sits in a label, so that assistive
// technology reads the current message as the status bar's content.
class StatusLine : public QStatusBar
{
    Q_OBJECT

public:
    explicit StatusLine(QWidget *parent = nullptr);

    QString SimpleText() const;
    void setSimpleText(const QString &text);

private:
    QLabel *m_message;
};
