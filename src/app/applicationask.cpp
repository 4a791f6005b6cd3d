#include "app/applicationask.h"

#include <QDialog>

int IApplicationAsk::runModal(QDialog *dialog)
{
    return dialog->exec();
}
