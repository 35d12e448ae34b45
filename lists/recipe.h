// Recipes: named chains of commands and conversions, and the plain text file
// they live in. A person reads, writes and diffs that file by hand:
//
//   # a comment line
//   [表を整える] 【Web の表を貼る前に】
//   - s/^[ \t]+|[ \t]+$//g
//   - --convert alnum-to-halfwidth
//   - sort
//   - -v m/^$/
//   - perl -pe '
//   | s/a/b/'
//
// "[name]" starts a recipe (a 【comment】 may follow on its line), "- " starts
// a step, "| " continues the step above after a line break. A step is a
// command as the command line takes it, "-v " before an m// that keeps the
// lines that do not match, or "--convert NAME" for a built-in conversion.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kk::lists {

struct RecipeStep {
    enum class Kind { Command, Conversion };
    Kind kind = Kind::Command;
    std::string text;     // the command as typed, or the conversion's short name
    bool invert = false;  // an m// that keeps the lines that do not match
    // The step as the file writes it, and as the status line names it.
    std::string written() const;
    bool operator==(const RecipeStep&) const = default;
};

// "-v m/x/", "--convert NAME" or a command, as one step line holds it.
RecipeStep parseStep(std::string_view written);

struct Recipe {
    std::string name;
    std::string comment;  // without its 【】
    std::vector<RecipeStep> steps;
    bool operator==(const Recipe&) const = default;
};

// What is wrong with a block the file holds; the block is kept as it stands.
enum class RecipeFault {
    StepOutsideRecipe,  // a step or other line before the first "[name]"
    BadHeader,          // "[" without its "]", an empty name, or text after the name
    NoSteps,
    UnknownLine,        // a line that is no step, continuation, comment or blank
    SameName,           // an earlier recipe has the name
};
struct RecipeProblem {
    int line = 0;  // 1-based, in the file
    RecipeFault fault{};
};

// The file as blocks: each recipe with the comment lines above it, the lines
// it could not read as they stood, so a rewrite keeps the hand-written parts.
class RecipeBook {
public:
    static RecipeBook parse(std::string_view bytes);
    // The file's bytes: untouched blocks as they were read, changed ones
    // written anew, blocks that could not be read kept as they stood.
    std::string format() const;

    std::vector<Recipe> recipes() const;
    const Recipe* find(std::string_view name) const;
    const std::vector<RecipeProblem>& problems() const { return problems_; }
    // Adds a recipe or replaces the one named `replacing` (or with its own name).
    void put(Recipe recipe, std::string_view replacing = {});
    bool remove(std::string_view name);

private:
    struct Block {
        std::string leading;  // comment and blank lines above it
        std::string raw;      // its own lines as read
        std::optional<Recipe> recipe;
        bool edited = false;
    };
    std::vector<Block> blocks_;
    std::vector<RecipeProblem> problems_;
};

// A recipe as the file writes it, ending in a line end.
std::string formatRecipe(const Recipe& recipe);
// A name a recipe may have: not empty, one line, no "]".
bool isRecipeName(std::string_view name);

}  // namespace kk::lists
