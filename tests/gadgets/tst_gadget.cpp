#include "gadgettestenv.h"
#include "gadgets/buttonlabel.h"
#include "gadgets/gadgetthememanager.h"
#include "gadgets/phantom.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QByteArray kUid("{11111111-2222-3333-4444-555555555555}");

QList<QGraphicsOpacityEffect *> buttonEffects(Gadget &gadget)
{
    QList<QGraphicsOpacityEffect *> effects;
    for (const char *name : {"changeThemeButton", "closeButton"}) {
        QWidget *button = gadget.findChild<QWidget *>(QString::fromLatin1(name));
        effects << qobject_cast<QGraphicsOpacityEffect *>(button->graphicsEffect());
    }
    return effects;
}

QLineEdit *captionEdit(Gadget &gadget)
{
    return gadget.findChild<QLineEdit *>(QStringLiteral("captionEdit"));
}

void sendEnter(Gadget &gadget)
{
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), gadget.mapToGlobal(QPointF(10, 10)));
    QCoreApplication::sendEvent(&gadget, &enter);
}

void sendLeave(Gadget &gadget)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&gadget, &leave);
}
} // namespace

class TestGadget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        m_themes.loadTheme(QStringLiteral("darkblue.theme"));
        m_themes.loadTheme(QStringLiteral("greengrass.theme"));
    }

    void isAFramelessWindowBelowOthers()
    {
        GadgetTestEnv env;
        Gadget gadget(kUid, &m_themes);
        const Qt::WindowFlags flags = gadget.windowFlags();
        QCOMPARE(gadget.windowType(), Qt::Window);
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnBottomHint));
        QVERIFY(gadget.testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(gadget.size(), QSize(180, 225));
    }

    void shadowOnlyWhereItShows()
    {
        GadgetTestEnv env;
        Gadget gadget(kUid, &m_themes);
        gadget.show();
        for (bool shadow : {true, false}) {
            gadget.setShadow(shadow);
            // The last column: shadow over see-through pixels, or the body itself.
            const QImage picture = gadget.grab().toImage();
            QCOMPARE(qAlpha(picture.pixel(picture.width() - 1, picture.height() / 2)) == 255, !shadow);
        }
    }

    void fadesWithTheMouse()
    {
        GadgetTestEnv env;
        Gadget gadget(kUid, &m_themes);
        gadget.show();
        // Shown with the cursor elsewhere: faint, buttons hidden.
        QVERIFY(gadget.isMouseOut());
        QVERIFY(qAbs(gadget.windowOpacity() - 0.75) < 0.01);
        for (QGraphicsOpacityEffect *effect : buttonEffects(gadget))
            QCOMPARE(effect->opacity(), 0.0);
        // The cursor comes: almost opaque at once, buttons fully there.
        env.probe.m_visibleAt = [](const QPoint &) { return true; };
        sendEnter(gadget);
        QVERIFY(!gadget.isMouseOut());
        QVERIFY(qAbs(gadget.windowOpacity() - 0.95) < 0.01);
        for (QGraphicsOpacityEffect *effect : buttonEffects(gadget))
            QCOMPARE(effect->opacity(), 1.0);
        // It leaves: everything fades over 300 ms.
        sendLeave(gadget);
        QVERIFY(gadget.isMouseOut());
        auto *fade = gadget.findChild<QPropertyAnimation *>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(fade);
        QCOMPARE(fade->state(), QAbstractAnimation::Running);
        QCOMPARE(fade->duration(), 300);
        QCOMPARE(fade->endValue().toDouble(), 0.75);
        QTRY_VERIFY(qAbs(gadget.windowOpacity() - 0.75) < 0.01);
    }

    void shownUnderTheCursorStaysOpaque()
    {
        GadgetTestEnv env;
        env.probe.m_visibleAt = [](const QPoint &) { return true; };
        Gadget gadget(kUid, &m_themes);
        gadget.show();
        QVERIFY(!gadget.isMouseOut());
        QCOMPARE(gadget.windowOpacity(), 1.0);
        sendEnter(gadget);
        QCOMPARE(gadget.windowOpacity(), 1.0);
    }

    void editingCaptionKeepsOpaque()
    {
        GadgetTestEnv env;
        env.probe.m_visibleAt = [](const QPoint &) { return true; };
        Gadget gadget(kUid, &m_themes);
        gadget.show();
        gadget.renameAction()->trigger();
        QVERIFY(gadget.isEditingCaption());
        env.probe.m_visibleAt = nullptr;
        sendLeave(gadget);
        QVERIFY(!gadget.isMouseOut());
    }

    void renames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("signalCount");
        QTest::newRow("new name") << "Einkäufe"
                                  << "Einkäufe" << 1;
        QTest::newRow("blanks around") << "  Work  "
                                       << "Work" << 1;
        QTest::newRow("empty") << ""
                               << "To-Dos" << 1;
        QTest::newRow("all blank") << "   "
                                   << "To-Dos" << 1;
        QTest::newRow("same name") << "Home"
                                   << "Home" << 0;
    }

    void renames()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, signalCount);
        GadgetTestEnv env;
        Gadget gadget(kUid, &m_themes);
        gadget.setCaption(QStringLiteral("Home"));
        gadget.show();
        QSignalSpy changed(&gadget, &Gadget::captionChanged);
        QTest::mouseDClick(gadget.findChild<QLabel *>(QStringLiteral("caption")), Qt::LeftButton);
        QVERIFY(gadget.isEditingCaption());
        QCOMPARE(captionEdit(gadget)->selectedText(), QStringLiteral("Home"));
        captionEdit(gadget)->setText(typed);
        emit captionEdit(gadget)->editingFinished();
        QCOMPARE(gadget.caption(), shown);
        QCOMPARE(changed.count(), signalCount);
        QVERIFY(!gadget.isEditingCaption());
    }

    void escapeKeepsCaptionAndGadget()
    {
        GadgetTestEnv env;
        Gadget gadget(kUid, &m_themes);
        gadget.setCaption(QStringLiteral("Home"));
        gadget.show();
        gadget.renameAction()->trigger();
        captionEdit(gadget)->setText(QStringLiteral("dropped"));
        QTest::keyClick(captionEdit(gadget), Qt::Key_Escape);
        QVERIFY(!gadget.isEditingCaption());
        QCOMPARE(gadget.caption(), QStringLiteral("Home"));
        QTest::keyClick(&gadget, Qt::Key_Escape);
        QVERIFY(gadget.isVisible());
    }

    void nextThemeAlternates()
    {
        GadgetTestEnv env;
        Gadget gadget(kUid, &m_themes);
        QCOMPARE(gadget.themeUid(), QStringLiteral("blue"));
        QCOMPARE(gadget.nextThemeUid(), QStringLiteral("green"));
        QCOMPARE(gadget.nextThemeColor(), QColor(0x97, 0xC2, 0x2A));
        gadget.setThemeUid(QStringLiteral("green"));
        QCOMPARE(gadget.nextThemeUid(), QStringLiteral("blue"));

        GadgetThemeManager one;
        one.loadTheme(QStringLiteral("greengrass.theme"));
        Gadget single("{22222222-2222-3333-4444-555555555555}", &one);
        QCOMPARE(single.nextThemeUid(), QStringLiteral("green"));
    }

    void themeIsAppliedAtTheFirstShow()
    {
        GadgetTestEnv env;
        Gadget gadget(kUid, &m_themes);
        QSignalSpy changed(&gadget, &Gadget::themeChangedByUser);
        gadget.setThemeUid(QStringLiteral("green"));
        QCOMPARE(changed.count(), 1);
        QVERIFY(gadget.styleSheet().isEmpty());
        gadget.show();
        QCOMPARE(gadget.styleSheet(), m_themes.generateCss(QStringLiteral("green")));
        gadget.setThemeUid(QStringLiteral("blue"));
        QCOMPARE(gadget.styleSheet(), m_themes.generateCss(QStringLiteral("blue")));
        // Setting the same theme again changes nothing and says nothing.
        gadget.setThemeUid(QStringLiteral("blue"));
        QCOMPARE(changed.count(), 2);
    }

    void themeIconIsADiamond()
    {
        const QImage icon = Gadget::makeThemeIcon(QColor(0x97, 0xC2, 0x2A)).toImage();
        QCOMPARE(icon.size(), QSize(12, 12));
        QCOMPARE(icon.pixelColor(6, 6), QColor(0x97, 0xC2, 0x2A));
        QCOMPARE(icon.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(icon.pixelColor(11, 11).alpha(), 0);
    }

    void partlyVisible_data()
    {
        QTest::addColumn<QList<QPoint>>("uncovered");
        QTest::addColumn<bool>("visible");
        QTest::newRow("all covered") << QList<QPoint>() << false;
        QTest::newRow("top-left free") << QList<QPoint>{QPoint(5, 5)} << true;
        QTest::newRow("bottom-right free") << QList<QPoint>{QPoint(175, 220)} << true;
        QTest::newRow("centre free only") << QList<QPoint>{QPoint(90, 110)} << false;
    }

    void partlyVisible()
    {
        QFETCH(QList<QPoint>, uncovered);
        QFETCH(bool, visible);
        GadgetTestEnv env;
        Gadget gadget(kUid, &m_themes);
        gadget.show();
        gadget.setGeometry(100, 100, 180, 225);
        QList<QPoint> global;
        for (const QPoint &p : uncovered)
            global << gadget.mapToGlobal(p);
        env.probe.m_visibleAt = [&](const QPoint &p) { return global.contains(p); };
        QCOMPARE(gadget.isPartlyVisible(), visible);
    }

    void closeForgetsGeometry()
    {
        GadgetTestEnv env;
        QPointer<Gadget> gadget = new Gadget(kUid, &m_themes);
        gadget->show();
        QSignalSpy destroyed(gadget.data(), &Gadget::aboutToBeDestroyed);
        QVERIFY(env.properties->value(kUid).isValid());
        gadget->closeAction()->trigger();
        QVERIFY(gadget->isHidden());
        QVERIFY(!env.properties->value(kUid).isValid());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(gadget.isNull());
        QCOMPARE(destroyed.count(), 1);
        QVERIFY(!env.properties->value(kUid).isValid());
    }

    void geometryAsAMap()
    {
        GadgetTestEnv env;
        Gadget gadget(kUid, &m_themes);
        gadget.setGeometry(40, 60, 200, 250);
        const QVariant map = gadget.geometryToJson();
        QCOMPARE(map.toMap().value("version").toInt(), 1);
        Gadget other("{33333333-2222-3333-4444-555555555555}", &m_themes);
        QVERIFY(other.geometryFromJson(map));
        QCOMPARE(other.geometry(), QRect(40, 60, 200, 250));
        QVariantMap away = map.toMap();
        away["x"] = -5000;
        QVERIFY(!other.geometryFromJson(away));
        QCOMPARE(other.geometry(), QRect(40, 60, 200, 250));
    }

    void phantomFadesOverTheGadget()
    {
        GadgetTestEnv env;
        Gadget gadget(kUid, &m_themes);
        gadget.show();
        gadget.move(120, 80);
        QPointer<Phantom> phantom = new Phantom(&gadget);
        QCOMPARE(phantom->pos(), QPoint(120, 80));
        QCOMPARE(phantom->size(), gadget.grabAreaPixmap().size());
        QVERIFY(phantom->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(phantom->windowFlags().testFlag(Qt::Tool));
        QVERIFY(phantom->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        phantom->show();
        QVERIFY(phantom->animation());
        phantom->animation()->setCurrentTime(250);
        QVERIFY(qAbs(phantom->windowOpacity() - 0.5) < 0.02);
        QTRY_VERIFY(phantom.isNull());
        // A fade still running when the gadget goes goes with it.
        auto *gadget2 = new Gadget("{44444444-2222-3333-4444-555555555555}", &m_themes);
        gadget2->show();
        phantom = new Phantom(gadget2);
        phantom->show();
        delete gadget2;
        QVERIFY(phantom.isNull());
    }

private:
    GadgetThemeManager m_themes;
};

QTEST_MAIN(TestGadget)
#include "tst_gadget.moc"
