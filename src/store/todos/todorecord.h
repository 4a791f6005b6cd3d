#pragma once

#include <QDateTime>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// One to-do as the to-do list sees it.
class IToDoRecord
{
public:
    virtual ~IToDoRecord() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
    virtual bool isDone() const = 0;
    virtual void setDone(bool done) = 0;
    virtual void deleteLater() = 0;
    virtual QVariant objectToMap() const = 0;
    // False when the value held more than the record could take (a field of the wrong type).
    virtual bool objectFromMap(const QVariant &value) = 0;
    virtual QObject *qObject() = 0;
    virtual QDateTime modified() const = 0;
};

using IToDoRecordPtr = QSharedPointer<IToDoRecord>;

// A to-do: its text, whether it is done, and when it last changed. Fields of a newer version are kept
// as they were read and written back with the record.
class ToDoRecord : public QObject, public IToDoRecord
{
    Q_OBJECT

public:
    ToDoRecord();

    // A new record held by a shared pointer, the form the storage lists.
    static IToDoRecordPtr create();

    QString text() const override { return m_text; }
    void setText(const QString &text) override;
    bool isDone() const override { return m_done; }
    void setDone(bool done) override;
    void deleteLater() override { QObject::deleteLater(); }
    QVariant objectToMap() const override;
    bool objectFromMap(const QVariant &value) override;
    QObject *qObject() override { return this; }
    QDateTime modified() const override { return m_modified; }

signals:
    void textChanged();
    void doneChanged();
    void changed();

private:
    QString m_text;
    bool m_done = false;
    QDateTime m_modified;
    QVariantMap m_otherFields;
};
