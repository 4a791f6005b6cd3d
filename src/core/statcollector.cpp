#include "core/statcollector.h"

#include "core/crashhandleradapter.h"
#include "core/datafileguard.h"
#include "core/safefile.h"
#include "core/settingkeys.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QVariant>

#include <algorithm>
#include <limits>
#include <utility>

namespace StatCollectorPrivate {

const QString s_group = QString::fromLatin1(Setting::StatGroup);

// One set of the five value types; the collector keeps a persistent and a per-run set.
struct Values
{
    QMap<QByteArray, bool> bools;
    QMap<QByteArray, int> ints;
    QMap<QByteArray, double> doubles;
    QMap<QByteArray, QString> strings;
    QMap<QByteArray, QByteArray> bytes;

    bool isEmpty() const
    {
        return bools.isEmpty() && ints.isEmpty() && doubles.isEmpty() && strings.isEmpty() && bytes.isEmpty();
    }
};

struct State
{
    QSettings *settings = nullptr;
    QString dumpPath;
    bool firstStart = false;
    Values persistent;
    Values perRun;
    int batches = 0;
    bool unwritten = false;
    bool storeHeld = false;
    QMap<QByteArray, QVariant> heldForStore;
};

State &state()
{
    static State s;
    return s;
}

Values &values(bool persistent)
{
    return persistent ? state().persistent : state().perRun;
}

// Text-based settings stores (INI files on Linux) give every number and bool back as text; the text's own form
// tells the type the value was stored with, so counters keep counting across runs.
void loadText(const QByteArray &key, const QString &text, Values &into)
{
    if (text == QLatin1String("true") || text == QLatin1String("false")) {
        into.bools.insert(key, text == QLatin1String("true"));
        return;
    }
    static const QRegularExpression intPattern(QStringLiteral("^-?[0-9]+$"));
    static const QRegularExpression doublePattern(QStringLiteral("^-?[0-9]+\\.[0-9]+(e[-+]?[0-9]+)?$"));
    bool ok = false;
    if (intPattern.match(text).hasMatch()) {
        const int n = text.toInt(&ok);
        if (ok) {
            into.ints.insert(key, n);
            return;
        }
    }
    if (doublePattern.match(text).hasMatch()) {
        const double d = text.toDouble(&ok);
        if (ok) {
            into.doubles.insert(key, d);
            return;
        }
    }
    into.strings.insert(key, text);
}

void loadValue(const QByteArray &key, const QVariant &value, Values &into)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        into.bools.insert(key, value.toBool());
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        bool ok = false;
        const qlonglong n = value.toLongLong(&ok);
        if (ok && n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
            into.ints.insert(key, int(n));
        break;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        into.doubles.insert(key, value.toDouble());
        break;
    case QMetaType::QString:
        loadText(key, value.toString(), into);
        break;
    case QMetaType::QByteArray:
        into.bytes.insert(key, value.toByteArray());
        break;
    default:
        break;
    }
}

void saveValue(const QByteArray &key, const QVariant &value)
{
    State &s = state();
    if (s.storeHeld)
        s.heldForStore.insert(key, value);
    else if (s.settings)
        s.settings->setValue(s_group + QLatin1Char('/') + QString::fromUtf8(key), value);
}

// The dump is "name: value" lines; a file of another shape at its place, or one cut short inside a line,
// is not ours to write over unkept. (A value with a line break reads as unknown too: kept once more.)
bool isDumpText(const QByteArray &bytes)
{
    static const QRegularExpression line(QStringLiteral("^[A-Za-z0-9_./-]+: "));
    const QString text = QString::fromUtf8(bytes);
    if (bytes.isEmpty())
        return true;
    if (text.toUtf8() != bytes || bytes.contains('\0'))
        return false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    return std::all_of(lines.cbegin(), lines.cend(), [](const QString &l) { return line.match(l).hasMatch(); });
}

int saturatingAdd(int a, int b)
{
    const qint64 sum = qint64(a) + qint64(b);
    return int(qBound(qint64(std::numeric_limits<int>::min()), sum, qint64(std::numeric_limits<int>::max())));
}

} // namespace StatCollectorPrivate

using namespace StatCollectorPrivate;

