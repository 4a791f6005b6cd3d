#pragma once

// Tells whether the user's own desktop session is the active one (the user is at the screen).
class ISessionProbe
{
public:
    virtual ~ISessionProbe() = default;
    virtual bool isOwnSessionActive() = 0;
};

// Asks logind over the system bus; answers true when logind cannot be asked, so that nothing waits for a
// session state that will never be reported.
class LogindSessionProbe : public ISessionProbe
{
public:
    bool isOwnSessionActive() override;
};
