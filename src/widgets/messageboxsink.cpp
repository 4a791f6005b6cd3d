#include "widgets/messageboxsink.h"

#include <QApplication>
#include <QMessageBox>

static_assert(int(Common::UserMessages::Information) == int(QMessageBox::Information) &&
              int(Common::UserMessages::Warning) == int(QMessageBox::Warning) &&
              int(Common::UserMessages::Critical) == int(QMessageBox::Critical) &&
              int(Common::UserMessages::Question) == int(QMessageBox::Question));
static_assert(int(Common::UserMessages::Ok) == int(QMessageBox::Ok) &&
              int(Common::UserMessages::Yes) == int(QMessageBox::Yes) &&
              int(Common::UserMessages::No) == int(QMessageBox::No) &&
              int(Common::UserMessages::Cancel) == int(QMessageBox::Cancel));

Common::UserMessages::Button MessageBoxSink::show(const Common::UserMessages::Message &message)
{
    // Modal to its window only, so that a reminder that opens meanwhile can be closed: a message that
    // names none belongs to the window in use.
    QWidget *parent = message.parent ? message.parent : QApplication::activeWindow();
    QMessageBox box(QMessageBox::Icon(message.icon), message.title, message.text,
                    QMessageBox::StandardButtons(int(message.buttons)), parent, message.windowFlags);
    // The box's own setter would also replace the flags asked for.
    box.QWidget::setWindowModality(Qt::WindowModal);
    box.exec();
    // Closed without a button, none was clicked: NoButton.
    return Common::UserMessages::Button(int(box.standardButton(box.clickedButton())));
}
