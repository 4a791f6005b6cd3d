#include "events/ui/notspeceventeditor.h"

#include "core/iapplication.h"
#include "core/log.h"
#include "core/settingkeys.h"
#include "events/notspecifiedevent.h"
#include "widgets/occurrencecontrol.h"
#include "widgets/periodcontrol.h"
#include "widgets/photobox.h"
#include "widgets/remindinbox.h"
#include "widgets/setasdefaultwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A titled panel: the title and its switch centred above the rows.
QGridLayout *panelGrid(QWidget *panel, QLabel *title, QCheckBox *checkBox)
{
    auto *grid = new QGridLayout(panel);
    grid->setVerticalSpacing(9);
    grid->addWidget(title, 0, 1, Qt::AlignHCenter);
    grid->addWidget(checkBox, 1, 1, Qt::AlignHCenter);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    return grid;
}

QCheckBox *panelSwitch(QWidget *parent, const char *name)
{
    auto *box = new QCheckBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setMinimumSize(32, 32);
    box->setChecked(true);
    return box;
}

} // namespace

NotSpecEventEditor::NotSpecEventEditor(NotSpecifiedEvent *event, QWidget *parent)
    : EventForm(event, parent), m_appointment(event)
{
    build();
    fill();
}

QStringList NotSpecEventEditor::sounds()
{
    const IApplication *app = IApplication::instance();
    return app ? app->sounds() : QStringList();
}

QString NotSpecEventEditor::soundName(const QString &path)
{
    QString name = QFileInfo(path).baseName();
    if (!name.isEmpty())
        name[0] = name.at(0).toUpper();
    return name;
}

void NotSpecEventEditor::build()
{
    setObjectName(QStringLiteral("NotSpecEventEditor"));
    setWindowTitle(tr("Appointment"));
    resize(544, 217);
    tabWidget = new QTabWidget(this);
    tabWidget->setDocumentMode(true);
    tabWidget->addTab(buildDescriptionTab(), tr("Description"));
    tabWidget->addTab(buildReminderTab(), tr("Reminder"));
    tabWidget->setCurrentIndex(0);
    auto *top = new QHBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(tabWidget);

    connect(creepingLineCheckBox, &QCheckBox::toggled, daysToWatchSpinBox, &QWidget::setEnabled);
    connect(notificationReminderCheckBox, &QCheckBox::toggled, notificationEditors, &QWidget::setEnabled);
    connect(notificationReminderCheckBox, &QCheckBox::toggled, soundWidget, &QWidget::setEnabled);

    // Top to bottom as the form reads: the period and the recurrence lie between caption and location.
    QList<QWidget *> order{tabWidget, captionLineEdit};
    for (const char *name : {"dateEdit", "timeEdit", "dateToEdit", "timeToEdit", "periodCheckBox", "timeCheckBox"})
        order << periodControl->findChild<QWidget *>(QLatin1String(name));
    order << occurrenceControl << locationEdit << commentLineEdit << creepingLineCheckBox
          << notificationReminderCheckBox;
    for (qsizetype i = 1; i < order.size(); ++i) {
        if (order.at(i - 1) && order.at(i))
            setTabOrder(order.at(i - 1), order.at(i));
    }
}

QWidget *NotSpecEventEditor::buildDescriptionTab()
{
    auto *tab = new QWidget;
    auto *form = new QFormLayout;
    form->setContentsMargins(6, 6, 6, 6);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(10);

    prefixLabel = new QLabel(tab);
    captionLineEdit = textField(tab, "captionLineEdit");
    postfixLabel = new QLabel(tab);
    auto *captionRow = new QHBoxLayout;
    captionRow->addWidget(prefixLabel);
    captionRow->addWidget(captionLineEdit);
    captionRow->addWidget(postfixLabel);
    form->addRow(new QLabel(tr("Caption"), tab), captionRow);

    periodControl = new PeriodControl(tab);
    periodControl->setObjectName(QStringLiteral("periodControl"));
    periodControl->setMinimumSize(342, 44);
    form->addRow(periodControl);

    recurrenceLabel = new QLabel(tr("Recurrence"), tab);
    occurrenceControl = new OccurrenceControl(tab);
    occurrenceControl->setObjectName(QStringLiteral("occurrenceControl"));
    occurrenceControl->setWordWrap(true);
    form->addRow(recurrenceLabel, occurrenceControl);

    locationLabel = new QLabel(tr("Location"), tab);
    locationEdit = textField(tab, "locationEdit");
    form->addRow(locationLabel, locationEdit);

    commentLabel = new QLabel(tr("Comment"), tab);
    commentLineEdit = textField(tab, "commentLineEdit");
    form->addRow(commentLabel, commentLineEdit);
    photoViewer = addPhotoColumn(tab, form, 0);
    return tab;
}

