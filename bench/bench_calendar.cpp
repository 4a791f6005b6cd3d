// Times the calendar view offscreen at 1200 x 800: one full paint with statuses on 1,000 days, and a slide
// of the built years by one year (with and without the paint that follows). Prints the median of many runs
// against the goals: a paint under 8 ms, a slide under 16 ms (one frame at 60 Hz).
#include "benchtiming.h"
#include "goalrow.h"
#include "core/clock.h"
#include "core/deferredcall.h"
#include "runningline/simpletextline.h"
#include "widgets/calendar/calendarview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QPixmap dot(const QColor &color)
{
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(color);
    p.setPen(Qt::NoPen);
    p.drawEllipse(8, 8, 32, 32);
    return pixmap;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Common::DeferredCallProcessor::init();
    const bool shapeCache = !qEnvironmentVariableIsSet("QR_BENCH_NO_SHAPE_CACHE");
    if (shapeCache)
        SimpleTextLineController::start();
    Common::Clock::pin(QDateTime(QDate(2026, 6, 17), QTime(12, 0)));

    CalendarView view;
    const int clock = view.addStatusPixmap(dot(QColor(220, 60, 40)));
    const int trail = view.addStatusPixmap(dot(QColor(240, 170, 40)));
    QSet<QDate> clockDays;
    QSet<QDate> trailDays;
    const QDate first(2025, 1, 1);
    for (int i = 0; i < 1000; ++i)
        (i % 3 == 0 ? trailDays : clockDays).insert(first.addDays(i));
    view.beginUpdate();
    view.setStatus(clockDays, clock);
    view.setStatus(trailDays, trail);
    view.endUpdate();
    view.resize(1200, 800);
    view.show();
    QCoreApplication::processEvents();

    QImage target(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    auto paint = [&] {
        target.fill(Qt::white);
        view.viewport()->render(&target);
    };
    for (int i = 0; i < 5; ++i)
        paint();
    const double paintMs = medianMs(200, paint);

    int slides = 0;
    QObject::connect(&view, &CalendarView::viewportYearChanged, [&slides] { ++slides; });
    bool forward = true;
    auto slide = [&] {
        // Each call moves the year under the viewport's middle by one, which slides the built years.
        view.scrollToMonth(forward ? 2027 : 2026, 6, true);
        forward = !forward;
    };
    for (int i = 0; i < 4; ++i)
        slide();
    const double slideMs = medianMs(100, slide);
    const double slidePaintMs = medianMs(100, [&] {
        slide();
        paint();
    });

    std::printf("shape cache: %s; slides counted: %d of %d\n", shapeCache ? "on" : "off", slides, 4 + 100 + 100);
    std::printf("calendar paint 1200x800, 1000 statuses: %.2f ms (goal < 8 ms)\n", paintMs);
    std::printf("calendar slide by one year:             %.2f ms (goal < 16 ms)\n", slideMs);
    std::printf("calendar slide and paint:               %.2f ms (goal < 16 ms)\n", slidePaintMs);
    printGoalRow("calendar paint 1200x800, 1,000 marked days", formatted("%.2f ms", paintMs), "< 8 ms", paintMs < 8);
    printGoalRow("calendar slide by one year / with its paint",
                 formatted("%.2f ms", slideMs) + formatted(" / %.2f ms", slidePaintMs), "< 16 ms each",
                 slideMs < 16 && slidePaintMs < 16);
    if (shapeCache)
        SimpleTextLineController::finish();
    Common::DeferredCallProcessor::term();
    return goalsExitCode(slides == 4 + 100 + 100);
}
