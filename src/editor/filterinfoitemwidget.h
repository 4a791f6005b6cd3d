#pragma once

#include "editor/filterinfo.h"

#include <QWidget>

class QLabel;
class QToolButton;

// One framed item of the filter strip: the filter's name and a button that clears it.
class FilterInfoItemWidget : public QWidget
{
    Q_OBJECT

public:
    FilterInfoItemWidget(QWidget *parent, const FilterInfo &info);

    FilterInfo filterInfo() const { return m_info; }
    QToolButton *removeButton() const { return m_removeButton; }

signals:
    void clicked();

private:
    FilterInfo m_info;
    QLabel *m_label;
    QToolButton *m_removeButton;
};
