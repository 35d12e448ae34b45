// Runs by name for a desktop key: what a name stands for, and the one-shot
// around it.
#include "model/editor_state.h"

#include "lists/favourite.h"
#include "texts/texts.h"

namespace kk {

std::optional<lists::Recipe> EditorState::shortcutTarget(const std::string& name) const {
    if (name.empty()) return lists::Recipe{{}, {}, {lists::RecipeStep{lists::RecipeStep::Kind::Command, commandLine_, false}}};
    if (const lists::Recipe* recipe = recipes_.find(name)) return *recipe;
    for (const Text& entry : favourites_) {
        const Text command = lists::stripFavouriteComments(entry);
        if (command.empty()) continue;
        if (command == name || entry.find("【" + name + "】") != Text::npos)
            return lists::Recipe{name, {}, {lists::RecipeStep{lists::RecipeStep::Kind::Command, command, false}}};
    }
    return std::nullopt;
}

std::vector<std::string> EditorState::shortcutNames() const {
    std::vector<std::string> names;
    for (const auto& r : recipes_.recipes()) names.push_back(r.name);
    for (const Text& entry : favourites_) {
        const Text command = lists::stripFavouriteComments(entry);
        if (command.empty()) continue;
        const std::size_t open = entry.find("【");
        const std::size_t close = open == Text::npos ? Text::npos : entry.find("】", open);
        names.push_back(close == Text::npos ? command : entry.substr(open + 3, close - open - 3));
    }
    return names;
}

void EditorState::runShortcut(const std::string& name, bool primary, OutcomeHandler done) {
    if (busy_) return refuseWhileBusy(done);
    auto target = shortcutTarget(name);
    if (!target) return conclude(Outcome::refused(texts::message(texts::Msg::NoSuchShortcut, name)), done);
    const bool wasPrimary = readsPrimary_;
    if (primary != wasPrimary) {
        if (const Outcome o = readFromPrimary(primary); !o.ok()) return conclude(o, done);
    }
    const bool lone = !recipes_.find(name);  // a favourite: one command
    auto step = [this, target = std::move(*target), lone](OutcomeHandler ran) {
        if (lone) return runCommand(target.steps[0].text, std::move(ran), RunForm::Window);
        runRecipe(target, std::move(ran));
    };
    loadRunCopy(std::move(step), [this, primary, wasPrimary, done](const Outcome& o) {
        if (primary != wasPrimary) readFromPrimary(wasPrimary);
        if (done) done(o);
    });
}

}  // namespace kk
