// Draws the event forms' small pictures into resources/Ostrevalder/icons. Run by hand after changing one:
//   ./render.sh
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

using Draw = std::function<void(QPainter &)>;

static void save(const QString &path, const QSize &size, const Draw &draw)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    QDir().mkpath(QFileInfo(path).absolutePath());
    img.save(path, "PNG");
}

// A desk calendar sheet with a blue top and a grid of days.
static void calendar(QPainter &p)
{
    p.setPen(QPen(QColor(40, 70, 130), 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(2.5, 4.5, 19, 17), 2, 2);
    p.setBrush(QColor(52, 110, 200));
    p.drawRoundedRect(QRectF(2.5, 4.5, 19, 5), 2, 2);
    p.setPen(QPen(QColor(40, 70, 130), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 2.5), QPointF(7, 6.5));
    p.drawLine(QPointF(17, 2.5), QPointF(17, 6.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(52, 110, 200));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            p.drawRect(QRectF(4.5 + col * 4, 11.5 + row * 3.2, 2.4, 2));
}

// The male and female signs side by side.
static void gender(QPainter &p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(40, 100, 200), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(QRectF(1.5, 8.5, 8, 8));
    p.drawLine(QPointF(8.3, 9.7), QPointF(12, 6));
    p.drawLine(QPointF(12, 6), QPointF(8.5, 6));
    p.drawLine(QPointF(12, 6), QPointF(12, 9.5));
    p.setPen(QPen(QColor(210, 60, 120), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(QRectF(13, 4, 8, 8));
    p.drawLine(QPointF(17, 12), QPointF(17, 20.5));
    p.drawLine(QPointF(14.5, 17.5), QPointF(19.5, 17.5));
}

// A green triangle: play the sound.
static void play(QPainter &p)
{
    QPainterPath path;
    path.moveTo(4, 2.5);
    path.lineTo(13.5, 8);
    path.lineTo(4, 13.5);
    path.closeSubpath();
    p.setPen(QPen(QColor(30, 110, 40), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(70, 180, 80));
    p.drawPath(path);
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    save(root + "/calendar_blue.png", QSize(24, 24), calendar);
    save(root + "/gender.png", QSize(24, 24), gender);
    save(root + "/play.png", QSize(16, 16), play);
    return 0;
}
