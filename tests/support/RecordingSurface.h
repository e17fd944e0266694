#pragma once

#include "WindowSurface.h"

#include <QStringList>

// The window as the query logic sees it, recorded: what is shown, the result as it stood at each
// status message, and apart from them what a screen reader speaks: the messages that end a query,
// not the progress on the way, nor an emptied status line.
struct RecordingSurface : WindowSurface
{
    QString input, result, status;
    QStringList spoken, resultAtStatus;

    QString txtURL_Text() const override { return input; }
    void txtURL_SetFocus() override { }
    void txtResult_SetText(const QString &text) override { result = text; }
    void txtResult_Append(const QString &chunk) override { result += chunk; }
    void myStatus_SetSimpleText(const QString &text) override
    {
        myStatus_SetProgressText(text);
        if (!text.isEmpty())
            spoken.append(text);
    }
    void myStatus_SetProgressText(const QString &text) override
    {
        resultAtStatus.append(result);
        status = text;
    }
};
