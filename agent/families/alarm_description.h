#pragma once
// The French descriptions of the alarms, shared by the alert list and the
// alarm tags.

#include <string>
#include <string_view>

namespace agent {

// The description of an alarm name, compared in upper case ("insidelowtemp"
// is "InsideLowTemp"); a numbered family takes its sensor index in brackets,
// from 0 ("LowExtraTemp[6]"). The empty text for a name not in the table.
std::string DescribeAlarm(std::string_view name);

}  // namespace agent
