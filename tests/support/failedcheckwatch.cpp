// A failed check (QR_ASSERT, QR_CHECK) fails the test function it happens in; its log line alone would pass unseen.

#include "core/failedcheckhook.h"
#include "testhelpers.h"

#include <QTest>

namespace {

QByteArray s_expectedIn; // the test function that provokes failed checks on purpose

void onFailedCheck(const char *file, int line, const QByteArray &message)
{
    const char *function = QTest::currentTestFunction();
    if (!function) // no test function to fail: the program must
        qFatal("A check failed outside any test function%s", message.constData());
    if (s_expectedIn != function)
        QTest::qFail(("A check failed" + message).constData(), file, line);
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
