// Draws the shared widgets' pictures into resources/Ostrevalder/icons. Run by hand after changing one:
//   ./render.sh
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
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

// A filled triangle pointing up, turned by `degrees`, on a 16 x 16 canvas.
static void arrow(QPainter &p, int degrees)
{
    p.translate(8, 8);
    p.rotate(degrees);
    QPainterPath path;
    path.moveTo(0, -6);
    path.lineTo(6, 3);
    path.lineTo(-6, 3);
    path.closeSubpath();
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(QColor(40, 40, 48, 220));
    p.drawPath(path);
}

static void magnifier(QPainter &p, bool plus)
{
    p.setPen(QPen(QColor(60, 60, 70), 1.6));
    p.setBrush(QColor(235, 245, 255));
    p.drawEllipse(QRectF(1.5, 1.5, 9.5, 9.5));
    p.setPen(QPen(QColor(60, 60, 70), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
    p.setPen(QPen(QColor(30, 90, 170), 1.6));
    p.drawLine(QPointF(3.8, 6.25), QPointF(8.7, 6.25));
    if (plus)
        p.drawLine(QPointF(6.25, 3.8), QPointF(6.25, 8.7));
}

// A pin: "keep this value".
static void pin(QPainter &p, int alpha)
{
    p.setOpacity(alpha / 255.0);
    p.setPen(QPen(QColor(120, 30, 30), 1.2));
    p.setBrush(QColor(214, 56, 48));
    p.drawEllipse(QRectF(4, 1, 8, 8));
    p.setPen(QPen(QColor(80, 80, 90), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 9), QPointF(8, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QRectF(6, 3, 2.5, 2.5));
}

// The about box: a sky fading to paper, a bell on a calendar sheet, and a ribbon of text lines
// scrolling like the program's running line. The band under the title is kept calm for the labels.
static void aboutBackground(QPainter &p)
{
    QLinearGradient sky(0, 0, 0, 310);
    sky.setColorAt(0, QColor(38, 92, 150));
    sky.setColorAt(0.26, QColor(120, 170, 214));
    sky.setColorAt(0.34, QColor(246, 244, 238));
    sky.setColorAt(1, QColor(252, 251, 247));
    p.fillRect(QRect(0, 0, 300, 310), sky);

    // Running line across the top.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 40, 70, 150));
    p.drawRect(QRectF(0, 58, 300, 14));
    p.setBrush(QColor(255, 255, 255, 170));
    for (int x = 6; x < 300; x += 46)
        p.drawRoundedRect(QRectF(x, 63, 30, 4), 2, 2);

    // Calendar sheet with a bell.
    p.translate(226, 6);
    p.setPen(QPen(QColor(50, 50, 60), 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(0, 6, 56, 46), 6, 6);
    p.setBrush(QColor(214, 56, 48));
    p.drawRoundedRect(QRectF(0, 6, 56, 14), 6, 6);
    QPainterPath bell;
    bell.moveTo(28, 24);
    bell.cubicTo(18, 24, 19, 38, 15, 44);
    bell.lineTo(41, 44);
    bell.cubicTo(37, 38, 38, 24, 28, 24);
    p.setBrush(QColor(236, 180, 40));
    p.setPen(QPen(QColor(140, 100, 20), 1.5));
    p.drawPath(bell);
    p.drawEllipse(QRectF(25.5, 43, 5, 5));
    p.resetTransform();

    // The program's name in the desktop's sans-serif.
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(18);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRectF(13, 15, 210, 32), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillane Reminder"));
    p.setPen(Qt::white);
    p.drawText(QRectF(12, 14, 210, 32), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillane Reminder"));
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("../Ostrevalder/icons");
    const QSize s16(16, 16);
    save(root + "/arrows/up_16.png", s16, [](QPainter &p) { arrow(p, 0); });
    save(root + "/arrows/right_16.png", s16, [](QPainter &p) { arrow(p, 90); });
    save(root + "/arrows/down_16.png", s16, [](QPainter &p) { arrow(p, 180); });
    save(root + "/arrows/left_16.png", s16, [](QPainter &p) { arrow(p, 270); });
    save(root + "/zoom16.png", s16, [](QPainter &p) { magnifier(p, true); });
    save(root + "/unzoom16.png", s16, [](QPainter &p) { magnifier(p, false); });
    save(root + "/saveasdefault.png", s16, [](QPainter &p) { pin(p, 255); });
    save(root + "/saveasdefault_alpha.png", s16, [](QPainter &p) { pin(p, 120); });
    save(root + "/aboutboxbg.png", QSize(300, 310), aboutBackground);
    return 0;
}
