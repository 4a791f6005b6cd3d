#pragma once

#include <QDateTime>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QVariant>

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
    virtual void objectFromMap(const QVariant &value) = 0;
    virtual QObject *qObject() = 0;
    virtual QDateTime modified() const = 0;
};

using IToDoRecordPtr = QSharedPointer<IToDoRecord>;

// A to-do: its text, whether it is done, and when it last changed.
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
    void objectFromMap(const QVariant &value) override;
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
};
