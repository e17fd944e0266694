#pragma once

#include <QString>

class QAccessibleInterface;
class QObject;

// What assistive technology reads of the answer box: its text with a plain "\n" for each line
// break. Installed with QAccessible::installFactory; answers for ResultBox objects only.
QAccessibleInterface *resultBoxAccessible(const QString &className, QObject *object);
