#pragma once

#include "events/occurrence.h"

#include <QLabel>

#include <memory>

class OccurrenceEditor;
class QAction;
class QMenu;

// The compact recurrence chooser of the event forms: the rule as a link; a click pops the five
// standard rules for the start date, the current rule when it is none of them, and "Other...".
class OccurrenceControl : public QLabel
{
    Q_OBJECT

public:
    explicit OccurrenceControl(QWidget *parent = nullptr);
    ~OccurrenceControl() override;

    const Occurrence &occurrence() const { return m_occurrence; }
    void setOccurrence(const Occurrence &occurrence);

    // The menu as built for the current rule (tests read its entries).
    QMenu *menu() const { return m_menu.get(); }

public slots:
    void setStartDate(QDate date);
    void showMenu();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // Runs the menu; tests replace it so no modal loop starts.
    virtual void execMenu(QMenu *menu);
    // Runs the full editor and answers whether it was accepted.
    virtual bool execEditor(OccurrenceEditor *editor);

private slots:
    void onActionClicked();
    void onOtherClicked();

private:
    void updateText();
    void createMenu();
    void updateMenu();
    QAction *addMenuAction(QMenu *menu, const Occurrence &rule);

    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<OccurrenceEditor> m_editor;
    Occurrence m_occurrence;
    bool m_edited = false; // the editor closed, and the focus has stayed here since
};
