#pragma once

#include <QString>

class QAccessibleInterface;
class QObject;

// What assistive technology reads of a one-line input box: Qt's own reading, except that the text
// is one run of attributes. Installed with QAccessible::installFactory; answers for line edits
// that show what is typed.
QAccessibleInterface *inputBoxAccessible(const QString &className, QObject *object);
