#include "qtprinter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace soinsuu {
namespace {

// A4 portrait with narrow margins: three level blocks fit a page.
QPageLayout sheetLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

class PrinterJob final : public PrintJob {
public:
    explicit PrinterJob(std::unique_ptr<QPrinter> printer) : printer_(std::move(printer)) {}
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
    ~PrinterJob() override
    {
        if (painter_.isActive())
            painter_.end();
    }

private:
    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
};

// The PDF is written beside its place and put there only when complete, so
// a failed job leaves a file the teacher had before as it was.
class PdfJob final : public PrintJob {
public:
    PdfJob(const QString& path, const QString& title) : file_(path), path_(path), title_(title) {}
    bool start(QString* error)
    {
        if (!file_.open(QIODevice::WriteOnly)) {
            if (error)
                *error = QStringLiteral("PDFファイルを作れません：%1\n%2").arg(QDir::toNativeSeparators(path_),
                                                                        file_.errorString());
            return false;
        }
        writer_ = std::make_unique<QPdfWriter>(&file_);
        writer_->setTitle(title_);
        writer_->setCreator(QStringLiteral("素因数分解"));
        writer_->setResolution(600);
        writer_->setPageLayout(sheetLayout());
        if (!painter_.begin(writer_.get())) {
            if (error)
                *error = QStringLiteral("PDFファイルに書けません：%1").arg(QDir::toNativeSeparators(path_));
            file_.cancelWriting();
            return false;
        }
        return true;
    }
    QPainter& painter() override { return painter_; }
    QSizeF pageSize() const override
    {
        return writer_->pageLayout().paintRectPixels(writer_->resolution()).size();
    }
    int resolution() const override { return writer_->resolution(); }
    void newPage() override { writer_->newPage(); }
    bool finish(QString* error) override
    {
        const bool drawn = painter_.end();
        writer_.reset();
        if (!drawn || !file_.commit()) {
            if (error)
                *error = QStringLiteral("PDFファイルに書けません：%1\n%2").arg(QDir::toNativeSeparators(path_),
                                                                        file_.errorString());
            return false;
        }
        return true;
    }
    ~PdfJob() override
    {
        if (painter_.isActive())
            painter_.end();
    }

private:
    QSaveFile file_;
    QString path_;
    QString title_;
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
};

} // namespace

QString QtPrinter::defaultPrinterName() const
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull())
        return info.printerName();
    // A system with printers but none marked as default still prints.
    const QStringList names = QPrinterInfo::availablePrinterNames();
    return names.isEmpty() ? QString() : names.front();
}

std::unique_ptr<PrintJob> QtPrinter::begin(const QString& documentName, const PrintTarget& target, QString* error)
{
    if (target.isPdf()) {
        auto job = std::make_unique<PdfJob>(target.pdfPath, documentName);
        if (!job->start(error))
            return nullptr;
        return job;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(target.printerName);
    if (info.isNull()) {
        if (error)
            *error = QStringLiteral("プリンタ「%1」が見つかりません").arg(target.printerName);
        return nullptr;
    }
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setDocName(documentName);
    printer->setPageLayout(sheetLayout());
    auto job = std::make_unique<PrinterJob>(std::move(printer));
    if (!job->start()) {
        if (error)
            *error = QStringLiteral("プリンタ「%1」に印刷できません").arg(target.printerName);
        return nullptr;
    }
    return job;
}

bool QtPrintDialogs::choosePrinter(const QString& title, PrintTarget* target)
{
    QPrinter printer(QPrinterInfo::printerInfo(target->printerName), QPrinter::HighResolution);
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(title);
    // One sheet is one job; pages and copies are not the teacher's to pick.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        *target = PrintTarget{QString(), printer.outputFileName()};
        return true;
    }
    *target = PrintTarget{printer.printerName(), QString()};
    return true;
}

QString QtPrintDialogs::pdfFileName(const QString& title, const QString& suggested)
{
    const QString start = QDir::isAbsolutePath(suggested)
                              ? suggested
                              : QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(suggested);
    QString path = QFileDialog::getSaveFileName(QApplication::activeWindow(), title, start,
                                                QStringLiteral("PDF (*.pdf)"));
    if (!path.isEmpty() && !path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    return path;
}

} // namespace soinsuu
