#include "core/log.h"
#include "core/properties.h"
#include "fakeapplication.h"
#include "testhelpers.h"
#include "widgets/remindinbox.h"
#include "widgets/setasdefaultwidget.h"
#include "widgets/widgetresources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtTest>

// The set-as-default button beside a control, and the remind-in box that carries one.
class TestSetAsDefaultWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init();
    void cleanup();

    void buttonFollowsDifferenceFromIniDefault_data();
    void buttonFollowsDifferenceFromIniDefault();
    void clickStoresValueAndHides();
    void placedAtTopRightWithOffset();
    void hidingControlHidesButton();
    void emptyPropertyIdMakesNoButton();
    void remindInBoxShowsButtonAfterUserChange();
    void styleSheetNamesExistingPictures();

private:
    // The stored text comes back from the INI file as a string; the store types it by its default.
    void storeInIni(const QByteArray &id, const QString &text, const QVariant &defaultValue);

    std::unique_ptr<FakeApplication> m_app;
    std::unique_ptr<Properties> m_props;
};

void TestSetAsDefaultWidget::init()
{
    m_app = std::make_unique<FakeApplication>();
    m_props = std::make_unique<Properties>(nullptr, QString());
    m_app->m_properties = m_props.get();
}

void TestSetAsDefaultWidget::cleanup()
{
    m_props.reset();
    m_app.reset();
}

void TestSetAsDefaultWidget::storeInIni(const QByteArray &id, const QString &text, const QVariant &defaultValue)
{
    m_app->settings()->setValue(QStringLiteral("Properties/") + QString::fromLatin1(id), text);
    m_props->addProperty(id, defaultValue);
}

void TestSetAsDefaultWidget::buttonFollowsDifferenceFromIniDefault_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("storedText");
    QTest::addColumn<QVariant>("defaultValue");
    QTest::addColumn<QVariant>("equalValue");
    QTest::addColumn<QVariant>("otherValue");
    QTest::newRow("spin box") << "spin"
                              << "5" << QVariant(15) << QVariant(5) << QVariant(6);
    QTest::newRow("check box") << "check"
                               << "true" << QVariant(false) << QVariant(true) << QVariant(false);
    QTest::newRow("combo box") << "combo"
                               << "/usr/share/sounds/dö.wav" << QVariant(QString())
                               << QVariant(QStringLiteral("/usr/share/sounds/dö.wav"))
                               << QVariant(QStringLiteral("/usr/share/sounds/b.wav"));
}

void TestSetAsDefaultWidget::buttonFollowsDifferenceFromIniDefault()
{
    QFETCH(QString, kind);
    QFETCH(QString, storedText);
    QFETCH(QVariant, defaultValue);
    QFETCH(QVariant, equalValue);
    QFETCH(QVariant, otherValue);
    storeInIni("watched", storedText, defaultValue);

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    QWidget *control = nullptr;
    std::function<void(const QVariant &)> userSets;
    if (kind == QLatin1String("spin")) {
        auto *spin = new QSpinBox(&window);
        spin->setValue(equalValue.toInt());
        userSets = [spin](const QVariant &v) { spin->setValue(v.toInt()); };
        control = spin;
    } else if (kind == QLatin1String("check")) {
        auto *check = new QCheckBox(QStringLiteral("Show reminder"), &window);
        check->setChecked(equalValue.toBool());
        userSets = [check](const QVariant &v) { check->setChecked(v.toBool()); };
        control = check;
    } else {
        auto *combo = new QComboBox(&window);
        combo->addItem(QStringLiteral("Dö"), equalValue);
        combo->addItem(QStringLiteral("B"), otherValue);
        userSets = [combo](const QVariant &v) {
            const int index = combo->findData(v);
            combo->setCurrentIndex(index);
            emit combo->activated(index);
        };
        control = combo;
    }
    layout->addWidget(control);
    auto *button = SetAsDefaultWidget::attach(&window, control, "watched");
    QVERIFY(button);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QVERIFY(button->isHidden());
    userSets(otherValue);
    QVERIFY(button->isVisible());
    userSets(equalValue);
    QVERIFY(button->isHidden());
}

void TestSetAsDefaultWidget::clickStoresValueAndHides()
{
    m_props->addProperty("daysToWatch", 15);
    QWidget window;
    auto *spin = new QSpinBox(&window);
    spin->setValue(15);
    auto *button = SetAsDefaultWidget::attach(&window, spin, "daysToWatch");
    window.show();
    QSignalSpy changed(m_props.get(), &Properties::propertyChanged);
    spin->setValue(20);
    QVERIFY(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_props->value("daysToWatch"), QVariant(20));
    QCOMPARE(changed.size(), 1);
    QVERIFY(button->isHidden());
}

