#include "core/properties.h"

#include "core/clock.h"
#include "core/crashhandleradapter.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "core/safefile.h"
#include "core/settingkeys.h"

#include <QDataStream>
#include <QFile>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace PropertiesPrivate {

const QByteArray kLastModified("lastModified");
const QByteArray kKeyDelimiter("{KEYDELIMITER}");
const QByteArray kValueDelimiter("{VALUEDELIMITER}");
// Values of other types travel as QDataStream bytes in the oldest stream layout, which backups hold.
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_4_0;

QList<QByteArray> splitBy(const QByteArray &text, const QByteArray &delimiter)
{
    QList<QByteArray> parts;
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(delimiter); at >= 0; at = text.indexOf(delimiter, from)) {
        parts << text.mid(from, at - from);
        from = at + delimiter.size();
    }
    parts << text.mid(from);
    return parts;
}

QList<QByteArray> splitArgs(const QByteArray &text, int index)
{
    QR_ASSERT(!text.isEmpty());
    QR_ASSERT(index < text.size() && text.at(index) == '(');
    QR_ASSERT(text.endsWith(')'));
    QList<QByteArray> parts;
    QByteArray current;
    for (qsizetype i = index + 1; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == ' ') {
            parts << current;
            current.clear();
        } else if (c == ')') {
            QR_ASSERT(i == text.size() - 1);
            parts << current;
            break;
        } else {
            current += c;
        }
    }
    return parts;
}

} // namespace PropertiesPrivate

Properties::Properties(QObject *parent, const QString &dumpFile, const QByteArray &prefix)
    : QObject(parent), m_prefix(prefix), m_dumpFile(dumpFile)
{
    if (!m_prefix.isEmpty() && !m_prefix.endsWith('/'))
        m_prefix += '/';
    m_saveTimer.setParent(this);
    m_saveTimer.setObjectName(QStringLiteral("saveTimer"));
    m_saveTimer.setInterval(300);
    m_saveTimer.setSingleShot(true);
    const bool connected = connect(&m_saveTimer, &QTimer::timeout, this, &Properties::saveDumpFile);
    QR_ASSERT(connected);
    addProperty(PropertiesPrivate::kLastModified, QVariant());
    CrashHandlerAdapter().addFileToReport(m_dumpFile.toUtf8(),
                                          prefix.isEmpty() ? QByteArray("globalprop.txt") : prefix + ".txt");
}

Properties::~Properties()
{
    m_saveTimer.stop();
    if (!m_dumpFile.isEmpty())
        QFile::remove(m_dumpFile);
}

QByteArray Properties::settingsKey(const QByteArray &id) const
{
    return Setting::PropertiesGroup + m_prefix + id;
}

QVariant Properties::toRegisteredType(const QByteArray &id, const QVariant &value, bool *ok) const
{
    // The settings store and the backup text give numbers and flags back as text; a value only
    // compares equal to its default, and reads right, in the type it was registered with.
    *ok = true;
    QVariant model = m_defaults.value(id);
    if (!model.isValid())
        model = m_values.value(id);
    if (!model.isValid() || !value.isValid() || value.metaType() == model.metaType())
        return value;
    QVariant converted = value;
    if (converted.convert(model.metaType()))
        return converted;
    *ok = false;
    return value;
}

QVariant Properties::addProperty(const QByteArray &id, const QVariant &defaultValue)
{
    m_defaults.insert(id, defaultValue);
    QVariant current = defaultValue;
    if (IApplication *app = IApplication::instance()) {
        bool ok = true;
        current = toRegisteredType(id, app->settingsValue(settingsKey(id), defaultValue), &ok);
        if (!ok) {
            QR_LOG("Stored value of property " + id + " does not fit its type; using the default");
            current = defaultValue;
        }
    }
    m_values.insert(id, current);
    emit propertyChanged(id, current);
    scheduleDump();
    return current;
}

QVariant Properties::value(const QByteArray &id) const
{
    return m_values.value(id);
}

void Properties::persist(const QByteArray &id, const QVariant &value)
{
    m_values.insert(id, value);
    if (IApplication *app = IApplication::instance())
        app->setSettingsValue(settingsKey(id), value);
    scheduleDump();
}

void Properties::setValue(const QByteArray &id, const QVariant &value)
{
    if (m_values.value(id) == value)
        return;
    persist(id, value);
    emit propertyChanged(id, value);
    persist(PropertiesPrivate::kLastModified, Common::Clock::now());
}

bool Properties::removeProperty(const QByteArray &id)
{
    const bool had = m_values.remove(id) > 0;
    if (IApplication *app = IApplication::instance())
        app->removeSettings(settingsKey(id), false);
    return had;
}

QVariant Properties::takeProperty(const QByteArray &id, const QVariant &defaultValue)
{
    const QVariant value = addProperty(id, defaultValue);
    removeProperty(id);
    return value;
}

void Properties::restoreDefaults()
{
    const QList<QByteArray> ids = m_values.keys();
    for (const QByteArray &id : ids) {
        const QVariant defaultValue = m_defaults.value(id);
        if (defaultValue.isValid())
            setValue(id, defaultValue);
    }
}

void Properties::scheduleDump()
{
    if (!m_saveTimer.isActive())
        m_saveTimer.start();
}

void Properties::saveDumpFile()
{
    if (!m_dumpFile.isEmpty())
        Common::writeOwnFile(m_dumpFile, dumpText().toUtf8());
}

