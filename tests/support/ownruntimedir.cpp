// A runtime folder of the test program's own when the session has none. Made before main(): the
// application makes one in the temporary folder as it starts (runtime-<user>), and a test that makes
// several applications would see one removed with its first. Removed when the program ends.

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdlib>

namespace {

QString s_ownRuntimeDir;

void removeOwnRuntimeDir()
{
    QDir(s_ownRuntimeDir).removeRecursively();
}

} // namespace

// Named for the linker, which takes it into every test program (tests/CMakeLists.txt).
extern "C" void qr_makeOwnRuntimeDir()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QString dir = QDir::temp().filePath(QStringLiteral("qr-runtime-%1").arg(QCoreApplication::applicationPid()));
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    s_ownRuntimeDir = dir;
    std::atexit(removeOwnRuntimeDir);
}
Q_CONSTRUCTOR_FUNCTION(qr_makeOwnRuntimeDir)
