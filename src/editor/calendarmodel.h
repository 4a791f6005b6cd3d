#pragma once

#include <QAbstractListModel>

class EventsManager;

// The calendars of the events manager for the filter panel's list. Renames and drops only become
// requests (renameRequested, moveRequested): the editor makes them as undoable commands.
class CalendarModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // Marks calendars that may be removed or made the default: all but the default one. The same
    // bit as the event types tree's removable flag, so the panel reads both alike.
    static constexpr int ItemIsRemovable = 0x400;
    static constexpr int CalendarIdRole = 33;

    CalendarModel(QObject *parent, EventsManager *manager);

    static QString mimeType();

    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    void moveRequested(int index, int step);
    void renameRequested(int index, const QString &name);

private:
    void onCalendarAboutToBeMoved(int index, int step);
    void onDefaultCalendarChanged(int oldIndex, int newIndex);
    void rowChanged(int row);
    void rowsReplaced();

    EventsManager *m_manager;
    int m_rows;
    bool m_moving = false;
};
