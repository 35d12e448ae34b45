// The recipe file: what a hand-written file reads as, what is kept when a
// block cannot be read, and that writing keeps what it did not change.
#include "lists/recipe.h"

#include <gtest/gtest.h>

namespace kk::lists {
namespace {

using Kind = RecipeStep::Kind;

RecipeStep cmd(std::string text, bool invert = false) { return {Kind::Command, std::move(text), invert}; }
RecipeStep conv(std::string name) { return {Kind::Conversion, std::move(name), false}; }

// Every kind of step, line breaks and "/" inside commands, a comment.
Recipe everyKind() {
    return {"表を整える",
            "Web の表 [貼る前に]",
            {cmd("s/^[ \\t]+|[ \\t]+$//g"), conv("digits-to-halfwidth"), cmd("sort | uniq -c"), cmd("m/^$/", true),
             cmd("tr/a-z/A-Z/"), cmd("perl -pe '\n  s{/}{|}g;\n\n'"), cmd("s/\\//\\n/g")}};
}

TEST(RecipeFile, RoundTrips) {
    const std::vector<Recipe> cases = {
        everyKind(),
        {"a", "", {cmd("s/a/b/")}},
        {"名前 with spaces", "", {conv("nfkc"), cmd("-x")}},
        {"ends in a break", "", {cmd("echo x\n")}},
    };
    RecipeBook book;
    for (const Recipe& r : cases) book.put(r);
    const std::string file = book.format();
    const RecipeBook read = RecipeBook::parse(file);
    EXPECT_TRUE(read.problems().empty());
    EXPECT_EQ(read.recipes(), cases);
    EXPECT_EQ(read.format(), file);  // read and written again: the same bytes
}

TEST(RecipeFile, ReadsAHandWrittenFile) {
    const std::string file =
        "# my recipes\r\n"
        "\r\n"
        "[trim]   【spaces at the ends】  \r\n"
        "- s/^ +//\r\n"
        "# between steps\r\n"
        "\r\n"
        "- -v   m/^#/\r\n"
        "-  --convert x\r\n"  // "- " then a command that starts with a space
        "[two]\n"
        "- --convert   nfkc  \n"
        "- awk '{\n"
        "|   print $2\n"
        "|\n"
        "| }'";
    const RecipeBook book = RecipeBook::parse(file);
    EXPECT_TRUE(book.problems().empty());
    const std::vector<Recipe> want = {
        {"trim", "spaces at the ends", {cmd("s/^ +//"), cmd("m/^#/", true), cmd(" --convert x")}},
        {"two", "", {conv("nfkc"), cmd("awk '{\n  print $2\n\n}'")}},
    };
    EXPECT_EQ(book.recipes(), want);
    EXPECT_EQ(book.format(), file);
}

TEST(RecipeFile, MalformedBlocksAreSkippedAndKept) {
    struct Case {
        const char* file;
        std::vector<RecipeProblem> problems;
        std::vector<std::string> names;  // the recipes still read
    };
    const Case cases[] = {
        {"- s/a/b/\n[ok]\n- s/c/d/\n", {{1, RecipeFault::StepOutsideRecipe}}, {"ok"}},
        {"[no close\n- s/a/b/\n[ok]\n- x\n", {{1, RecipeFault::BadHeader}}, {"ok"}},
        {"[]\n- s/a/b/\n", {{1, RecipeFault::BadHeader}}, {}},
        {"[a] trailing\n- s/a/b/\n", {{1, RecipeFault::BadHeader}}, {}},
        {"[empty]\n# only a comment\n[ok]\n- x\n", {{1, RecipeFault::NoSteps}}, {"ok"}},
        {"[a]\ns/a/b/\n- x\n[b]\n- y\n", {{2, RecipeFault::UnknownLine}}, {"b"}},
        {"[a]\n| nothing to continue\n", {{2, RecipeFault::UnknownLine}}, {}},
        {"[a]\n- x\n[a]\n- y\n", {{3, RecipeFault::SameName}}, {"a"}},
        {"[a]\n-\n", {{2, RecipeFault::UnknownLine}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        RecipeBook book = RecipeBook::parse(c.file);
        ASSERT_EQ(book.problems().size(), c.problems.size());
        for (std::size_t i = 0; i < c.problems.size(); ++i) {
            EXPECT_EQ(book.problems()[i].line, c.problems[i].line);
            EXPECT_EQ(book.problems()[i].fault, c.problems[i].fault);
        }
        std::vector<std::string> names;
        for (const Recipe& r : book.recipes()) names.push_back(r.name);
        EXPECT_EQ(names, c.names);
        // Saving another recipe never loses the block it could not read.
        book.put({"new", "", {cmd("s/n/N/")}});
        const std::string written = book.format();
        EXPECT_TRUE(written.starts_with(c.file)) << written;
        EXPECT_NE(RecipeBook::parse(written).find("new"), nullptr);
    }
}

TEST(RecipeFile, EditsKeepTheRestAsWritten) {
    const std::string file = "# top\n\n# about a\n[a]\n-  s/x/y/   \n\n# about b\n[b]  \n- m/z/\n# end\n";
    RecipeBook book = RecipeBook::parse(file);
    Recipe a = *book.find("a");
    a.steps.push_back(conv("nfc"));
    a.name = "a2";
    book.put(a, "a");
    EXPECT_EQ(book.format(),
              "# top\n\n# about a\n[a2]\n-  s/x/y/   \n- --convert nfc\n\n# about b\n[b]  \n- m/z/\n# end\n");
    EXPECT_TRUE(book.remove("b"));
    EXPECT_FALSE(book.remove("b"));
    EXPECT_EQ(book.format(), "# top\n\n# about a\n[a2]\n-  s/x/y/   \n- --convert nfc\n# end\n");
    // A file whose last line has no line end gets one before a new recipe.
    RecipeBook open = RecipeBook::parse("[a]\n- x");
    open.put({"b", "", {cmd("y")}});
    EXPECT_EQ(open.format(), "[a]\n- x\n\n[b]\n- y\n");
}

TEST(RecipeFile, StepsAsWritten) {
    const struct {
        const char* written;
        RecipeStep step;
    } cases[] = {
        {"s/a/b/g", cmd("s/a/b/g")},
        {"-v m/x/", cmd("m/x/", true)},
        {"--convert nfkc", conv("nfkc")},
        {"sort -r", cmd("sort -r")},
        {"--converter", cmd("--converter")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseStep(c.written), c.step) << c.written;
        EXPECT_EQ(c.step.written(), c.written);
    }
    EXPECT_FALSE(isRecipeName(""));
    EXPECT_FALSE(isRecipeName("  "));
    EXPECT_FALSE(isRecipeName("a]b"));
    EXPECT_FALSE(isRecipeName("a\nb"));
    EXPECT_TRUE(isRecipeName("表 1"));
}

}  // namespace
}  // namespace kk::lists
