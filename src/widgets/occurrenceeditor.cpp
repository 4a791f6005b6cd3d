#include "widgets/occurrenceeditor.h"

#include "core/clock.h"
#include "core/log.h"
#include "widgets/dateedit.h"
#include "widgets/screenfit.h"
#include "widgets/windowplacement.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

OccurrenceEditor::OccurrenceEditor(const Occurrence &occurrence, QWidget *parent)
    : Dialog(parent, QByteArray(), Qt::Dialog | Qt::FramelessWindowHint),
      m_occurrence(Common::Clock::today(), IOccurrence::Once)
{
    buildForm();
    init();
    setOccurrence(occurrence);
}

OccurrenceEditor::~OccurrenceEditor() = default;

namespace {
// The starting size at the usual font, when the contents need no more.
constexpr QSize kStartingSize(340, 161);
} // namespace

void OccurrenceEditor::buildForm()
{
    setObjectName(QStringLiteral("OccurrenceEditor"));
    resize(kStartingSize);
    setWindowTitle(tr("Recurrence"));

    auto *outer = new QVBoxLayout(this);
    outer->setObjectName(QStringLiteral("verticalLayout_3"));
    outer->setSpacing(0);
    outer->setContentsMargins(0, 0, 0, 0);
    // A frameless window: the frame is its only border.
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("frame"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Plain);
    outer->addWidget(frame);
    auto *column = new QVBoxLayout(frame);
    column->setObjectName(QStringLiteral("verticalLayout"));

    m_form = new QFormLayout;
    m_form->setObjectName(QStringLiteral("form"));
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    column->addLayout(m_form);

    auto *startDateLabel = new QLabel(tr("Start date:"), frame);
    startDateLabel->setObjectName(QStringLiteral("startDateLabel"));
    auto *startRow = new QHBoxLayout;
    startRow->setObjectName(QStringLiteral("horizontalLayout_4"));
    m_startDateLineEdit = new QLineEdit(frame);
    m_startDateLineEdit->setObjectName(QStringLiteral("startDateLineEdit"));
    m_startDateLineEdit->setMinimumHeight(20);
    startRow->addWidget(m_startDateLineEdit);
    startRow->addStretch();
    m_form->addRow(startDateLabel, startRow);

    auto *repeatLabel = new QLabel(tr("Repeat:"), frame);
    repeatLabel->setObjectName(QStringLiteral("repeatLabel"));
    m_repeatComboBox = new QComboBox(frame);
    m_repeatComboBox->setObjectName(QStringLiteral("repeatComboBox"));
    m_repeatComboBox->setMinimumHeight(20);
    m_form->addRow(repeatLabel, m_repeatComboBox);

    auto *stepLabel = new QLabel(tr("Step:"), frame);
    stepLabel->setObjectName(QStringLiteral("stepLabel"));
    auto *stepRow = new QHBoxLayout;
    stepRow->setObjectName(QStringLiteral("horizontalLayout_3"));
    m_stepSpinBox = new QSpinBox(frame);
    m_stepSpinBox->setObjectName(QStringLiteral("stepSpinBox"));
    m_stepSpinBox->setMinimumHeight(20);
    m_stepSpinBox->setRange(1, 99);
    m_stepMeasure = new QLabel(tr("weeks"), frame);
    m_stepMeasure->setObjectName(QStringLiteral("stepMeasure"));
    stepRow->addWidget(m_stepSpinBox);
    stepRow->addWidget(m_stepMeasure);
    stepRow->addStretch();
    m_form->addRow(stepLabel, stepRow);

    column->addSpacing(5);
    auto *summaryBox = new QVBoxLayout;
    summaryBox->setObjectName(QStringLiteral("verticalLayout_2"));
    m_summaryLabel = new QLabel(tr("Summary:"), frame);
    m_summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    QFont bold = m_summaryLabel->font();
    bold.setWeight(QFont::Bold);
    m_summaryLabel->setFont(bold);
    m_summaryLabel->setWordWrap(true);
    summaryBox->addWidget(m_summaryLabel);
    column->addLayout(summaryBox);

    auto *buttons = new QHBoxLayout;
    buttons->setObjectName(QStringLiteral("horizontalLayout_2"));
    buttons->addStretch();
    m_buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, frame);
    m_buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttons->addWidget(m_buttonBox);
    column->addLayout(buttons);
}

