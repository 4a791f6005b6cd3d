#include "events/ui/birthdayeventeditor.h"

#include "core/clock.h"
#include "core/log.h"
#include "core/simpleparser.h"
#include "events/birthdayevent.h"
#include "widgets/photobox.h"
#include "widgets/remindinbox.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Selects the whole text of a spin box when it gets the focus, so a typed number replaces it.
class SelectTextOnActivationHelper : public QObject
{
public:
    explicit SelectTextOnActivationHelper(QSpinBox *box) : QObject(box), m_box(box) { box->installEventFilter(this); }

    bool eventFilter(QObject *obj, QEvent *event) override
    {
        QR_ASSERT(obj);
        if (event->type() == QEvent::FocusIn)
            QTimer::singleShot(0, m_box, &QSpinBox::selectAll);
        return QObject::eventFilter(obj, event);
    }

private:
    QSpinBox *m_box;
};

QLabel *pictureLabel(const QString &path, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setPixmap(QPixmap(path));
    return label;
}

QString expandedWords(const QString &words, BirthdayEvent *event)
{
    if (words.startsWith(QLatin1String("--")))
        return QString();
    return SimpleParser(event).parse(words, -1);
}

} // namespace

BirthdayEventEditor::BirthdayEventEditor(BirthdayEvent *event, QWidget *parent)
    : EventForm(event, parent), m_birthday(event)
{
    build();
    fill();
}

void BirthdayEventEditor::build()
{
    setObjectName(QStringLiteral("BirthdayEventEditor"));
    setWindowTitle(tr("Birthday"));
    resize(505, 219);

    QFont bold(QStringLiteral("Arial"));
    bold.setBold(true);

    auto *groupBox = new QGroupBox(this);
    prefixLabel = new QLabel(groupBox);
    prefixLabel->setFont(bold);
    personName = textField(groupBox, "personName");
    personName->setFont(bold);
    postfixLabel = new QLabel(groupBox);
    postfixLabel->setFont(bold);
    auto *nameRow = new QHBoxLayout(groupBox);
    nameRow->addWidget(prefixLabel);
    nameRow->addWidget(personName, 1);
    nameRow->addWidget(postfixLabel);

    auto *dateBox = new QGroupBox(tr("Date"), this);
    monthComboBox = new QComboBox(dateBox);
    monthComboBox->setObjectName(QStringLiteral("monthComboBox"));
    monthComboBox->addItems({tr("January"), tr("February"), tr("March"), tr("April"), tr("May"), tr("June"), tr("July"),
                             tr("August"), tr("September"), tr("October"), tr("November"), tr("December")});
    dayComboBox = new QComboBox(dateBox);
    dayComboBox->setObjectName(QStringLiteral("dayComboBox"));
    dayComboBox->setEditable(true);
    // A typed day must never become a new item (such as "32"); acceptance checks it against the month.
    dayComboBox->setInsertPolicy(QComboBox::NoInsert);
    dayComboBox->setValidator(new QIntValidator(1, 31, dayComboBox));
    dayComboBox->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *dateRow = new QHBoxLayout;
    dateRow->addWidget(pictureLabel(QStringLiteral(":/Ostrevalder/icons/calendar_blue.png"), dateBox));
    dateRow->addWidget(monthComboBox, 1);
    dateRow->addSpacing(7);
    dateRow->addWidget(dayComboBox);

    ageFrame = new QFrame(dateBox);
    ageFrame->setObjectName(QStringLiteral("ageFrame"));
    ageFrame->setFrameShape(QFrame::StyledPanel);
    ageFrame->setFrameShadow(QFrame::Raised);
    yearSpinBox = new QSpinBox(ageFrame);
    yearSpinBox->setObjectName(QStringLiteral("yearSpinBox"));
    // A birth year after this year would make no age; 1852 stands for "not given".
    yearSpinBox->setRange(BirthdayEvent::s_noYear, qMax(Common::Clock::today().year(), BirthdayEvent::s_noYear + 1));
    yearSpinBox->setSpecialValueText(tr(" I don't know"));
    yearSpinBox->setAccelerated(true);
    yearSpinBox->setMinimumWidth(90);
    yearSpinBox->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    ageSpinBox = new QSpinBox(ageFrame);
    ageSpinBox->setObjectName(QStringLiteral("ageSpinBox"));
    ageSpinBox->setRange(-1, 200);
    ageSpinBox->setValue(-1);
    ageSpinBox->setSpecialValueText(tr(" I don't know"));
    ageSpinBox->setMinimumWidth(90);
    ageSpinBox->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *ageGrid = new QGridLayout(ageFrame);
    ageGrid->setVerticalSpacing(0);
    ageGrid->addWidget(new QLabel(tr("Year:"), ageFrame), 0, 0);
    ageGrid->addWidget(new QLabel(tr("Age:"), ageFrame), 1, 0);
    ageGrid->addWidget(new QLabel(tr("Or"), ageFrame), 0, 1, 2, 1, Qt::AlignCenter);
    ageGrid->addWidget(yearSpinBox, 0, 2);
    ageGrid->addWidget(ageSpinBox, 1, 2);
    ageGrid->setColumnMinimumWidth(1, 7);
    auto *dateColumn = new QVBoxLayout(dateBox);
    dateColumn->addLayout(dateRow);
    dateColumn->addWidget(ageFrame);

    genderBox = new QGroupBox(tr("Gender"), this);
    genderBox->setObjectName(QStringLiteral("genderBox"));
    maleButton = new QRadioButton(tr("Male"), genderBox);
    maleButton->setObjectName(QStringLiteral("maleButton"));
    maleButton->setChecked(true);
    femaleButton = new QRadioButton(tr("Female"), genderBox);
    femaleButton->setObjectName(QStringLiteral("femaleButton"));
    auto *genderGroup = new QButtonGroup(this);
    genderGroup->addButton(maleButton);
    genderGroup->addButton(femaleButton);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(maleButton);
    buttons->addWidget(femaleButton);
    auto *genderRow = new QHBoxLayout(genderBox);
    genderRow->addWidget(pictureLabel(QStringLiteral(":/Ostrevalder/icons/gender.png"), genderBox));
    genderRow->addLayout(buttons);

    auto *remindRow = new QHBoxLayout;
    remindRow->addWidget(new QLabel(tr("Remind in"), this));
    daysToWatchSpinBox = remindBox(this, "daysToWatchSpinBox");
    remindRow->addWidget(daysToWatchSpinBox);
    remindRow->addStretch();

    commentLabel = new QLabel(tr("Comment"), this);
    commentLineEdit = textField(this, "commentLineEdit");
    auto *commentRow = new QHBoxLayout;
    commentRow->addWidget(commentLabel);
    commentRow->addWidget(commentLineEdit);

    auto *dateAndGender = new QHBoxLayout;
    dateAndGender->addWidget(dateBox);
    dateAndGender->addStretch();
    dateAndGender->addWidget(genderBox, 0, Qt::AlignTop);

    auto *left = new QVBoxLayout;
    left->setSpacing(9);
    left->addWidget(groupBox);
    left->addLayout(dateAndGender);
    left->addLayout(remindRow);
    left->addLayout(commentRow);
    left->addStretch();
    photoViewer = addPhotoColumn(this, left);

    setTabOrder(monthComboBox, dayComboBox);
    setTabOrder(dayComboBox, yearSpinBox);
    setTabOrder(yearSpinBox, ageSpinBox);
    setTabOrder(ageSpinBox, commentLineEdit);
}

