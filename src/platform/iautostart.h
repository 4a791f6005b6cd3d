#pragma once

// Whether the program starts by itself when the user logs on.
class IAutostart
{
public:
    virtual ~IAutostart() = default;
    virtual bool isOn() const = 0;
    // Returns false when the entry could not be written or removed.
    virtual bool setOn(bool on) = 0;
};
