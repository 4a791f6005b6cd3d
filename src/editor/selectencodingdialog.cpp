#include "editor/selectencodingdialog.h"

#include "core/encodingdetector.h"
#include "core/log.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextBrowser>
#include <QTextCodec>
#include <QTextCursor>
#include <QVBoxLayout>

SelectEncodingDialog::SelectEncodingDialog(QWidget *parent, bool showEncoding)
    : Dialog(parent, QByteArray()), m_showEncoding(showEncoding)
{
    setupUi();
    for (const QByteArray &name : encodingNames())
        m_encodingsBox->addItem(QString::fromUtf8(name));
    const QByteArray defaultId = CalendarsProvider::defaultCalendarId();
    for (const CalendarInfo &info : CalendarsProvider::calendars()) {
        m_calendars->addItem(info.name, QVariant(info.id));
        if (info.id == defaultId)
            m_calendars->setCurrentIndex(m_calendars->count() - 1);
    }
    m_encodingLabel->setText(m_encodingsBox->currentText());
    m_encodingBox->hide();
    m_encodingsWidget->setVisible(showEncoding);

    connect(m_autoEncodingCheckBox, &QCheckBox::toggled, this, &SelectEncodingDialog::onAutoDetectChanged);
    connect(m_encodingsBox, &QComboBox::currentIndexChanged, this, &SelectEncodingDialog::readFile);
    connect(m_calendarName, &QLineEdit::textChanged, this, &SelectEncodingDialog::check);
    connect(m_buttonGroup, &QButtonGroup::idClicked, this, &SelectEncodingDialog::check);

    m_fixedSize = sizeHint();
    setFixedSize(m_fixedSize);
}