void BirthdayEventEditor::fill()
{
    BirthdayEvent *e = m_birthday;
    personName->setText(e->personName());
    prefixLabel->setText(expandedWords(e->prefix(), e));
    postfixLabel->setText(expandedWords(e->postfix(), e));

    connect(monthComboBox, &QComboBox::currentIndexChanged, this, &BirthdayEventEditor::updateDayComboBox);
    const QDate birth = e->birthDate();
    // The year box first, so the day list is made for the right year (29 February).
    if (e->ageCounted()) {
        const QSignalBlocker blocker(yearSpinBox);
        yearSpinBox->setValue(birth.year());
    }
    monthComboBox->setCurrentIndex(birth.month() - 1);
    updateDayComboBox(monthComboBox->currentIndex());
    if (birth.day() <= dayComboBox->count())
        dayComboBox->setCurrentIndex(birth.day() - 1);
    commentLineEdit->setText(e->comment());

    new SelectTextOnActivationHelper(ageSpinBox);
    new SelectTextOnActivationHelper(yearSpinBox);
    connect(ageSpinBox, &QSpinBox::valueChanged, this, &BirthdayEventEditor::onAgeSpinBoxChanged);
    connect(yearSpinBox, &QSpinBox::valueChanged, this, &BirthdayEventEditor::onYearSpinBoxChanged);
    connect(monthComboBox, &QComboBox::currentIndexChanged, this, &BirthdayEventEditor::updateAge);
    connect(dayComboBox, &QComboBox::currentIndexChanged, this, &BirthdayEventEditor::updateAge);
    if (e->ageCounted())
        updateAge();

    daysToWatchSpinBox->setValue(e->daysToWatch());
    if (e->genderId() == 1)
        femaleButton->setChecked(true);

    initPhotoBox(photoViewer, this);
    // The default picture follows the buttons before anything is accepted.
    connect(femaleButton, &QRadioButton::toggled, photoViewer->photoBox(), &PhotoBox::defaultPhotoChanged);
    connect(maleButton, &QRadioButton::toggled, photoViewer->photoBox(), &PhotoBox::defaultPhotoChanged);

    showByField("yearField", {ageFrame});
    showByField("genderField", {genderBox});
    showByField("commentField", {commentLabel, commentLineEdit});
    showTextsFromStart();
}

