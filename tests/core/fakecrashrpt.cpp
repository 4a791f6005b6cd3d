// Stand-in for the crash-report library: exports the functions the program looks up
// and records every call, so tests can check what the program hands over.
#include <string>

namespace {

std::u16string s_calls;

void record(const char16_t *name, const char16_t *a = nullptr, const char16_t *b = nullptr)
{
    s_calls += name;
    s_calls += u"(";
    if (a)
        s_calls += a;
    if (b) {
        s_calls += u"|";
        s_calls += b;
    }
    s_calls += u")\n";
}

std::u16string fromLatin1(const char *text)
{
    std::u16string result;
    for (; text && *text; ++text)
        result += char16_t(static_cast<unsigned char>(*text));
    return result;
}

// Leading fields of the application record, as the program fills them.
struct AppInfo
{
    unsigned size;
    const char *guid;
    const char *name;
    const char16_t *displayName;
};

} // namespace

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

FAKE_EXPORT int InitCrashRpt(const void *appInfo, const void *, int flags)
{
    const auto *app = static_cast<const AppInfo *>(appInfo);
    const std::u16string guid = fromLatin1(app->guid);
    const std::u16string name = fromLatin1(app->name);
    record(u"InitCrashRpt", (guid + u"|" + name).c_str(), flags == 1 ? app->displayName : u"bad flags");
    return 1;
}
FAKE_EXPORT int SendReport()
{
    record(u"SendReport");
    return 1;
}
FAKE_EXPORT int IsReadyToExit()
{
    return 1;
}
FAKE_EXPORT int SetCustomInfo(const char16_t *a, const char16_t *b)
{
    record(u"SetCustomInfo", a, b);
    return 1;
}
FAKE_EXPORT int AddUserInfoToReport(const char16_t *name, const char16_t *value)
{
    record(u"AddUserInfoToReport", name, value);
    return 1;
}
FAKE_EXPORT int RemoveUserInfoFromReport(const char16_t *name)
{
    record(u"RemoveUserInfoFromReport", name);
    return 1;
}
FAKE_EXPORT int AddFileToReport(const char16_t *path, const char16_t *name)
{
    record(u"AddFileToReport", path, name);
    return 1;
}
#ifndef FAKE_INCOMPLETE
FAKE_EXPORT int RemoveFileFromReport(const char16_t *path)
{
    record(u"RemoveFileFromReport", path);
    return 1;
}
#endif
FAKE_EXPORT int GetVersionFromApp(void *)
{
    record(u"GetVersionFromApp");
    return 0;
}
FAKE_EXPORT int GetVersionFromFile(const char16_t *path, void *)
{
    record(u"GetVersionFromFile", path);
    return 0;
}

// Test hooks.
FAKE_EXPORT const char16_t *FakeCrashRpt_calls()
{
    return s_calls.c_str();
}
FAKE_EXPORT void FakeCrashRpt_clear()
{
    s_calls.clear();
}
