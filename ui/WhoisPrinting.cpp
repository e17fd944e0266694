#include "WhoisPrinting.h"

#include "DisplayText.h"
#include "Twips.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

namespace WhoisPrinting {

QString PrintText(const QString &resultText)
{
    return resultText + QStringLiteral("\r\n\r\n\r\n") + QStringLiteral("   Created with Ondrix ")
            + QStringLiteral("\r\n") + QStringLiteral("   ") + QLatin1StringView(WebAddress);
}

QString printText(QPrinter &printer, const QString &text)
{
    QTextDocument document;
    document.setDefaultFont(arial(9));
    document.documentLayout()->setPaintDevice(&printer);
    document.setPlainText(DisplayText::of(text));

    QPainter painter;
    if (!painter.begin(&printer))
        return QString::fromLatin1(NoPrinterMessage);
    // The printer lays out pages; the document is cut into page-high slices of the page area.
    const QRectF page(QPointF(0, 0),
                      printer.pageLayout().paintRectPixels(printer.resolution()).size());
    document.setPageSize(page.size());
    const int pages = document.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !printer.newPage())
            break;
        painter.save();
        painter.translate(0, -i * page.height());
        document.drawContents(&painter, page.translated(0, i * page.height()));
        painter.restore();
    }
    painter.end();
    if (printer.printerState() == QPrinter::Error)
        return QString::fromLatin1(NoPrinterMessage);
    return QString();
}

std::unique_ptr<QPrinter> defaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

} // namespace WhoisPrinting
