// Draws the events editor's icons (bullets, day marks, panel and tool bar pictures) as PNG files.
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
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

// A rounded tile in a colour with a white symbol on it.
static Draw tile(const QColor &color, const QString &symbol)
{
    return [=](QPainter &p, const QRectF &r) {
        const QRectF box = r.adjusted(1, 1, -1, -1);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawRoundedRect(box, r.width() / 6, r.width() / 6);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(int(r.height() * 0.62));
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignCenter, symbol);
    };
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

    save(root + "/red/folder16.png", 16, tile(red, QStringLiteral("▭")));
    save(root + "/red/add16.png", 16, tile(red, QStringLiteral("+")));
    save(root + "/red/edit16.png", 16, tile(red, QStringLiteral("✎")));
    save(root + "/red/cancel16.png", 16, tile(red, QStringLiteral("×")));
    save(root + "/red/up16.png", 16, tile(red, QStringLiteral("▲")));
    save(root + "/red/down16.png", 16, tile(red, QStringLiteral("▼")));
    save(root + "/red/ok.png", 16, tile(red, QStringLiteral("✓")));

    save(root + "/add.png", 28, tile(green, QStringLiteral("+")));
    save(root + "/edit_blue.png", 28, tile(blue, QStringLiteral("✎")));
    save(root + "/search_16.png", 28, tile(blue, QStringLiteral("⌕")));
    save(root + "/delete.png", 28, tile(red, QStringLiteral("×")));
    save(root + "/undo.png", 28, tile(grey, QStringLiteral("↶")));
    save(root + "/redo.png", 28, tile(grey, QStringLiteral("↷")));
    save(root + "/export.png", 28, tile(blue, QStringLiteral("⇧")));
    save(root + "/import.png", 28, tile(blue, QStringLiteral("⇩")));
    save(root + "/print.png", 28, tile(grey, QStringLiteral("⎙")));
    save(root + "/calendar2/calendar_24.png", 24, tile(blue, QStringLiteral("31")));
    save(root + "/table_24.png", 24, tile(blue, QStringLiteral("≡")));
    save(root + "/tree.png", 28, tile(green, QStringLiteral("☰")));
    save(root + "/backup.png", 16, tile(grey, QStringLiteral("⛁")));
    return 0;
}
