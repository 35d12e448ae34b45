// A desktop notification (org.freedesktop.Notifications on the session bus):
// how a run started by a key, with no window and no terminal, says what came
// of it.
#pragma once

#include <string>

namespace kk {

// Shows `body` under `summary`; false when no notification service answered
// (no session bus, no notification daemon). An error is shown as critical.
bool notifyDesktop(const std::string& summary, const std::string& body, bool error);
// The title of a desktop key's run by name ("kakikae: NAME"; the command
// line's has no name).
inline std::string runTitle(const std::string& name) { return name.empty() ? "kakikae" : "kakikae: " + name; }

}  // namespace kk
