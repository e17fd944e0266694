#pragma once

#include <QString>

class QAccessibleInterface;
class QObject;

// What assistive technology sees of the status line's message: a notification whose name is the
// message. Installed with QAccessible::installFactory; answers for StatusLine messages only.
QAccessibleInterface *statusMessageAccessible(const QString &className, QObject *object);
