// Reading and writing the recipe file, block by block.
#include "lists/recipe.h"

#include <algorithm>

namespace kk::lists {

namespace {

constexpr std::string_view kConvert = "--convert ";
constexpr std::string_view kInvert = "-v ";
constexpr std::string_view kOpen = "【", kClose = "】";

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool isBlankOrComment(std::string_view line) {
    const std::string_view t = trimmed(line);
    return t.empty() || t.front() == '#';
}

// "[name]" or "[name] 【comment】".
std::optional<Recipe> parseHeader(std::string_view line) {
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    Recipe r;
    r.name = std::string(trimmed(line.substr(1, close - 1)));
    if (!isRecipeName(r.name)) return std::nullopt;
    const std::string_view rest = trimmed(line.substr(close + 1));
    if (rest.empty()) return r;
    if (!rest.starts_with(kOpen) || !rest.ends_with(kClose) || rest.size() < kOpen.size() + kClose.size())
        return std::nullopt;
    r.comment = std::string(rest.substr(kOpen.size(), rest.size() - kOpen.size() - kClose.size()));
    return r;
}

}  // namespace

std::string RecipeStep::written() const {
    if (kind == Kind::Conversion) return std::string(kConvert) + text;
    return invert ? std::string(kInvert) + text : text;
}

RecipeStep parseStep(std::string_view written) {
    RecipeStep step;
    if (written.starts_with(kConvert)) {
        step.kind = RecipeStep::Kind::Conversion;
        step.text = std::string(trimmed(written.substr(kConvert.size())));
    } else if (written.starts_with(kInvert)) {
        step.invert = true;
        step.text = std::string(trimmed(written.substr(kInvert.size())));
    } else {
        step.text = std::string(written);
    }
    return step;
}

bool isRecipeName(std::string_view name) {
    return !trimmed(name).empty() && name.find_first_of("]\r\n") == std::string_view::npos;
}

std::string formatRecipe(const Recipe& recipe) {
    std::string out = "[" + recipe.name + "]";
    if (!recipe.comment.empty()) out += " " + std::string(kOpen) + recipe.comment + std::string(kClose);
    out += "\n";
    for (const RecipeStep& step : recipe.steps) {
        const std::string w = step.written();
        std::size_t from = 0;
        bool first = true;
        while (true) {
            const std::size_t nl = w.find('\n', from);
            const std::string_view line = std::string_view(w).substr(from, nl == std::string::npos ? nl : nl - from);
            out += first ? "- " : (line.empty() ? "|" : "| ");
            out += line;
            out += "\n";
            first = false;
            if (nl == std::string::npos) break;
            from = nl + 1;
        }
    }
    return out;
}

RecipeBook RecipeBook::parse(std::string_view bytes) {
    RecipeBook book;
    std::string pending;    // comment and blank lines not yet given to a block
    Block* current = nullptr;
    bool bad = false;       // the current block could not be read
    auto fault = [&](int line, RecipeFault f) {
        if (bad) return;
        bad = true;
        book.problems_.push_back({line, f});
        current->recipe.reset();
    };
    int headerLine = 0;
    auto close = [&] {
        if (current && !bad && current->recipe->steps.empty()) fault(headerLine, RecipeFault::NoSteps);
        current = nullptr;
        bad = false;
    };
    int number = 0;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t nl = bytes.find('\n', pos);
        const std::size_t end = nl == std::string_view::npos ? bytes.size() : nl + 1;
        const std::string_view whole = bytes.substr(pos, end - pos);
        std::string_view line = whole;
        if (line.ends_with('\n')) line.remove_suffix(1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        pos = end;
        ++number;
        if (isBlankOrComment(line)) {
            pending += whole;
            continue;
        }
        if (line.starts_with('[')) {
            close();
            book.blocks_.push_back({std::move(pending), std::string(whole), parseHeader(line)});
            pending.clear();
            current = &book.blocks_.back();
            headerLine = number;
            if (!current->recipe) {
                current->recipe = Recipe{};
                fault(number, RecipeFault::BadHeader);
            } else if (book.find(current->recipe->name) != &*current->recipe) {
                fault(number, RecipeFault::SameName);
            }
            continue;
        }
        if (!current) {
            book.blocks_.push_back({std::move(pending), std::string(whole), Recipe{}});
            pending.clear();
            current = &book.blocks_.back();
            fault(number, RecipeFault::StepOutsideRecipe);
            continue;
        }
        current->raw += pending;
        current->raw += whole;
        pending.clear();
        if (bad) continue;
        std::vector<RecipeStep>& steps = current->recipe->steps;
        if (line.starts_with("- ") && !trimmed(line.substr(2)).empty()) {
            steps.push_back(parseStep(line.substr(2)));
        } else if (line.starts_with('|') && !steps.empty()) {
            line.remove_prefix(line.starts_with("| ") ? 2 : 1);
            steps.back().text += "\n";
            steps.back().text += line;
        } else {
            fault(number, RecipeFault::UnknownLine);
        }
    }
    close();
    if (!pending.empty()) book.blocks_.push_back({std::move(pending), {}, std::nullopt});
    return book;
}

std::string RecipeBook::format() const {
    std::string out;
    for (const Block& b : blocks_) {
        // A last line written without its line end gets one before more follows.
        if (!out.empty() && out.back() != '\n') out += '\n';
        out += b.leading;
        out += b.edited && b.recipe ? formatRecipe(*b.recipe) : b.raw;
    }
    return out;
}

std::vector<Recipe> RecipeBook::recipes() const {
    std::vector<Recipe> all;
    for (const Block& b : blocks_)
        if (b.recipe) all.push_back(*b.recipe);
    return all;
}

const Recipe* RecipeBook::find(std::string_view name) const {
    for (const Block& b : blocks_)
        if (b.recipe && b.recipe->name == name) return &*b.recipe;
    return nullptr;
}

void RecipeBook::put(Recipe recipe, std::string_view replacing) {
    const std::string key(replacing.empty() ? std::string_view(recipe.name) : replacing);
    for (Block& b : blocks_) {
        if (b.recipe && b.recipe->name == key) {
            b.recipe = std::move(recipe);
            b.edited = true;
            return;
        }
    }
    // A new recipe goes last, a blank line above it.
    const std::string before = format();
    std::string leading;
    if (!before.empty() && !before.ends_with("\n\n")) leading = "\n";
    blocks_.push_back({std::move(leading), {}, std::move(recipe), true});
}

bool RecipeBook::remove(std::string_view name) {
    const auto it = std::find_if(blocks_.begin(), blocks_.end(),
                                 [&](const Block& b) { return b.recipe && b.recipe->name == name; });
    if (it == blocks_.end()) return false;
    blocks_.erase(it);
    return true;
}

}  // namespace kk::lists
