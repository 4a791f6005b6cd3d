#pragma once

class AbstractCommonEvent;
class QWidget;

// The information frame other views embed: the event's photo, its rows and its actions.
// Every value is shown through AbstractCommonEvent::markupLinks, so user and imported text is
// shown as typed and only web and mail addresses become links. The caller owns the frame.
QWidget *makeEventInfoWidget(const AbstractCommonEvent *event);