QWidget *NotSpecEventEditor::buildReminderTab()
{
    auto *tab = new QWidget;

    auto *creepingLine = new QWidget(tab);
    creepingLineCheckBox = panelSwitch(creepingLine, "creepingLineCheckBox");
    QGridLayout *lineGrid =
        panelGrid(creepingLine, new QLabel(tr("Creeping Line"), creepingLine), creepingLineCheckBox);
    auto *daysRow = new QHBoxLayout;
    daysRow->setSpacing(10);
    daysRow->addWidget(new QLabel(tr("Remind in"), creepingLine));
    daysToWatchSpinBox = remindBox(creepingLine, "daysToWatchSpinBox", Setting::DaysToWatch);
    daysRow->addWidget(daysToWatchSpinBox);
    daysRow->addStretch();
    lineGrid->addLayout(daysRow, 2, 0, 1, 3);
    lineGrid->setRowStretch(4, 1);

    auto *separator = new QFrame(tab);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Raised);

    auto *notification = new QWidget(tab);
    notificationReminderCheckBox = panelSwitch(notification, "notificationReminderCheckBox");
    QGridLayout *noteGrid =
        panelGrid(notification, new QLabel(tr("Notification"), notification), notificationReminderCheckBox);
    notificationEditors = new QWidget(notification);
    auto *editorsRow = new QHBoxLayout(notificationEditors);
    editorsRow->setSpacing(0);
    editorsRow->setContentsMargins(0, 0, 0, 0);

    notificationDaysWidget = new QWidget(notificationEditors);
    auto *noteDaysRow = new QHBoxLayout(notificationDaysWidget);
    noteDaysRow->setSpacing(10);
    noteDaysRow->setContentsMargins(0, 0, 0, 0);
    noteDaysRow->addWidget(new QLabel(tr("Remind in"), notificationDaysWidget));
    notificationDays = remindBox(notificationDaysWidget, "notificationDays", Setting::NotifyDays);
    noteDaysRow->addWidget(notificationDays);
    noteDaysRow->addStretch();

    notificationMinutesWidget = new QWidget(notificationEditors);
    auto *minutesRow = new QHBoxLayout(notificationMinutesWidget);
    minutesRow->setSpacing(10);
    minutesRow->setContentsMargins(0, 0, 0, 0);
    minutesRow->addWidget(new QLabel(tr("Remind in"), notificationMinutesWidget));
    notificationMinutes = remindBox(notificationMinutesWidget, "notificationMinutes", Setting::NotifyMinutes);
    minutesRow->addWidget(notificationMinutes);
    minutesRow->addStretch();
    editorsRow->addWidget(notificationDaysWidget);
    editorsRow->addWidget(notificationMinutesWidget);
    noteGrid->addWidget(notificationEditors, 2, 0, 1, 3);

    soundWidget = new QWidget(notification);
    soundWidget->setObjectName(QStringLiteral("widget"));
    auto *soundRow = new QHBoxLayout(soundWidget);
    soundRow->setSpacing(4);
    soundRow->setContentsMargins(0, 0, 0, 0);
    soundComboBox = new QComboBox(soundWidget);
    soundComboBox->setObjectName(QStringLiteral("soundComboBox"));
    soundComboBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    playButton = new QToolButton(soundWidget);
    playButton->setObjectName(QStringLiteral("playButton"));
    playButton->setToolTip(tr("Play"));
    playButton->setIcon(QIcon(QStringLiteral(":/Ostrevalder/icons/play.png")));
    playButton->setEnabled(false);
    soundRow->addWidget(soundComboBox);
    soundRow->addWidget(playButton);
    noteGrid->addWidget(soundWidget, 3, 0, 1, 3);
    noteGrid->setRowStretch(4, 1);

    auto *row = new QHBoxLayout(tab);
    row->addWidget(creepingLine, 1);
    row->addWidget(separator);
    row->addWidget(notification, 1);
    return tab;
}

