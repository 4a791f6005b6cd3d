#pragma once

#include <QLibrary>

// Process-wide binding to the optional crash-report library, looked up by name at run time.
// Without it the program runs the same, minus the reports.
class CrashReportLibrary
{
public:
    using InitFn = int (*)(const void *appInfo, const void *handlerInfo, int flags);
    using SendReportFn = int (*)();
    using IsReadyToExitFn = int (*)();
    using SetCustomInfoFn = int (*)(const char16_t *, const char16_t *);
    using AddUserInfoFn = int (*)(const char16_t *name, const char16_t *value);
    using RemoveUserInfoFn = int (*)(const char16_t *name);
    using AddFileFn = int (*)(const char16_t *path, const char16_t *name);
    using RemoveFileFn = int (*)(const char16_t *path);
    using GetVersionFromAppFn = int (*)(void *appInfo);
    using GetVersionFromFileFn = int (*)(const char16_t *path, void *appInfo);

    static CrashReportLibrary &instance();
    // Tests only: bind to another file name (empty means the default search).
    static void reloadForTest(const QString &fileName);

    bool loaded() const { return m_loaded; }
    bool ready() const { return m_ready; }

    void addUserInfo(const QString &name, const QString &value);
    void addFile(const QString &path, const QString &name);
    void raise();

    ~CrashReportLibrary();

private:
    explicit CrashReportLibrary(const QString &fileName);
    void waitUntilReadyToExit();

    bool m_loaded = false;
    bool m_ready = false;
    InitFn m_init = nullptr;
    SendReportFn m_sendReport = nullptr;
    IsReadyToExitFn m_isReadyToExit = nullptr;
    SetCustomInfoFn m_setCustomInfo = nullptr;
    AddUserInfoFn m_addUserInfo = nullptr;
    RemoveUserInfoFn m_removeUserInfo = nullptr;
    AddFileFn m_addFile = nullptr;
    RemoveFileFn m_removeFile = nullptr;
    GetVersionFromAppFn m_getVersionFromApp = nullptr;
    GetVersionFromFileFn m_getVersionFromFile = nullptr;
    QLibrary m_library;
};