QStringList BirthdayEventEditor::daysOfMonth(int year, int month)
{
    const int days = QDate(year, month, 1).daysInMonth();
    QStringList texts;
    for (int day = 1; day <= days; ++day)
        texts << QString::number(day);
    return texts;
}

int BirthdayEventEditor::birthYearForAge(int day, int month, int age)
{
    const QDate today = Common::Clock::today();
    const bool notYetCome = today.month() < month || (today.month() == month && today.day() < day);
    return today.year() - age - (notYetCome ? 1 : 0);
}

void BirthdayEventEditor::updateDayComboBox(int month)
{
    QR_ASSERT(month >= 0);
    QR_ASSERT(month < 12);
    if (month < 0 || month >= 12)
        return;
    const QStringList texts = daysOfMonth(yearSpinBox->value(), month + 1);
    if (texts.size() == dayComboBox->count())
        return;
    const int current = dayComboBox->currentIndex();
    {
        const QSignalBlocker blocker(dayComboBox);
        dayComboBox->clear();
        dayComboBox->addItems(texts);
    }
    if (current >= 0 && current < texts.size())
        dayComboBox->setCurrentIndex(current);
    else
        emit dayComboBox->currentIndexChanged(dayComboBox->currentIndex());
}

int BirthdayEventEditor::typedDay() const
{
    bool ok = false;
    const int day = dayComboBox->currentText().trimmed().toInt(&ok);
    return ok ? day : 0;
}

void BirthdayEventEditor::onAgeSpinBoxChanged(int age)
{
    if (m_linking)
        return;
    m_linking = true;
    if (age == -1)
        yearSpinBox->setValue(yearSpinBox->minimum());
    else
        yearSpinBox->setValue(birthYearForAge(qMax(1, typedDay()), monthComboBox->currentIndex() + 1, age));
    m_linking = false;
    updateDayComboBox(monthComboBox->currentIndex());
}

void BirthdayEventEditor::onYearSpinBoxChanged(int year)
{
    updateDayComboBox(monthComboBox->currentIndex());
    if (m_linking)
        return;
    m_linking = true;
    if (year == yearSpinBox->minimum()) {
        ageSpinBox->setValue(-1);
    } else {
        const int month = monthComboBox->currentIndex() + 1;
        const int day = qBound(1, typedDay(), QDate(year, month, 1).daysInMonth());
        ageSpinBox->setValue(qMax(0, BirthdayEvent::yearsBetween(Common::Clock::today(), QDate(year, month, day))));
    }
    m_linking = false;
}

void BirthdayEventEditor::updateAge()
{
    onYearSpinBoxChanged(yearSpinBox->value());
}

bool BirthdayEventEditor::check(QString &errorText)
{
    if (personName->text().isEmpty()) {
        errorText = tr("Please enter person's name");
        return false;
    }
    // The day box is editable: the typed day counts, and it must lie within the chosen month.
    const int days = dayComboBox->count();
    const int day = typedDay();
    if (day < 1 || day > days) {
        errorText = tr("Please choose a day from 1 to %1").arg(days);
        return false;
    }
    return true;
}

void BirthdayEventEditor::apply()
{
    BirthdayEvent *e = m_birthday;
    const QDate date(yearSpinBox->value(), monthComboBox->currentIndex() + 1, typedDay());
    e->setPeriod(Period(date));
    e->setPersonName(personName->text());
    e->setComment(commentLineEdit->text());
    e->setOccurrence(Occurrence(date, IOccurrence::Yearly));
    e->setDaysToWatch(daysToWatchSpinBox->value());
    e->setGenderId(maleButton->isChecked() ? 0 : 1);
}

QIcon BirthdayEventEditor::defaultPhoto() const
{
    if (event() && event()->hasCustomTypePicture())
        return event()->AbstractCommonEvent::defaultPhoto();
    return femaleButton->isChecked() ? BirthdayEvent::femaleIcon() : BirthdayEvent::maleIcon();
}
