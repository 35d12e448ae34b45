// The user's own places: the config folder and the runtime folder. Never a
// folder other users can write: another local user must not be able to
// plant, read or redirect our files there.
#pragma once

#include <optional>
#include <string>

namespace kk {

// $XDG_CONFIG_HOME when absolute, else $HOME/.config when $HOME is absolute,
// else the home folder in the password database plus /.config; empty when
// the user has none of these.
std::string configHome();
// The user's home folder by the same rules ($HOME, then the password database).
std::string homeFolder();

// The folder for runtime files (pid file, socket, private run folders):
// $XDG_RUNTIME_DIR when it is an absolute folder of ours; else kakikae-UID
// under $TMPDIR or /tmp, made 0700 and checked to be ours (owner, mode, no
// symlink). nullopt, with the reason in `why`, when no such folder can be had.
std::optional<std::string> runtimeFolder(std::string* why = nullptr);

// Whether `path` is a real folder (no symlink) owned by us that no one else
// may write.
bool isPrivateFolder(const std::string& path);

}  // namespace kk
