#pragma once

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QDialogButtonBox;
class QDoubleSpinBox;
class QFrame;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSlider;
class QSpacerItem;
class QSpinBox;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class QWidget;

// The settings window's form: its widgets, layouts, fixed properties and texts, and the few
// connections that need no code. SettingsDialog derives from it and adds the behaviour.
class Ui_settingsDialog
{
public:
    QVBoxLayout *verticalLayout_2 = nullptr;
    QHBoxLayout *horizontalLayout_7 = nullptr;
    QToolButton *generalButton = nullptr;
    QToolButton *creepingLineButton = nullptr;
    QSpacerItem *horizontalSpacer_pages = nullptr;
    QStackedWidget *stackedWidget = nullptr;

    QWidget *page_2 = nullptr;
    QVBoxLayout *verticalLayout_7 = nullptr;
    QGroupBox *groupBox_2 = nullptr;
    QVBoxLayout *verticalLayout_5 = nullptr;
    QGridLayout *gridLayout_4 = nullptr;
    QComboBox *m_languageComboBox = nullptr;
    QLabel *langUrl = nullptr;
    QLabel *editUrl = nullptr;
    QSpacerItem *horizontalSpacer_3 = nullptr;
    QGroupBox *groupBox_3 = nullptr;
    QVBoxLayout *verticalLayout_8 = nullptr;
    QCheckBox *m_autorunCheckBox = nullptr;
    QGroupBox *groupBox = nullptr;
    QHBoxLayout *horizontalLayout_9 = nullptr;
    QCheckBox *m_removeExpiredEvents = nullptr;
    QSpinBox *m_removeExpiredEventsDays = nullptr;
    QLabel *label = nullptr;
    QSpacerItem *horizontalSpacer_4 = nullptr;
    QLabel *label_6 = nullptr;
    QWidget *widget_2 = nullptr;
    QHBoxLayout *horizontalLayout_10 = nullptr;
    QLabel *label_7 = nullptr;
    QSpacerItem *horizontalSpacer_5 = nullptr;
    QListWidget *m_optionsList = nullptr;
    QSpacerItem *verticalSpacer_3 = nullptr;

    QWidget *page = nullptr;
    QVBoxLayout *verticalLayout_3 = nullptr;
    QFrame *frame = nullptr;
    QGridLayout *gridLayout_3 = nullptr;
    QLabel *label_5 = nullptr;
    QHBoxLayout *horizontalLayout_4 = nullptr;
    QComboBox *m_creepingLineModeCombo = nullptr;
    QLabel *panelPositionLabel = nullptr;
    QComboBox *m_panelPositionBox = nullptr;
    QHBoxLayout *horizontalLayout_8 = nullptr;
    QComboBox *m_monitorCombo = nullptr;
    QWidget *positionOnTopWidget = nullptr;
    QHBoxLayout *horizontalLayout_3 = nullptr;
    QRadioButton *aboveButton = nullptr;
    QRadioButton *belowButton = nullptr;
    QSpacerItem *horizontalSpacer_2 = nullptr;
    QLabel *label_2 = nullptr;
    QComboBox *m_textDirectionBox = nullptr;
    QWidget *m_pauseWidget = nullptr;
    QHBoxLayout *horizontalLayout_11 = nullptr;
    QLabel *label_3 = nullptr;
    QDoubleSpinBox *m_pause = nullptr;
    QLabel *label_4 = nullptr;
    QLabel *speedLabel = nullptr;
    QSlider *m_speed = nullptr;
    QLabel *textFontLabel = nullptr;
    QHBoxLayout *horizontalLayout = nullptr;
    QLineEdit *m_textFontEdit = nullptr;
    QToolButton *m_fontButton = nullptr;
    QLabel *backgroundLabel = nullptr;
    QHBoxLayout *horizontalLayout_2 = nullptr;
    QToolButton *m_textColorButton = nullptr;
    QSpacerItem *horizontalSpacer = nullptr;
    QSpacerItem *verticalSpacer = nullptr;
    QGroupBox *m_backgroundCombo = nullptr;
    QVBoxLayout *verticalLayout = nullptr;
    QCheckBox *m_adjustToWallpaperCheckBox = nullptr;
    QWidget *widget = nullptr;
    QVBoxLayout *verticalLayout_6 = nullptr;
    QVBoxLayout *verticalLayout_4 = nullptr;
    QFrame *m_backgroundGradient = nullptr;
    QHBoxLayout *horizontalLayout_5 = nullptr;
    QToolButton *m_bgColor1Button = nullptr;
    QSpacerItem *horizontalSpacer_6 = nullptr;
    QToolButton *m_bgColor2Button = nullptr;
    QSpacerItem *verticalSpacer_2 = nullptr;

    QHBoxLayout *horizontalLayout_6 = nullptr;
    QDialogButtonBox *buttonBox = nullptr;

    void setupUi(QDialog *settingsDialog);
    void retranslateUi(QDialog *settingsDialog);
};

namespace Ui {
class settingsDialog : public Ui_settingsDialog
{
};
} // namespace Ui