void TestSetAsDefaultWidget::placedAtTopRightWithOffset()
{
    m_props->addProperty("appointmentSoundPath", QString());
    QWidget window;
    window.resize(400, 200);
    auto *combo = new QComboBox(&window);
    combo->addItem(QStringLiteral("none"), QString());
    combo->addItem(QStringLiteral("bell"), QStringLiteral("bell.wav"));
    combo->setGeometry(20, 50, 150, 24);
    auto *top = new QSpinBox(&window);
    top->setGeometry(200, 0, 80, 24);
    m_props->addProperty("notifyDays", 0);
    auto *comboButton = SetAsDefaultWidget::attach(&window, combo, "appointmentSoundPath", 26);
    auto *topButton = SetAsDefaultWidget::attach(&window, top, "notifyDays");
    window.show();

    combo->setCurrentIndex(1); // the program's own change: not followed
    QVERIFY(comboButton->isHidden());
    emit combo->activated(1);
    QCOMPARE(comboButton->pos(), QPoint(20 + 150 + 27, 50 - 8));
    top->setValue(3);
    QCOMPARE(topButton->pos(), QPoint(200 + 80 + 1, 0)); // never above its parent
}

void TestSetAsDefaultWidget::hidingControlHidesButton()
{
    m_props->addProperty("showAppointmentReminder", true);
    QWidget window;
    auto *check = new QCheckBox(&window);
    check->setChecked(true);
    auto *button = SetAsDefaultWidget::attach(&window, check, "showAppointmentReminder");
    window.show();
    check->setChecked(false);
    QVERIFY(button->isVisible());
    check->hide();
    QVERIFY(button->isHidden());
    check->show();
    QVERIFY(button->isHidden()); // back only with the next change
    check->setChecked(true);
    check->setChecked(false);
    QVERIFY(button->isVisible());
}

void TestSetAsDefaultWidget::emptyPropertyIdMakesNoButton()
{
    TestHelpers::expectFailedChecks();
    Common::clearLogBuffer();
    QWidget window;
    auto *spin = new QSpinBox(&window);
    QVERIFY(!SetAsDefaultWidget::attach(&window, spin, QByteArray()));

    auto *box = new RemindInBox(&window);
    window.show();
    QTest::qWait(0);
    QCoreApplication::processEvents();
    QVERIFY(window.findChildren<SetAsDefaultWidget *>().isEmpty());
    QVERIFY(logBuffer().contains("!propertyName.isEmpty()"));
    box->spinBox()->setValue(4);
    QVERIFY(m_props->toStringMap().value(QByteArray()).isEmpty());
}

void TestSetAsDefaultWidget::remindInBoxShowsButtonAfterUserChange()
{
    storeInIni("daysToWatch", QStringLiteral("7"), 15);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *box = new RemindInBox(&window);
    box->setProperty("defaultPropertyKey", QStringLiteral("daysToWatch"));
    layout->addWidget(box);
    box->setValue(7);
    QCOMPARE(box->spinBox()->suffix(), QStringLiteral(" day(s)"));
    QCOMPARE(box->spinBox()->maximum(), 99);
    QCOMPARE(box->spinBox()->minimum(), 0);
    window.show();
    QTRY_COMPARE(window.findChildren<SetAsDefaultWidget *>().size(), 1);
    auto *button = window.findChild<SetAsDefaultWidget *>();
    QCOMPARE(button->parentWidget(), &window);
    QVERIFY(button->isHidden());
    QTest::keyClick(box->spinBox(), Qt::Key_Up);
    QCOMPARE(box->value(), 8);
    QVERIFY(button->isVisible());
    QTest::keyClick(box->spinBox(), Qt::Key_Down);
    QVERIFY(button->isHidden());
}

// Every picture the style sheet names must be in the resources, or the button shows blank.
void TestSetAsDefaultWidget::styleSheetNamesExistingPictures()
{
    const QString css = applicationStyleSheet();
    QVERIFY(css.contains(QLatin1String("QToolButton#setAsDefaultAutoButton")));
    const QRegularExpression url(QStringLiteral("url\\((:[^)]+)\\)"));
    int found = 0;
    for (auto it = url.globalMatch(css); it.hasNext(); ++found) {
        const QString path = it.next().captured(1);
        QVERIFY2(!QImage(path).isNull(), qPrintable(path));
    }
    QVERIFY(found >= 2); // the set-as-default pin, and whatever other windows add
}

QTEST_MAIN(TestSetAsDefaultWidget)
#include "tst_setasdefaultwidget.moc"
