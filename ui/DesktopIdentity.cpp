#include "DesktopIdentity.h"

#include <QGuiApplication>

void DesktopIdentity::apply()
{
    QGuiApplication::setApplicationName(QStringLiteral("Ondrix"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopFileName));
}
