// A failed check (QR_ASSERT, QR_CHECK) fails the test function it happens in: the program goes on along
// its path, and its log line alone would pass unseen.

#include "core/failedcheckhook.h"
#include "testhelpers.h"

#include <QTest>

#include <cstdio>
#include <cstdlib>

namespace {

// The test function that provokes failed checks on purpose.
QByteArray s_expectedIn;

void onFailedCheck(const char *file, int line, const QByteArray &message)
{
    const char *function = QTest::currentTestFunction();
    if (!function) {
        std::fprintf(stderr, "A check failed outside any test function%s\n", message.constData());
        std::abort();
    }
    if (s_expectedIn == function)
        return;
    QTest::qFail(QByteArray("A check failed" + message).constData(), file, line);
}

} // namespace

void TestHelpers::expectFailedChecks()
{
    s_expectedIn = QTest::currentTestFunction();
}

// Named for the linker, which takes it into every test program (tests/CMakeLists.txt).
extern "C" void qr_watchFailedChecks()
{
    Common::setFailedCheckHook(onFailedCheck);
}
Q_CONSTRUCTOR_FUNCTION(qr_watchFailedChecks)
