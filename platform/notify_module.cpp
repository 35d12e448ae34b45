// kakikae-notify: the desktop notification as a module, loaded by a program
// only when it shows one. The session bus's libraries then cost nothing to a
// run that shows none, such as a desktop key's that went well.
#include "platform/desktop_notification.h"

extern "C" __attribute__((visibility("default"))) bool kakikae_notify_desktop(const char* summary, const char* body,
                                                                              bool error) {
    return kk::notifyDesktop(summary, body, error);
}
