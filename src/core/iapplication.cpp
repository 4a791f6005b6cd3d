#include "core/iapplication.h"

#include <QCoreApplication>

namespace IApplicationPrivate {
IApplication *s_instance = nullptr;
}

IApplication *IApplication::instance()
{
    return IApplicationPrivate::s_instance;
}

void IApplication::setInstance(IApplication *app)
{
    IApplicationPrivate::s_instance = app;
}

IApplication::~IApplication()
{
    if (IApplicationPrivate::s_instance == this)
        IApplicationPrivate::s_instance = nullptr;
}

QMetaObject::Connection IApplication::connectNewVersionAvailable(QObject *, std::function<void()>)
{
    return {};
}

void IApplication::setSettingsValues(const QList<QPair<QByteArray, QVariant>> &values)
{
    for (const auto &[key, value] : values)
        setSettingsValue(key, value);
}

void IApplication::exitApp()
{
    QCoreApplication::quit();
}
