#pragma once

#include "runningline/simpletextline.h"

#include <QDate>
#include <QListView>

// The list of the chosen day's events. While it is empty it shows the day's date (or that no day is
// chosen) in large faded letters, and each item shows its full text as its tooltip.
class DateShowingListView : public QListView
{
    Q_OBJECT

public:
    explicit DateShowingListView(QWidget *parent = nullptr);

    QDate date() const { return m_date; }
    // The placeholder as it stands (for tests).
    const SimpleTextLine &placeholder() const { return m_textLine; }

public slots:
    void setDate(const QDate &date);

signals:
    void contextMenu(QContextMenuEvent *event);
    void resized();
    void deletePressed();

protected:
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updatePlaceholderFont();
    QRect placeholderRect() const;
    // Sets the tooltip to the text of the item under the event's position.
    void prepareToolTip(QEvent *event);

    QDate m_date;
    SimpleTextLine m_textLine;
};