void SelectEncodingDialog::setupUi()
{
    setObjectName(QStringLiteral("SelectEncodingDialog"));
    setWindowTitle(tr("Import"));
    resize(470, 365);
    auto *layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("verticalLayout"));

    auto *calendarBox = new QGroupBox(tr("Choose Calendar"), this);
    calendarBox->setObjectName(QStringLiteral("groupBox"));
    auto *grid = new QGridLayout(calendarBox);
    grid->setObjectName(QStringLiteral("gridLayout"));
    m_newCalendarButton = new QRadioButton(tr("Create new calendar: "), calendarBox);
    m_newCalendarButton->setObjectName(QStringLiteral("newCalendarButton"));
    m_newCalendarButton->setChecked(true);
    m_existingCalendarButton = new QRadioButton(tr("Use existing calendar: "), calendarBox);
    m_existingCalendarButton->setObjectName(QStringLiteral("existingCalendarButton"));
    m_buttonGroup = new QButtonGroup(this);
    m_buttonGroup->setObjectName(QStringLiteral("buttonGroup"));
    m_buttonGroup->addButton(m_newCalendarButton);
    m_buttonGroup->addButton(m_existingCalendarButton);
    m_calendarName = new QLineEdit(calendarBox);
    m_calendarName->setObjectName(QStringLiteral("calendarName"));
    m_calendars = new QComboBox(calendarBox);
    m_calendars->setObjectName(QStringLiteral("calendars"));
    m_calendars->setEnabled(false);
    grid->addWidget(m_newCalendarButton, 0, 0);
    grid->addWidget(m_calendarName, 0, 1);
    grid->addWidget(m_existingCalendarButton, 1, 0);
    grid->addWidget(m_calendars, 1, 1);
    grid->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 2);
    connect(m_newCalendarButton, &QRadioButton::toggled, m_calendarName, &QWidget::setEnabled);
    connect(m_existingCalendarButton, &QRadioButton::toggled, m_calendars, &QWidget::setEnabled);
    layout->addWidget(calendarBox);

    m_encodingsWidget = new QWidget(this);
    m_encodingsWidget->setObjectName(QStringLiteral("encodingsWidget"));
    m_encodingsWidget->setMinimumSize(0, 0);
    auto *encodingsLayout = new QVBoxLayout(m_encodingsWidget);
    encodingsLayout->setObjectName(QStringLiteral("verticalLayout_3"));
    encodingsLayout->setContentsMargins(0, 0, 0, 0);
    auto *autoRow = new QHBoxLayout;
    autoRow->setObjectName(QStringLiteral("horizontalLayout_2"));
    m_autoEncodingCheckBox = new QCheckBox(tr("Automatically detect file encoding:"), m_encodingsWidget);
    m_autoEncodingCheckBox->setObjectName(QStringLiteral("autoEncodingCheckBox"));
    m_autoEncodingCheckBox->setChecked(true);
    m_encodingLabel = new QLabel(QStringLiteral("encoding"), m_encodingsWidget);
    m_encodingLabel->setObjectName(QStringLiteral("encodingLabel"));
    autoRow->addWidget(m_autoEncodingCheckBox);
    autoRow->addWidget(m_encodingLabel);
    autoRow->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    encodingsLayout->addLayout(autoRow);

    m_encodingBox = new QGroupBox(tr("Choose file encoding"), m_encodingsWidget);
    m_encodingBox->setObjectName(QStringLiteral("encodingBox"));
    auto *encodingLayout = new QVBoxLayout(m_encodingBox);
    encodingLayout->setObjectName(QStringLiteral("verticalLayout_2"));
    auto *listRow = new QHBoxLayout;
    listRow->setObjectName(QStringLiteral("horizontalLayout"));
    m_encodingsBox = new QComboBox(m_encodingBox);
    m_encodingsBox->setObjectName(QStringLiteral("encodingsBox"));
    listRow->addWidget(m_encodingsBox);
    listRow->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    encodingLayout->addLayout(listRow);
    m_guessLabel = new QLabel(guessText(0), m_encodingBox);
    m_guessLabel->setObjectName(QStringLiteral("guessLabel"));
    m_guessLabel->setWordWrap(true);
    m_guessLabel->hide();
    encodingLayout->addWidget(m_guessLabel);
    auto *previewLabel = new QLabel(tr("Decoded file content:"), m_encodingBox);
    previewLabel->setObjectName(QStringLiteral("label"));
    encodingLayout->addWidget(previewLabel);
    m_textBrowser = new QTextBrowser(m_encodingBox);
    m_textBrowser->setObjectName(QStringLiteral("textBrowser"));
    m_textBrowser->setOpenLinks(false);
    encodingLayout->addWidget(m_textBrowser);
    encodingsLayout->addWidget(m_encodingBox);
    layout->addWidget(m_encodingsWidget);

    m_buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttonBox->setObjectName(QStringLiteral("buttonBox"));
    layout->addWidget(m_buttonBox);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    setTabOrder(m_newCalendarButton, m_calendarName);
    setTabOrder(m_calendarName, m_existingCalendarButton);
    setTabOrder(m_existingCalendarButton, m_calendars);
    setTabOrder(m_calendars, m_autoEncodingCheckBox);
    setTabOrder(m_autoEncodingCheckBox, m_encodingsBox);
    setTabOrder(m_encodingsBox, m_textBrowser);
    setTabOrder(m_textBrowser, m_buttonBox);
}

bool SelectEncodingDialog::keepsUndecodable() const
{
    return m_showEncoding && !m_autoEncodingCheckBox->isChecked() && !m_unsureGuess.isEmpty() &&
           encoding() == m_unsureGuess;
}

QString SelectEncodingDialog::guessText(int badLine)
{
    QString text = tr("The encoding of this file could not be recognised for certain. Check that the "
                      "text below reads right; if it does not, choose another encoding.");
    if (badLine > 0)
        text += QLatin1Char(' ') + tr("In this encoding the text does not decode from line %1 on: such bytes show "
                                      "as \uFFFD, and are imported so.")
                                       .arg(badLine);
    return text;
}

void SelectEncodingDialog::setFileName(const QString &path)
{
    m_calendarName->setText(QFileInfo(path).baseName());
    m_fileName = path;
    detectEncoding();
    readFile();
    // A name that begins with a dot proposes nothing: OK waits for a name.
    check();
}

QByteArray SelectEncodingDialog::encoding() const
{
    return m_encodingsBox->currentText().toUtf8();
}

