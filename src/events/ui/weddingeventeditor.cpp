#include "events/ui/weddingeventeditor.h"

#include "events/weddingevent.h"
#include "widgets/photobox.h"
#include "widgets/remindinbox.h"
#include "widgets/dateedit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QLayout *dividerRow(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setPixmap(QPixmap(QStringLiteral(":/Ostrevalder/icons/wedding/divider.png")));
    label->setFixedSize(500, 30);
    label->setScaledContents(true);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(label);
    row->addStretch();
    return row;
}

QString shownWords(const QString &words)
{
    return words.startsWith(QLatin1String("--")) ? QString() : words;
}

} // namespace

WeddingEventEditor::WeddingEventEditor(WeddingEvent *event, QWidget *parent)
    : EventForm(event, parent), m_wedding(event)
{
    setObjectName(QStringLiteral("WeddingEventEditor"));
    setWindowTitle(tr("Wedding"));
    resize(698, 196);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    QFont bold(QStringLiteral("Arial"));
    bold.setBold(true);
    auto *groupBox = new QGroupBox(this);
    prefixLabel = new QLabel(groupBox);
    prefixLabel->setFont(bold);
    personOneName = textField(groupBox, "personOneName");
    personTwoName = textField(groupBox, "personTwoName");
    for (QLineEdit *name : {personOneName, personTwoName}) {
        name->setFont(bold);
        name->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    auto *andLabel = new QLabel(tr("and"), groupBox);
    QFont andFont = andLabel->font();
    andFont.setBold(true);
    andLabel->setFont(andFont);
    postfixLabel = new QLabel(groupBox);
    postfixLabel->setFont(bold);
    auto *namesRow = new QHBoxLayout;
    namesRow->addWidget(prefixLabel);
    namesRow->addWidget(personOneName);
    namesRow->addWidget(andLabel);
    namesRow->addWidget(personTwoName);
    namesRow->addWidget(postfixLabel);

    auto *dateBox = new QGroupBox(tr("Date"), groupBox);
    auto *calendar = new QLabel(dateBox);
    calendar->setPixmap(QPixmap(QStringLiteral(":/Ostrevalder/icons/calendar_blue.png")));
    dateEdit = new DateEdit(dateBox);
    dateEdit->setObjectName(QStringLiteral("dateEdit"));
    dateEdit->setCalendarPopup(true);
    auto *dateRow = new QHBoxLayout(dateBox);
    dateRow->setContentsMargins(dateRow->contentsMargins().left(), 0, dateRow->contentsMargins().right(), 5);
    dateRow->addWidget(calendar);
    dateRow->addWidget(dateEdit);
    dateRow->addSpacing(7);

    daysToWatchSpinBox = remindBox(groupBox, "daysToWatchSpinBox");
    remindCheckBox = new QCheckBox(tr("Remind every year"), groupBox);
    remindCheckBox->setObjectName(QStringLiteral("remindCheckBox"));
    auto *remindRow = new QHBoxLayout;
    remindRow->setContentsMargins(0, 6, 0, 6);
    remindRow->addStretch();
    remindRow->addWidget(new QLabel(tr("Remind in"), groupBox));
    remindRow->addWidget(daysToWatchSpinBox);
    remindRow->addStretch();
    remindRow->addWidget(remindCheckBox);
    auto *dateAndRemind = new QHBoxLayout;
    dateAndRemind->addWidget(dateBox);
    dateAndRemind->addLayout(remindRow, 1);

    commentLabel = new QLabel(tr("Comment"), groupBox);
    commentLineEdit = textField(groupBox, "commentLineEdit");
    auto *commentRow = new QHBoxLayout;
    commentRow->addWidget(commentLabel);
    commentRow->addWidget(commentLineEdit);

    auto *inner = new QVBoxLayout(groupBox);
    inner->setContentsMargins(4, 4, 4, 4);
    inner->addLayout(namesRow);
    inner->addLayout(dividerRow(groupBox));
    inner->addLayout(dateAndRemind);
    inner->addLayout(dividerRow(groupBox));
    inner->addLayout(commentRow);
    auto *left = new QVBoxLayout;
    left->addWidget(groupBox);
    left->addStretch();
    photoViewer = addPhotoColumn(this, left);

    prefixLabel->setText(shownWords(event->prefix()));
    postfixLabel->setText(shownWords(event->postfix()));
    personOneName->setText(event->personOneName());
    personTwoName->setText(event->personTwoName());
    dateEdit->setDate(event->period().beginDate());
    commentLineEdit->setText(event->comment());
    remindCheckBox->setChecked(event->occurrence().type() != IOccurrence::Once);
    daysToWatchSpinBox->setValue(event->daysToWatch());
    initPhotoBox(photoViewer);
    showByField("remindEveryYearField", {remindCheckBox});
    showByField("commentField", {commentLabel, commentLineEdit});
    showTextsFromStart();
}

bool WeddingEventEditor::check(QString &errorText)
{
    if (personOneName->text().isEmpty() && personTwoName->text().isEmpty()) {
        errorText = tr("Names cannot be empty!");
        return false;
    }
    return true;
}

void WeddingEventEditor::apply()
{
    // A single name is always person one, so the one-name texts are used.
    if (personOneName->text().isEmpty()) {
        personOneName->setText(personTwoName->text());
        personTwoName->clear();
    }
    WeddingEvent *e = m_wedding;
    e->setPersonOneName(personOneName->text());
    e->setPersonTwoName(personTwoName->text());
    const QDate date = dateEdit->date();
    e->setPeriod(Period(date));
    e->setComment(commentLineEdit->text());
    e->setOccurrence(Occurrence(date, remindCheckBox->isChecked() ? IOccurrence::Yearly : IOccurrence::Once));
    e->setDaysToWatch(daysToWatchSpinBox->value());
}
