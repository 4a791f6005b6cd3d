#include "store/savedlayout.h"

#include "core/datafileguard.h"
#include "core/safefile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <mutex>

namespace EventsManagerPrivate {

// A text of the file: where its entries lie, and how to know it on disk again.
struct SavedLayout::Written
{
    std::vector<EntrySpan> spans;
    qint64 size = 0;
    size_t hash = 0;
};

// The file on disk, read once per save and only when it is to be checked or an entry is taken from it.
struct SavedLayout::Disk
{
    QString path;
    bool tried = false;
    bool readable = false;
    QByteArray bytes;
    size_t hash = 0;

    // By the bytes, not the size and time: an edit from outside may keep both.
    bool holds(const Written &written)
    {
        if (!tried) {
            tried = true;
            QFile file;
            // A file rewritten in place while it is read counts as unreadable, not as a mix of versions. The text a
            // save wrote, which a save after it mostly finds within the seconds that call for a second read, is none.
            const auto hashed = [this, &written](const QByteArray &read) {
                hash = hashText(read);
                return read.size() == written.size && hash == written.hash;
            };
            readable = Common::openRegularFile(&file, path) && Common::readSteadily(&file, &bytes, nullptr, 3, hashed);
        }
        return readable && bytes.size() == written.size && written.hash == hash;
    }
};

size_t SavedLayout::hashText(QByteArrayView text)
{
    // The guard's own hash: the file is hashed once when it is read, for both.
    return Common::DataFileGuard::hashOf(text);
}

std::shared_ptr<SavedLayout> SavedLayout::fromFile(std::vector<EntrySpan> spans, qint64 size, size_t hash)
{
    auto layout = std::make_shared<SavedLayout>(nullptr);
    auto written = std::make_shared<Written>();
    written->spans = std::move(spans);
    written->size = size;
    written->hash = hash;
    layout->m_written = std::move(written);
    return layout;
}

SavedLayout::SavedLayout(std::shared_ptr<SavedLayout> earlier) : m_earlier(std::move(earlier)) {}

SavedLayout::~SavedLayout() = default;

bool SavedLayout::earlierEntry(Disk &disk, qsizetype index, QByteArray *out, EntrySpan *span)
{
    span->from = -1;
    SavedLayout *layout = m_earlier.get();
    while (layout) {
        const std::lock_guard<std::mutex> lock(layout->m_mutex);
        if (layout->m_written && disk.holds(*layout->m_written)) {
            if (index < 0 || index >= qsizetype(layout->m_written->spans.size()))
                return false;
            *span = layout->m_written->spans[size_t(index)];
            return true;
        }
        // A failed write, or a save a newer one took the place of: through its own pieces.
        if (index < 0 || index >= qsizetype(layout->m_pieces.size()))
            return false;
        const qsizetype piece = layout->m_pieces[size_t(index)];
        if (piece < 0) {
            *out = layout->m_new.at(-1 - piece);
            return true;
        }
        if (layout->m_written) {
            // Its pieces refer to the file as it was when its text was made.
            if (!layout->m_base || !disk.holds(*layout->m_base) || piece >= qsizetype(layout->m_base->spans.size()))
                return false;
            *span = layout->m_base->spans[size_t(piece)];
            return true;
        }
        index = piece;
        layout = layout->m_earlier.get();
    }
    return false;
}

bool SavedLayout::earlierOnDisk(Disk &disk)
{
    SavedLayout *layout = m_earlier.get();
    while (layout) {
        const std::lock_guard<std::mutex> lock(layout->m_mutex);
        // Its text on disk, or what was there before should its write have failed.
        if (layout->m_written)
            return disk.holds(*layout->m_written) || (layout->m_base && disk.holds(*layout->m_base));
        layout = layout->m_earlier.get();
    }
    // Nothing known of the file: the first save of a run without one, or after a whole write.
    return true;
}

QByteArray SavedLayout::keepChanged(const QString &path, const QString &copyBase, const Disk &disk)
{
    // That version is kept now, before any write can replace it: the bytes seen, as another version may have
    // taken the name since; the next write finds that one.
    if (disk.readable) {
        QTemporaryFile seen(Common::temporaryFileTemplate(path));
        m_uncopied = !seen.open() || seen.write(disk.bytes) != disk.bytes.size() || !seen.flush() ||
                     Common::DataFileGuard::keepChanged(path, copyBase, seen.fileName()).isEmpty();
    } else {
        m_uncopied = QFileInfo::exists(path) && Common::DataFileGuard::keepChanged(path, copyBase).isEmpty();
    }
    m_lost = true;
    return QByteArray();
}

void SavedLayout::forgetFallback()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_written)
        return;
    m_pieces = {};
    m_new.clear();
    m_base.reset();
}

QByteArray SavedLayout::text(const QString &path, const QString &copyBase, const QByteArray &head,
                             const QByteArray &tail)
{
    Disk disk;
    disk.path = path;
    qsizetype newBytes = 0;
    for (const QByteArray &entry : std::as_const(m_new))
        newBytes += entry.size() + 2;
    QByteArray text;
    text.reserve(head.size() + tail.size() + newBytes + (m_earlier ? QFileInfo(path).size() : 0));
    text += head;
    std::vector<EntrySpan> spans(m_pieces.size());
    // What the pieces become once this text is made: new texts, or places in the file as it is now.
    std::vector<qsizetype> pieces(m_pieces.size());
    QList<QByteArray> newTexts;
    std::vector<EntrySpan> baseSpans;
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        if (i > 0)
            text += ", ";
        const qsizetype from = text.size();
        const qsizetype piece = m_pieces[i];
        QByteArray entry;
        EntrySpan span{-1, 0};
        if (piece < 0)
            entry = m_new.at(-1 - piece);
        else if (!earlierEntry(disk, piece, &entry, &span))
            return keepChanged(path, copyBase, disk);
        if (span.from >= 0) {
            text.append(disk.bytes.constData() + span.from, span.length);
            pieces[i] = qsizetype(baseSpans.size());
            baseSpans.push_back(span);
        } else {
            text += entry;
            pieces[i] = -1 - newTexts.size();
            newTexts.append(entry);
        }
        spans[i] = EntrySpan{from, text.size() - from};
    }
    text += tail;
    // Nothing taken from the file: it must still hold what the earlier saves left there all the same.
    if (baseSpans.empty() && !earlierOnDisk(disk))
        return keepChanged(path, copyBase, disk);

    auto written = std::make_shared<Written>();
    written->spans = std::move(spans);
    written->size = text.size();
    written->hash = hashText(text);
    m_written = std::move(written);
    // Known to be on disk now: what stands should this text's write fail.
    if (disk.readable) {
        auto base = std::make_shared<Written>();
        base->spans = std::move(baseSpans);
        base->size = disk.bytes.size();
        base->hash = disk.hash;
        m_base = std::move(base);
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_pieces = std::move(pieces);
    m_new = std::move(newTexts);
    m_newCount = m_new.size();
    // What came before is on disk now, or this text's pieces stand for it should its write fail.
    m_earlier.reset();
    return text;
}

} // namespace EventsManagerPrivate
