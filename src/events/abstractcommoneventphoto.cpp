#include "events/abstractcommonevent.h"

#include "core/iapplication.h"
#include "core/log.h"
#include "core/storage.h"
#include "events/eventkinds.h"

#include <QBuffer>
#include <QHash>
#include <QPainter>

namespace AbstractCommonEventPhotoPrivate {

// Pictures last produced under a photo or corner key, shared by all events for the whole run.
QHash<QByteArray, QPixmap> &photoCache()
{
    static QHash<QByteArray, QPixmap> s_cache;
    return s_cache;
}

Storage *storage()
{
    IApplication *app = IApplication::instance();
    return app ? app->storage() : nullptr;
}

QPixmap readPixmap(const QByteArray &key)
{
    Storage *st = storage();
    QBuffer buffer;
    QPixmap pixmap;
    if (st && st->read(key, &buffer))
        pixmap.loadFromData(buffer.data());
    return pixmap;
}

} // namespace AbstractCommonEventPhotoPrivate

using namespace AbstractCommonEventPhotoPrivate;

QByteArray AbstractCommonEvent::photoKey() const
{
    // Made once: lists ask for every shown event's picture on each layout and paint.
    static const QByteArray s_suffix =
        "photo" + QByteArray::number(s_photoSize) + 'x' + QByteArray::number(s_photoSize);
    return id() + s_suffix;
}

QByteArray AbstractCommonEvent::cornerKey() const
{
    return photoKey() + "corner";
}

void AbstractCommonEvent::storePhotoBytes(const QPixmap &photo)
{
    Storage *st = storage();
    if (!QR_CHECK(st))
        return;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    photo.save(&buffer, "PNG", 100);
    buffer.close();
    if (!st->write(photoKey(), &buffer))
        QR_LOG("Cannot store the photo of event " + id());
}

void AbstractCommonEvent::setPhoto(const QPixmap &photo)
{
    storePhotoBytes(photo);
    m_hasPhoto = true;
    notifyDataChanged();
    photoCache().insert(photoKey(), photo);
    photoCache().remove(cornerKey());
}

void AbstractCommonEvent::updatePhoto(const QPixmap &photo)
{
    setPhoto(photo);
}

bool AbstractCommonEvent::hasStoredPhoto() const
{
    Storage *st = storage();
    return st && st->contains(photoKey());
}

bool AbstractCommonEvent::removePhoto()
{
    m_hasPhoto = false;
    Storage *st = storage();
    if (!st || !st->contains(photoKey()))
        return false;
    st->erase(photoKey());
    return true;
}

bool AbstractCommonEvent::restorePhoto()
{
    Storage *st = storage();
    const bool restored = st && st->cancelErase(photoKey());
    m_hasPhoto = hasStoredPhoto();
    return restored;
}

void AbstractCommonEvent::resetPhoto()
{
    removePhoto();
}

void AbstractCommonEvent::clearPhotoCache()
{
    photoCache().remove(photoKey());
    photoCache().remove(cornerKey());
    // A burst of windows grew the table: its room goes with the last picture.
    if (photoCache().isEmpty())
        photoCache() = {};
}

bool AbstractCommonEvent::hasCustomTypePicture() const
{
    Storage *st = storage();
    return m_customTypeMetaInfo.isValid() && st && st->contains(m_customTypeMetaInfo.photoId());
}

bool AbstractCommonEvent::cornerAllowed() const
{
    return (hasStoredPhoto() || hasDefaultPhoto()) && !m_customTypeMetaInfo.isValid();
}

QIcon AbstractCommonEvent::icon() const
{
    return EventKinds::picture(m_type);
}

QPixmap AbstractCommonEvent::pixmap() const
{
    return EventKinds::listPixmap(m_type);
}

QPixmap AbstractCommonEvent::largePixmap() const
{
    return EventKinds::cornerPixmap(m_type);
}

bool AbstractCommonEvent::hasDefaultPhoto() const
{
    const EventKinds::Kind *kind = EventKinds::find(m_type);
    return kind && kind->defaultPhoto;
}

QIcon AbstractCommonEvent::defaultPhoto() const
{
    if (hasCustomTypePicture())
        return QIcon(readPixmap(m_customTypeMetaInfo.photoId()));
    return icon();
}

QPixmap AbstractCommonEvent::photo(bool withCorner) const
{
    const bool useCorner = withCorner && cornerAllowed();
    const QByteArray key = useCorner ? cornerKey() : photoKey();
    const auto cached = photoCache().constFind(key);
    if (cached != photoCache().constEnd())
        return *cached;

    QPixmap picture;
    if (hasStoredPhoto()) {
        picture = readPixmap(photoKey());
    } else if (hasCustomTypePicture()) {
        picture = readPixmap(m_customTypeMetaInfo.photoId());
    } else {
        const QIcon kindIcon = icon();
        const QList<QSize> sizes = kindIcon.availableSizes();
        if (!sizes.isEmpty())
            picture = kindIcon.pixmap(sizes.last());
    }

    if (useCorner && !picture.isNull()) {
        const QPixmap corner = largePixmap();
        if (!corner.isNull()) {
            QPainter painter(&picture);
            painter.drawPixmap((picture.width() - 1) - corner.width(), (picture.height() - 1) - corner.height(),
                               corner);
        }
    }
    photoCache().insert(key, picture);
    return picture;
}
