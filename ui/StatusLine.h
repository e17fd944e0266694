#pragma once

#include <QStatusBar>
#include <QTimer>

class QLabel;

// A status bar that shows one line of text. The text sits in a label, so that assistive
// technology reads the current message as the status bar's content. Outcomes are also spoken:
// screen readers ignore text changes away from the focus, so the label presents itself as a
// notification that has just appeared, which they do read out.
class StatusLine : public QStatusBar
{
    Q_OBJECT

public:
    // An outcome is spoken once it has stood this long: a newer message, such as the next query
    // started by a held Enter key, takes its place unspoken instead of queueing behind it.
    static constexpr int SpeakAfterMs = 250;

    explicit StatusLine(QWidget *parent = nullptr);

    QString SimpleText() const;
    // Shows a message that is not spoken: progress, or the hint at start-up.
    void setSimpleText(const QString &text);
    // Shows a message that ends a query or answers a key, and has it spoken. An empty text clears
    // the line and says nothing.
    void showOutcome(const QString &text);

    QLabel *message() const { return m_message; }

private:
    void speak();

    QLabel *m_message;
    QTimer m_speech;
};
