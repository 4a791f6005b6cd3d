// Times the running line offscreen: frames of a 1920-pixel bar scrolling 50 events, drawn from the
// pre-shaped lines, against the same text drawn with QPainter::drawText every frame (the naive way),
// as processor time per frame (median). Then counts the timer wake-ups of an idle bar over a minute
// (QR_BENCH_IDLE_SECONDS to change it): with the text fitting and "permanentScroll" off, and hidden.
// Goals: at most 0.25x the naive frame and under 1 ms; at most one wake-up a minute when idle.
#include "core/properties.h"
#include "core/undoobject.h"
#include "events/eventsfactory.h"
#include "events/occurrence.h"
#include "fakeapplication.h"
#include "runningline/eventitemrole.h"
#include "runningline/movingview.h"
#include "runningline/ostrevalder.h"
#include "runningline/simpletextline.h"
#include "store/eventsmanager.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

double cpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The median processor time of one call, over `runs` calls.
double medianCpuMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = cpuMs();
        work();
        times.push_back(cpuMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QString sampleText(int i)
{
    static const char *const texts[] = {
        "Tomorrow at 10:00 is Dentist appointment with Dr. Müller",
        "In 3 days is the birthday of Zoë Lefèvre (turns 34)",
        "Today is Международный женский день",
        "Friday is Submit the quarterly report before the board meeting (overdue)",
        "In 12 days is the wedding day of Ana & João (25 years)",
        "Today at 18:00 is Yoga class",
        "Next Monday is 会議: 東京オフィスと打ち合わせ",
        "In 5 days is St. Patrick's Day",
    };
    return QString::fromUtf8(texts[i % 8]) + QStringLiteral(" #%1").arg(i);
}

// Counts timer events delivered to any object of the program.
class TimerCounter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            ++count;
        return false;
    }
    int count = 0;
};

int countWakeups(int seconds)
{
    TimerCounter counter;
    qApp->installEventFilter(&counter);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    qApp->removeEventFilter(&counter);
    return counter.count - 1; // the timer that ends the wait
}

void settle()
{
    QEventLoop loop;
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SimpleTextLineController::start();
    QFont font;
    font.setPointSize(14);

    // ---- frames
    QStandardItemModel model;
    QString fullText;
    for (int i = 0; i < 50; ++i) {
        auto *item = new QStandardItem(sampleText(i));
        item->setData(QByteArray::number(i), EventIdRole);
        model.appendRow(item);
        fullText += sampleText(i) + QStringLiteral("        ");
    }
    MovingView view;
    view.setTextFont(font);
    view.setModel(&model);
    view.resize(1920, 30);
    view.rebuild();
    QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
    const int runs = 2000;

    const double ours = medianCpuMs(runs, [&] {
        view.step();
        frame.fill(Qt::white);
        QPainter painter(&frame);
        view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    });

    // The timed frames must really hold text.
    int ink = 0;
    for (int x = 0; x < frame.width(); ++x)
        ink += qGray(frame.pixel(x, frame.height() / 2)) < 128;
    if (ink < 100) {
        std::fprintf(stderr, "the running line drew no text\n");
        return 1;
    }

    qreal offset = 0;
    const double naive = medianCpuMs(runs, [&] {
        offset += 1;
        frame.fill(Qt::white);
        QPainter painter(&frame);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(40 - offset, 21), fullText);
    });

    std::printf("running line, 1920 px, 50 events: %.3f ms per frame (CPU), drawText every frame %.3f ms, "
                "ratio %.2f (goal <= 0.25 and < 1 ms)\n",
                ours, naive, ours / naive);
    std::fflush(stdout);

    // ---- idle wake-ups of a whole bar
    const int seconds = qEnvironmentVariableIntValue("QR_BENCH_IDLE_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("QR_BENCH_IDLE_SECONDS")
                            : 60;
    QTemporaryDir dir;
    FakeApplication fakeApp;
    Properties properties(nullptr, QDir(dir.path()).filePath("prop.dat"));
    properties.addProperty("daysToWatch", 15);
    properties.addProperty("showAppointmentInMovingLine", true);
    properties.addProperty("removeTextToday", false);
    properties.addProperty("removeTextDayXfromY", false);
    fakeApp.m_properties = &properties;
    UndoObject undo;
    fakeApp.m_undoObject = &undo;
    EventsManager manager(QDir(dir.path()).filePath("events.dat"));
    fakeApp.m_eventsManager = &manager;
    Ostrevalder::registerPanelProperties();
    Ostrevalder::registerTextProperties();
    Ostrevalder::registerMovingProperties();
    properties.setValue("adjustBackgroundToWallpaper", false);
    AbstractCommonEventPtr event = EventsFactory::createEvent(3);
    event->setCaption(QStringLiteral("Short"));
    event->setPeriod(Period(QDate::currentDate().addDays(1)));
    event->setOccurrence(Occurrence(QDate::currentDate().addDays(1), IOccurrence::Once));
    manager.addEvent(event);

    auto *bar = new Ostrevalder;
    bar->move(0, 500); // away from the mouse, which stops the line
    bar->show();
    settle();
    const int fitting = countWakeups(seconds);
    std::printf("idle bar, text fits, permanentScroll off: %d timer wake-ups in %d s (goal <= %d)\n", fitting,
                seconds, qMax(1, seconds / 60));
    std::fflush(stdout);

    for (int i = 0; i < 40; ++i) {
        AbstractCommonEventPtr more = EventsFactory::createEvent(3);
        more->setCaption(sampleText(i));
        more->setPeriod(Period(QDate::currentDate().addDays(2)));
        more->setOccurrence(Occurrence(QDate::currentDate().addDays(2), IOccurrence::Once));
        manager.addEvent(more);
    }
    bar->hide();
    settle();
    const int hidden = countWakeups(seconds);
    std::printf("hidden bar, text too long to fit: %d timer wake-ups in %d s (goal <= %d)\n", hidden, seconds,
                qMax(1, seconds / 60));
    delete bar;
    fakeApp.m_eventsManager = nullptr;
    fakeApp.m_properties = nullptr;
    SimpleTextLineController::finish();
    return 0;
}
