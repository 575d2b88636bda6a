#include "windows.h"

#include "fonts.h"
#include "layout.h"
#include "settings.h"
#include "window_rules.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <ctime>

namespace soinsuu {
namespace {

const QString kWaitText = QStringLiteral("Just a moment, please.");

void centreOnScreen(QWidget* w)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
    }
}

} // namespace

Firstfrm::Firstfrm(RunContext& ctx, std::function<void()> startUpWork, QWidget* parent)
    : QWidget(parent), ctx_(ctx), work_(std::move(startUpWork)),
      timer_(ctx.clock(), 100, true, [this] { onTimer(); }, this)
{
    setObjectName(QStringLiteral("Firstfrm"));
    setWindowTitle(QStringLiteral("素因数分解"));
    setWindowFlag(Qt::FramelessWindowHint);
    setFixedSize(tw(9600), tw(7200) + tw(1200));
    // Start-up is under way behind it: the program's own close ends it.
    refuseCloseRequests(this);

    auto* wait = new QLabel(kWaitText, this);
    wait->setObjectName(QStringLiteral("Label2"));
    wait->setFont(designFont(kPGothic, 14, true));
    wait->setAlignment(Qt::AlignCenter);
    wait->setGeometry(0, tw(7200), width(), tw(600));

    dateLabel_ = new QLabel(this);
    dateLabel_->setObjectName(QStringLiteral("Label1"));
    dateLabel_->setFont(designFont(kPGothic, 14));
    dateLabel_->setAlignment(Qt::AlignCenter);
    dateLabel_->setGeometry(0, tw(7800), width(), tw(400));

    timer_.setObjectName(QStringLiteral("Timer1"));
}

void Firstfrm::begin()
{
    centreOnScreen(this);
    show();
    SynchronousStep::letPendingEventsRun();

    const QDateTime now = ctx_.clock().now();
    ctx_.random().seed(std::uint32_t(now.time().msecsSinceStartOfDay() / 1000));
    dateLabel_->setText(japaneseEraDate(now.date()));
    ctx_.seasonColour = seasonColourFor(now.date().month());
    update();
    timer_.start();
}

void Firstfrm::onTimer()
{
    timer_.stop();
    if (work_)
        work_();
    close();
}

void Firstfrm::paintEvent(QPaintEvent*)
{
    // The picture: a division ladder on a slate, in the season's colour.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor season = ctx_.seasonColour.isValid() ? ctx_.seasonColour : QColor(192, 255, 192);
    p.fillRect(rect(), QColor(250, 250, 245));
    const QRect picture(0, 0, width(), tw(7200));
    QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
    sky.setColorAt(0, season.lighter(130));
    sky.setColorAt(1, season);
    p.fillRect(picture, sky);

    const QRect board = picture.adjusted(tw(900), tw(900), -tw(900), -tw(1500));
    p.setPen(QPen(QColor(120, 80, 40), tw(150)));
    p.setBrush(QColor(30, 80, 60));
    p.drawRoundedRect(board, tw(120), tw(120));

    p.setPen(QColor(255, 255, 240));
    p.setFont(designFont(kPGothic, 40, true));
    p.drawText(board.adjusted(0, tw(300), 0, 0), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("素因数分解"));

    // 2 ) 60 / 2 ) 30 / 3 ) 15 / 5 : the ladder every child learns.
    QFont digits = designFont(kGothic, 24, true);
    p.setFont(digits);
    const QFontMetrics fm(digits);
    const int rowH = fm.height();
    const int left = board.center().x() - fm.horizontalAdvance(QStringLiteral("2 ) 60")) / 2;
    int y = board.top() + tw(2500);
    const char* rows[][2] = {{"2", "60"}, {"2", "30"}, {"3", "15"}, {"", " 5"}};
    for (const auto& row : rows) {
        const QString divisor = QString::fromLatin1(row[0]);
        const QString number = QString::fromLatin1(row[1]);
        p.setPen(QColor(255, 230, 120));
        p.drawText(left, y, divisor);
        p.setPen(QColor(255, 255, 240));
        p.drawText(left + fm.horizontalAdvance(QStringLiteral("2 ")), y,
                   divisor.isEmpty() ? QStringLiteral("  ") + number : QStringLiteral(") ") + number);
        if (!divisor.isEmpty()) {
            const int barLeft = left + fm.horizontalAdvance(QStringLiteral("2 )"));
            p.drawLine(barLeft, y + fm.descent() + 2, barLeft + fm.horizontalAdvance(QStringLiteral(" 60")), y + fm.descent() + 2);
        }
        y += rowH;
    }
}

BASEFRM::BASEFRM(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("BASEFRM"));
    setWindowTitle(QStringLiteral("素因数分解"));
    // A dialog of the program's full-screen window to the window manager:
    // the window manager keeps a full-screen window over the desktop's
    // panels only while it or a dialog of its own has the focus, and a
    // window that merely stays on top goes behind a full-screen one.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(tw(6000), tw(1500));
    // Closed by the window that showed it, once its work is done.
    refuseCloseRequests(this);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 224));
    setPalette(pal);
    auto* label = new QLabel(kWaitText, this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setFont(designFont(kPGothic, 18, true));
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(rect());
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(2);
    label_ = label;
    note_ = new QLabel(QStringLiteral("ほかのコンピュータが成績ファイルを使っています。\n終わるまで待っています…"), this);
    note_->setObjectName(QStringLiteral("SharedFileNote"));
    note_->setFont(designFont(kPGothic, 10.5, false));
    note_->setAlignment(Qt::AlignCenter);
    note_->setStyleSheet(QStringLiteral("color: rgb(128, 64, 0);"));
    // Inside the frame, which stays drawn round both lines.
    note_->setGeometry(4, height() * 11 / 20, width() - 8, height() * 2 / 5 - 4);
    note_->hide();
    centreOnScreen(this);
    // The drill hands over to the end-of-drill window while this one is up.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) { stayInFrontOf(window); });
}

void BASEFRM::setSharedFileNote(bool shown)
{
    // The wait text moves up to make room; the frame stays round both.
    label_->setAlignment(shown ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignCenter);
    label_->setMargin(shown ? height() / 10 : 0);
    note_->setVisible(shown);
    note_->raise();
}

void BASEFRM::stayInFrontOf(QWindow* window)
{
    QWindow* own = windowHandle();
    if (!own || !window || window == own || !(window->windowStates() & Qt::WindowFullScreen))
        return;
    if (own->transientParent() == window)
        return;
    own->setTransientParent(window);
    // The window manager hears of a new owner when the window is shown.
    if (isVisible()) {
        hide();
        show();
    }
}

void BASEFRM::showEvent(QShowEvent* event)
{
    // Shown in front of the window that has the focus (before it is on screen).
    stayInFrontOf(QGuiApplication::focusWindow());
    QWidget::showEvent(event);
    if (loaded_)
        return;
    loaded_ = true;
    SynchronousStep::letPendingEventsRun();
}

frmver::frmver(const RunContext& ctx, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmver"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(tw(450), tw(300), tw(450), tw(300));
    auto addLabel = [&](const char* name, const QString& text, double points, bool bold) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(designFont(kPGothic, points, bold));
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    };
    addLabel("lblTitle", ctx.programTitle, 20, true);
    addLabel("lblVersion", versionText(), 12, false);
    addLabel("lblProductName", QStringLiteral("Quorvel"), 12, false);
    auto* ok = new QPushButton(QStringLiteral("O.K."), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignCenter);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    adjustSize();
    if (parent)
        move(parent->geometry().center() - QPoint(width() / 2, height() / 2));
}

} // namespace soinsuu
