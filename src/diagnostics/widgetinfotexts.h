#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// The widget inspector's arithmetic and texts, apart from its window so that they are tested alone.
namespace Debug {

// Points from pixels and back at a logical resolution; pixels round halves upward.
double pointsFromPixels(int pixels, double dpi);
int pixelsFromPoints(double points, double dpi);

// A typed value for the property text a developer enters: a real number when it holds ".", a
// hexadecimal number after "0x", 1 and 0 for true and false, a decimal number, else the text itself.
QVariant typedPropertyValue(const QString &text);

struct ColorTexts
{
    QString dec;
    QString hex;
    QString html;
};
ColorTexts colorTexts(int red, int green, int blue);

// One link to a widget of the owner or children rows, numbered as it was made.
QString linkText(int number, const QString &className, const QString &objectName);
// The owners from the nearest up, joined with " - ", as the text of a rich label.
QString ownersText(const QStringList &links);
// The children sorted as plain texts (so link 12 comes before link 4), joined with ", ".
QString childrenText(QStringList links);

} // namespace Debug
