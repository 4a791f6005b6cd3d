#pragma once

#include "events/occurrence.h"
#include "events/ui/occurrencesettingscontrols.h"
#include "widgets/dialog.h"

#include <QList>
#include <QPointer>

class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QSpinBox;

// The full recurrence editor: kind, step, the kind's own settings rows and a summary that follows
// every change. It edits a copy; the caller reads the rule back after an acceptance.
class OccurrenceEditor : public Dialog
{
    Q_OBJECT

public:
    OccurrenceEditor(const Occurrence &occurrence, QWidget *parent = nullptr);
    ~OccurrenceEditor() override;

    void setOccurrence(const Occurrence &occurrence);
    const Occurrence &occurrence() const { return m_occurrence; }

public slots:
    // Refused while the end date is no date or before the start: the field says which.
    void accept() override;

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    void onTypeChanged(int type);
    void onValueChanged();

private:
    void buildForm();
    void init();
    void updateControls();
    void updateSummary();
    // `size`, or more where the contents need it.
    QSize neededSize(const QSize &size);
    // Grows the shown window to what its contents need.
    void growInPlace();

    Occurrence m_occurrence;
    bool m_updating = false;
    QList<QPointer<QWidget>> m_rowWidgets;
    OccurrenceSettingsControls m_settings;

    QFormLayout *m_form = nullptr;
    QLineEdit *m_startDateLineEdit = nullptr;
    QComboBox *m_repeatComboBox = nullptr;
    QSpinBox *m_stepSpinBox = nullptr;
    QLabel *m_stepMeasure = nullptr;
    QLabel *m_summaryLabel = nullptr;
    QDialogButtonBox *m_buttonBox = nullptr;
};