QMap<QByteArray, QString> Properties::toStringMap() const
{
    QMap<QByteArray, QString> result;
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) {
        const QVariant &v = it.value();
        switch (v.userType()) {
        case QMetaType::Bool:
            result.insert(it.key(), v.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
            break;
        case QMetaType::Int:
            result.insert(it.key(), QString::number(v.toInt()));
            break;
        case QMetaType::Double:
            result.insert(it.key(), QString::number(v.toDouble(), 'f', 2));
            break;
        case QMetaType::QString:
            result.insert(it.key(), v.toString());
            break;
        default:
            break;
        }
    }
    return result;
}

QString Properties::dumpText() const
{
    QStringList lines;
    const QMap<QByteArray, QString> map = toStringMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        lines << QString::fromUtf8(it.key()) + QStringLiteral(": ") + it.value();
    return lines.join(QLatin1Char('\n'));
}

QDateTime Properties::lastModified() const
{
    return m_values.value(PropertiesPrivate::kLastModified).toDateTime();
}

QByteArray Properties::backup(bool *ok)
{
    QList<QByteArray> entries;
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
        entries << it.key() + PropertiesPrivate::kValueDelimiter + variantToString(it.value());
    if (ok)
        *ok = true;
    return entries.join(PropertiesPrivate::kKeyDelimiter);
}

bool Properties::restore(const QByteArray &data)
{
    const QList<QByteArray> entries = PropertiesPrivate::splitBy(data, PropertiesPrivate::kKeyDelimiter);
    for (const QByteArray &entry : entries) {
        const QList<QByteArray> nameAndValueList =
            PropertiesPrivate::splitBy(entry, PropertiesPrivate::kValueDelimiter);
        QR_ASSERT(nameAndValueList.size() == 2);
        const QByteArray id = nameAndValueList.first();
        if (!m_values.contains(id)) {
            QR_LOG("Unknown property during restore: " + id);
            continue;
        }
        bool ok = true;
        const QVariant value = toRegisteredType(id, stringToVariant(nameAndValueList.last()), &ok);
        if (!ok) {
            QR_LOG("Restored value of property " + id + " does not fit its type; kept the current one");
            continue;
        }
        setValue(id, value);
    }
    return true;
}

bool Properties::checkRestoreFile(const QString &fileName)
{
    QByteArray data;
    if (!readRestoreFile(fileName, &data))
        return false;
    const QList<QByteArray> entries = PropertiesPrivate::splitBy(data, PropertiesPrivate::kKeyDelimiter);
    for (const QByteArray &entry : entries) {
        const QList<QByteArray> nameAndValue = PropertiesPrivate::splitBy(entry, PropertiesPrivate::kValueDelimiter);
        if (nameAndValue.size() != 2 || nameAndValue.first().isEmpty()) {
            QR_LOG("Not a readable settings entry: " + name());
            return false;
        }
    }
    return true;
}

QByteArray Properties::name() const
{
    QByteArray result("settings");
    for (const char c : m_prefix)
        if (!QByteArray("/\\?%*:|\"<>").contains(c))
            result += c;
    return result;
}

QByteArray Properties::variantToString(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return QByteArrayLiteral("@Invalid()");
    case QMetaType::QByteArray:
        return "@ByteArray(" + value.toByteArray() + ')';
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::QString:
    case QMetaType::QKeySequence: {
        const QByteArray text = value.toString().toUtf8();
        return text.startsWith('@') ? '@' + text : text;
    }
    case QMetaType::QRect: {
        const QRect r = value.toRect();
        return "@Rect(" + QByteArray::number(r.x()) + ' ' + QByteArray::number(r.y()) + ' ' +
               QByteArray::number(r.width()) + ' ' + QByteArray::number(r.height()) + ')';
    }
    case QMetaType::QSize: {
        const QSize s = value.toSize();
        return "@Size(" + QByteArray::number(s.width()) + ' ' + QByteArray::number(s.height()) + ')';
    }
    case QMetaType::QPoint: {
        const QPoint p = value.toPoint();
        return "@Point(" + QByteArray::number(p.x()) + ' ' + QByteArray::number(p.y()) + ')';
    }
    default: {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(PropertiesPrivate::kStreamVersion);
        out << value;
        return "@Variant(" + bytes + ')';
    }
    }
}

QVariant Properties::stringToVariant(const QByteArray &text)
{
    if (text.startsWith('@') && text.endsWith(')')) {
        if (text.startsWith("@ByteArray(")) {
            return text.mid(11, text.size() - 12);
        } else if (text.startsWith("@Variant(")) {
            QDataStream in(text.mid(9));
            in.setVersion(PropertiesPrivate::kStreamVersion);
            QVariant value;
            in >> value;
            if (in.status() == QDataStream::Ok)
                return value;
        } else if (text.startsWith("@Rect(")) {
            const QList<QByteArray> args = PropertiesPrivate::splitArgs(text, 5);
            if (args.size() == 4)
                return QRect(args[0].toInt(), args[1].toInt(), args[2].toInt(), args[3].toInt());
        } else if (text.startsWith("@Size(")) {
            const QList<QByteArray> args = PropertiesPrivate::splitArgs(text, 5);
            if (args.size() == 2)
                return QSize(args[0].toInt(), args[1].toInt());
        } else if (text.startsWith("@Point(")) {
            const QList<QByteArray> args = PropertiesPrivate::splitArgs(text, 6);
            if (args.size() == 2)
                return QPoint(args[0].toInt(), args[1].toInt());
        } else if (text == "@Invalid()") {
            return QVariant();
        }
    }
    if (text.startsWith("@@"))
        return text.mid(1);
    return text;
}
