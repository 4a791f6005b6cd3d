// Draws the program's logo, the tray menu's icons and the desktop icons. Run by hand after a change:
//   ./render-app.sh
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

using Draw = std::function<void(QPainter &)>; // draws on a 128 x 128 canvas

static void save(const QString &path, int size, const Draw &draw)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 128.0, size / 128.0);
    draw(p);
    p.end();
    QDir().mkpath(QFileInfo(path).path());
    img.save(path, "PNG");
}

static QPen pen(const QColor &c, qreal w)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// The picture at its size and, as "name@2x.png", at twice it, for 2x screens.
static void saveBoth(const QString &path, int size, const Draw &draw)
{
    save(path, size, draw);
    save(QString(path).replace(QLatin1String(".png"), QLatin1String("@2x.png")), size * 2, draw);
}

// A calendar page with a bell: the program's logo.
static void logo(QPainter &p)
{
    p.setPen(pen(QColor(40, 60, 90), 6));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(10, 16, 108, 104), 14, 14);
    p.setBrush(QColor(38, 120, 200));
    p.drawRoundedRect(QRectF(10, 16, 108, 34), 14, 14);
    p.setBrush(QColor(40, 60, 90));
    p.drawRoundedRect(QRectF(32, 4, 12, 26), 6, 6);
    p.drawRoundedRect(QRectF(84, 4, 12, 26), 6, 6);
    QPainterPath bell;
    bell.moveTo(40, 104);
    bell.lineTo(88, 104);
    bell.quadTo(78, 94, 78, 80);
    bell.quadTo(78, 60, 64, 58);
    bell.quadTo(50, 60, 50, 80);
    bell.quadTo(50, 94, 40, 104);
    p.setPen(pen(QColor(150, 100, 10), 4));
    p.setBrush(QColor(250, 190, 40));
    p.drawPath(bell);
    p.drawEllipse(QPointF(64, 110), 6, 6);
}

static void table(QPainter &p)
{
    p.setPen(pen(QColor(60, 70, 90), 8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(10, 18, 108, 92));
    p.setBrush(QColor(38, 120, 200));
    p.drawRect(QRectF(10, 18, 108, 24));
    for (int y = 66; y < 110; y += 22)
        p.drawLine(QPointF(10, y), QPointF(118, y));
    p.drawLine(QPointF(46, 42), QPointF(46, 110));
}

static void creepingLine(QPainter &p)
{
    p.setPen(pen(QColor(40, 60, 90), 8));
    p.setBrush(QColor(38, 120, 200));
    p.drawRoundedRect(QRectF(6, 40, 116, 48), 10, 10);
    p.setPen(pen(Qt::white, 10));
    p.drawLine(QPointF(24, 64), QPointF(70, 64));
    p.drawLine(QPointF(86, 64), QPointF(104, 64));
}

static void todo(QPainter &p)
{
    p.setPen(pen(QColor(30, 70, 140), 8));
    p.setBrush(QColor(120, 180, 240));
    p.drawRoundedRect(QRectF(16, 8, 96, 112), 10, 10);
    p.setPen(pen(Qt::white, 10));
    for (int y = 36; y <= 92; y += 28) {
        p.drawLine(QPointF(32, y), QPointF(42, y + 8));
        p.drawLine(QPointF(42, y + 8), QPointF(56, y - 8));
        p.drawLine(QPointF(66, y), QPointF(98, y));
    }
}

static void gear(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 100, 115));
    p.translate(64, 64);
    for (int i = 0; i < 8; ++i) {
        p.drawRoundedRect(QRectF(-12, -60, 24, 36), 4, 4);
        p.rotate(45);
    }
    p.drawEllipse(QPointF(0, 0), 42, 42);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), 16, 16);
}

// Two gears: the general settings page.
static void gears(QPainter &p)
{
    p.save();
    p.scale(0.72, 0.72);
    gear(p);
    p.restore();
    p.save();
    p.translate(62, 62);
    p.scale(0.5, 0.5);
    gear(p);
    p.restore();
}

static void star(QPainter &p)
{
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal r = i % 2 ? 26 : 60;
        const qreal a = -M_PI / 2 + i * M_PI / 5;
        const QPointF pt(64 + r * std::cos(a), 68 + r * std::sin(a));
        i ? path.lineTo(pt) : path.moveTo(pt);
    }
    path.closeSubpath();
    p.setPen(pen(QColor(170, 110, 0), 6));
    p.setBrush(QColor(255, 200, 40));
    p.drawPath(path);
}

static void bug(QPainter &p)
{
    p.setPen(pen(QColor(60, 30, 20), 7));
    for (int y = 54; y <= 94; y += 20) {
        p.drawLine(QPointF(20, y - 8), QPointF(108, y + 8));
        p.drawLine(QPointF(108, y - 8), QPointF(20, y + 8));
    }
    p.setBrush(QColor(200, 50, 40));
    p.drawEllipse(QRectF(34, 36, 60, 84));
    p.setBrush(QColor(60, 30, 20));
    p.drawEllipse(QRectF(46, 14, 36, 30));
    p.drawLine(QPointF(64, 40), QPointF(64, 118));
}

// A green disc with an arrow pointing down: a new version to download.
static void update(QPainter &p)
{
    p.setPen(pen(QColor(20, 100, 40), 6));
    p.setBrush(QColor(60, 170, 80));
    p.drawEllipse(QRectF(8, 8, 112, 112));
    QPainterPath arrow;
    arrow.moveTo(52, 28);
    arrow.lineTo(76, 28);
    arrow.lineTo(76, 64);
    arrow.lineTo(96, 64);
    arrow.lineTo(64, 100);
    arrow.lineTo(32, 64);
    arrow.lineTo(52, 64);
    arrow.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(arrow);
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString res = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("..");
    const QString icons = res + "/Ostrevalder/icons/";
    for (int size : {16, 24, 32, 48, 128})
        save(icons + QStringLiteral("calendar/calendar_%1.png").arg(size), size, logo);
    saveBoth(icons + "table.png", 16, table);
    saveBoth(icons + "creepingline16.png", 16, creepingLine);
    saveBoth(icons + "todo_blue.png", 16, todo);
    saveBoth(icons + "settings_16.png", 16, gear);
    save(icons + "settings_32.png", 32, gear);
    save(res + "/Ostrevalder/Resources/advancedsettings.png", 48, gears);
    save(res + "/Ostrevalder/Resources/creepingline.png", 48, creepingLine);
    saveBoth(icons + "star.png", 16, star);
    saveBoth(icons + "bug.png", 16, bug);
    save(icons + "update/update_128.png", 128, update);
    const QString hicolor = res + "/../packaging/icons/hicolor/";
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        save(hicolor + QStringLiteral("%1x%1/apps/quillane-reminder.png").arg(size), size, logo);
    return 0;
}
