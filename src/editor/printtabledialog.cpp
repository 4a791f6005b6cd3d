#include "editor/printtabledialog.h"

#include "core/clock.h"
#include "core/applocale.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "core/statcollector.h"
#include "editor/printtablebuilder.h"
#include "store/calendarinfo.h"
#include "store/eventsmanager.h"
#include "widgets/dateedit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

QGroupBox *groupBox(const char *name, const QString &title, QWidget *parent)
{
    auto *box = new QGroupBox(title, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

// The boxes' inner layouts share these margins; some keep the style's left and right ones.
void setBoxMargins(QLayout *layout, bool styleSides)
{
    const QMargins style = layout->contentsMargins();
    layout->setContentsMargins(styleSides ? style.left() : 5, 2, styleSides ? style.right() : 5, 5);
}

} // namespace

PrintTableDialog::PrintTableDialog(QWidget *parent, EventsManager *manager, const QList<int> &selectedIndexes)
    : Dialog(parent, QByteArray()), m_manager(manager), m_selectedIndexes(selectedIndexes)
{
    m_printerAsk = [](QPrinter *printer, QWidget *parent) {
        QPrintDialog dialog(printer, parent);
        return Dialog::execWindowModal(&dialog) == QDialog::Accepted;
    };
    setupUi();
    updateUi();
    rebuild();

    connect(m_periodComboBox, &QComboBox::currentIndexChanged, this, &PrintTableDialog::updateUi);
    connect(m_periodComboBox, &QComboBox::currentIndexChanged, this, &PrintTableDialog::rebuild);
    connect(m_groupComboBox, &QComboBox::currentIndexChanged, this, &PrintTableDialog::updateUi);
    connect(m_groupComboBox, &QComboBox::currentIndexChanged, this, &PrintTableDialog::rebuild);
    connect(m_sortComboBox, &QComboBox::currentIndexChanged, this, &PrintTableDialog::updateUi);
    connect(m_sortComboBox, &QComboBox::currentIndexChanged, this, &PrintTableDialog::rebuild);
    connect(m_filterComboBox, &QComboBox::currentIndexChanged, this, &PrintTableDialog::rebuild);
    connect(m_calendarsComboBox, &QComboBox::currentIndexChanged, this, &PrintTableDialog::rebuild);
    connect(m_columns, &QListWidget::itemChanged, this, &PrintTableDialog::rebuild);
    connect(m_startDate, &QDateEdit::dateChanged, this, &PrintTableDialog::rebuild);
    connect(m_endDate, &QDateEdit::dateChanged, this, &PrintTableDialog::rebuild);
    connect(m_selectedGroup, &QButtonGroup::idClicked, this, &PrintTableDialog::rebuild);
    connect(m_recurrentGroup, &QButtonGroup::idClicked, this, &PrintTableDialog::rebuild);
    connect(m_borderLines, &QCheckBox::stateChanged, this, &PrintTableDialog::buildTable);
    connect(m_header, &QCheckBox::stateChanged, this, &PrintTableDialog::buildTable);
    connect(m_printButton, &QPushButton::clicked, this, &PrintTableDialog::onAccepted);

    const QDate today = Common::Clock::today();
    m_startDate->setDate(today);
    m_endDate->setDate(QDate(today.year(), 12, 31));
    fillEventTypes();
    fillCalendars();
    if (m_selectedIndexes.isEmpty())
        m_selectedButton->setEnabled(false);
    StatCollector::incrementCounter("f_print_events");
}

PrintTableDialog::~PrintTableDialog()
{
    // The preview must not reach the document while it goes.
    m_textBrowser->setDocument(nullptr);
}

void PrintTableDialog::setupUi()
{
    setObjectName(QStringLiteral("PrintTableDialog"));
    setWindowTitle(tr("Print"));
    resize(466, 422);
    auto *grid = new QGridLayout(this);
    grid->setObjectName(QStringLiteral("gridLayout"));
    grid->setVerticalSpacing(6);

    QGroupBox *period = groupBox("groupBox", tr("Period"), this);
    // A column round the row: a date field's problem goes on a line under it.
    auto *periodColumn = new QVBoxLayout(period);
    setBoxMargins(periodColumn, false);
    auto *periodLayout = new QHBoxLayout;
    periodColumn->addLayout(periodLayout);
    m_periodComboBox = new QComboBox(period);
    m_periodComboBox->setObjectName(QStringLiteral("periodComboBox"));
    m_periodComboBox->addItems({tr("This year"), tr("Next year"), tr("Custom Period")});
    m_periodComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    periodLayout->addWidget(m_periodComboBox);
    m_customPeriodWidget = new QWidget(period);
    m_customPeriodWidget->setObjectName(QStringLiteral("customPeriodWidget"));
    auto *customLayout = new QHBoxLayout(m_customPeriodWidget);
    customLayout->setContentsMargins(0, 0, 0, 0);
    m_startDate = new DateEdit(m_customPeriodWidget);
    m_startDate->setObjectName(QStringLiteral("startDate"));
    m_startDate->setCalendarPopup(true);
    auto *dash = new QLabel(QStringLiteral("-"), m_customPeriodWidget);
    dash->setObjectName(QStringLiteral("label"));
    m_endDate = new DateEdit(m_customPeriodWidget);
    m_endDate->setObjectName(QStringLiteral("endDate"));
    m_endDate->setCalendarPopup(true);
    customLayout->addWidget(m_startDate);
    customLayout->addWidget(dash);
    customLayout->addWidget(m_endDate);
    customLayout->addStretch(1);
    // Its room is kept while hidden: choosing a custom period must not widen the window.
    QSizePolicy customPolicy = m_customPeriodWidget->sizePolicy();
    customPolicy.setRetainSizeWhenHidden(true);
    m_customPeriodWidget->setSizePolicy(customPolicy);
    periodLayout->addWidget(m_customPeriodWidget);
    period->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    grid->addWidget(period, 0, 1, 1, 2);

    QGroupBox *decoration = groupBox("groupBox_5", tr("Decoration"), this);
    auto *decorationLayout = new QVBoxLayout(decoration);
    setBoxMargins(decorationLayout, true);
    m_header = new QCheckBox(tr("Header"), decoration);
    m_header->setObjectName(QStringLiteral("header"));
    m_header->setChecked(true);
    m_borderLines = new QCheckBox(tr("Border"), decoration);
    m_borderLines->setObjectName(QStringLiteral("borderLines"));
    decorationLayout->addWidget(m_header);
    decorationLayout->addWidget(m_borderLines);
    decoration->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    grid->addWidget(decoration, 1, 1);

    QGroupBox *events = groupBox("groupBox_7", tr("Events"), this);
    auto *eventsLayout = new QVBoxLayout(events);
    setBoxMargins(eventsLayout, true);
    m_allButton = new QRadioButton(tr("All"), events);
    m_allButton->setObjectName(QStringLiteral("radioButton_2"));
    m_allButton->setChecked(true);
    m_selectedButton = new QRadioButton(tr("Selected"), events);
    m_selectedButton->setObjectName(QStringLiteral("selectedButton"));
    m_selectedGroup = new QButtonGroup(this);
    m_selectedGroup->setObjectName(QStringLiteral("selectedGroup"));
    m_selectedGroup->addButton(m_allButton);
    m_selectedGroup->addButton(m_selectedButton);
    eventsLayout->addWidget(m_allButton);
    eventsLayout->addWidget(m_selectedButton);
    events->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    grid->addWidget(events, 1, 2);

    QGroupBox *recurrent = groupBox("groupBox_8", tr("Recurrent events"), this);
    auto *recurrentLayout = new QHBoxLayout(recurrent);
    setBoxMargins(recurrentLayout, true);
    m_hideRecurrent = new QRadioButton(tr("Hide"), recurrent);
    m_hideRecurrent->setObjectName(QStringLiteral("hideRecurrent"));
    m_showOneRecurrent = new QRadioButton(tr("Show once"), recurrent);
    m_showOneRecurrent->setObjectName(QStringLiteral("showOneRecurrent"));
    m_showOneRecurrent->setChecked(true);
    m_showAllRecurrent = new QRadioButton(tr("Show all"), recurrent);
    m_showAllRecurrent->setObjectName(QStringLiteral("showAllRecurrent"));
    m_recurrentGroup = new QButtonGroup(this);
    m_recurrentGroup->setObjectName(QStringLiteral("recurrentGroup"));
    for (QRadioButton *button : {m_hideRecurrent, m_showOneRecurrent, m_showAllRecurrent}) {
        m_recurrentGroup->addButton(button);
        recurrentLayout->addWidget(button);
    }
    recurrent->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    grid->addWidget(recurrent, 2, 1, 1, 2);

    QGroupBox *columnsBox = groupBox("groupBox_4", tr("Columns"), this);
    auto *columnsLayout = new QVBoxLayout(columnsBox);
    setBoxMargins(columnsLayout, false);
    m_columns = new QListWidget(columnsBox);
    m_columns->setObjectName(QStringLiteral("columns"));
    const QStringList titles = {tr("Date"), tr("Time"), tr("Caption"), tr("Comment"), tr("Recurrence")};
    for (int i = 0; i < titles.count(); ++i) {
        auto *item = new QListWidgetItem(titles.at(i), m_columns);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(i == PrintRow::RecurrenceColumn ? Qt::Unchecked : Qt::Checked);
        // Every table prints at least its captions.
        if (i == PrintRow::CaptionColumn)
            item->setFlags(Qt::NoItemFlags);
    }
    columnsLayout->addWidget(m_columns);
    grid->addWidget(columnsBox, 0, 3, 2, 1);

    QGroupBox *filterBox = groupBox("FilterBy", tr("Filter"), this);
    auto *filterLayout = new QVBoxLayout(filterBox);
    setBoxMargins(filterLayout, false);
    m_calendarsComboBox = new QComboBox(filterBox);
    m_calendarsComboBox->setObjectName(QStringLiteral("calendarsComboBox"));
    m_calendarsComboBox->addItem(tr("Calendar : All are printed"));
    m_filterComboBox = new QComboBox(filterBox);
    m_filterComboBox->setObjectName(QStringLiteral("filterComboBox"));
    m_filterComboBox->addItem(tr("Event Type : All are printed"));
    filterLayout->addWidget(m_calendarsComboBox);
    filterLayout->addWidget(m_filterComboBox);
    grid->addWidget(filterBox, 2, 3, 2, 1);

    auto *groupSortRow = new QHBoxLayout;
    groupSortRow->setObjectName(QStringLiteral("horizontalLayout_7"));
    QGroupBox *group = groupBox("groupBox_2", tr("Group"), this);
    auto *groupLayout = new QHBoxLayout(group);
    setBoxMargins(groupLayout, false);
    m_groupComboBox = new QComboBox(group);
    m_groupComboBox->setObjectName(QStringLiteral("groupComboBox"));
    m_groupComboBox->addItems({tr("None"), tr("Date"), tr("Event type"), tr("Calendar")});
    groupLayout->addWidget(m_groupComboBox);
    group->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QGroupBox *sort = groupBox("groupBox_6", tr("Sort"), this);
    auto *sortLayout = new QHBoxLayout(sort);
    setBoxMargins(sortLayout, false);
    m_sortComboBox = new QComboBox(sort);
    m_sortComboBox->setObjectName(QStringLiteral("sortComboBox"));
    m_sortComboBox->addItems({tr("Date"), tr("Caption")});
    sortLayout->addWidget(m_sortComboBox);
    sort->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    groupSortRow->addWidget(group);
    groupSortRow->addWidget(sort);
    // In the columns of the boxes above, so its left edge lines up with theirs.
    grid->addLayout(groupSortRow, 3, 1, 1, 2);

    m_textBrowser = new QTextBrowser(this);
    m_textBrowser->setObjectName(QStringLiteral("textBrowser"));
    m_textBrowser->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_textBrowser->setTextInteractionFlags(Qt::NoTextInteraction);
    // The preview shows the sheet as it prints: dark text on white paper, whatever the window's colours.
    QPalette paper = m_textBrowser->palette();
    paper.setColor(QPalette::Base, Qt::white);
    paper.setColor(QPalette::Text, Qt::black);
    m_textBrowser->setPalette(paper);
    // Room for a few rows of the table below the choices, which take their own height first.
    m_textBrowser->setMinimumHeight(6 * (fontMetrics().lineSpacing() + 8));
    // The table is as wide as the page and wraps its cells: a sideways bar would only scroll the pixel
    // its width rounds up to, and take a row's height.
    m_textBrowser->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->addWidget(m_textBrowser, 6, 0, 1, 4);

    auto *buttons = new QHBoxLayout;
    buttons->setObjectName(QStringLiteral("horizontalLayout_10"));
    buttons->addStretch(1);
    m_printButton = new QPushButton(tr("Print"), this);
    m_printButton->setObjectName(QStringLiteral("printButton"));
    m_printButton->setDefault(true);
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    buttons->addWidget(m_printButton);
    buttons->addWidget(m_cancelButton);
    grid->addLayout(buttons, 7, 0, 1, 4);
    connect(m_cancelButton, &QPushButton::clicked, this, &QWidget::close);
}

void PrintTableDialog::updateUi()
{
    m_customPeriodWidget->setVisible(m_periodComboBox->currentIndex() == 2);
    if (m_groupComboBox->currentIndex() == PrintSettings::GroupByDate) {
        m_sortComboBox->setCurrentIndex(PrintSettings::SortByDate);
        m_sortComboBox->setEnabled(false);
    } else {
        m_sortComboBox->setEnabled(true);
    }
}

void PrintTableDialog::rebuild()
{
    adjustDates();
    buildData();
    buildTable();
}

void PrintTableDialog::adjustDates()
{
    if (m_startDate->date() <= m_endDate->date())
        return;
    QDateEdit *follower = sender() == m_endDate ? m_startDate : m_endDate;
    const QDate date = sender() == m_endDate ? m_endDate->date() : m_startDate->date();
    const bool blocked = follower->blockSignals(true);
    follower->setDate(date);
    follower->blockSignals(blocked);
}

PrintSettings PrintTableDialog::collectPrintSettings() const
{
    PrintSettings settings;
    const int year = Common::Clock::today().year();
    switch (m_periodComboBox->currentIndex()) {
    case 0:
        settings.period = Period(QDate(year, 1, 1), QDate(year, 12, 31));
        break;
    case 1:
        settings.period = Period(QDate(year + 1, 1, 1), QDate(year + 1, 12, 31));
        break;
    default: {
        const QDate start = m_startDate->date();
        const QDate end = m_endDate->date();
        QR_ASSERT(end >= start);
        settings.period = start == end ? Period(start) : Period(start, end);
        break;
    }
    }
    settings.groupBy = m_groupComboBox->currentIndex();
    settings.sortBy = m_sortComboBox->currentIndex();
    settings.recurrent =
        m_hideRecurrent->isChecked()
            ? PrintSettings::HideRecurrent
            : (m_showOneRecurrent->isChecked() ? PrintSettings::ShowRecurrentOnce : PrintSettings::ShowAllRecurrent);
    for (int i = 0; i < m_columns->count(); ++i) {
        if (m_columns->item(i)->checkState() == Qt::Checked)
            settings.columns << i;
    }
    settings.borderLines = m_borderLines->checkState() == Qt::Checked;
    settings.header = m_header->checkState() == Qt::Checked;
    settings.selectedOnly = m_selectedButton->isChecked();
    if (m_filterComboBox->currentIndex() != 0)
        settings.eventTypeName = m_filterComboBox->currentText();
    if (m_calendarsComboBox->currentIndex() != 0)
        settings.calendarId = m_calendarsComboBox->currentData(Qt::UserRole).toByteArray();
    return settings;
}

void PrintTableDialog::buildData()
{
    m_rows = m_manager ? PrintTableBuilder::collectRows(*m_manager, collectPrintSettings(), m_selectedIndexes)
                       : QList<PrintRow>();
}

void PrintTableDialog::buildTable()
{
    PrintTableBuilder::HtmlOptions options;
    for (int i = 0; i < m_columns->count(); ++i)
        options.columnTitles << m_columns->item(i)->text();
    if (IApplication *app = IApplication::instance())
        options.timeFormat = app->timeFormat();
    options.locale = Common::appLocale();
    const QString text = PrintTableBuilder::html(m_rows, collectPrintSettings(), options);
    m_textBrowser->setDocument(nullptr);
    m_document.reset(PrintTableBuilder::document(text));
    m_textBrowser->setDocument(m_document.get());
    // Showing no document gave the preview's text the application's colours again: back to the paper's.
    const QPalette paper = m_textBrowser->palette();
    m_textBrowser->setPalette(QPalette());
    m_textBrowser->setPalette(paper);
}

void PrintTableDialog::onAccepted()
{
    if (!DateEdit::readAll(this))
        return;
    QPrinter printer(QPrinter::ScreenResolution);
    if (!m_printerAsk(&printer, this))
        return;
    m_textBrowser->print(&printer);
    hide();
}

void PrintTableDialog::fillEventTypes()
{
    if (!m_manager)
        return;
    QSet<QString> names;
    for (int i = 0; i < m_manager->count(); ++i) {
        if (const AbstractCommonEventPtr event = m_manager->eventByIndex(i))
            names.insert(event->typeName());
    }
    QStringList sorted(names.cbegin(), names.cend());
    // A fixed order reads better than the hash's.
    sorted.sort(Qt::CaseInsensitive);
    m_filterComboBox->addItems(sorted);
}

void PrintTableDialog::fillCalendars()
{
    if (!m_manager)
        return;
    for (const CalendarInfo &info : m_manager->calendars())
        m_calendarsComboBox->addItem(info.name, info.id);
}
