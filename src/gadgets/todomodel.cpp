#include "gadgets/todomodel.h"

#include "core/jsonparser.h"
#include "core/log.h"

#include <QBuffer>
#include <QMimeData>
#include <QWidget>

const QString ToDoModel::s_mimeType = QStringLiteral("quillane:todo");

ToDoModel::ToDoModel(ToDoStorage *storage) : m_storage(storage)
{
    connect(m_storage, &ToDoStorage::todoChanged, this, &ToDoModel::onToDoChanged);
    connect(m_storage, &ToDoStorage::todoAboutToBeAdded, this, &ToDoModel::onToDoAboutToBeAdded);
    connect(m_storage, &ToDoStorage::todoAdded, this, &ToDoModel::onToDoAdded);
    connect(m_storage, &ToDoStorage::todoAboutToBeRemove, this, &ToDoModel::onToDoAboutToBeRemoved);
    connect(m_storage, &ToDoStorage::todoRemoved, this, &ToDoModel::onTodoRemoved);
    connect(m_storage, &ToDoStorage::todoAboutToBeMoved, this, &ToDoModel::onToDoAboutToBeMoved);
    connect(m_storage, &ToDoStorage::todoMoved, this, &ToDoModel::onToDoMoved);
    connect(m_storage, &ToDoStorage::allDataChanged, this, &ToDoModel::onAllDataChanged);
}

ToDoModel::~ToDoModel() = default;

void ToDoModel::setFontWidget(QWidget *widget)
{
    m_fontWidget = widget;
}

int ToDoModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_storage->count();
}

int ToDoModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant ToDoModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_storage->count())
        return QVariant();
    const IToDoRecordPtr record = m_storage->eventByIndex(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return record->text();
    case Qt::FontRole:
        if (m_fontWidget && record->isDone()) {
            QFont font = m_fontWidget->font();
            font.setStrikeOut(true);
            return font;
        }
        return QVariant();
    case Qt::CheckStateRole:
        return int(record->isDone() ? Qt::Checked : Qt::Unchecked);
    default:
        return QVariant();
    }
}

bool ToDoModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!QR_CHECK(index.isValid()) || index.row() >= m_storage->count())
        return false;
    const IToDoRecordPtr record = m_storage->eventByIndex(index.row());
    if (role == Qt::EditRole) {
        record->setText(value.toString());
        return true;
    }
    if (role == Qt::CheckStateRole) {
        record->setDone(value.toBool());
        return true;
    }
    return false;
}

QStringList ToDoModel::mimeTypes() const
{
    return {s_mimeType};
}

QMimeData *ToDoModel::mimeData(const QModelIndexList &indexes) const
{
    QR_ASSERT(indexes.count() == 1);
    if (indexes.isEmpty())
        return nullptr;
    QR_ASSERT(indexes.first().isValid());
    const int row = indexes.first().row();
    if (!indexes.first().isValid() || row >= m_storage->count())
        return nullptr;
    auto *mime = new QMimeData;
    mime->setData(s_mimeType, Common::toJson(m_storage->eventByIndex(row)->objectToMap()));
    return mime;
}

IToDoRecordPtr ToDoModel::recordFromPayload(const QByteArray &payload)
{
    QVariant value;
    try {
        value = Common::readJson(payload);
    } catch (const std::exception &e) {
        QR_LOG(QByteArray("ToDo: refused a drop that is not JSON: ") + e.what());
        return IToDoRecordPtr();
    }
    const QVariantMap map = value.toMap();
    if (value.userType() != QMetaType::QVariantMap ||
        map.value(QStringLiteral("text")).userType() != QMetaType::QString) {
        QR_LOG("ToDo: refused a drop without a to-do text");
        return IToDoRecordPtr();
    }
    IToDoRecordPtr record = ToDoRecord::create();
    record->objectFromMap(map);
    return record;
}

bool ToDoModel::dropMimeData(const QMimeData *data, Qt::DropAction, int row, int, const QModelIndex &)
{
    QR_ASSERT(row >= 0 && row <= rowCount());
    if (!data || row < 0 || row > rowCount() || !data->hasFormat(s_mimeType))
        return false;
    const IToDoRecordPtr record = recordFromPayload(data->data(s_mimeType));
    if (!record)
        return false;
    m_storage->insertEvent(row, record);
    return true;
}

Qt::DropActions ToDoModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

bool ToDoModel::removeRows(int row, int count, const QModelIndex &parent)
{
    QR_ASSERT(row >= 0 && row + count <= rowCount());
    if (parent.isValid() || row < 0 || count < 0 || row + count > rowCount())
        return false;
    for (int i = 0; i < count; ++i)
        m_storage->removeEvent(m_storage->eventByIndex(row));
    return true;
}

Qt::ItemFlags ToDoModel::flags(const QModelIndex &index) const
{
    // The root only takes drops (between rows, or into an empty list); item views expect no more of it.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled |
           Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
}

void ToDoModel::onToDoChanged(int index)
{
    emit dataChanged(this->index(index, 0), this->index(index, 0));
}

void ToDoModel::onToDoAboutToBeAdded(int index)
{
    beginInsertRows(QModelIndex(), index, index);
}

void ToDoModel::onToDoAdded()
{
    endInsertRows();
}

void ToDoModel::onToDoAboutToBeRemoved(int index)
{
    beginRemoveRows(QModelIndex(), index, index);
}

void ToDoModel::onTodoRemoved()
{
    endRemoveRows();
}

void ToDoModel::onToDoAboutToBeMoved(int index, int delta)
{
    const int destination = delta >= 0 ? index + delta + 1 : index + delta;
    beginMoveRows(QModelIndex(), index, index, QModelIndex(), destination);
}

void ToDoModel::onToDoMoved()
{
    endMoveRows();
}

void ToDoModel::onAllDataChanged()
{
    beginResetModel();
    endResetModel();
}
