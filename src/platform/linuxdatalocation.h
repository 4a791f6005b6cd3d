#pragma once

#include "platform/idatalocation.h"

// The application-data folder of the XDG layout (~/.local/share/Quillane/Quillane Reminder);
// the organisation and application names must be set first (AppIdentity::apply).
class LinuxDataLocation : public IDataLocation
{
public:
    QString path() override;
};
