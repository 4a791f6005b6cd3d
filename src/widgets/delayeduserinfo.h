#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>

#include <functional>

// Shows a message box later, from the event loop, so code that finds a problem in the middle of other work
// can tell the user without blocking or re-entering itself. Create it with new and forget it.
class DelayedUserInfo : public QObject
{
    Q_OBJECT

public:
    using ShowFunction = std::function<void(QMessageBox::Icon, const QString &title, const QString &text)>;

    DelayedUserInfo(QMessageBox::Icon icon, const QString &title, const QString &text);

    // Tests answer the box through this; an empty function restores the real message box.
    static void setShowFunction(ShowFunction function);

public slots:
    void show();

private:
    QMessageBox::Icon m_icon;
    QString m_title;
    QString m_text;
};
