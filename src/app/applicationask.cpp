#include "app/applicationask.h"

#include "widgets/dialog.h"

int IApplicationAsk::runModal(QDialog *dialog)
{
    return Dialog::execWindowModal(dialog);
}
