#pragma once

#include <QString>

// The part of the main window that the query logic reads and writes. The window implements it;
// tests use a recording fake.
class WindowSurface
{
public:
    virtual ~WindowSurface() = default;

    // The user's input as typed.
    virtual QString txtURL_Text() const = 0;
    // Moves the keyboard focus to the input box.
    virtual void txtURL_SetFocus() = 0;
    // Replaces the whole result text.
    virtual void txtResult_SetText(const QString &text) = 0;
    // Adds one chunk at the end of the result text, unchanged.
    virtual void txtResult_Append(const QString &chunk) = 0;
    // Replaces the status line with a message that ends a query or says why none starts; screen
    // readers speak it. An empty text clears the line and says nothing.
    virtual void myStatus_SetSimpleText(const QString &text) = 0;
    // Replaces the status line with a step on the way ("Connecting ...", "Connected"). Spoken, such
    // steps would queue up in front of the outcome the user waits for, so they are only shown.
    virtual void myStatus_SetProgressText(const QString &text) { myStatus_SetSimpleText(text); }
};
