#include "platform/linuxautostart.h"

#include "platform/privatefolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace LinuxAutostartPrivate {

// One argument of an Exec line, quoted as the desktop entry format asks.
QString execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = argument.isEmpty();
    for (const QChar c : argument)
        quote = quote || reserved.contains(c);
    QString result;
    if (quote) {
        result += QLatin1Char('"');
        for (const QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                result += QLatin1Char('\\');
            result += c;
        }
        result += QLatin1Char('"');
    } else {
        result = argument;
    }
    // A lone % would start a field code.
    result.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return result;
}

// Escapes a value of the key file, which has its own backslash sequences.
QString keyFileValue(QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    value.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    value.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    value.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return value;
}

} // namespace LinuxAutostartPrivate

LinuxAutostart::LinuxAutostart(const QString &programPath, const QString &configFolder)
    : m_programPath(programPath.isEmpty() ? QCoreApplication::applicationFilePath() : programPath)
{
    const QString config =
        configFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) : configFolder;
    m_entryPath = QDir(config).filePath(QStringLiteral("autostart/quillane-reminder.desktop"));
}

QByteArray LinuxAutostart::entryText() const
{
    using namespace LinuxAutostartPrivate;
    const QString exec = execArgument(m_programPath) + QStringLiteral(" SILENTMODE");
    return QByteArrayLiteral("[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Quillane Reminder\n"
                             "Exec=") +
           keyFileValue(exec).toUtf8() +
           QByteArrayLiteral("\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n");
}

bool LinuxAutostart::isOn() const
{
    QFile file(m_entryPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // The desktop turns an entry off by marking it rather than deleting it.
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

bool LinuxAutostart::setOn(bool on)
{
    if (!on) {
        if (QFile::exists(m_entryPath) && !QFile::remove(m_entryPath)) {
            qWarning("Cannot remove the autostart entry \"%s\"", qUtf8Printable(m_entryPath));
            return false;
        }
        return true;
    }
    QSaveFile file(m_entryPath);
    const bool written = Common::makePrivateFolder(QFileInfo(m_entryPath).absolutePath()) &&
                         file.open(QIODevice::WriteOnly) && file.write(entryText()) == entryText().size() &&
                         file.commit();
    if (!written)
        qWarning("Cannot write the autostart entry \"%s\"", qUtf8Printable(m_entryPath));
    return written;
}
