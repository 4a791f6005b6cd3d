#include "core/crashreportlibrary.h"

#include <QThread>

#include <cstring>
#include <memory>

namespace CrashReportLibraryPrivate {

const char kDefaultLibrary[] = "quillane-crashrpt";
const char kAppGuid[] = "7c1e9a42-5b3d-4f08-b6a2-e94d0c5713af";
const char kAppName[] = "QuillaneReminder";
const char16_t kDisplayName[] = u"Quillane Reminder";
const char16_t kCompany[] = u"Quillane";

// Same field order as the library expects; pointer width is the platform's.
struct AppInfo
{
    quint32 size;
    const char *guid;
    const char *name;
    const char16_t *displayName;
    const char16_t *company;
    quint16 version[8];
};

struct HandlerInfo
{
    quint32 size;
    quint32 reserved;
    quint32 flags;
    quint32 rest[11];
};

std::unique_ptr<CrashReportLibrary> &holder();

} // namespace CrashReportLibraryPrivate

CrashReportLibrary::CrashReportLibrary(const QString &fileName)
{
    using namespace CrashReportLibraryPrivate;
    m_library.setFileName(fileName.isEmpty() ? QString::fromLatin1(kDefaultLibrary) : fileName);
    if (!m_library.load())
        return;
    m_init = reinterpret_cast<InitFn>(m_library.resolve("InitCrashRpt"));
    m_sendReport = reinterpret_cast<SendReportFn>(m_library.resolve("SendReport"));
    m_isReadyToExit = reinterpret_cast<IsReadyToExitFn>(m_library.resolve("IsReadyToExit"));
    m_setCustomInfo = reinterpret_cast<SetCustomInfoFn>(m_library.resolve("SetCustomInfo"));
    m_addUserInfo = reinterpret_cast<AddUserInfoFn>(m_library.resolve("AddUserInfoToReport"));
    m_removeUserInfo = reinterpret_cast<RemoveUserInfoFn>(m_library.resolve("RemoveUserInfoFromReport"));
    m_addFile = reinterpret_cast<AddFileFn>(m_library.resolve("AddFileToReport"));
    m_removeFile = reinterpret_cast<RemoveFileFn>(m_library.resolve("RemoveFileFromReport"));
    m_getVersionFromApp = reinterpret_cast<GetVersionFromAppFn>(m_library.resolve("GetVersionFromApp"));
    m_getVersionFromFile = reinterpret_cast<GetVersionFromFileFn>(m_library.resolve("GetVersionFromFile"));
    m_loaded = m_init && m_sendReport && m_isReadyToExit && m_setCustomInfo && m_addUserInfo && m_removeUserInfo &&
               m_addFile && m_removeFile && m_getVersionFromApp && m_getVersionFromFile;
    if (!m_loaded)
        return;

    static AppInfo app;
    std::memset(&app, 0, sizeof(app));
    app.size = sizeof(AppInfo);
    app.guid = kAppGuid;
    app.name = kAppName;
    app.displayName = kDisplayName;
    app.company = kCompany;
    if (m_getVersionFromApp(&app) == 0)
        app.version[0] = 1;
    static HandlerInfo handler;
    std::memset(&handler, 0, sizeof(handler));
    handler.size = sizeof(HandlerInfo);
    handler.flags = 1;
    m_ready = m_init(&app, &handler, 1) != 0;
}

CrashReportLibrary::~CrashReportLibrary()
{
    waitUntilReadyToExit();
}

void CrashReportLibrary::waitUntilReadyToExit()
{
    if (!m_isReadyToExit)
        return;
    // A library that never answers must not keep the process alive for ever: give up after a minute.
    for (int i = 0; i < 600 && m_isReadyToExit() == 0; ++i)
        QThread::msleep(100);
}

CrashReportLibrary &CrashReportLibrary::instance()
{
    auto &h = CrashReportLibraryPrivate::holder();
    if (!h)
        h.reset(new CrashReportLibrary(QString()));
    return *h;
}

void CrashReportLibrary::reloadForTest(const QString &fileName)
{
    CrashReportLibraryPrivate::holder().reset(new CrashReportLibrary(fileName));
}

void CrashReportLibrary::addUserInfo(const QString &name, const QString &value)
{
    if (m_ready)
        m_addUserInfo(reinterpret_cast<const char16_t *>(name.utf16()),
                      reinterpret_cast<const char16_t *>(value.utf16()));
}

void CrashReportLibrary::addFile(const QString &path, const QString &name)
{
    if (m_ready)
        m_addFile(reinterpret_cast<const char16_t *>(path.utf16()), reinterpret_cast<const char16_t *>(name.utf16()));
}

void CrashReportLibrary::raise()
{
    // The library makes its report and returns; execution goes on after the call.
    if (m_ready)
        m_sendReport();
}

namespace CrashReportLibraryPrivate {
std::unique_ptr<CrashReportLibrary> &holder()
{
    static std::unique_ptr<CrashReportLibrary> s_library;
    return s_library;
}
} // namespace CrashReportLibraryPrivate
