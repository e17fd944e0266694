#pragma once

#include <QString>

#include <functional>
#include <memory>

class QPrinter;

namespace WhoisPrinting {

inline constexpr auto WebAddress = "www.ondrix.example";
inline constexpr auto NoPrinterMessage = "No printer available. Whois data not printed.";

// The answer with the product's two-line footer below it.
QString PrintText(const QString &resultText);

// Prints the text as one document in Arial 9 pt. Returns an empty string on success, otherwise
// what went wrong, in words for the status line.
QString printText(QPrinter &printer, const QString &text);

// The system's default printer, or none.
using PrinterSource = std::function<std::unique_ptr<QPrinter>()>;
std::unique_ptr<QPrinter> defaultPrinter();

} // namespace WhoisPrinting
