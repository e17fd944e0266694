#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The About box: what the product is, how to query, and the three function keys. OK hides it and
// keeps it for the next F1; the title bar's close button closes it for good (see wasClosed).
class frmOptions : public QDialog
{
    Q_OBJECT

public:
    static constexpr auto WebDomain = "ondrix.example";

    explicit frmOptions(QWidget *parent = nullptr);

    static QString AboutText();
    static QString KeyListCaption();

    // True once the close button has closed the dialog; its owner then discards it.
    bool wasClosed() const { return m_closed; }

    QPlainTextEdit *Text1;
    QPushButton *Command1;
    QFrame *Frame1;
    QLabel *Label1;
    QLabel *Label2;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    void Command1_Click();

    bool m_closed = false;
};
