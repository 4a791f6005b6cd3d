#pragma once

#include "core/usermessages.h"

// Shows the program's messages and questions as modal message boxes.
class MessageBoxSink : public Common::UserMessages::ISink
{
public:
    Common::UserMessages::Button show(const Common::UserMessages::Message &message) override;
};
