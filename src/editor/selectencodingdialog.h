#pragma once

#include "store/calendarinfo.h"
#include "widgets/dialog.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTextBrowser;

// Asks before an import which calendar receives the events (a new one named after the file, or
// an existing one) and, for text files, their encoding, with a preview of the decoded file.
class SelectEncodingDialog : public Dialog
{
    Q_OBJECT

public:
    // How much of the file the preview shows.
    static constexpr int previewBytes = 64 * 1024;

    SelectEncodingDialog(QWidget *parent, bool showEncoding);

    void setFileName(const QString &path);
    QByteArray encoding() const;
    // A new calendar: an empty id and the typed name. An existing one: its id and an empty name.
    CalendarInfo calendar() const;

    // The encodings offered, the default first.
    static QList<QByteArray> encodingNames();
    // The text of the bytes in the named encoding; a byte-order mark decides over the name.
    static QString decode(const QByteArray &data, const QByteArray &encoding);

    // Whether the encoding was recognised for certain; when not, the list and the preview
    // are open so the user sees the text before importing it.
    bool encodingCertain() const { return m_encodingCertain; }
    // Whether bytes that are no text in the chosen encoding may come in as replacement
    // characters: the user kept the unsure guess while the preview showed where it breaks.
    bool keepsUndecodable() const;
    // The line of the preview (from 1) where the text first does not decode; 0 when it all does.
    int firstUndecodableLine() const { return m_firstUndecodableLine; }
    QLabel *guessLabel() const { return m_guessLabel; }

    // The form's widgets, for tests.
    QRadioButton *newCalendarButton() const { return m_newCalendarButton; }
    QRadioButton *existingCalendarButton() const { return m_existingCalendarButton; }
    QLineEdit *calendarName() const { return m_calendarName; }
    QComboBox *calendars() const { return m_calendars; }
    QCheckBox *autoEncodingCheckBox() const { return m_autoEncodingCheckBox; }
    QLabel *encodingLabel() const { return m_encodingLabel; }
    QComboBox *encodingsBox() const { return m_encodingsBox; }
    QGroupBox *encodingBox() const { return m_encodingBox; }
    QWidget *encodingsWidget() const { return m_encodingsWidget; }
    QTextBrowser *textBrowser() const { return m_textBrowser; }
    QDialogButtonBox *buttonBox() const { return m_buttonBox; }

public slots:
    void onAutoDetectChanged(bool checked);
    void readFile();
    void check();

private:
    void setupUi();
    void detectEncoding();
    static QString guessText(int badLine);

    QString m_fileName;
    bool m_showEncoding = true;
    bool m_encodingCertain = true;
    int m_firstUndecodableLine = 0;
    QByteArray m_unsureGuess;
    QSize m_fixedSize;

    QRadioButton *m_newCalendarButton = nullptr;
    QRadioButton *m_existingCalendarButton = nullptr;
    QButtonGroup *m_buttonGroup = nullptr;
    QLineEdit *m_calendarName = nullptr;
    QComboBox *m_calendars = nullptr;
    QWidget *m_encodingsWidget = nullptr;
    QCheckBox *m_autoEncodingCheckBox = nullptr;
    QLabel *m_encodingLabel = nullptr;
    QLabel *m_guessLabel = nullptr;
    QGroupBox *m_encodingBox = nullptr;
    QComboBox *m_encodingsBox = nullptr;
    QTextBrowser *m_textBrowser = nullptr;
    QDialogButtonBox *m_buttonBox = nullptr;
};
