// Draws the events editor's icons (bullets, day marks, panel and tool bar pictures) as PNG files.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>

#include <functional>

using Draw = std::function<void(QPainter &, const QRectF &)>;

static void save(const QString &path, int side, const Draw &draw)
{
    QDir().mkpath(QFileInfo(path).path());
    QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, QRectF(0, 0, side, side));
    p.end();
    // An icon whose symbol failed to draw would ship as an empty tile or nothing.
    QList<QRgb> colours;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (qAlpha(img.pixel(x, y)) > 0 && !colours.contains(img.pixel(x, y)) && colours.size() < 3)
                colours << img.pixel(x, y);
    if (colours.size() < 2 && !path.endsWith(QLatin1String("empty10.png")))
        qFatal("blank icon: %s", qPrintable(path));
    img.save(path, "PNG");
}

static Draw disc(const QColor &color, qreal radius)
{
    return [=](QPainter &p, const QRectF &r) {
        p.setPen(QPen(color.darker(140), 1));
        p.setBrush(color);
        p.drawEllipse(r.center(), radius, radius);
    };
}

// Draws a symbol in white on a 24 x 24 design grid; the tile scales it to its size.
using Shape = std::function<void(QPainter &)>;

// A rounded tile in a colour with a white symbol on it. Symbols are shapes, not font glyphs:
// a glyph the font lacks would leave an empty tile.
static Draw tile(const QColor &color, const Shape &shape)
{
    return [=](QPainter &p, const QRectF &r) {
        const QRectF box = r.adjusted(1, 1, -1, -1);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawRoundedRect(box, r.width() / 6, r.width() / 6);
        p.save();
        p.translate(r.topLeft());
        p.scale(r.width() / 24.0, r.height() / 24.0);
        p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::white);
        shape(p);
        p.restore();
    };
}

static void plus(QPainter &p)
{
    p.drawLine(QPointF(12, 6), QPointF(12, 18));
    p.drawLine(QPointF(6, 12), QPointF(18, 12));
}

static void crossMark(QPainter &p)
{
    p.drawLine(QPointF(7, 7), QPointF(17, 17));
    p.drawLine(QPointF(17, 7), QPointF(7, 17));
}

static void pencil(QPainter &p)
{
    QPainterPath path;
    path.moveTo(15, 5);
    path.lineTo(19, 9);
    path.lineTo(10, 18);
    path.lineTo(5, 19);
    path.lineTo(6, 14);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.drawPath(path);
}

static void magnifier(QPainter &p)
{
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(10.5, 10.5), 4.5, 4.5);
    p.drawLine(QPointF(14, 14), QPointF(18.5, 18.5));
}

// A curved arrow turning left (undo) or right (redo).
static Shape turnArrow(bool left)
{
    return [=](QPainter &p) {
        if (!left) {
            p.translate(24, 0);
            p.scale(-1, 1);
        }
        p.setBrush(Qt::NoBrush);
        QPainterPath arc;
        arc.moveTo(8, 10);
        arc.lineTo(14, 10);
        arc.cubicTo(20, 10, 20, 18, 14, 18);
        arc.lineTo(10, 18);
        p.drawPath(arc);
        QPainterPath head;
        head.moveTo(4, 10);
        head.lineTo(9, 5.5);
        head.lineTo(9, 14.5);
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(head);
    };
}

// An arrow up out of a tray (export) or down into it (import).
static Shape trayArrow(bool up)
{
    return [=](QPainter &p) {
        p.setBrush(Qt::NoBrush);
        QPainterPath tray;
        tray.moveTo(5, 14);
        tray.lineTo(5, 19);
        tray.lineTo(19, 19);
        tray.lineTo(19, 14);
        p.drawPath(tray);
        p.drawLine(QPointF(12, up ? 7 : 5), QPointF(12, up ? 15 : 12));
        QPainterPath head;
        if (up) {
            head.moveTo(12, 4);
            head.lineTo(16.5, 9);
            head.lineTo(7.5, 9);
        } else {
            head.moveTo(12, 16);
            head.lineTo(16.5, 11);
            head.lineTo(7.5, 11);
        }
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(head);
    };
}

static void printer(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(8, 4, 8, 4));                   // the paper going in
    p.drawRoundedRect(QRectF(4, 9, 16, 7), 1.5, 1.5); // the body
    p.drawRect(QRectF(8, 14, 8, 6));                  // the printed sheet
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.drawLine(QPointF(9.5, 16.5), QPointF(14.5, 16.5));
    p.drawLine(QPointF(9.5, 18.5), QPointF(14.5, 18.5));
}

static void calendarPage(QPainter &p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 2));
    p.drawRoundedRect(QRectF(5, 6, 14, 13), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5, 6, 14, 4));
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column)
            p.drawRect(QRectF(7.5 + column * 3.5, 12 + row * 3.5, 2, 2));
}

static void tableRows(QPainter &p)
{
    for (int row = 0; row < 3; ++row)
        p.drawLine(QPointF(6, 7.5 + row * 4.5), QPointF(18, 7.5 + row * 4.5));
}

