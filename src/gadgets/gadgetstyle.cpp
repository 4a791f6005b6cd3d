#include "gadgets/gadgetstyle.h"

#include <QApplication>
#include <QPointer>
#include <QStyleFactory>

GadgetStyle *GadgetStyle::instance()
{
    static QPointer<GadgetStyle> s_instance;
    if (!s_instance) {
        s_instance = new GadgetStyle;
        s_instance->setParent(qApp);
    }
    return s_instance;
}

GadgetStyle::GadgetStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

GadgetStyle::~GadgetStyle() = default;

int GadgetStyle::pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    if (metric == PM_FocusFrameHMargin)
        return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
