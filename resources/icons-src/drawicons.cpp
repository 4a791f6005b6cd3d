// Draws the event kinds' icons into resources/Ostrevalder/icons. Run by hand after changing a picture:
//   ./render.sh
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

using Draw = std::function<void(QPainter &)>; // draws on a 128 x 128 canvas

static void save(const QString &dir, const QString &name, int size, const Draw &draw)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 128.0, size / 128.0);
    draw(p);
    p.end();
    QDir().mkpath(dir);
    img.save(dir + "/" + name, "PNG");
}

static void outline(QPainter &p, const QColor &c, qreal w)
{
    p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

static void calendarPage(QPainter &p)
{
    outline(p, QColor(70, 70, 80), 6);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(12, 18, 104, 100), 12, 12);
    p.setBrush(QColor(214, 56, 48));
    p.drawRoundedRect(QRectF(12, 18, 104, 32), 12, 12);
    p.setBrush(QColor(70, 70, 80));
    p.drawRoundedRect(QRectF(34, 6, 10, 26), 5, 5);
    p.drawRoundedRect(QRectF(84, 6, 10, 26), 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 100));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            p.drawRect(QRectF(24 + c * 22, 60 + r * 18, 14, 11));
    p.setBrush(QColor(214, 56, 48));
    p.drawRect(QRectF(24 + 2 * 22, 60 + 18, 14, 11));
}

static void cake(QPainter &p)
{
    outline(p, QColor(110, 60, 30), 5);
    p.setBrush(QColor(240, 190, 120));
    p.drawRoundedRect(QRectF(14, 64, 100, 52), 8, 8);
    p.setBrush(QColor(250, 235, 240));
    QPainterPath icing;
    icing.moveTo(14, 74);
    icing.lineTo(14, 66);
    icing.quadTo(14, 60, 22, 60);
    icing.lineTo(106, 60);
    icing.quadTo(114, 60, 114, 66);
    icing.lineTo(114, 78);
    for (int x = 114; x > 14; x -= 20)
        icing.quadTo(x - 5, 92, x - 10, 80), icing.quadTo(x - 15, 70, x - 20, 78);
    icing.closeSubpath();
    p.drawPath(icing);
    p.setBrush(QColor(80, 150, 230));
    p.drawRect(QRectF(58, 28, 12, 32));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 170, 0));
    QPainterPath flame;
    flame.moveTo(64, 4);
    flame.quadTo(76, 18, 64, 26);
    flame.quadTo(52, 18, 64, 4);
    p.drawPath(flame);
}

static void person(QPainter &p, const QColor &c, bool skirt)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c.lighter(170));
    p.drawEllipse(QRectF(4, 4, 120, 120));
    p.setBrush(c);
    p.drawEllipse(QRectF(44, 18, 40, 40));
    QPainterPath body;
    if (skirt) {
        body.moveTo(64, 62);
        body.cubicTo(84, 62, 92, 80, 104, 112);
        body.lineTo(24, 112);
        body.cubicTo(36, 80, 44, 62, 64, 62);
    } else {
        body.addRoundedRect(QRectF(32, 64, 64, 52), 22, 22);
    }
    p.drawPath(body);
}

static void balloon(QPainter &p, const QRectF &r, const QColor &c)
{
    outline(p, QColor(90, 90, 90), 3);
    p.drawLine(QPointF(r.center().x(), r.bottom() + 4), QPointF(64, 124));
    p.setPen(QPen(c.darker(150), 4));
    p.setBrush(c);
    p.drawEllipse(r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QRectF(r.left() + r.width() * 0.22, r.top() + r.height() * 0.15, r.width() * 0.2, r.height() * 0.25));
}

static void balloons(QPainter &p)
{
    balloon(p, QRectF(10, 14, 58, 70), QColor(230, 60, 60));
    balloon(p, QRectF(60, 4, 58, 70), QColor(60, 140, 230));
}

static void rings(QPainter &p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(150, 110, 20), 16));
    p.drawEllipse(QRectF(12, 34, 64, 64));
    p.drawEllipse(QRectF(52, 34, 64, 64));
    p.setPen(QPen(QColor(245, 200, 60), 10));
    p.drawEllipse(QRectF(12, 34, 64, 64));
    p.drawEllipse(QRectF(52, 34, 64, 64));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 220, 255));
    QPainterPath gem;
    gem.moveTo(84, 10);
    gem.lineTo(96, 22);
    gem.lineTo(84, 36);
    gem.lineTo(72, 22);
    gem.closeSubpath();
    p.drawPath(gem);
}

static void clockFace(QPainter &p)
{
    outline(p, QColor(50, 60, 90), 8);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(8, 8, 112, 112));
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(64, 64);
        p.rotate(i * 30);
        p.setPen(QPen(QColor(50, 60, 90), i % 3 ? 3 : 6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -46), QPointF(0, -38));
        p.restore();
    }
    p.setPen(QPen(QColor(50, 60, 90), 8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(64, 64), QPointF(64, 30));
    p.setPen(QPen(QColor(214, 56, 48), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(64, 64), QPointF(90, 78));
}

static void check(QPainter &p)
{
    p.setPen(QPen(QColor(40, 160, 60), 22, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(18, 68);
    path.lineTo(50, 100);
    path.lineTo(110, 28);
    p.drawPath(path);
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("../Ostrevalder/icons");
    for (int s : {16, 24, 32, 128})
        save(root + "/notspec", QStringLiteral("notspec%1.png").arg(s), s, calendarPage);
    for (int s : {16, 24, 48, 128}) {
        save(root + "/birthday", QStringLiteral("cake_%1.png").arg(s), s, cake);
        save(root + "/holiday", QStringLiteral("balloons_%1.png").arg(s), s, balloons);
        save(root + "/wedding", QStringLiteral("rings_%1.png").arg(s), s, rings);
        save(root + "/task", QStringLiteral("clock_%1.png").arg(s), s, clockFace);
    }
    save(root + "/gender", "male_128.png", 128, [](QPainter &p) { person(p, QColor(50, 110, 200), false); });
    save(root + "/gender", "female_128.png", 128, [](QPainter &p) { person(p, QColor(210, 70, 140), true); });
    save(root, "done.png", 16, check);

    QImage divider(700, 54, QImage::Format_ARGB32_Premultiplied);
    divider.fill(Qt::transparent);
    QPainter p(&divider);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 700, 0);
    g.setColorAt(0, QColor(245, 200, 60, 0));
    g.setColorAt(0.5, QColor(200, 150, 40));
    g.setColorAt(1, QColor(245, 200, 60, 0));
    p.setPen(QPen(QBrush(g), 3));
    p.drawLine(20, 27, 680, 27);
    p.translate(350 - 27, 0);
    p.scale(54 / 128.0, 54 / 128.0);
    rings(p);
    p.end();
    divider.save(root + "/wedding/divider.png", "PNG");
    return 0;
}
