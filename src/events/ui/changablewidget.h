#pragma once

#include <QWidget>

// One settings row of a rule kind; it reports every change of any input inside it.
class ChangableWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ChangableWidget(QWidget *parent = nullptr) : QWidget(parent) {}

signals:
    void changed();
};
