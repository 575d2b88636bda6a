#pragma once
#include "foundation/services.h"

namespace soinsuu {

// Prints on the system's default printer, without a dialog: a child asks
// for the sheet and the teacher collects it at the printer.
class QtPrinter final : public Printer {
public:
    std::unique_ptr<PrintJob> begin(const QString& documentName, QString* error) override;
};

} // namespace soinsuu
