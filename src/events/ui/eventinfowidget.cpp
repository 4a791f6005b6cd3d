#include "events/ui/eventinfowidget.h"

#include "core/log.h"
#include "events/abstractcommonevent.h"

#include <QAction>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

QWidget *makeEventInfoWidget(const AbstractCommonEvent *event)
{
    auto *frame = new QWidget;
    frame->setObjectName(QStringLiteral("eventInfo"));
    auto *layout = new QVBoxLayout(frame);

    const QPixmap photo = event->photo(false);
    if (!photo.isNull()) {
        auto *image = new QLabel(frame);
        image->setObjectName(QStringLiteral("eventImage"));
        image->setPixmap(photo);
        auto *row = new QHBoxLayout;
        row->addStretch();
        row->addWidget(image);
        row->addStretch();
        layout->addLayout(row);
    }

    QStringList names;
    QStringList values;
    event->infoRows(names, values, false);
    QR_ASSERT(names.count() == values.count());
    auto *form = new QFormLayout;
    const qsizetype rows = qMin(names.count(), values.count());
    for (qsizetype i = 0; i < rows; ++i) {
        if (values.at(i).trimmed().isEmpty())
            continue;
        auto *name = new QLabel(names.at(i), frame);
        name->setTextFormat(Qt::PlainText);
        auto *value = new QLabel(frame);
        value->setObjectName(QStringLiteral("infoValue"));
        value->setWordWrap(true);
        // Set explicitly: Qt would guess rich text from the value, and "a<b" must show as typed.
        value->setTextFormat(Qt::RichText);
        value->setText(AbstractCommonEvent::markupLinks(values.at(i)));
        value->setTextInteractionFlags(Qt::TextBrowserInteraction);
        // markupLinks links only http, https, ftp and mailto addresses.
        value->setOpenExternalLinks(true);
        form->addRow(name, value);
    }
    layout->addLayout(form);

    const QList<QAction *> actions = event->contextMenuActions();
    if (!actions.isEmpty()) {
        auto *line = new QFrame(frame);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        layout->addWidget(line);
        auto *row = new QHBoxLayout;
        for (QAction *action : actions) {
            auto *button = new QToolButton(frame);
            button->setAutoRaise(true);
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
            button->setDefaultAction(action);
            row->addWidget(button);
        }
        row->addStretch();
        layout->addLayout(row);
    }
    // Values wrap at 250 pixels; a word too long for its column (a long name, an address) widens the frame
    // rather than being cut.
    frame->setMaximumWidth(qMax(250, frame->minimumSizeHint().width()));
    return frame;
}