void OccurrenceEditor::init()
{
    for (int kind = IOccurrence::Once; kind <= IOccurrence::Yearly; ++kind)
        m_repeatComboBox->addItem(Occurrence::typeName(IOccurrence::Type(kind)), kind);

    connect(m_repeatComboBox, &QComboBox::currentIndexChanged, this, &OccurrenceEditor::onTypeChanged);
    connect(m_stepSpinBox, &QSpinBox::valueChanged, this, &OccurrenceEditor::onValueChanged);
    // The start date comes from the event's period; it is shown, not edited here.
    m_startDateLineEdit->setEnabled(false);
    connect(m_buttonBox->button(QDialogButtonBox::Cancel), &QPushButton::clicked, this, &QDialog::reject);
    connect(m_buttonBox->button(QDialogButtonBox::Ok), &QPushButton::clicked, this, &QDialog::accept);
}

void OccurrenceEditor::accept()
{
    if (!m_settings.endDateFits())
        return;
    // The rows reach the rule queued: a date just read from the typed text has not yet.
    onValueChanged();
    Dialog::accept();
}

void OccurrenceEditor::showEvent(QShowEvent *event)
{
    // A larger font or a summary that wraps asks for more than the usual size: every row shows whole
    // from the start. Taken before the window is centred.
    if (!event->spontaneous())
        resize(neededSize(kStartingSize));
    Dialog::showEvent(event);
}

bool OccurrenceEditor::event(QEvent *event)
{
    const bool done = Dialog::event(event);
    // Rows of another kind and a summary of more lines, once they show, may need more than the window took
    // when it opened: its layout would squeeze every row rather than grow it.
    if (event->type() == QEvent::LayoutRequest && isVisible())
        growInPlace();
    return done;
}

QSize OccurrenceEditor::neededSize(const QSize &size)
{
    layout()->activate();
    const int width = qMax(size.width(), minimumSizeHint().width());
    const int height = hasHeightForWidth() ? heightForWidth(width) : sizeHint().height();
    return {width, qMax(size.height(), height)};
}

void OccurrenceEditor::growInPlace()
{
    const QSize needed = neededSize(size());
    if (needed == size())
        return;
    // Downwards from where it stands, moving only as far as the screen needs.
    takePlaceFromServer();
    setGeometry(WindowPlacement::fitIntoArea(QRect(geometry().topLeft(), needed), ScreenFit::availableAreaFor(this)));
}

void OccurrenceEditor::setOccurrence(const Occurrence &occurrence)
{
    m_occurrence = occurrence;
    updateControls();
    m_updating = true;
    m_repeatComboBox->setCurrentIndex(m_occurrence.type());
    m_updating = false;
}

void OccurrenceEditor::onTypeChanged(int type)
{
    if (m_updating)
        return;
    m_occurrence.setType(IOccurrence::Type(type));
    updateControls();
}

void OccurrenceEditor::onValueChanged()
{
    if (m_updating)
        return;
    if (m_stepSpinBox->isEnabled())
        m_occurrence.setStep(m_stepSpinBox->value());
    m_settings.applySettingsFromControls(m_occurrence.rule());
    updateSummary();
}

void OccurrenceEditor::updateControls()
{
    const QScopedValueRollback<bool> updating(m_updating, true);
    m_startDateLineEdit->setText(locale().toString(m_occurrence.startDate(), DateEdit::fourDigitYearFormat(locale())));
    const QString measure = Occurrence::stepMeasure(m_occurrence.type());
    m_stepMeasure->setText(measure);
    if (measure.isEmpty()) {
        m_stepSpinBox->setValue(1);
        m_stepSpinBox->setEnabled(false);
    } else {
        m_stepSpinBox->setValue(m_occurrence.step());
        m_stepSpinBox->setEnabled(true);
    }

    // Rows of the previous kind go at once, so the form never shows two kinds' rows.
    // removeRow drops the row itself, so rows left empty never pile up.
    for (const QPointer<QWidget> &widget : std::as_const(m_rowWidgets)) {
        if (!widget)
            continue;
        if (m_form->indexOf(widget.data()) >= 0)
            m_form->removeRow(widget.data());
        else
            delete widget.data();
    }
    m_rowWidgets.clear();

    const QList<OccurrenceSettingsControls::Row> rows = m_settings.createControl(m_occurrence.rule(), this);
    for (const OccurrenceSettingsControls::Row &row : rows) {
        auto *label = new QLabel(row.first, this);
        m_form->addRow(label, row.second);
        m_rowWidgets << label << row.second;

        connect(row.second, &ChangableWidget::changed, this, &OccurrenceEditor::onValueChanged, Qt::QueuedConnection);
    }
    updateSummary();
}

void OccurrenceEditor::updateSummary()
{
    m_summaryLabel->setText(tr("Summary:") + QLatin1Char(' ') + m_occurrence.description());
}
