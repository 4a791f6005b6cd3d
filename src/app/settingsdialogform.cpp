#include "app/settingsdialogform.h"

#include "core/log.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaObject>
#include <QRadioButton>
#include <QSlider>
#include <QSpacerItem>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

// The pictures live in a static library: keep them linked in.
static void initSettingsResources()
{
    Q_INIT_RESOURCE(settings);
}

namespace SettingsDialogFormPrivate {

const char *const kSite = "https://quillane.example.org";

template <class T, class Parent> T *make(Parent *parent, const char *name)
{
    T *item = new T(parent);
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

template <class T> T *makeLayout(const char *name)
{
    T *layout = new T;
    layout->setObjectName(QString::fromLatin1(name));
    return layout;
}

QSpacerItem *hSpacer()
{
    return new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
}

QSpacerItem *vSpacer()
{
    return new QSpacerItem(20, 20, QSizePolicy::Minimum, QSizePolicy::Expanding);
}

QToolButton *pageButton(QWidget *parent, const char *name, const QString &icon, bool down)
{
    auto *button = make<QToolButton>(parent, name);
    button->setMinimumWidth(78);
    button->setIcon(QIcon(icon));
    button->setIconSize(QSize(48, 48));
    button->setCheckable(true);
    button->setChecked(down);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    return button;
}

void noMargins(QLayout *layout)
{
    layout->setContentsMargins(0, 0, 0, 0);
}

} // namespace SettingsDialogFormPrivate

using namespace SettingsDialogFormPrivate;

void Ui_settingsDialog::setupUi(QDialog *settingsDialog)
{
    initSettingsResources();
    if (settingsDialog->objectName().isEmpty())
        settingsDialog->setObjectName(QStringLiteral("settingsDialog"));
    settingsDialog->resize(358, 463);
    settingsDialog->setWindowIcon(QIcon(QStringLiteral(":/Ostrevalder/icons/settings_32.png")));

    verticalLayout_2 = new QVBoxLayout(settingsDialog);
    verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));
    verticalLayout_2->setSpacing(0);
    verticalLayout_2->setContentsMargins(0, 0, 0, 6);

    // Page buttons.
    horizontalLayout_7 = makeLayout<QHBoxLayout>("horizontalLayout_7");
    generalButton = pageButton(settingsDialog, "generalButton",
                               QStringLiteral(":/Ostrevalder/Resources/advancedsettings.png"), true);
    creepingLineButton = pageButton(settingsDialog, "creepingLineButton",
                                    QStringLiteral(":/Ostrevalder/Resources/creepingline.png"), false);
    horizontalLayout_7->addWidget(generalButton);
    horizontalLayout_7->addWidget(creepingLineButton);
    horizontalSpacer_pages = hSpacer();
    horizontalLayout_7->addItem(horizontalSpacer_pages);
    verticalLayout_2->addLayout(horizontalLayout_7);

    stackedWidget = make<QStackedWidget>(settingsDialog, "stackedWidget");
    stackedWidget->setLineWidth(1);

    // Page 0: general.
    page_2 = make<QWidget>(stackedWidget, "page_2");
    verticalLayout_7 = new QVBoxLayout(page_2);
    verticalLayout_7->setObjectName(QStringLiteral("verticalLayout_7"));

    groupBox_2 = make<QGroupBox>(page_2, "groupBox_2");
    verticalLayout_5 = new QVBoxLayout(groupBox_2);
    verticalLayout_5->setObjectName(QStringLiteral("verticalLayout_5"));
    gridLayout_4 = makeLayout<QGridLayout>("gridLayout_4");
    m_languageComboBox = make<QComboBox>(groupBox_2, "m_languageComboBox");
    m_languageComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    gridLayout_4->addWidget(m_languageComboBox, 1, 0);
    langUrl = make<QLabel>(groupBox_2, "langUrl");
    langUrl->setTextFormat(Qt::RichText);
    langUrl->setOpenExternalLinks(true);
    langUrl->setText(
        QStringLiteral("<a href=\"%1/newlang.php\">Can't find your language?</a>").arg(QLatin1String(kSite)));
    gridLayout_4->addWidget(langUrl, 1, 1);
    editUrl = make<QLabel>(groupBox_2, "editUrl");
    editUrl->setTextFormat(Qt::RichText);
    editUrl->setOpenExternalLinks(true);
    gridLayout_4->addWidget(editUrl, 1, 2);
    horizontalSpacer_3 = hSpacer();
    gridLayout_4->addItem(horizontalSpacer_3, 1, 3);
    verticalLayout_5->addLayout(gridLayout_4);
    verticalLayout_7->addWidget(groupBox_2);

    groupBox_3 = make<QGroupBox>(page_2, "groupBox_3");
    verticalLayout_8 = new QVBoxLayout(groupBox_3);
    verticalLayout_8->setObjectName(QStringLiteral("verticalLayout_8"));
    m_autorunCheckBox = make<QCheckBox>(groupBox_3, "m_autorunCheckBox");
    verticalLayout_8->addWidget(m_autorunCheckBox);
    verticalLayout_7->addWidget(groupBox_3);

    groupBox = make<QGroupBox>(page_2, "groupBox");
    horizontalLayout_9 = new QHBoxLayout(groupBox);
    horizontalLayout_9->setObjectName(QStringLiteral("horizontalLayout_9"));
    m_removeExpiredEvents = make<QCheckBox>(groupBox, "m_removeExpiredEvents");
    horizontalLayout_9->addWidget(m_removeExpiredEvents);
    m_removeExpiredEventsDays = make<QSpinBox>(groupBox, "m_removeExpiredEventsDays");
    m_removeExpiredEventsDays->setEnabled(false);
    m_removeExpiredEventsDays->setRange(0, 365);
    horizontalLayout_9->addWidget(m_removeExpiredEventsDays);
    label = make<QLabel>(groupBox, "label");
    horizontalLayout_9->addWidget(label);
    horizontalSpacer_4 = hSpacer();
    horizontalLayout_9->addItem(horizontalSpacer_4);
    verticalLayout_7->addWidget(groupBox);

    label_6 = make<QLabel>(page_2, "label_6");
    verticalLayout_7->addWidget(label_6);
    widget_2 = make<QWidget>(page_2, "widget_2");
    horizontalLayout_10 = new QHBoxLayout(widget_2);
    horizontalLayout_10->setObjectName(QStringLiteral("horizontalLayout_10"));
    noMargins(horizontalLayout_10);
    label_7 = make<QLabel>(widget_2, "label_7");
    label_7->setTextFormat(Qt::RichText);
    horizontalLayout_10->addWidget(label_7);
    horizontalSpacer_5 = hSpacer();
    horizontalLayout_10->addItem(horizontalSpacer_5);
    verticalLayout_7->addWidget(widget_2);

    m_optionsList = make<QListWidget>(page_2, "m_optionsList");
    m_optionsList->setMaximumHeight(140);
    for (int row = 0; row < 8; ++row) {
        auto *item = new QListWidgetItem(m_optionsList);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    verticalLayout_7->addWidget(m_optionsList);
    verticalSpacer_3 = vSpacer();
    verticalLayout_7->addItem(verticalSpacer_3);
    stackedWidget->addWidget(page_2);

    // Page 1: the bar's appearance.
    page = make<QWidget>(stackedWidget, "page");
    verticalLayout_3 = new QVBoxLayout(page);
    verticalLayout_3->setObjectName(QStringLiteral("verticalLayout_3"));
    frame = make<QFrame>(page, "frame");
    frame->setFrameShape(QFrame::HLine);
    frame->setFrameShadow(QFrame::Sunken);
    verticalLayout_3->addWidget(frame);

    gridLayout_3 = makeLayout<QGridLayout>("gridLayout_3");
    label_5 = make<QLabel>(page, "label_5");
    gridLayout_3->addWidget(label_5, 0, 0);
    horizontalLayout_4 = makeLayout<QHBoxLayout>("horizontalLayout_4");
    m_creepingLineModeCombo = make<QComboBox>(page, "m_creepingLineModeCombo");
    horizontalLayout_4->addWidget(m_creepingLineModeCombo);
    gridLayout_3->addLayout(horizontalLayout_4, 0, 1, 1, 2);

    panelPositionLabel = make<QLabel>(page, "panelPositionLabel");
    gridLayout_3->addWidget(panelPositionLabel, 1, 0);
    m_panelPositionBox = make<QComboBox>(page, "m_panelPositionBox");
    m_panelPositionBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    gridLayout_3->addWidget(m_panelPositionBox, 1, 1);
    horizontalLayout_8 = makeLayout<QHBoxLayout>("horizontalLayout_8");
    horizontalLayout_8->setSpacing(0);
    m_monitorCombo = make<QComboBox>(page, "m_monitorCombo");
    horizontalLayout_8->addWidget(m_monitorCombo);
    gridLayout_3->addLayout(horizontalLayout_8, 1, 2);

    positionOnTopWidget = make<QWidget>(page, "positionOnTopWidget");
    positionOnTopWidget->setMinimumHeight(20);
    horizontalLayout_3 = new QHBoxLayout(positionOnTopWidget);
    horizontalLayout_3->setObjectName(QStringLiteral("horizontalLayout_3"));
    noMargins(horizontalLayout_3);
    aboveButton = make<QRadioButton>(positionOnTopWidget, "aboveButton");
    horizontalLayout_3->addWidget(aboveButton);
    belowButton = make<QRadioButton>(positionOnTopWidget, "belowButton");
    horizontalLayout_3->addWidget(belowButton);
    horizontalSpacer_2 = hSpacer();
    horizontalLayout_3->addItem(horizontalSpacer_2);
    gridLayout_3->addWidget(positionOnTopWidget, 2, 1, 1, 2);

    label_2 = make<QLabel>(page, "label_2");
    gridLayout_3->addWidget(label_2, 3, 0);
    m_textDirectionBox = make<QComboBox>(page, "m_textDirectionBox");
    gridLayout_3->addWidget(m_textDirectionBox, 3, 1);
    m_pauseWidget = make<QWidget>(page, "m_pauseWidget");
    m_pauseWidget->setEnabled(false);
    horizontalLayout_11 = new QHBoxLayout(m_pauseWidget);
    horizontalLayout_11->setObjectName(QStringLiteral("horizontalLayout_11"));
    horizontalLayout_11->setSpacing(2);
    noMargins(horizontalLayout_11);
    label_3 = make<QLabel>(m_pauseWidget, "label_3");
    horizontalLayout_11->addWidget(label_3);
    m_pause = make<QDoubleSpinBox>(m_pauseWidget, "m_pause");
    m_pause->setDecimals(1);
    m_pause->setRange(0.0, 10.0);
    m_pause->setSingleStep(0.1);
    horizontalLayout_11->addWidget(m_pause);
    label_4 = make<QLabel>(m_pauseWidget, "label_4");
    horizontalLayout_11->addWidget(label_4);
    gridLayout_3->addWidget(m_pauseWidget, 3, 2);

    speedLabel = make<QLabel>(page, "speedLabel");
    gridLayout_3->addWidget(speedLabel, 4, 0);
    m_speed = make<QSlider>(page, "m_speed");
    m_speed->setOrientation(Qt::Horizontal);
    m_speed->setRange(1, 3);
    m_speed->setPageStep(1);
    m_speed->setTracking(true);
    m_speed->setTickPosition(QSlider::TicksAbove);
    m_speed->setInvertedAppearance(false);
    gridLayout_3->addWidget(m_speed, 4, 1, 1, 2);

    textFontLabel = make<QLabel>(page, "textFontLabel");
    gridLayout_3->addWidget(textFontLabel, 5, 0);
    horizontalLayout = makeLayout<QHBoxLayout>("horizontalLayout");
    m_textFontEdit = make<QLineEdit>(page, "m_textFontEdit");
    m_textFontEdit->setReadOnly(true);
    horizontalLayout->addWidget(m_textFontEdit);
    m_fontButton = make<QToolButton>(page, "m_fontButton");
    m_fontButton->setText(QStringLiteral("..."));
    horizontalLayout->addWidget(m_fontButton);
    gridLayout_3->addLayout(horizontalLayout, 5, 1, 1, 2);

    backgroundLabel = make<QLabel>(page, "backgroundLabel");
    gridLayout_3->addWidget(backgroundLabel, 6, 0);
    horizontalLayout_2 = makeLayout<QHBoxLayout>("horizontalLayout_2");
    m_textColorButton = make<QToolButton>(page, "m_textColorButton");
    QFont bold = m_textColorButton->font();
    bold.setBold(true);
    m_textColorButton->setFont(bold);
    m_textColorButton->setMinimumWidth(70);
    m_textColorButton->setAutoRaise(true);
    m_textColorButton->setArrowType(Qt::NoArrow);
    horizontalLayout_2->addWidget(m_textColorButton);
    horizontalSpacer = hSpacer();
    horizontalLayout_2->addItem(horizontalSpacer);
    gridLayout_3->addLayout(horizontalLayout_2, 6, 1, 1, 2);
    verticalLayout_3->addLayout(gridLayout_3);

    verticalSpacer = vSpacer();
    verticalLayout_3->addItem(verticalSpacer);

    m_backgroundCombo = make<QGroupBox>(page, "m_backgroundCombo");
    verticalLayout = new QVBoxLayout(m_backgroundCombo);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    m_adjustToWallpaperCheckBox = make<QCheckBox>(m_backgroundCombo, "m_adjustToWallpaperCheckBox");
    verticalLayout->addWidget(m_adjustToWallpaperCheckBox);
    widget = make<QWidget>(m_backgroundCombo, "widget");
    verticalLayout_6 = new QVBoxLayout(widget);
    verticalLayout_6->setObjectName(QStringLiteral("verticalLayout_6"));
    verticalLayout_6->setSpacing(0);
    noMargins(verticalLayout_6);
    verticalLayout_4 = makeLayout<QVBoxLayout>("verticalLayout_4");
    m_backgroundGradient = make<QFrame>(widget, "m_backgroundGradient");
    m_backgroundGradient->setFrameShape(QFrame::Box);
    m_backgroundGradient->setFrameShadow(QFrame::Plain);
    m_backgroundGradient->setFixedHeight(20);
    m_backgroundGradient->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    verticalLayout_4->addWidget(m_backgroundGradient);
    horizontalLayout_5 = makeLayout<QHBoxLayout>("horizontalLayout_5");
    m_bgColor1Button = make<QToolButton>(widget, "m_bgColor1Button");
    m_bgColor1Button->setArrowType(Qt::UpArrow);
    horizontalLayout_5->addWidget(m_bgColor1Button);
    horizontalSpacer_6 = hSpacer();
    horizontalLayout_5->addItem(horizontalSpacer_6);
    m_bgColor2Button = make<QToolButton>(widget, "m_bgColor2Button");
    m_bgColor2Button->setArrowType(Qt::UpArrow);
    horizontalLayout_5->addWidget(m_bgColor2Button);
    verticalLayout_4->addLayout(horizontalLayout_5);
    verticalLayout_6->addLayout(verticalLayout_4);
    verticalLayout->addWidget(widget);
    verticalLayout_3->addWidget(m_backgroundCombo);
    verticalSpacer_2 = vSpacer();
    verticalLayout_3->addItem(verticalSpacer_2);
    stackedWidget->addWidget(page);

    verticalLayout_2->addWidget(stackedWidget);

    horizontalLayout_6 = makeLayout<QHBoxLayout>("horizontalLayout_6");
    horizontalLayout_6->setContentsMargins(2, 0, 6, 0);
    buttonBox = make<QDialogButtonBox>(settingsDialog, "buttonBox");
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setCenterButtons(false);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply |
                                  QDialogButtonBox::RestoreDefaults);
    horizontalLayout_6->addWidget(buttonBox);
    verticalLayout_2->addLayout(horizontalLayout_6);

    retranslateUi(settingsDialog);

    QObject::connect(buttonBox, &QDialogButtonBox::accepted, settingsDialog, &QDialog::accept);
    QObject::connect(buttonBox, &QDialogButtonBox::rejected, settingsDialog, &QDialog::reject);
    QObject::connect(m_adjustToWallpaperCheckBox, &QCheckBox::toggled, widget, &QWidget::setDisabled);
    QObject::connect(label_7, &QLabel::linkActivated, m_optionsList, &QWidget::show);
    QObject::connect(label_7, &QLabel::linkActivated, widget_2, &QWidget::hide);

    stackedWidget->setCurrentIndex(0);
    QMetaObject::connectSlotsByName(settingsDialog);
}

