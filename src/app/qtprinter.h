#pragma once
#include "foundation/services.h"

namespace soinsuu {

// The system's printers (CUPS on Debian) through Qt's print support, and
// PDF files through Qt's PDF writer.
class QtPrinter final : public Printer {
public:
    QString defaultPrinterName() const override;
    std::unique_ptr<PrintJob> begin(const QString& documentName, const PrintTarget& target, QString* error) override;
};

// Qt's print dialog and a file dialog for the PDF's name.
class QtPrintDialogs final : public PrintDialogs {
public:
    bool choosePrinter(const QString& title, PrintTarget* target) override;
    QString pdfFileName(const QString& title, const QString& suggested) override;
};

} // namespace soinsuu
