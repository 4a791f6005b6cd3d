#pragma once

#include "editor/printrow.h"
#include "widgets/dialog.h"

#include <QList>

#include <functional>
#include <memory>

class EventsManager;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QListWidget;
class QPrinter;
class QPushButton;
class QRadioButton;
class QTextBrowser;
class QTextDocument;

// The print window: period, events, grouping, sorting and columns, with a live preview of the
// table that "Print" sends to the printer.
class PrintTableDialog : public Dialog
{
    Q_OBJECT

public:
    static constexpr int invalidColumnIndex = -1;

    // Asks for the printer; true to print. The default shows the system's print dialog.
    using PrinterAsk = std::function<bool(QPrinter *printer, QWidget *parent)>;

    PrintTableDialog(QWidget *parent, EventsManager *manager, const QList<int> &selectedIndexes);
    ~PrintTableDialog() override;

    PrintSettings collectPrintSettings() const;
    void setPrinterAsk(PrinterAsk ask) { m_printerAsk = std::move(ask); }

    QList<PrintRow> rows() const { return m_rows; }
    QTextDocument *document() const { return m_document.get(); }

    // The form's widgets, for tests.
    QComboBox *periodComboBox() const { return m_periodComboBox; }
    QComboBox *groupComboBox() const { return m_groupComboBox; }
    QComboBox *sortComboBox() const { return m_sortComboBox; }
    QComboBox *filterComboBox() const { return m_filterComboBox; }
    QComboBox *calendarsComboBox() const { return m_calendarsComboBox; }
    QDateEdit *startDate() const { return m_startDate; }
    QDateEdit *endDate() const { return m_endDate; }
    QWidget *customPeriodWidget() const { return m_customPeriodWidget; }
    QCheckBox *headerCheckBox() const { return m_header; }
    QCheckBox *borderLinesCheckBox() const { return m_borderLines; }
    QRadioButton *allButton() const { return m_allButton; }
    QRadioButton *selectedButton() const { return m_selectedButton; }
    QRadioButton *hideRecurrentButton() const { return m_hideRecurrent; }
    QRadioButton *showOneRecurrentButton() const { return m_showOneRecurrent; }
    QRadioButton *showAllRecurrentButton() const { return m_showAllRecurrent; }
    QListWidget *columnsList() const { return m_columns; }
    QTextBrowser *textBrowser() const { return m_textBrowser; }
    QPushButton *printButton() const { return m_printButton; }

public slots:
    void updateUi();
    void rebuild();
    void buildData();
    void buildTable();
    void onAccepted();

private:
    void setupUi();
    void adjustDates();
    void fillEventTypes();
    void fillCalendars();

    EventsManager *m_manager;
    std::unique_ptr<QTextDocument> m_document;
    QList<PrintRow> m_rows;
    QList<int> m_selectedIndexes;
    PrinterAsk m_printerAsk;

    QComboBox *m_periodComboBox = nullptr;
    QWidget *m_customPeriodWidget = nullptr;
    QDateEdit *m_startDate = nullptr;
    QDateEdit *m_endDate = nullptr;
    QCheckBox *m_header = nullptr;
    QCheckBox *m_borderLines = nullptr;
    QRadioButton *m_allButton = nullptr;
    QRadioButton *m_selectedButton = nullptr;
    QButtonGroup *m_selectedGroup = nullptr;
    QRadioButton *m_hideRecurrent = nullptr;
    QRadioButton *m_showOneRecurrent = nullptr;
    QRadioButton *m_showAllRecurrent = nullptr;
    QButtonGroup *m_recurrentGroup = nullptr;
    QListWidget *m_columns = nullptr;
    QComboBox *m_calendarsComboBox = nullptr;
    QComboBox *m_filterComboBox = nullptr;
    QComboBox *m_groupComboBox = nullptr;
    QComboBox *m_sortComboBox = nullptr;
    QTextBrowser *m_textBrowser = nullptr;
    QPushButton *m_printButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
