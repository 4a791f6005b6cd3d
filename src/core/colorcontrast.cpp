#include "core/colorcontrast.h"

#include <cmath>

namespace ColorContrastPrivate {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

QColor mix(const QColor &from, const QColor &to, double t)
{
    auto channel = [t](int a, int b) { return int(std::lround(a + (b - a) * t)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()),
                  from.alpha());
}

} // namespace ColorContrastPrivate

namespace ColorContrast {

using namespace ColorContrastPrivate;

double relativeLuminance(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

double worstContrast(const QColor &colour, const QList<QColor> &backgrounds)
{
    double worst = 21.0;
    for (const QColor &background : backgrounds)
        worst = qMin(worst, contrastRatio(colour, background));
    return worst;
}

QColor readableColour(const QColor &wanted, const QList<QColor> &backgrounds, double ratio)
{
    const QColor start = wanted.isValid() ? wanted.toRgb() : QColor(Qt::black);
    if (worstContrast(start, backgrounds) >= ratio)
        return start;
    const QColor black(0, 0, 0, start.alpha());
    const QColor white(255, 255, 255, start.alpha());
    const QColor better = worstContrast(black, backgrounds) >= worstContrast(white, backgrounds) ? black : white;
    // A grey wish has no hue to keep: the clearer of black and white serves it best.
    if (start.hslSaturation() == 0 && worstContrast(better, backgrounds) >= ratio)
        return better;
    // Contrast does not grow steadily along the way when a background lies between the colour and the
    // end, so walk in small steps rather than bisect; the first step that reads is the nearest colour.
    constexpr int steps = 64;
    for (int i = 1; i <= steps; ++i) {
        const double t = double(i) / steps;
        const QColor darker = mix(start, QColor(0, 0, 0, start.alpha()), t);
        const QColor lighter = mix(start, QColor(255, 255, 255, start.alpha()), t);
        const double darkRatio = worstContrast(darker, backgrounds);
        const double lightRatio = worstContrast(lighter, backgrounds);
        if (darkRatio >= ratio || lightRatio >= ratio)
            return darkRatio >= lightRatio ? darker : lighter;
    }
    return better;
}

TextLook readableLook(const QColor &wanted, const QList<QColor> &backgrounds, double ratio)
{
    TextLook look;
    look.text = readableColour(wanted, backgrounds, ratio);
    if (worstContrast(look.text, backgrounds) >= ratio)
        return look;
    const QColor black(0, 0, 0, look.text.alpha());
    const QColor white(255, 255, 255, look.text.alpha());
    look.halo = contrastRatio(look.text, black) >= contrastRatio(look.text, white) ? black : white;
    if (contrastRatio(look.text, look.halo) < ratio)
        look.text = look.halo == black ? white : black;
    return look;
}

} // namespace ColorContrast
