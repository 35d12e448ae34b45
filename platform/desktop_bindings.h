// Keys the desktop itself binds, for where a program may not grab them
// (Wayland) or should work with no window open: GNOME's custom keybindings,
// and actions in our desktop entry, which launchers and KDE's shortcut
// settings offer to bind.
#pragma once

#include <QKeyCombination>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kk {

struct DesktopBinding {
    std::string name;          // a recipe's or favourite's name
    bool primary = false;      // on the selection
    QKeyCombination key = {};  // GNOME only
};

// The command a binding runs: kakikae --run 'NAME' [--primary], quoted for a shell.
std::string bindingCommand(const DesktopBinding& b);

// Our desktop entry with the one-shot of the window's command line and one
// action per binding (five at most) in place of the actions it had; `base` is the installed entry, or empty for a minimal one
// running `program`.
std::string desktopEntryWithActions(std::string_view base, const std::string& program,
                                    const std::vector<DesktopBinding>& bindings);
// Writes it as the user's own entry ($XDG_DATA_HOME/applications), which
// takes the place of the installed one; false with `why` when it cannot.
bool writeDesktopEntryActions(const std::vector<DesktopBinding>& bindings, std::string* why);

// The name desktops give a key without its modifiers: "k", "1", "F9",
// "space"; nullopt for a key no global shortcut of ours uses.
std::optional<std::string> desktopKeyName(int qtKey);
// GNOME's name for a key: "<Control><Alt>k"; nullopt for a key it cannot bind.
std::optional<std::string> gnomeAccelerator(QKeyCombination key);
// Replaces our custom keybindings in GNOME's settings (through gsettings;
// the user's others stay); false with `why` when it cannot.
bool writeGnomeBindings(const std::vector<DesktopBinding>& bindings, std::string* why);

}  // namespace kk
