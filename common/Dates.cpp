#include "common/Dates.h"

#include "common/Text.h"

#include <windows.h>
#include <oleauto.h>

namespace zarvo {

namespace {

// The calendar date both formats start from; false for a value outside the calendar.
bool CalendarDate(TDateTime date, SYSTEMTIME& time) {
    time = SYSTEMTIME{};
    return VariantTimeToSystemTime(date, &time) != FALSE;
}

} // namespace

std::wstring FormatShortDate(TDateTime date) {
    SYSTEMTIME time;
    if (!CalendarDate(date, time))
        return {};
    wchar_t buffer[80];
    int length = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, buffer, 80);
    return length > 0 ? std::wstring(buffer, size_t(length - 1)) : std::wstring();
}

std::wstring FormatFileDate(TDateTime date) {
    SYSTEMTIME time;
    if (!CalendarDate(date, time))
        return {};
    return DecimalText(time.wDay, 2) + L"." + DecimalText(time.wMonth, 2) + L"." + DecimalText(time.wYear, 4);
}

} // namespace zarvo
