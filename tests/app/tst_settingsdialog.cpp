#include "runninglinetestenv.h"
#include "app/settingsdialog.h"
#include "settingstestdata.h"
#include "core/langs.h"
#include "core/statcollector.h"
#include "core/usermessages.h"
#include "runningline/movingview.h"
#include "runningline/ostrevalder.h"
#include "shots.h"
#include "testhelpers.h"
#include "testseams.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest>

#include <memory>

class TestSettingsDialog : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestSeams> m_seams;
    std::unique_ptr<RunningLineTestEnv> m_env;
    std::unique_ptr<Langs> m_langs;
    UndoObject m_undo; // a bar's changes go into it
    QTemporaryDir m_translations;
    QColor m_colour;
    QFont m_font;
    bool m_fontChosen = false;

    Properties *store() { return m_env->properties.get(); }

    std::unique_ptr<SettingsDialog> makeDialog(int screens = 1)
    {
        SettingsDialog::Ask ask;
        ask.color = [this](QWidget *, const QColor &) { return m_colour; };
        ask.font = [this](QWidget *, QFont *font) {
            if (m_fontChosen)
                *font = m_font;
            return m_fontChosen;
        };
        return std::make_unique<SettingsDialog>(ask, screens);
    }

    // How often the window told or asked a message of this title.
    static int told(const QString &title)
    {
        const QList<Common::UserMessages::Message> told = Common::UserMessages::told();
        return int(std::count_if(told.cbegin(), told.cend(), [&](const auto &m) { return m.title == title; }));
    }

    void click(SettingsDialog *dialog, QDialogButtonBox::StandardButton which)
    {
        QPushButton *button = dialog->buttonBox->button(which);
        QVERIFY(button);
        QVERIFY(button->isEnabled());
        button->click();
    }

    // A user's choice in a list: the current row changes and "activated" follows, as with the mouse.
    static void choose(QComboBox *box, int row)
    {
        box->setCurrentIndex(row);
        emit box->activated(row);
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationName("Quillane Reminder");
        for (const char *name : {"quillane_de.qm", "qt_de.qm", "quillane_ru.qm", "qt_ru.qm"}) {
            QFile file(m_translations.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }

    void init()
    {
        m_seams = std::make_unique<TestSeams>();
        m_seams->setLanguageFolders({m_translations.path()});
        m_env = std::make_unique<RunningLineTestEnv>();
        m_langs = std::make_unique<Langs>();
        m_langs->addLanguage("German", QLocale::German);
        m_langs->addLanguage("Russian", QLocale::Russian);
        m_env->app.m_langs = m_langs.get();
        m_env->app.m_undoObject = &m_undo;
        SettingsTestData::registerAll(store());
        StatCollector::reset();
        StatCollector::init(m_env->app.settings(), QString());
        Common::UserMessages::reset();
        m_colour = QColor();
        m_fontChosen = false;
    }

    void cleanup()
    {
        StatCollector::reset();
        m_env->app.m_langs = nullptr;
        m_langs.reset();
        m_env.reset();
        m_seams.reset();
    }

    void formStartsOnTheGeneralPageWithEveryOptionTicked()
    {
        QDialog dialog;
        Ui_settingsDialog form;
        form.setupUi(&dialog);
        QCOMPARE(dialog.objectName(), QStringLiteral("settingsDialog"));
        QCOMPARE(form.stackedWidget->currentIndex(), 0);
        QVERIFY(form.generalButton->isChecked());
        QVERIFY(!form.creepingLineButton->isChecked());
        QCOMPARE(form.m_optionsList->count(), 8);
        for (int row = 0; row < 8; ++row)
            QCOMPARE(form.m_optionsList->item(row)->checkState(), Qt::Checked);
        QCOMPARE(form.m_optionsList->item(6)->toolTip(), QStringLiteral("Hold Ctrl to avoid that"));
    }

    void everyControlRoundTrips_data() { SettingsTestData::addPropertyRows(); }

    void everyControlRoundTrips()
    {
        QFETCH(QByteArray, id);
        QFETCH(QVariant, value);
        const QVariant before = store()->value(id);
        store()->setValue(id, value);
        auto dialog = makeDialog(2);
        dialog->show();
        // The store goes back behind the window's back; OK writes what the window shows.
        store()->setValue(id, before);
        click(dialog.get(), QDialogButtonBox::Ok);
        QCOMPARE(store()->value(id), value);
        QVERIFY(!dialog->isVisible());
    }

    void visibilityOptionShowsItsText_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "Disabled";
        QTest::newRow("1") << 1 << "Visible when there are coming events";
        QTest::newRow("2") << 2 << "Always Visible";
    }

    void visibilityOptionShowsItsText()
    {
        QFETCH(int, stored);
        QFETCH(QString, text);
        store()->setValue("creepingLineVisibilityOption", stored);
        auto dialog = makeDialog();
        dialog->show();
        QCOMPARE(dialog->m_creepingLineModeCombo->currentText(), text);
    }

    void screenList_data()
    {
        QTest::addColumn<int>("screens");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("listShown");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("storedBack");
        QTest::newRow("one screen, default") << 1 << -1 << false << "Default Screen" << -1;
        QTest::newRow("one screen, the first") << 1 << 0 << false << "Screen 1" << 0;
        QTest::newRow("two screens, the second") << 2 << 1 << true << "Screen 2" << 1;
        QTest::newRow("two screens, a third unplugged") << 2 << 2 << true << "Default Screen" << -1;
        QTest::newRow("one screen, the second unplugged") << 1 << 1 << false << "Default Screen" << -1;
    }

    void screenList()
    {
        QFETCH(int, screens);
        QFETCH(int, stored);
        QFETCH(bool, listShown);
        QFETCH(QString, shown);
        QFETCH(int, storedBack);
        store()->setValue("monitorNumber", stored);
        auto dialog = makeDialog(screens);
        dialog->show();
        QCOMPARE(dialog->m_monitorCombo->count(), screens + 1);
        QCOMPARE(!dialog->m_monitorCombo->isHidden(), listShown);
        QCOMPARE(dialog->m_monitorCombo->currentText(), shown);
        click(dialog.get(), QDialogButtonBox::Ok);
        QCOMPARE(store()->value("monitorNumber").toInt(), storedBack);
    }

    void pauseStepsAreStoredAsShown_data()
    {
        QTest::addColumn<int>("tenths");
        for (int tenths = 0; tenths <= 100; ++tenths)
            QTest::addRow("%d.%d s", tenths / 10, tenths % 10) << tenths;
    }

    void pauseStepsAreStoredAsShown()
    {
        QFETCH(int, tenths);
        store()->setValue("movingTextDirection", 1);
        auto dialog = makeDialog();
        dialog->show();
        QVERIFY(dialog->m_pauseWidget->isEnabled());
        QCOMPARE(dialog->m_pause->value(), 1.0);
        dialog->m_pause->setValue(tenths / 10.0);
        click(dialog.get(), QDialogButtonBox::Ok);
        QCOMPARE(store()->value("verticalPause").toInt(), tenths * 100);
    }

    void pauseIsOnlyForVerticalText_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("horizontal") << 0 << false;
        QTest::newRow("downward") << 1 << true;
        QTest::newRow("upward") << 2 << true;
    }

    void pauseIsOnlyForVerticalText()
    {
        QFETCH(int, direction);
        QFETCH(bool, enabled);
        auto dialog = makeDialog();
        dialog->show();
        choose(dialog->m_textDirectionBox, direction);
        QCOMPARE(dialog->m_pauseWidget->isEnabled(), enabled);
    }

    void editingOneGradientEndKeepsTwoStops_data()
    {
        QTest::addColumn<bool>("first");
        QTest::addColumn<QGradientStops>("expected");
        QTest::newRow("left end") << true << QGradientStops{{0.0, QColor(Qt::red)}, {1.0, QColor(0, 0, 255)}};
        QTest::newRow("right end") << false << QGradientStops{{0.0, QColor(255, 255, 0)}, {1.0, QColor(Qt::red)}};
    }

    void editingOneGradientEndKeepsTwoStops()
    {
        QFETCH(bool, first);
        QFETCH(QGradientStops, expected);
        const QGradientStops three{{0.0, QColor(255, 255, 0)}, {0.5, QColor(0, 255, 0)}, {1.0, QColor(0, 0, 255)}};
        store()->setValue("panelBackgroundGradient", Ostrevalder::gradientToByteArray(three));
        store()->setValue("adjustBackgroundToWallpaper", false); // the colour buttons work only then
        auto dialog = makeDialog();
        dialog->show();
        QCOMPARE(dialog->gradient(), three);
        m_colour = QColor(Qt::red);
        (first ? dialog->m_bgColor1Button : dialog->m_bgColor2Button)->click();
        QCOMPARE(dialog->gradient(), expected);
        QVERIFY(dialog->isDirty());
        click(dialog.get(), QDialogButtonBox::Ok);
        QCOMPARE(Ostrevalder::gradientFromByteArray(store()->value("panelBackgroundGradient").toByteArray()), expected);
    }

    void cancelledPickersChangeNothing()
    {
        store()->setValue("adjustBackgroundToWallpaper", false);
        auto dialog = makeDialog();
        dialog->show();
        const QGradientStops stops = dialog->gradient();
        const QColor text = dialog->textColor();
        const QFont font = dialog->editedFont();
        m_colour = QColor(); // the colour dialog was cancelled
        dialog->m_bgColor1Button->click();
        dialog->m_textColorButton->click();
        dialog->m_fontButton->click();
        QCOMPARE(dialog->gradient(), stops);
        QCOMPARE(dialog->textColor(), text);
        QCOMPARE(dialog->editedFont(), font);
        QVERIFY(!dialog->isDirty());
    }

    void pickedFontAndColourAreShownAndStored()
    {
        auto dialog = makeDialog();
        dialog->show();
        m_fontChosen = true;
        m_font = QFont(QStringLiteral("DejaVu Sans"), 17);
        dialog->m_fontButton->click();
        QCOMPARE(dialog->m_textFontEdit->text(), SettingsValues::fontDescription(m_font));
        QVERIFY(dialog->m_textFontEdit->text().contains(QStringLiteral(", 17, ")));
        m_colour = QColor(0, 128, 64);
        dialog->m_textColorButton->click();
        QCOMPARE(dialog->textColor(), m_colour);
        QCOMPARE(dialog->m_textColorButton->palette().color(QPalette::ButtonText),
                 dialog->palette().color(QPalette::ButtonText));
        const QImage swatch = dialog->m_textColorButton->icon().pixmap(QSize(32, 16)).toImage();
        QCOMPARE(swatch.pixelColor(swatch.width() / 2, swatch.height() / 2), m_colour);
        click(dialog.get(), QDialogButtonBox::Apply);
        QCOMPARE(store()->value("movingTextFont").value<QFont>(), m_font);
        QCOMPARE(store()->value("movingTextColor").value<QColor>(), m_colour);
    }

    void restoreDefaults_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("cancel") << false;
        QTest::newRow("yes") << true;
    }

    void restoreDefaults()
    {
        QFETCH(bool, yes);
        store()->setValue("movingLineSpeed", 3);
        store()->setValue("daysToWatch", 40); // not shown here, reset all the same
        store()->setValue("locale", QLocale(QLocale::German, QLocale::AnyTerritory));
        auto dialog = makeDialog();
        dialog->show();
        dialog->m_autorunCheckBox->click();
        QVERIFY(dialog->isDirty());
        Common::UserMessages::setNextAnswer(yes ? Common::UserMessages::Yes : Common::UserMessages::Cancel);
        dialog->buttonBox->button(QDialogButtonBox::RestoreDefaults)->click();
        QCOMPARE(told("Confirmation"), 1);
        QCOMPARE(store()->value("movingLineSpeed").toInt(), yes ? 1 : 3);
        QCOMPARE(store()->value("daysToWatch").toInt(), yes ? 15 : 40);
        QCOMPARE(dialog->m_speed->value(), yes ? 1 : 3);
        QCOMPARE(dialog->isDirty(), !yes);
        QCOMPARE(dialog->m_autorunCheckBox->isChecked(), yes);
        // The language has no default: it stays.
        QCOMPARE(store()->value("locale").toLocale().language(), QLocale::German);
        QCOMPARE(dialog->m_languageComboBox->currentText(), QStringLiteral("German"));
    }

    void applyIsDisabledUntilAControlIsUsed()
    {
        auto dialog = makeDialog();
        dialog->show();
        QVERIFY(!dialog->isDirty());
        QSignalSpy changes(store(), &Properties::propertyChanged);
        dialog->m_optionsList->item(2)->setCheckState(Qt::Checked);
        QVERIFY(dialog->isDirty());
        click(dialog.get(), QDialogButtonBox::Apply);
        QVERIFY(!dialog->isDirty());
        QCOMPARE(changes.size(), 1);
        QCOMPARE(store()->value("permanentScroll").toBool(), true);
        // Shown again: reloaded and clean.
        dialog->hide();
        dialog->m_speed->setValue(3);
        dialog->show();
        QCOMPARE(dialog->m_speed->value(), 1);
        QVERIFY(!dialog->isDirty());
    }

    void okWithoutChangesBroadcastsNothing()
    {
        auto dialog = makeDialog();
        dialog->show();
        QSignalSpy changes(store(), &Properties::propertyChanged);
        click(dialog.get(), QDialogButtonBox::Ok);
        QCOMPARE(changes.size(), 0);
        QCOMPARE(told("Change Language"), 0);
    }

    void expiredEventsDaysFollowTheirCheckBox()
    {
        auto dialog = makeDialog();
        dialog->show();
        QVERIFY(!dialog->m_removeExpiredEventsDays->isEnabled());
        dialog->m_removeExpiredEvents->click();
        QVERIFY(dialog->m_removeExpiredEventsDays->isEnabled());
        dialog->m_removeExpiredEventsDays->setValue(45);
        click(dialog.get(), QDialogButtonBox::Apply);
        QCOMPARE(store()->value("removeExpiredEvents").toBool(), true);
        QCOMPARE(store()->value("removeExpiredEventsDays").toInt(), 45);
        QVERIFY(dialog->m_removeExpiredEventsDays->isEnabled());
        // A change of the days alone counts as a change.
        dialog->m_removeExpiredEventsDays->setValue(46);
        QVERIFY(dialog->isDirty());
        dialog->m_removeExpiredEvents->click();
        QVERIFY(!dialog->m_removeExpiredEventsDays->isEnabled());
    }

    void languageChangeAsksForARestart()
    {
        auto dialog = makeDialog();
        dialog->show();
        QCOMPARE(dialog->m_languageComboBox->itemText(0), QStringLiteral("English"));
        choose(dialog->m_languageComboBox, dialog->m_languageComboBox->findText("Russian"));
        click(dialog.get(), QDialogButtonBox::Apply);
        QCOMPARE(told("Change Language"), 1);
        QCOMPARE(store()->value("locale").toLocale().language(), QLocale::Russian);
        choose(dialog->m_languageComboBox, 0); // "English" without a locale of its own
        click(dialog.get(), QDialogButtonBox::Ok);
        QCOMPARE(told("Change Language"), 2);
        QVERIFY(!store()->value("locale").isValid());
    }

    void overTheTaskbarNeedsATaskbar()
    {
        auto dialog = makeDialog();
        QCOMPARE(dialog->m_panelPositionBox->count(), 2);
        dialog->show();
        choose(dialog->m_panelPositionBox, 0);
        QVERIFY(dialog->m_backgroundCombo->isEnabled());
        QVERIFY(!dialog->positionOnTopWidget->isHidden());
    }

    void pageButtonsSwitchPagesAndAdvancedLinkRevealsOptions()
    {
        auto dialog = makeDialog();
        dialog->show();
        dialog->creepingLineButton->click();
        QCOMPARE(dialog->stackedWidget->currentIndex(), 1);
        dialog->hide();
        dialog->show();
        QCOMPARE(dialog->stackedWidget->currentIndex(), 1);
        dialog->generalButton->click();
        QVERIFY(!dialog->m_optionsList->isVisibleTo(dialog.get()));
        const int height = dialog->height();
        emit dialog->label_7->linkActivated(QStringLiteral("1"));
        QVERIFY(dialog->m_optionsList->isVisibleTo(dialog.get()));
        QVERIFY(!dialog->widget_2->isVisibleTo(dialog.get()));
        // The window grows to hold the list rather than squeezing it.
        QVERIFY(dialog->height() > height);
    }

    void advancedOptionsFitAndOtherPageKeepsItsHeight()
    {
        auto dialog = makeDialog();
        dialog->show();
        dialog->creepingLineButton->click();
        const int appearanceHeight = dialog->height();
        dialog->generalButton->click();
        emit dialog->label_7->linkActivated(QStringLiteral("1"));
        QCoreApplication::processEvents();
        // Each option whole inside the list, with room between it and the next.
        QListWidget *list = dialog->m_optionsList;
        for (int row = 0; row < list->count(); ++row) {
            const QRect rect = list->visualItemRect(list->item(row));
            QVERIFY2(list->viewport()->rect().contains(rect), qPrintable(QString::number(row)));
            if (row > 0)
                QVERIFY(rect.top() > list->visualItemRect(list->item(row - 1)).bottom() + 1);
        }
        dialog->creepingLineButton->click();
        QCOMPARE(dialog->height(), appearanceHeight);
    }

    void eachShowCountsAUse()
    {
        auto dialog = makeDialog();
        dialog->show();
        dialog->hide();
        dialog->show();
        QCOMPARE(StatCollector::collect().value("f_general_settings"), QStringLiteral("2"));
    }

    void theBarFollowsAChangeAtOnce()
    {
        auto *bar = new Ostrevalder;
        QPointer<Ostrevalder> guard(bar);
        auto dialog = makeDialog();
        dialog->show();
        dialog->m_speed->setValue(3);
        choose(dialog->m_textDirectionBox, 2);
        dialog->m_adjustToWallpaperCheckBox->click(); // off: the bar paints the gradient
        m_colour = QColor(200, 10, 10);
        dialog->m_bgColor1Button->click();
        click(dialog.get(), QDialogButtonBox::Apply);
        QCOMPARE(bar->view()->speed(), 3);
        QCOMPARE(bar->view()->direction(), 2);
        QCOMPARE(bar->backgroundStops().first().second, m_colour);
        delete guard.data();
    }

    void picturesOfEachPage()
    {
        store()->setValue("locale", QLocale(QLocale::German, QLocale::AnyTerritory));
        store()->setValue("removeExpiredEvents", true);
        store()->setValue("removeExpiredEventsDays", 30);
        store()->setValue("hotExitArea", true);
        store()->setValue("movingTextDirection", 1);
        store()->setValue("verticalPause", 2500);
        store()->setValue("adjustBackgroundToWallpaper", false);
        store()->setValue("panelBackgroundGradient", Ostrevalder::gradientToByteArray(
                                                         {{0.0, QColor(250, 220, 160)}, {1.0, QColor(120, 170, 230)}}));
        auto dialog = makeDialog(2);
        dialog->show();
        emit dialog->label_7->linkActivated(QStringLiteral("1"));
        TestHelpers::saveShot(dialog.get(), QStringLiteral("settingsdialog-general"));
        dialog->creepingLineButton->click();
        TestHelpers::saveShot(dialog.get(), QStringLiteral("settingsdialog-appearance"));
        QCOMPARE(dialog->stackedWidget->currentIndex(), 1);
    }

    void asksForNoMaximiseButton()
    {
        // Its size is fixed: the window manager offers a close button, not a maximise one.
        const auto dialog = makeDialog();
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(dialog->windowFlags() & Qt::CustomizeWindowHint);
        QVERIFY(dialog->windowFlags() & Qt::WindowCloseButtonHint);
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
