#pragma once

#include <QWidget>

class Gadget;
class QLabel;
class QPropertyAnimation;

// A picture of a gadget, on top of everything at the gadget's place, that fades out and deletes itself,
// so the user notices where a new gadget went when it came up hidden.
class Phantom : public QWidget
{
    Q_OBJECT

public:
    static constexpr int s_fadeMs = 500;

    explicit Phantom(Gadget *gadget);

    QLabel *label() const { return m_label; }
    QPropertyAnimation *animation() const { return m_animation; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_label;
    QPropertyAnimation *m_animation = nullptr;
};
