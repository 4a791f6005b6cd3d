#include "core/applocale.h"

#include <optional>

namespace Common {

namespace AppLocalePrivate {
std::optional<QLocale> s_locale;
} // namespace AppLocalePrivate

QLocale appLocale()
{
    // QLocale() is the system's locale unless the program set another default.
    return AppLocalePrivate::s_locale ? *AppLocalePrivate::s_locale : QLocale();
}

void setAppLocale(const QLocale &locale)
{
    AppLocalePrivate::s_locale = locale;
}

} // namespace Common
