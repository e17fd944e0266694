#include "Pictures.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QPixmap>

namespace Pictures {

namespace {

// The pictures are PNG files, which Qt decodes itself. Read as PNG by name and never by guessing:
// a guess makes QImageReader load every image plugin to ask it, and a JPEG or an .ico would load
// its plugin and library, all before the window's first paint.
QPixmap readPng(const QString &fileName)
{
    QImageReader reader(fileName, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

// The renderings go to the window system in this order: the given sizes, largest first, then
// their @2x renderings.
QIcon pictures(std::initializer_list<QString> names)
{
    QIcon icon;
    for (const QString &name : names)
        icon.addPixmap(readPng(name + QStringLiteral(".png")));
    // As QIcon::addFile does: the @2x renderings as well on a screen scaled above 100 %.
    if (qApp->devicePixelRatio() > 1
        && qEnvironmentVariableIsEmpty("QT_HIGHDPI_DISABLE_2X_IMAGE_LOADING")) {
        for (const QString &name : names)
            icon.addPixmap(readPng(name + QStringLiteral("@2x.png")));
    }
    return icon;
}

} // namespace

QIcon programIcon()
{
    return pictures({QStringLiteral(":/images/ondrix-32"), QStringLiteral(":/images/ondrix-16")});
}

QIcon windowPicture()
{
    return pictures({QStringLiteral(":/images/Picture1")});
}

} // namespace Pictures
