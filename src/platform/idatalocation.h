#pragma once

#include <QString>

// The per-user folder that holds the program's data files.
class IDataLocation
{
public:
    virtual ~IDataLocation() = default;
    // The folder's absolute path, created when missing; empty when it cannot be made.
    virtual QString path() = 0;
};