void Ui_settingsDialog::retranslateUi(QDialog *settingsDialog)
{
    const auto tr = [](const char *text, const char *comment = nullptr) {
        return QCoreApplication::translate("settingsDialog", text, comment);
    };
    settingsDialog->setWindowTitle(tr("Settings"));
    generalButton->setText(tr("General"));
    creepingLineButton->setText(tr("Appearance"));
    groupBox_2->setTitle(tr("Language"));
    editUrl->setText(tr("<a href=\"%1/edit-translation/\">Edit translation</a>").arg(QLatin1String(kSite)));
    groupBox_3->setTitle(tr("Application start"));
    groupBox->setTitle(tr("Delete expired events automatically"));
    m_removeExpiredEvents->setText(tr("Remove expired events after"));
    label->setText(tr("days"));
    label_6->setText(tr("Advanced settings:"));
    label_7->setText(tr("<a href=\"1\">Show advanced settings</a>"));

    static const char *const options[8][2] = {
        {QT_TRANSLATE_NOOP("settingsDialog", "Hide the bar when Blinking Area is hovered"), nullptr},
        {QT_TRANSLATE_NOOP("settingsDialog", "Hide the bar on Left Mouse Button Click"), nullptr},
        {QT_TRANSLATE_NOOP("settingsDialog", "Scroll even if the text can be accommodated"), nullptr},
        {QT_TRANSLATE_NOOP("settingsDialog", "Remove text 'day x/y' from notifications"), nullptr},
        {QT_TRANSLATE_NOOP("settingsDialog", "Remove text 'Today' from notifications"), nullptr},
        {QT_TRANSLATE_NOOP("settingsDialog", "Skip 'Today', 'X days to' etc. when possible"), nullptr},
        {QT_TRANSLATE_NOOP("settingsDialog", "Hide the panel when hovered"),
         QT_TRANSLATE_NOOP("settingsDialog", "Hold Ctrl to avoid that")},
        {QT_TRANSLATE_NOOP("settingsDialog", "Exit when the bar is hidden (not recommended)"),
         QT_TRANSLATE_NOOP("settingsDialog",
                           "For compatibility with version 2 of the application. Using is not recommended.")},
    };
    const bool sorting = m_optionsList->isSortingEnabled();
    m_optionsList->setSortingEnabled(false);
    for (int row = 0; row < 8; ++row) {
        QListWidgetItem *item = m_optionsList->item(row);
        item->setText(tr(options[row][0]));
        if (options[row][1])
            item->setToolTip(tr(options[row][1]));
    }
    m_optionsList->setSortingEnabled(sorting);

    label_5->setText(tr("Mode:"));
    panelPositionLabel->setText(tr("Panel Position:"));
    aboveButton->setText(tr("above"));
    belowButton->setText(tr("below other windows"));
    label_2->setText(tr("Text Direction: "));
    label_3->setText(tr("Pause: "));
    label_4->setText(tr("sec."));
    speedLabel->setText(tr("Speed:"));
    textFontLabel->setText(tr("Text Font:"));
    backgroundLabel->setText(tr("Foreground Color:"));
    m_textColorButton->setText(tr("Current Color. Click to change."));
    m_backgroundCombo->setTitle(tr("Background Gradient (Unavailable in Task Bar Position)"));
    m_adjustToWallpaperCheckBox->setText(tr("Adjust to the desktop background"));

    m_panelPositionBox->clear();
    m_panelPositionBox->addItems({tr("Top of Desktop"), tr("Bottom of Desktop"), tr("Over the taskbar")});
    m_textDirectionBox->clear();
    m_textDirectionBox->addItems({tr("Horizontal"), tr("Downward"), tr("Upward")});
    m_creepingLineModeCombo->clear();
    m_creepingLineModeCombo->addItems(
        {tr("Disabled"), tr("Visible when there are coming events"), tr("Always Visible")});
}
