// Draws the gadget themes' icons into resources/Ostrevalder/icons/gadget (Dark Blue) and its green/
// folder (Solid Green). Run by hand after changing a picture:
//   ./render.sh
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

using Draw = std::function<void(QPainter &, const QColor &)>; // draws on a 32 x 32 canvas

struct Theme
{
    QString dir;
    QColor ink;     // the theme's foreground
    QColor accent;  // hover and check colour
    QColor caption; // the caption bar's buttons, drawn on the dark caption gradient
};

static void save(const QString &dir, const QString &name, int size, const QColor &ink, const Draw &draw)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    draw(p, ink);
    p.end();
    QDir().mkpath(dir);
    img.save(dir + "/" + name, "PNG");
}

static QPen pen(const QColor &c, qreal w)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

static void gear(QPainter &p, const QColor &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(16, 16);
        p.rotate(i * 45);
        p.drawRoundedRect(QRectF(-3.5, -15, 7, 8), 1.5, 1.5);
        p.restore();
    }
    QPainterPath ring;
    ring.addEllipse(QPointF(16, 16), 10.5, 10.5);
    ring.addEllipse(QPointF(16, 16), 4.5, 4.5);
    p.drawPath(ring);
}

static void cross(QPainter &p, const QColor &c)
{
    p.setPen(pen(c, 4.5));
    p.drawLine(QPointF(8, 8), QPointF(24, 24));
    p.drawLine(QPointF(24, 8), QPointF(8, 24));
}

static void roundCross(QPainter &p, const QColor &c, const QColor &ground)
{
    p.setPen(Qt::NoPen);
    p.setBrush(ground);
    p.drawEllipse(QPointF(16, 16), 15, 15);
    p.setPen(pen(c, 4));
    p.drawLine(QPointF(10, 10), QPointF(22, 22));
    p.drawLine(QPointF(22, 10), QPointF(10, 22));
}

static void check(QPainter &p, const QColor &c)
{
    p.setPen(pen(c, 5));
    p.setBrush(Qt::NoBrush);
    QPainterPath tick;
    tick.moveTo(6, 17);
    tick.lineTo(13, 25);
    tick.lineTo(27, 7);
    p.drawPath(tick);
}

static void ring(QPainter &p, const QColor &c)
{
    p.setPen(pen(c, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16, 16), 11, 11);
}

static void sizeGrip(QPainter &p, const QColor &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int row = 0; row < 3; ++row)
        for (int col = 2 - row; col < 3; ++col)
            p.drawEllipse(QPointF(10 + col * 8, 10 + row * 8), 2.5, 2.5);
}

static void pencil(QPainter &p, const QColor &c)
{
    p.save();
    p.translate(16, 16);
    p.rotate(45);
    p.setPen(pen(c, 2));
    p.setBrush(QColor(c.red(), c.green(), c.blue(), 90));
    p.drawRect(QRectF(-4, -14, 8, 20));
    QPainterPath tip;
    tip.moveTo(-4, 6);
    tip.lineTo(0, 13);
    tip.lineTo(4, 6);
    tip.closeSubpath();
    p.setBrush(c);
    p.drawPath(tip);
    p.restore();
}

static void page(QPainter &p, const QColor &c)
{
    p.setPen(pen(c, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(6, 3, 20, 26), 3, 3);
}

static void lines(QPainter &p, const QColor &c, int from)
{
    p.setPen(pen(c, 2.2));
    for (int y = from; y <= 23; y += 5)
        p.drawLine(QPointF(11, y), QPointF(21, y));
}

static void newToDo(QPainter &p, const QColor &c)
{
    page(p, c);
    lines(p, c, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 190, 60));
    p.drawEllipse(QPointF(23, 23), 8, 8);
    p.setPen(pen(Qt::white, 2.6));
    p.drawLine(QPointF(23, 18.5), QPointF(23, 27.5));
    p.drawLine(QPointF(18.5, 23), QPointF(27.5, 23));
}

