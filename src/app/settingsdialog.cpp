#include "app/settingsdialog.h"

#include "core/iapplication.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "core/statcollector.h"
#include "core/usermessages.h"
#include "runningline/ostrevalder.h"
#include "widgets/dialog.h"
#include "widgets/windowplacement.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFontDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>

namespace SettingsDialogPrivate {

// The text colour being edited shows as a swatch beside the button's caption; the caption keeps the
// palette's colour, which reads whatever colour is chosen.
void setButtonColor(QToolButton *button, const QColor &colour)
{
    button->setProperty("chosenColour", colour);
    const int side = button->fontMetrics().height();
    const qreal ratio = button->devicePixelRatioF();
    QPixmap swatch(QSize(side * 2, side) * ratio);
    swatch.setDevicePixelRatio(ratio);
    swatch.fill(Qt::transparent);
    QPainter painter(&swatch);
    painter.setRenderHint(QPainter::Antialiasing);
    // A dark rim and a light one, so the swatch's edge shows on a light or a dark window.
    painter.setPen(QPen(QColor(0, 0, 0, 170), 1));
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(0.5, 0.5, side * 2 - 1, side - 1), 2, 2);
    painter.setPen(QPen(QColor(255, 255, 255, 170), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(1.5, 1.5, side * 2 - 3, side - 3), 1.5, 1.5);
    painter.end();
    button->setIconSize(QSize(side * 2, side));
    button->setIcon(QIcon(swatch));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

QColor buttonColor(const QWidget *widget)
{
    return widget->property("chosenColour").value<QColor>();
}

Properties *properties()
{
    IApplication *app = IApplication::instance();
    return app ? app->properties() : nullptr;
}

} // namespace SettingsDialogPrivate

using namespace SettingsDialogPrivate;

SettingsDialog::Ask SettingsDialog::defaultAsk()
{
    Ask ask;
    ask.color = [](QWidget *parent, const QColor &initial) {
        QColorDialog dialog(initial, parent);
        dialog.setWindowTitle(tr("Select Color"));
        return Dialog::execWindowModal(&dialog) == QDialog::Accepted ? dialog.selectedColor() : QColor();
    };
    ask.font = [](QWidget *parent, QFont *font) {
        QFontDialog dialog(*font, parent);
        const bool ok = Dialog::execWindowModal(&dialog) == QDialog::Accepted;
        if (ok)
            *font = dialog.selectedFont();
        return ok;
    };
    return ask;
}

SettingsDialog::SettingsDialog(const Ask &ask, int screenCount) : QDialog(nullptr), m_ask(ask)
{
    setupUi(this);
    setWindowFlags(Dialog::fixedSizeFlags(windowFlags()));
    IApplication *app = IApplication::instance();
    Properties *props = properties();

    const SettingsValues::TranslationLinks links =
        SettingsValues::translationLinks(props ? props->value(Setting::Locale) : QVariant());
    editUrl->setVisible(links.editTranslation);
    langUrl->setVisible(links.findLanguage);

    auto *pages = new QButtonGroup(this);
    pages->addButton(generalButton, 0);
    pages->addButton(creepingLineButton, 1);
    connect(pages, &QButtonGroup::idClicked, stackedWidget, &QStackedWidget::setCurrentIndex);
    connect(stackedWidget, &QStackedWidget::currentChanged, this, &SettingsDialog::fitToPage);

    connect(m_panelPositionBox, &QComboBox::activated, this, &SettingsDialog::onPositionChanged);
    connect(buttonBox, &QDialogButtonBox::clicked, this, &SettingsDialog::onButtonBoxClicked);
    connect(m_fontButton, &QToolButton::clicked, this, &SettingsDialog::onFontButtonClicked);
    connect(m_textColorButton, &QToolButton::clicked, this, &SettingsDialog::onTextColorButtonClicked);
    connect(m_bgColor1Button, &QToolButton::clicked, this, &SettingsDialog::onBgColor1ButtonClicked);
    connect(m_bgColor2Button, &QToolButton::clicked, this, &SettingsDialog::onBgColor2ButtonClicked);
    connect(m_panelPositionBox, &QComboBox::currentIndexChanged, this, &SettingsDialog::onPanelPositionChanged);
    // The days box is only of use while expired events are removed; it would otherwise stay locked.
    connect(m_removeExpiredEvents, &QCheckBox::toggled, m_removeExpiredEventsDays, &QWidget::setEnabled);

    // The preview's gradient spans the frame, so it follows the frame's size.
    m_backgroundGradient->installEventFilter(this);

    m_autorunCheckBox->setText(tr("Start %1 when I log in").arg(QCoreApplication::applicationName()));
    m_optionsList->hide();
    // The window's size is fixed; let it grow by the revealed list instead of squeezing it.
    connect(label_7, &QLabel::linkActivated, this, &SettingsDialog::fitToPage);

    // Any use of a control enables Apply.
    const auto dirty = [this] { setDirty(true); };
    for (QCheckBox *box : findChildren<QCheckBox *>())
        connect(box, &QCheckBox::stateChanged, this, dirty);
    for (QRadioButton *button : findChildren<QRadioButton *>())
        connect(button, &QRadioButton::clicked, this, dirty);
    for (QComboBox *box : findChildren<QComboBox *>())
        connect(box, &QComboBox::activated, this, dirty);
    connect(m_speed, &QSlider::valueChanged, this, dirty);
    connect(m_pause, &QDoubleSpinBox::valueChanged, this, dirty);
    connect(m_removeExpiredEventsDays, &QSpinBox::valueChanged, this, dirty);
    connect(m_optionsList, &QListWidget::itemChanged, this, dirty);
    connect(m_textDirectionBox, &QComboBox::activated, this, &SettingsDialog::onTextDirecionChanged);

    m_languages = SettingsValues::languageItems(app ? app->langs() : nullptr);
    for (const SettingsValues::Language &language : m_languages)
        m_languageComboBox->addItem(language.name, language.locale);

    // No taskbar band to dock into on this platform: the bar cannot sit over it.
    m_panelPositionBox->removeItem(2);

    if (screenCount < 0)
        screenCount = int(QGuiApplication::screens().size());
    m_monitorCombo->clear();
    const QStringList screens = SettingsValues::screenItems(screenCount);
    for (int row = 0; row < screens.size(); ++row)
        m_monitorCombo->addItem(screens.at(row), SettingsValues::monitorNumberAt(row));
    m_monitorCombo->setVisible(SettingsValues::showsScreenList(screenCount));

    // Every option on a line of its own, none cut off: the list is as tall as its rows.
    m_optionsList->setSpacing(2);
    int listHeight = 2 * m_optionsList->frameWidth() + m_optionsList->spacing();
    for (int row = 0; row < m_optionsList->count(); ++row)
        listHeight += m_optionsList->sizeHintForRow(row) + 2 * m_optionsList->spacing();
    m_optionsList->setMaximumHeight(QWIDGETSIZE_MAX);
    m_optionsList->setFixedHeight(listHeight);

    fitToPage();
    if (QScreen *screen = QGuiApplication::screens().value(0))
        move(WindowPlacement::centredOn(frameGeometry(), screen->geometry().center()).topLeft());
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::fitToPage()
{
    // The window is as tall as the page shown, not as the tallest page: the others are left out
    // of the stack's height.
    for (int i = 0; i < stackedWidget->count(); ++i) {
        QWidget *page = stackedWidget->widget(i);
        const bool current = i == stackedWidget->currentIndex();
        page->setSizePolicy(QSizePolicy::Preferred, current ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    }
    // The window's layout keeps the stack's old hint until told.
    stackedWidget->updateGeometry();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    layout()->invalidate();
    layout()->activate();
    setFixedSize(sizeHint());
}

void SettingsDialog::showEvent(QShowEvent *event)
{
    load();
    setDirty(false);
    StatCollector::incrementCounter("f_general_settings");
    QDialog::showEvent(event);
}

bool SettingsDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_backgroundGradient && event->type() == QEvent::Resize)
        showGradient();
    return QDialog::eventFilter(watched, event);
}

void SettingsDialog::setDirty(bool dirty)
{
    buttonBox->button(QDialogButtonBox::Apply)->setEnabled(dirty);
}

bool SettingsDialog::isDirty() const
{
    return buttonBox->button(QDialogButtonBox::Apply)->isEnabled();
}

QColor SettingsDialog::textColor() const
{
    return buttonColor(m_textColorButton);
}

void SettingsDialog::load()
{
    if (Properties *props = properties())
        showValues(SettingsValues::read(*props));
}

void SettingsDialog::showValues(const SettingsValues &v)
{
    m_panelPositionBox->setCurrentIndex(v.panelPosition);
    onPositionChanged(m_panelPositionBox->currentIndex());
    m_font = v.font;
    m_textFontEdit->setText(SettingsValues::fontDescription(m_font));
    setButtonColor(m_textColorButton, v.textColor);
    m_backgroundGradientData = v.gradient;
    showGradient();
    m_adjustToWallpaperCheckBox->setChecked(v.adjustToWallpaper);
    for (int row = 0; row < SettingsValues::kOptionCount; ++row)
        m_optionsList->item(row)->setCheckState(v.options[row] ? Qt::Checked : Qt::Unchecked);
    m_languageComboBox->setCurrentIndex(SettingsValues::languageRow(m_languages, v.locale));
    m_autorunCheckBox->setChecked(v.autorun);
    m_speed->setValue(v.speed);
    m_textDirectionBox->setCurrentIndex(v.direction);
    m_pause->setValue(SettingsValues::pauseToSeconds(v.pauseMs));
    onTextDirecionChanged(m_textDirectionBox->currentIndex());
    m_creepingLineModeCombo->setCurrentIndex(v.visibility);
    m_removeExpiredEvents->setChecked(v.removeExpired);
    m_removeExpiredEventsDays->setEnabled(v.removeExpired);
    m_removeExpiredEventsDays->setValue(v.removeExpiredDays);
    (v.onTop ? aboveButton : belowButton)->setChecked(true);
    m_monitorCombo->setCurrentIndex(SettingsValues::monitorRow(v.monitorNumber, m_monitorCombo->count() - 1));
}

SettingsValues SettingsDialog::shownValues() const
{
    SettingsValues v;
    v.panelPosition = m_panelPositionBox->currentIndex();
    v.font = m_font;
    v.textColor = buttonColor(m_textColorButton);
    v.gradient = m_backgroundGradientData;
    v.adjustToWallpaper = m_adjustToWallpaperCheckBox->isChecked();
    for (int row = 0; row < SettingsValues::kOptionCount; ++row)
        v.options[row] = m_optionsList->item(row)->checkState() == Qt::Checked;
    v.locale = m_languageComboBox->currentData();
    v.autorun = m_autorunCheckBox->isChecked();
    v.speed = m_speed->value();
    v.direction = m_textDirectionBox->currentIndex();
    v.pauseMs = SettingsValues::pauseToMilliseconds(m_pause->value());
    v.visibility = m_creepingLineModeCombo->currentIndex();
    v.removeExpired = m_removeExpiredEvents->isChecked();
    v.removeExpiredDays = m_removeExpiredEventsDays->value();
    v.onTop = aboveButton->isChecked();
    v.monitorNumber = SettingsValues::monitorNumberAt(m_monitorCombo->currentIndex());
    return v;
}

void SettingsDialog::apply()
{
    Properties *props = properties();
    if (!props)
        return;
    if (shownValues().write(*props))
        Common::UserMessages::information(tr("Change Language"),
                                          tr("You must restart the application to apply the new language"), this);
}

void SettingsDialog::onButtonBoxClicked(QAbstractButton *button)
{
    switch (buttonBox->standardButton(button)) {
    case QDialogButtonBox::Ok:
        apply();
        setDirty(false);
        break;
    case QDialogButtonBox::Apply:
        apply();
        setDirty(false);
        load();
        break;
    case QDialogButtonBox::RestoreDefaults:
        if (Common::UserMessages::ask(
                {Common::UserMessages::Question, tr("Confirmation"), tr("Do you want to restore default settings?"),
                 Common::UserMessages::Yes | Common::UserMessages::Cancel, this}) == Common::UserMessages::Yes) {
            if (Properties *props = properties())
                props->restoreDefaults();
            load();
            setDirty(false);
        }
        break;
    default:
        break;
    }
}

void SettingsDialog::onPositionChanged(int index)
{
    m_backgroundCombo->setEnabled(index != 2);
    m_monitorCombo->setEnabled(index != 2);
}

void SettingsDialog::onPanelPositionChanged(int index)
{
    positionOnTopWidget->setVisible(index != 2);
}

void SettingsDialog::onTextDirecionChanged(int index)
{
    m_pauseWidget->setEnabled(index != 0);
}

QColor SettingsDialog::pickColor(const QColor &initial)
{
    return m_ask.color ? m_ask.color(this, initial) : QColor();
}

void SettingsDialog::onFontButtonClicked()
{
    QFont font = m_font;
    if (!m_ask.font || !m_ask.font(this, &font))
        return;
    m_font = font;
    m_textFontEdit->setText(SettingsValues::fontDescription(m_font));
    setDirty(true);
}

void SettingsDialog::onTextColorButtonClicked()
{
    const QColor colour = pickColor(buttonColor(m_textColorButton));
    if (!colour.isValid())
        return;
    setButtonColor(m_textColorButton, colour);
    setDirty(true);
}

void SettingsDialog::onBgColor1ButtonClicked()
{
    pickGradientEnd(true);
}

void SettingsDialog::onBgColor2ButtonClicked()
{
    pickGradientEnd(false);
}

void SettingsDialog::pickGradientEnd(bool first)
{
    QR_ASSERT(!m_backgroundGradientData.isEmpty());
    const QGradientStops current =
        m_backgroundGradientData.isEmpty() ? Ostrevalder::defaultGradient() : m_backgroundGradientData;
    const QColor colour = pickColor(first ? current.first().second : current.last().second);
    if (!colour.isValid())
        return;
    m_backgroundGradientData =
        SettingsValues::withEndColour(m_backgroundGradientData, first, colour, Ostrevalder::defaultGradient());
    showGradient();
    setDirty(true);
}

void SettingsDialog::showGradient()
{
    QLinearGradient gradient(0, 0, m_backgroundGradient->width(), m_backgroundGradient->height());
    gradient.setStops(m_backgroundGradientData);
    QPalette palette = m_backgroundGradient->palette();
    palette.setBrush(QPalette::Window, QBrush(gradient));
    m_backgroundGradient->setPalette(palette);
    m_backgroundGradient->setAutoFillBackground(true);
}
