#pragma once

#include "ServerTable.h"
#include "SocketBoundary.h"
#include "WhoisPrinting.h"
#include "WindowSurface.h"

#include <QMainWindow>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class ResultBox;
class StatusLine;
class WhoisClient;
class frmOptions;

// The main window: input box and query button, the answer below, the status line at the bottom.
// The query itself runs in its WhoisClient, which sees the window only as a WindowSurface.
class frmMain : public QMainWindow, public WindowSurface
{
    Q_OBJECT

public:
    explicit frmMain(const SocketFactory &socketFactory = {}, QWidget *parent = nullptr);
    ~frmMain() override;

    // Loads the server list from the program's folder; false if it cannot be used.
    bool Form_Load();

    QString txtURL_Text() const override;
    void txtURL_SetFocus() override;
    void txtResult_SetText(const QString &text) override;
    void txtResult_Append(const QString &chunk) override;
    void myStatus_SetSimpleText(const QString &text) override;
    void myStatus_SetProgressText(const QString &text) override;

    void btnSend_Click();
    void txtURL_KeyPress(int keyAscii);
    void txtURL_KeyUp(int keyCode);
    void Picture1_Click();
    void txtResult_GotFocus();
    void Form_Unload();

    ServerTable &serverTable() { return m_servers; }
    WhoisClient &client() { return *m_client; }
    frmOptions *aboutDialog() const { return m_about.get(); }
    // Tests print to a file instead of the system's default printer.
    void setPrinterSource(WhoisPrinting::PrinterSource source)
    {
        m_printerSource = std::move(source);
    }

    QLineEdit *txtURL;
    QPushButton *btnSend;
    StatusLine *myStatus;
    QLabel *Label2;
    QLabel *Picture1;
    ResultBox *txtResult;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Resize();
    void showAbout();
    void copyResult();
    void printResult();

    ServerTable m_servers;
    std::unique_ptr<WhoisClient> m_client;
    std::unique_ptr<frmOptions> m_about;
    WhoisPrinting::PrinterSource m_printerSource;
};
