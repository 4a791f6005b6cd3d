#pragma once

#include <QWidget>

class QSpinBox;

// A spin box of days with a set-as-default button. The form names the default it stands for in
// the dynamic property "defaultPropertyKey" right after making it; the button is made once the
// event loop turns, when the property is set and the box sits in its window.
class RemindInBox : public QWidget
{
    Q_OBJECT

public:
    explicit RemindInBox(QWidget *parent = nullptr);

    int value() const;
    void setValue(int value);
    QSpinBox *spinBox() const { return m_spinBox; }

private slots:
    void init();

private:
    QSpinBox *m_spinBox;
};
