#include "core/log.h"
#include "platform/appidentity.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

void myMessageOutput(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    static const char *const prefixes[] = {"Debug: ", "Warning: ", "Critical: ", "Fatal: ", "Info: "};
    const int index = type == QtInfoMsg ? 4 : qBound(0, int(type), 3);
    writeLogLine(context.file, context.line, context.function, QByteArray(prefixes[index]) + text.toUtf8());
    if (type == QtFatalMsg)
        abort();
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(myMessageOutput);
    QCoreApplication app(argc, argv);
    AppIdentity::apply();
    QCoreApplication::setApplicationVersion(QStringLiteral(QR_VERSION));
    QTextStream(stdout) << "Quillane Reminder " << QR_VERSION
                        << ": core services are set up; the application window is not built yet.\n";
    return 0;
}
