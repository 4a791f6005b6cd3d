#include "diagnostics/widgetinfotexts.h"

#include <QtMath>

namespace WidgetInfoTextsPrivate {

const QString s_linksHead =
    QStringLiteral("<html><head><style type=text/css>a:link {color:rgb(210,210,255);}</style></head><body>");
const QString s_linksTail = QStringLiteral("</body>");

} // namespace WidgetInfoTextsPrivate

using namespace WidgetInfoTextsPrivate;

namespace Debug {

double pointsFromPixels(int pixels, double dpi)
{
    return pixels * 72.0 / dpi;
}

int pixelsFromPoints(double points, double dpi)
{
    return qFloor(points * (dpi / 72.0) + 0.5);
}

QVariant typedPropertyValue(const QString &text)
{
    bool ok = false;
    if (text.contains(QLatin1Char('.'))) {
        const double value = text.toDouble(&ok);
        return ok ? QVariant(value) : QVariant(text);
    }
    if (text.startsWith(QLatin1String("0x"))) {
        const int value = text.mid(2).toInt(&ok, 16);
        return ok ? QVariant(value) : QVariant(text);
    }
    const QString word = text.trimmed().toUpper();
    if (word == QLatin1String("TRUE"))
        return 1;
    if (word == QLatin1String("FALSE"))
        return 0;
    const int value = text.toInt(&ok, 10);
    return ok ? QVariant(value) : QVariant(text);
}

ColorTexts colorTexts(int red, int green, int blue)
{
    ColorTexts texts;
    texts.dec = QStringLiteral("(%1, %2, %3)").arg(red).arg(green).arg(blue);
    texts.hex = QStringLiteral("(0x%1, 0x%2, 0x%3)").arg(red, 0, 16).arg(green, 0, 16).arg(blue, 0, 16);
    texts.html = QStringLiteral("#%1%2%3")
                     .arg(red, 2, 16, QLatin1Char('0'))
                     .arg(green, 2, 16, QLatin1Char('0'))
                     .arg(blue, 2, 16, QLatin1Char('0'));
    return texts;
}

QString linkText(int number, const QString &className, const QString &objectName)
{
    return QStringLiteral("<a href='%1'>%2(%3)</a>").arg(number).arg(className, objectName);
}

QString ownersText(const QStringList &links)
{
    return s_linksHead + links.join(QStringLiteral(" - ")) + s_linksTail;
}

QString childrenText(QStringList links)
{
    links.sort();
    return s_linksHead + links.join(QStringLiteral(", ")) + s_linksTail;
}

} // namespace Debug
