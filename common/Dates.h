#pragma once
// Dates as the program keeps and shows them.

#include <string>

namespace zarvo {

// Days since 30.12.1899 with the time of day as the fraction.
using TDateTime = double;

// Two formats on purpose: the version line shows a date as the system shows dates to this user, while
// the date label of the wizard always reads DD.MM.YYYY, whatever the locale.

// A date in the user's short date format (dd.MM.yyyy under the Russian locale); empty for a value
// outside the calendar.
std::wstring FormatShortDate(TDateTime date);
// A date as DD.MM.YYYY whatever the user's locale; empty for a value outside the calendar.
std::wstring FormatFileDate(TDateTime date);

} // namespace zarvo
