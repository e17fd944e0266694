#pragma once

#include "WindowSurface.h"

#include <QStringList>

// The window as the query logic sees it, recording everything written to it.
class RecordingSurface : public WindowSurface
{
public:
    QString input;
    QString result;
    QStringList statusHistory;
    int focusCount = 0;
    int appendCount = 0;

    QString status() const { return statusHistory.isEmpty() ? QString() : statusHistory.last(); }

    QString txtURL_Text() const override { return input; }
    void txtURL_SetFocus() override { ++focusCount; }
    void txtResult_SetText(const QString &text) override { result = text; }
    void txtResult_Append(const QString &chunk) override
    {
        result += chunk;
        ++appendCount;
    }
    void myStatus_SetSimpleText(const QString &text) override { statusHistory.append(text); }
};
