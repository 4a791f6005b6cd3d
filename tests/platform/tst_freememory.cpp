#include "platform/freememory.h"

#include <QFile>
#include <QtTest>

#include <cstring>
#include <memory>
#include <vector>

namespace {
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}
} // namespace

class TestFreeMemory : public QObject
{
    Q_OBJECT

private slots:
    // The start's large steps keep free memory at the top of a heap; once they end it is given back.
    void largeStepsKeepNothingOnceOver()
    {
        if (!Common::growHeapsInLargeSteps())
            QSKIP("This allocator takes no step size");
        const long before = residentKb();
        {
            std::vector<std::unique_ptr<char[]>> blocks(64 * 1024);
            for (std::unique_ptr<char[]> &block : blocks) {
                block.reset(new char[512]);
                std::memset(block.get(), 1, 512);
            }
        }
        Common::growHeapsInSmallSteps();
        const long kept = residentKb() - before;
        QVERIFY2(kept < 2048, qPrintable(QString::number(kept) + QStringLiteral(" KB kept")));
    }
};

QTEST_GUILESS_MAIN(TestFreeMemory)
#include "tst_freememory.moc"
