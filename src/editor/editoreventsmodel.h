#pragma once

#include "store/eventsmodel.h"

// The calendar page's day list: each event's caption and picture, the picture scaled to the
// height the list's grid allows.
class EditorEventsModel : public EventsModel
{
    Q_OBJECT

public:
    explicit EditorEventsModel(EventsManager *manager, QObject *parent = nullptr);

    // 0 leaves pictures at their own size. Emits nothing: the list repaints after its resize anyway.
    void setPictureHeight(int pixels) { m_pictureHeight = pixels; }
    int pictureHeight() const { return m_pictureHeight; }

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // Next begins are kept until the model resets or the day changes: the find proxy sorts every
    // event by them.
    void clearCache() { m_nextBegins.clear(); }

private:
    int m_pictureHeight = 0;
    mutable QVector<QVariant> m_nextBegins;
};
