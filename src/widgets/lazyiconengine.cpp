#include "widgets/lazyiconengine.h"

#include <utility>

LazyIconEngine::LazyIconEngine(std::function<QIcon()> make) : m_make(std::move(make)) {}

QIcon &LazyIconEngine::icon()
{
    if (m_make)
        m_icon = std::exchange(m_make, nullptr)();
    return m_icon;
}

void LazyIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    icon().paint(painter, rect, Qt::AlignCenter, mode, state);
}

QSize LazyIconEngine::actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return icon().actualSize(size, mode, state);
}

QPixmap LazyIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return icon().pixmap(size, 1.0, mode, state);
}

void LazyIconEngine::addPixmap(const QPixmap &pixmap, QIcon::Mode mode, QIcon::State state)
{
    icon().addPixmap(pixmap, mode, state);
}

void LazyIconEngine::addFile(const QString &fileName, const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    icon().addFile(fileName, size, mode, state);
}

QList<QSize> LazyIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    return icon().availableSizes(mode, state);
}

bool LazyIconEngine::isNull()
{
    // Asked when a menu entry is added: the pictures are ours, and there.
    return !m_make && m_icon.isNull();
}

QString LazyIconEngine::key() const
{
    return QStringLiteral("LazyIconEngine");
}

QIconEngine *LazyIconEngine::clone() const
{
    auto *copy = new LazyIconEngine(m_make);
    copy->m_icon = m_icon;
    return copy;
}

void LazyIconEngine::virtual_hook(int id, void *data)
{
    // A sharper screen asks here, in device pixels; the made icon picks its twin for that scale.
    if (id == QIconEngine::ScaledPixmapHook) {
        auto *arg = static_cast<ScaledPixmapArgument *>(data);
        arg->pixmap = icon().pixmap(arg->size / arg->scale, arg->scale, arg->mode, arg->state);
        return;
    }
    QIconEngine::virtual_hook(id, data);
}
