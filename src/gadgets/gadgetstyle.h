#pragma once

#include <QProxyStyle>

// The widget style of the gadget windows: Fusion without the horizontal margin item views put around
// item texts. One instance serves every gadget.
class GadgetStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // Made on first use; the application object deletes it at exit.
    static GadgetStyle *instance();

    ~GadgetStyle() override;

    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;

private:
    GadgetStyle();
};