void NotSpecEventEditor::fill()
{
    NotSpecifiedEvent *e = m_appointment;
    connect(periodControl, &PeriodControl::timeSwitchChanged, this, &NotSpecEventEditor::updateNotifyWidgetsVisibility);
    // The stored caption, without a custom type's words.
    captionLineEdit->setText(e->AbstractCommonEvent::caption());
    periodControl->setPeriod(e->period());
    commentLineEdit->setText(e->comment());
    locationEdit->setText(e->location());
    occurrenceControl->setOccurrence(e->occurrence());
    daysToWatchSpinBox->setValue(e->daysToWatch());
    notificationMinutes->spinBox()->setSuffix(tr(" minute(s)"));
    notificationMinutes->spinBox()->setRange(0, 40320);
    notificationMinutes->setValue(e->notifyMinutes());
    notificationDays->setValue(e->notifyDays());

    fillSounds(e->soundPath());
    SetAsDefaultWidget::attach(parentWidget() ? parentWidget() : this, soundComboBox, Setting::AppointmentSoundPath,
                               26);
    connect(soundComboBox, &QComboBox::activated, this, &NotSpecEventEditor::onSoundChanged);
    connect(playButton, &QToolButton::clicked, this, &NotSpecEventEditor::playSound);
    updateNotifyWidgetsVisibility();

    creepingLineCheckBox->setChecked(e->isMovingLineEnabled());
    notificationReminderCheckBox->setChecked(e->isReminderEnabled());
    SetAsDefaultWidget::attach(this, creepingLineCheckBox, Setting::ShowAppointmentInMovingLine);
    SetAsDefaultWidget::attach(this, notificationReminderCheckBox, Setting::ShowAppointmentReminder);
    connect(periodControl, &PeriodControl::beginDateChanged, occurrenceControl, &OccurrenceControl::setStartDate);
    initPhotoBox(photoViewer);

    prefixLabel->hide();
    postfixLabel->hide();
    if (hasCustomType()) {
        showByField("commentField", {commentLabel, commentLineEdit});
        showByField("locationField", {locationLabel, locationEdit});
        showByField("recurrenceField", {occurrenceControl, recurrenceLabel});
        periodControl->setPeriodSwitchVisible(e->isFieldVisible("periodBoxField"));
        periodControl->setTimeSwitchVisible(e->isFieldVisible("timeBoxField"));
        periodControl->setPeriodSwitch(e->fieldDefaultValue("periodValueKey").toBool());
        periodControl->setTimeSwitch(e->fieldDefaultValue("timeValueKey").toBool());
        const QString prefix = e->fieldDefaultValue("1prefixField").toString();
        const QString postfix = e->fieldDefaultValue("2postfixField").toString();
        prefixLabel->setText(prefix);
        prefixLabel->setVisible(!prefix.isEmpty());
        postfixLabel->setText(postfix);
        postfixLabel->setVisible(!postfix.isEmpty());
    }
    captionLineEdit->setFocus(Qt::OtherFocusReason);
    showTextsFromStart();
}

void NotSpecEventEditor::fillSounds(const QString &current)
{
    soundComboBox->addItem(tr("No Sound"), QString());
    const QString currentName = QFileInfo(current).fileName();
    int found = -1;
    for (const QString &path : sounds()) {
        const QString name = soundName(path);
        if (name.isEmpty())
            continue;
        soundComboBox->addItem(name, path);
        // The program's sounds move with it (another install folder): a stored path is matched by
        // its file name, so an edit does not drop the sound.
        if (found < 0 && !current.isEmpty() &&
            (path == current || QFileInfo(path).fileName().compare(currentName, Qt::CaseInsensitive) == 0))
            found = soundComboBox->count() - 1;
    }
    if (found < 0 && !current.isEmpty() && QFileInfo::exists(current) && !soundName(current).isEmpty()) {
        soundComboBox->addItem(soundName(current), current);
        found = soundComboBox->count() - 1;
    }
    soundComboBox->setCurrentIndex(qMax(0, found));
    onSoundChanged(soundComboBox->currentIndex());
}

void NotSpecEventEditor::updateNotifyWidgetsVisibility()
{
    const bool timed = periodControl->period().hasTime();
    notificationMinutesWidget->setVisible(timed);
    notificationDaysWidget->setVisible(!timed);
}

void NotSpecEventEditor::onSoundChanged(int index)
{
    playButton->setEnabled(index > 0);
}

void NotSpecEventEditor::playSound()
{
    IApplication *app = IApplication::instance();
    QR_ASSERT(app);
    if (app)
        app->playSound(soundComboBox->currentData().toString());
}

bool NotSpecEventEditor::check(QString &errorText)
{
    if (captionLineEdit->text().isEmpty()) {
        errorText = tr("Caption cannot be empty");
        return false;
    }
    return true;
}

void NotSpecEventEditor::apply()
{
    NotSpecifiedEvent *e = m_appointment;
    e->setCaption(captionLineEdit->text());
    e->setPeriod(periodControl->period());
    e->setComment(commentLineEdit->text());
    e->setOccurrence(occurrenceControl->occurrence());
    e->setDaysToWatch(daysToWatchSpinBox->value());
    e->setNotifyMinutes(notificationMinutes->value());
    e->setNotifyDays(notificationDays->value());
    e->setLocation(locationEdit->text());
    e->setMovingLineEnabled(creepingLineCheckBox->isChecked());
    e->setReminderEnabled(notificationReminderCheckBox->isChecked());
    e->setSoundPath(soundComboBox->currentData().toString());
}
