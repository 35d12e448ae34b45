// A desktop notification for a program that does not link the session bus
// (the command line: D-Bus and the libraries it brings took longer to load
// than a desktop key's whole run). The bus code is a module among the
// helpers, loaded when a notification is shown.
#pragma once

#include <string>

namespace kk {

// Shows `body` under `summary` through the module in `helperDir`; false when
// the module is missing or no notification service answered.
bool notifyThroughModule(const std::string& helperDir, const std::string& summary, const std::string& body,
                         bool error);

}  // namespace kk
