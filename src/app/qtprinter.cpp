#include "qtprinter.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace soinsuu {
namespace {

class QtPrintJob final : public PrintJob {
public:
    explicit QtPrintJob(std::unique_ptr<QPrinter> printer) : printer_(std::move(printer)) {}
    bool start() { return painter_.begin(printer_.get()); }
    QPainter& painter() override { return painter_; }
    QSizeF pageSize() const override { return printer_->pageLayout().paintRectPixels(printer_->resolution()).size(); }
    int resolution() const override { return printer_->resolution(); }
    void newPage() override { printer_->newPage(); }
    bool finish(QString* error) override
    {
        if (painter_.isActive() && !painter_.end()) {
            if (error)
                *error = QStringLiteral("印刷できませんでした（%1）").arg(printer_->printerName());
            return false;
        }
        return true;
    }
    ~QtPrintJob() override
    {
        if (painter_.isActive())
            painter_.end();
    }

private:
    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
};

} // namespace

std::unique_ptr<PrintJob> QtPrinter::begin(const QString& documentName, QString* error)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        if (error)
            *error = QStringLiteral("プリンタが設定されていません");
        return nullptr;
    }
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setDocName(documentName);
    // A4 portrait with narrow margins: three level blocks fit a page.
    printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                       QPageLayout::Millimeter));
    const QString name = printer->printerName();
    auto job = std::make_unique<QtPrintJob>(std::move(printer));
    if (!job->start()) {
        if (error)
            *error = QStringLiteral("プリンタ「%1」に印刷できません").arg(name);
        return nullptr;
    }
    return job;
}

} // namespace soinsuu