CalendarInfo SelectEncodingDialog::calendar() const
{
    if (m_calendarName->isEnabled())
        return CalendarInfo(QByteArray(), m_calendarName->text());
    return CalendarInfo(m_calendars->currentData(Qt::UserRole).toByteArray(), QString());
}

QList<QByteArray> SelectEncodingDialog::encodingNames()
{
    // The registry lists the codecs used so far first, so its first name would change with every
    // import of another encoding: UTF-8 always leads.
    QList<QByteArray> names = QTextCodec::availableCodecs();
    const QByteArray utf8("UTF-8");
    names.removeAll(utf8);
    names.prepend(utf8);
    return names;
}

QString SelectEncodingDialog::decode(const QByteArray &data, const QByteArray &encoding)
{
    QTextCodec *codec = QTextCodec::codecForName(encoding);
    if (!codec)
        codec = QTextCodec::codecForLocale();
    return QTextCodec::codecForUtfText(data, codec)->toUnicode(data);
}

void SelectEncodingDialog::detectEncoding()
{
    if (!m_showEncoding || !m_autoEncodingCheckBox->isChecked())
        return;
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // Valid UTF-8 is judged on all the bytes up to this much; a wrong choice past it is
    // still caught, as the import refuses text it cannot decode.
    const EncodingDetector::Result guess = EncodingDetector::detect(file.read(16 * 1024 * 1024));
    int index = m_encodingsBox->findText(QString::fromLatin1(guess.codec));
    if (index < 0)
        return;
    {
        const QSignalBlocker blocker(m_encodingsBox); // the caller reads the preview once
        m_encodingsBox->setCurrentIndex(index);
    }
    m_encodingLabel->setText(m_encodingsBox->currentText());
    m_encodingCertain = guess.certain;
    m_unsureGuess = guess.certain ? QByteArray() : encoding();
    m_guessLabel->setVisible(!guess.certain);
    if (!guess.certain)
        m_autoEncodingCheckBox->setChecked(false);
}

void SelectEncodingDialog::onAutoDetectChanged(bool checked)
{
    m_encodingBox->setVisible(!checked);
    if (checked) {
        setFixedSize(m_fixedSize);
    } else {
        // Let the layout compute the size the list and the preview need.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        // Before the first show no layout request has run yet: the hint must count the list now.
        layout()->invalidate();
        layout()->activate();
        setFixedSize(sizeHint());
    }
}

void SelectEncodingDialog::readFile()
{
    if (m_fileName.isEmpty())
        return;
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // The start of the file is enough to judge an encoding; a whole large calendar took longer
    // to lay out than to import.
    const QByteArray head = file.read(previewBytes + 1);
    QString text = decode(head.left(previewBytes), encoding());
    if (head.size() > previewBytes)
        text.truncate(text.lastIndexOf(QLatin1Char('\n')) + 1); // whole lines, no half character
    // Plain text: a file's markup must show as it is.
    m_textBrowser->setPlainText(text);
    // Where bytes are no text in this encoding, the user is shown the place.
    const qsizetype bad = EncodingDetector::undecodable(head.left(previewBytes), encoding()) > 0
                              ? text.indexOf(QChar::ReplacementCharacter)
                              : -1;
    m_firstUndecodableLine = bad < 0 ? 0 : int(QStringView(text).left(bad).count(QLatin1Char('\n'))) + 1;
    m_guessLabel->setText(guessText(m_firstUndecodableLine));
    m_guessLabel->setVisible(!m_encodingCertain || m_firstUndecodableLine > 0);
    if (bad >= 0) {
        QTextCursor cursor = m_textBrowser->textCursor();
        cursor.setPosition(int(bad));
        m_textBrowser->setTextCursor(cursor);
        m_textBrowser->ensureCursorVisible();
    }
}

void SelectEncodingDialog::check()
{
    QPushButton *ok = m_buttonBox->button(QDialogButtonBox::Ok);
    ok->setEnabled(!(m_calendarName->isEnabled() && m_calendarName->text().isEmpty()));
}