static void treeBranches(QPainter &p)
{
    p.setPen(QPen(Qt::white, 1.8));
    p.drawLine(QPointF(7, 8), QPointF(7, 17));
    p.drawLine(QPointF(7, 12.5), QPointF(12, 12.5));
    p.drawLine(QPointF(7, 17), QPointF(12, 17));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(4.5, 4.5, 5, 4));
    p.drawRect(QRectF(12, 10.5, 7, 4));
    p.drawRect(QRectF(12, 15, 7, 4));
}

static void cylinder(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(5, 7, 14, 11));
    p.drawEllipse(QRectF(5, 15, 14, 5));
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(QRectF(5, 4.5, 14, 5));
}

static void folder(QPainter &p)
{
    QPainterPath path;
    path.moveTo(4, 7);
    path.lineTo(10, 7);
    path.lineTo(12, 9);
    path.lineTo(20, 9);
    path.lineTo(20, 18);
    path.lineTo(4, 18);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.drawPath(path);
}

static Shape triangle(bool up)
{
    return [=](QPainter &p) {
        QPainterPath path;
        path.moveTo(12, up ? 6 : 18);
        path.lineTo(19, up ? 17 : 7);
        path.lineTo(5, up ? 17 : 7);
        path.closeSubpath();
        p.setPen(Qt::NoPen);
        p.drawPath(path);
    };
}

static void tick(QPainter &p)
{
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(6, 12.5);
    path.lineTo(10.5, 17);
    path.lineTo(18, 7.5);
    p.drawPath(path);
}

static void clockFace(QPainter &p, const QRectF &r)
{
    const QPointF c = r.center();
    p.setPen(QPen(QColor(40, 70, 150), 1.4));
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(c, r.width() / 2 - 1.5, r.height() / 2 - 1.5);
    p.drawLine(c, c + QPointF(0, -r.height() / 2 + 4));
    p.drawLine(c, c + QPointF(r.width() / 2 - 5, 0));
}

static void trail(QPainter &p, const QRectF &r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 150, 150));
    p.drawRoundedRect(QRectF(r.left() + 1, r.center().y() - 1.5, r.width() - 2, 3), 1.5, 1.5);
}

static void cross(const QColor &color, QPainter &p, const QRectF &r)
{
    p.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft() + QPointF(2, 2), r.bottomRight() - QPointF(2, 2));
    p.drawLine(r.topRight() + QPointF(-2, 2), r.bottomLeft() + QPointF(2, -2));
}

static void recur(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(QColor(60, 120, 60), 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(r.adjusted(1.5, 1.5, -1.5, -1.5), 30 * 16, 280 * 16);
    QPainterPath head;
    head.moveTo(r.right() - 1, r.top() + 1);
    head.lineTo(r.right() - 1, r.center().y());
    head.lineTo(r.center().x() + 1, r.top() + 2);
    p.setBrush(QColor(60, 120, 60));
    p.drawPath(head);
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const QColor blue(70, 110, 190), red(190, 60, 50), green(60, 140, 70), grey(120, 120, 120);

    save(root + "/bullet_custom_event.png", 16, disc(blue, 3.5));
    save(root + "/bullet_custom_event_big.png", 16, disc(blue, 6));
    save(root + "/bullet_base_event.png", 16, disc(green, 5));
    save(root + "/empty10.png", 10, [](QPainter &, const QRectF &) {});
    save(root + "/recur.png", 10, recur);
    save(root + "/status/clock.png", 16, clockFace);
    save(root + "/status/clock_trail.png", 16, trail);
    save(root + "/close_panel_gray.png", 10, [&](QPainter &p, const QRectF &r) { cross(grey, p, r); });
    save(root + "/close_panel_blue.png", 10, [&](QPainter &p, const QRectF &r) { cross(blue, p, r); });

    // The tool bar's and menus' icons also at twice the size, as "name@2x.png", for 2x screens.
    auto both = [&](const QString &name, int side, const Draw &draw) {
        save(root + "/" + name + ".png", side, draw);
        save(root + "/" + name + "@2x.png", side * 2, draw);
    };

    // Tool bar icons in colour: a grey one looks like a disabled button.
    const QColor teal(40, 130, 140);
    save(root + "/red/folder16.png", 16, tile(red, folder));
    save(root + "/red/add16.png", 16, tile(red, plus));
    save(root + "/red/edit16.png", 16, tile(red, pencil));
    save(root + "/red/cancel16.png", 16, tile(red, crossMark));
    save(root + "/red/up16.png", 16, tile(red, triangle(true)));
    save(root + "/red/down16.png", 16, tile(red, triangle(false)));
    save(root + "/red/ok.png", 16, tile(red, tick));

    both("add", 28, tile(green, plus));
    both("edit_blue", 28, tile(blue, pencil));
    both("search_16", 28, tile(blue, magnifier));
    both("delete", 28, tile(red, crossMark));
    both("undo", 28, tile(teal, turnArrow(true)));
    both("redo", 28, tile(teal, turnArrow(false)));
    both("export", 28, tile(blue, trayArrow(true)));
    both("import", 28, tile(blue, trayArrow(false)));
    both("print", 28, tile(teal, printer));
    both("calendar2/calendar_24", 24, tile(blue, calendarPage));
    both("table_24", 24, tile(blue, tableRows));
    both("tree", 28, tile(green, treeBranches));
    both("backup", 16, tile(teal, cylinder));
    return 0;
}
