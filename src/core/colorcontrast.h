#pragma once

#include <QColor>
#include <QList>

// Legibility arithmetic for text and icons drawn over backgrounds the program does not choose (the
// desktop under the bar, a gadget theme), after the relative-luminance rule of the web's accessibility
// guidelines.
namespace ColorContrast {

// Ratio wanted between normal text and its background.
constexpr double s_textRatio = 4.5;
// Ratio wanted between an icon and its background.
constexpr double s_iconRatio = 3.0;

// 0 for black to 1 for white, as the eye weighs the three channels (alpha ignored).
double relativeLuminance(const QColor &colour);
// From 1 (same luminance) to 21 (black on white), the same whichever colour comes first.
double contrastRatio(const QColor &a, const QColor &b);
// The smallest contrast of `colour` against any of the backgrounds; 21 when there are none.
double worstContrast(const QColor &colour, const QList<QColor> &backgrounds);

// `wanted` when it reaches `ratio` against every background; else, for a grey wish, black or white, and
// for a coloured one the colour nearest to it, lightened towards white or darkened towards black, that does. Where no
// colour reaches it (a background of mid-grey and one of black), black or white, whichever reads better.
QColor readableColour(const QColor &wanted, const QList<QColor> &backgrounds, double ratio = s_textRatio);

// A text colour and, where no one colour reads on every background, a halo drawn around the glyphs.
struct TextLook
{
    QColor text;
    QColor halo; // invalid: no halo
};

// The readable colour alone when it reaches `ratio` on every background; else black or white text (the
// wish when it reads on its halo) inside a halo of the opposite end, so each glyph reads on what
// surrounds it whatever lies behind.
TextLook readableLook(const QColor &wanted, const QList<QColor> &backgrounds, double ratio = s_textRatio);

} // namespace ColorContrast