static void editor(QPainter &p, const QColor &c)
{
    p.setPen(pen(c, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(4, 6, 24, 22), 3, 3);
    p.drawLine(QPointF(4, 12), QPointF(28, 12));
    p.drawLine(QPointF(10, 3), QPointF(10, 8));
    p.drawLine(QPointF(22, 3), QPointF(22, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int r = 0; r < 2; ++r)
        for (int col = 0; col < 3; ++col)
            p.drawRect(QRectF(8 + col * 6, 15 + r * 6, 4, 3));
}

static void clearList(QPainter &p, const QColor &c)
{
    page(p, c);
    lines(p, c, 9);
    p.setPen(pen(QColor(220, 60, 50), 3));
    p.drawLine(QPointF(4, 28), QPointF(28, 4));
}

static void minus(QPainter &p, const QColor &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(215, 60, 50));
    p.drawEllipse(QPointF(16, 16), 12, 12);
    p.setPen(pen(Qt::white, 4));
    p.drawLine(QPointF(10, 16), QPointF(22, 16));
    Q_UNUSED(c);
}

static void palette(QPainter &p, const QColor &c)
{
    const QColor colours[] = {QColor(0x02, 0x20, 0x4B), QColor(0x97, 0xC2, 0x2A), QColor(230, 120, 40)};
    p.setPen(pen(c, 1.5));
    for (int i = 0; i < 3; ++i) {
        QPainterPath diamond;
        const QPointF o(5 + i * 8, 6 + (i % 2) * 8);
        diamond.moveTo(o + QPointF(0, 9));
        diamond.lineTo(o + QPointF(9, 0));
        diamond.lineTo(o + QPointF(18, 9) - QPointF(0, 0));
        diamond.lineTo(o + QPointF(9, 18));
        diamond.closeSubpath();
        p.setBrush(colours[i]);
        p.drawPath(diamond.translated(-2, 0));
    }
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("../Ostrevalder/icons");
    const Theme themes[] = {
        {root + "/gadget", QColor(235, 240, 250), QColor(120, 200, 255), QColor(235, 240, 250)},
        {root + "/gadget/green", QColor(20, 40, 10), QColor(255, 255, 255), QColor(250, 252, 240)},
    };
    for (const Theme &t : themes) {
        QColor faint = t.ink;
        faint.setAlpha(110);
        // Resting caption buttons stay quieter than on hover, yet keep 3:1 against the caption.
        QColor captionResting = t.caption;
        captionResting.setAlpha(190);
        save(t.dir, "gear.png", 16, t.caption, gear);
        save(t.dir, "gear_inactive.png", 16, captionResting, gear);
        save(t.dir, "cross.png", 16, t.accent, cross);
        save(t.dir, "cross_inactive.png", 16, captionResting, cross);
        save(t.dir, "remove.png", 12, faint, cross);
        save(t.dir, "remove_hover.png", 12, t.ink, [](QPainter &p, const QColor &c) {
            roundCross(p, Qt::white, QColor(215, 60, 50));
            Q_UNUSED(c);
        });
        save(t.dir, "check_bullet.png", 13, t.accent, check);
        save(t.dir, "check_bullet_unchecked.png", 13, faint, ring);
        save(t.dir, "sizegrip.png", 12, faint, sizeGrip);
        save(t.dir, "menuclose.png", 16, t.ink, cross);
        save(t.dir, "menuedit.png", 16, t.ink, pencil);
        save(t.dir, "menueditor.png", 16, t.ink, editor);
        save(t.dir, "menuclear.png", 16, t.ink, clearList);
        save(t.dir, "menunewtodo.png", 16, t.ink, newToDo);
        save(t.dir, "menuremove.png", 16, t.ink, minus);
        save(t.dir, "menusettings.png", 16, t.ink, gear);
        save(t.dir, "menutheme.png", 16, t.ink, palette);
    }
    return 0;
}
