#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace EventsManagerPrivate {

// One entry's place in a text of the events file: its first byte and its length.
struct EntrySpan
{
    qsizetype from = 0;
    qsizetype length = 0;
};

// The entries of one background save in the order of the list, each either taken from what an earlier
// save asked for (or from the file as it was read) or written anew: a save then writes only the entries
// of changed events on the GUI thread, and the writer's thread takes the others from the file on disk.
// Nothing but the entries' places is kept of a text once it is written.
class SavedLayout
{
public:
    // The file as read: each entry's place, and the file's size and hash (hashText()) to know it again.
    static std::shared_ptr<SavedLayout> fromFile(std::vector<EntrySpan> spans, qint64 size, size_t hash);
    static size_t hashText(QByteArrayView text);
    // A save after `earlier` (null: every entry written anew).
    explicit SavedLayout(std::shared_ptr<SavedLayout> earlier);
    ~SavedLayout();

    // Adding the entries in their order, on the thread that makes the save.
    void takeEarlier(qsizetype earlierIndex) { m_pieces.push_back(earlierIndex); }
    // Returns where the new text goes in newTexts().
    qsizetype addNew()
    {
        m_pieces.push_back(-1 - m_newCount);
        return m_newCount++;
    }
    QList<QByteArray> &newTexts() { return m_new; }

    // On the writer's thread, once every earlier save was written or given up: the whole text of the
    // file at `path` with `head` and `tail` around the entries; null when the file no longer holds what
    // the earlier saves wrote (changed from outside), so that nothing is written: the file as it is then
    // is kept aside under a free name from `copyBase` before anything else can write it.
    QByteArray text(const QString &path, const QString &copyBase, const QByteArray &head, const QByteArray &tail);
    // Once its text is on disk, what stood in for it should the write fail is no longer needed.
    void forgetFallback();
    // Whether text() found the file changed from outside.
    bool lost() const { return m_lost; }
    // Whether the file text() found changed could not be copied aside: it must not be written over yet.
    bool uncopied() const { return m_uncopied; }

private:
    struct Written;
    struct Disk;
    // The entry's text from the earlier saves, or false when the file does not hold it.
    // Either a text or a place in the file on disk (span's from is -1 for a text).
    bool earlierEntry(Disk &disk, qsizetype index, QByteArray *out, EntrySpan *span);
    // Whether the file holds what the earlier saves left there, as far as they know.
    bool earlierOnDisk(Disk &disk);
    // The file was changed from outside: keeps it aside, and the text is null.
    QByteArray keepChanged(const QString &path, const QString &copyBase, const Disk &disk);

    // >= 0: an entry of the earlier save; < 0: new text number -1 - value.
    std::vector<qsizetype> m_pieces;
    QList<QByteArray> m_new;
    qsizetype m_newCount = 0;
    std::shared_ptr<SavedLayout> m_earlier;
    // Once its text was made: that text's entries, and what the pieces refer to from then on.
    std::shared_ptr<const Written> m_written;
    std::shared_ptr<const Written> m_base;
    // The writer's thread reads an earlier save while the GUI thread may tell it is on disk.
    std::mutex m_mutex;
    std::atomic<bool> m_lost{false};
    // Set before the answer is posted, read where it is delivered.
    bool m_uncopied = false;
};

} // namespace EventsManagerPrivate