void StatCollector::init(QSettings *settings, const QString &dumpPath)
{
    State &s = state();
    s.settings = settings;
    s.dumpPath = dumpPath;
    load();
    s.firstStart = s.persistent.ints.isEmpty() && s.persistent.strings.isEmpty();
    // Never waits on a FIFO or device put at its place, nor reads a file far larger than any dump, nor one
    // a link leads to.
    QFile old;
    const bool setAside = !Common::dropLink(dumpPath) || Common::DataFileGuard::setAsideIfOversized(dumpPath);
    if (!setAside && Common::openRegularFile(&old, dumpPath)) {
        if (!isDumpText(old.readAll()))
            Common::DataFileGuard::notice(dumpPath, Common::DataFileGuard::UnknownShape);
    } else if (!setAside && QFileInfo::exists(dumpPath)) {
        Common::DataFileGuard::notice(dumpPath, Common::DataFileGuard::Unreadable);
    }
    writeFile();
    CrashHandlerAdapter adapter;
    adapter.addFileToReport(dumpPath.toUtf8(), QByteArrayLiteral("stat.txt"));
}

bool StatCollector::isFirstStart()
{
    return state().firstStart;
}

void StatCollector::setInt(const QByteArray &key, bool persistent, int value)
{
    values(persistent).ints.insert(key, value);
    if (persistent)
        saveValue(key, value);
    writeFile();
}

void StatCollector::addInt(const QByteArray &key, bool persistent, int delta)
{
    setInt(key, persistent, saturatingAdd(values(persistent).ints.value(key, 0), delta));
}

void StatCollector::setString(const QByteArray &key, bool persistent, const QString &value)
{
    values(persistent).strings.insert(key, value);
    if (persistent)
        saveValue(key, value);
    writeFile();
}

void StatCollector::incrementCounter(const QByteArray &key)
{
    const Values &stored = state().persistent;
    int n = stored.ints.value(key, 0);
    if (n == 0)
        n = stored.bools.value(key, false) ? 1 : 0;
    setInt(key, true, saturatingAdd(n, 1));
}

QMap<QByteArray, QString> StatCollector::collect()
{
    const State &s = state();
    QMap<QByteArray, QString> result;
    // Type by type, persistent before per-run: a later insert of a key replaces the earlier text.
    const auto addAll = [&](auto Values::*map, const auto &text) {
        for (const Values *v : {&s.persistent, &s.perRun})
            for (auto it = (v->*map).cbegin(); it != (v->*map).cend(); ++it)
                result.insert(it.key(), text(it.value()));
    };
    addAll(&Values::bools, [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); });
    addAll(&Values::ints, [](int n) { return QString::number(n); });
    addAll(&Values::doubles, [](double d) { return QString::number(d, 'f', 2); });
    addAll(&Values::strings, [](const QString &text) { return text; });
    addAll(&Values::bytes, [](const QByteArray &bytes) { return QString::fromUtf8(bytes); });
    return result;
}

QString StatCollector::toText()
{
    const QMap<QByteArray, QString> all = collect();
    QStringList lines;
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        lines << QString::fromUtf8(it.key()) + QStringLiteral(": ") + it.value();
    return lines.join(QLatin1Char('\n'));
}

void StatCollector::load()
{
    State &s = state();
    if (!s.settings)
        return;
    s.settings->beginGroup(s_group);
    const QStringList keys = s.settings->childKeys();
    for (const QString &key : keys)
        loadValue(key.toUtf8(), s.settings->value(key), s.persistent);
    s.settings->endGroup();
}

void StatCollector::save()
{
    const Values &p = state().persistent;
    const auto saveAll = [](const auto &map) {
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            saveValue(it.key(), it.value());
    };
    saveAll(p.bools);
    saveAll(p.ints);
    saveAll(p.doubles);
    saveAll(p.strings);
    saveAll(p.bytes);
}

void StatCollector::holdStore()
{
    state().storeHeld = true;
}

void StatCollector::releaseStore()
{
    State &s = state();
    s.storeHeld = false;
    const QMap<QByteArray, QVariant> held = std::exchange(s.heldForStore, {});
    for (auto it = held.cbegin(); it != held.cend(); ++it)
        saveValue(it.key(), it.value());
}

StatCollector::WriteBatch::WriteBatch()
{
    ++state().batches;
}

StatCollector::WriteBatch::~WriteBatch()
{
    State &s = state();
    if (--s.batches == 0 && s.unwritten)
        writeFile();
}

void StatCollector::writeFile()
{
    State &s = state();
    s.unwritten = s.batches > 0;
    if (s.unwritten)
        return;
    const QString &path = s.dumpPath;
    if (path.isEmpty())
        return;
    // A dump that cannot be written is skipped; the values stay in memory and in the settings store.
    if (Common::dropLink(path))
        Common::DataFileGuard::writeFile(path, toText().toUtf8());
}

void StatCollector::removeFile()
{
    const QString &path = state().dumpPath;
    if (!path.isEmpty())
        QFile::remove(path);
}

void StatCollector::reset()
{
    state() = State();
}
