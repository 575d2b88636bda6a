#pragma once
// Everything the program asks of the outside world goes through these small
// interfaces, so tests can fix the date, skip the waits, hear the sounds and
// answer the message boxes in advance.

#include <QDateTime>
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QPainter;
class QWidget;

namespace soinsuu {

// A timer on a clock: `due` is called from the event loop each time the
// interval has passed on that clock (once, when single-shot).
class ClockTimer {
public:
    virtual ~ClockTimer() = default;
    virtual void start(int intervalMs, bool singleShot) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    std::function<void()> due;
};

// Local wall clock plus a monotonic tick counter, and the timers that run
// on it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds from an arbitrary origin; never goes backwards.
    virtual std::int64_t monotonicMs() const = 0;
    // Waits the given time while letting pending window events run.
    virtual void waitResponsive(int ms) = 0;
    virtual std::unique_ptr<ClockTimer> newTimer() = 0;

    QDate today() const { return now().date(); }
    // Seconds since local midnight, with the fraction.
    double secondsSinceMidnight() const;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    std::int64_t monotonicMs() const override;
    void waitResponsive(int ms) override;
    std::unique_ptr<ClockTimer> newTimer() override;
};

// Uniform draws in [0, 1).
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void seed(std::uint32_t s) = 0;
    virtual double next() = 0;
};

class StandardRandom final : public RandomSource {
public:
    StandardRandom();
    void seed(std::uint32_t s) override;
    double next() override;
private:
    std::uint64_t state_;
};

// Synchronous playback of one .wav file: returns when the clip has been heard.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    virtual bool play(const QString& filePath) = 0;
    // Japanese description of the last failure (empty after a success).
    virtual QString lastError() const = 0;
};

// Message boxes. A test answers them in advance instead of a person.
class Dialogs {
public:
    enum class Icon { Information, Warning, Critical, Question };
    virtual ~Dialogs() = default;
    virtual void message(const QString& title, const QString& text, Icon icon = Icon::Information) = 0;
    // Yes/No question; true for Yes.
    virtual bool question(const QString& title, const QString& text) = 0;
    // OK/Cancel confirmation of something that cannot be undone; true for OK.
    virtual bool confirm(const QString& title, const QString& text) = 0;
};

// Opens and closes the program's windows; implemented by the application.
// Windows never include one another: they ask the navigator instead.
class Navigator {
public:
    virtual ~Navigator() = default;
    virtual void showNameSelection() = 0;
    virtual void closeNameSelection() = 0;
    virtual void showStudentMenu() = 0;
    virtual void closeStudentMenu() = 0;
    virtual void showDrillWindow() = 0;
    virtual void closeDrillWindow() = 0;
    virtual void showEndOfDrill() = 0;
    virtual void showWaitWindow() = 0;
    virtual void closeWaitWindow() = 0;
    // While true, the program is waiting for the shared results file that
    // another machine holds; the screen says so.
    virtual void showSharedFileWait(bool waiting) { (void)waiting; }
    virtual void showVersionDialog(QWidget* over) = 0;
    virtual void showCriteriaEditor() = 0;
    virtual void showRecordsMaintenance() = 0;
    // Closes every window, newest first, and ends the program.
    virtual void endProgram(int exitCode) = 0;
};

// One print job: a painter on the pages of the printer, page after page.
class PrintJob {
public:
    virtual ~PrintJob() = default;
    virtual QPainter& painter() = 0;
    // The printable area of a page, in device pixels.
    virtual QSizeF pageSize() const = 0;
    // Device pixels per inch.
    virtual int resolution() const = 0;
    virtual void newPage() = 0;
    // Ends the job and sends it; false (with a Japanese reason) on failure.
    virtual bool finish(QString* error) = 0;
};

// Where a print job goes: a printer of the system's (by its name), or a
// PDF file.
struct PrintTarget {
    QString printerName;  // empty: the PDF file below
    QString pdfPath;
    bool isPdf() const { return printerName.isEmpty(); }
};

// The school's printers. A test keeps the pages instead.
class Printer {
public:
    virtual ~Printer() = default;
    // The system's default printer; empty when there is none at all.
    virtual QString defaultPrinterName() const = 0;
    // Starts a job on the target, A4 portrait; nullptr (with a Japanese
    // reason in *error) when the printer or the file cannot take it.
    virtual std::unique_ptr<PrintJob> begin(const QString& documentName, const PrintTarget& target,
                                            QString* error) = 0;
};

// The dialogs of the print path. A test answers them in advance.
class PrintDialogs {
public:
    virtual ~PrintDialogs() = default;
    // The print dialog, opened on the target's printer: true with the
    // teacher's choice in *target (a printer, or a PDF file where the
    // dialog offers one), false when the teacher cancelled.
    virtual bool choosePrinter(const QString& title, PrintTarget* target) = 0;
    // The file dialog for a PDF to write, offering the given path: the
    // chosen path, or empty when the teacher cancelled.
    virtual QString pdfFileName(const QString& title, const QString& suggested) = 0;
};

struct Services {
    Clock* clock = nullptr;
    RandomSource* random = nullptr;
    SoundOutput* sound = nullptr;
    Dialogs* dialogs = nullptr;
    Navigator* navigator = nullptr;
    Printer* printer = nullptr;
    PrintDialogs* printDialogs = nullptr;
};

} // namespace soinsuu
