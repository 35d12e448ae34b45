// Every message in both languages: a text for each id, its arguments put in
// once each (an argument holding "%2" stays as it is), and a missing id named
// rather than shown empty.
#include "texts/texts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace kk::texts {
namespace {

struct LanguageGuard {
    Language before = language();
    ~LanguageGuard() { setLanguage(before); }
};

// The ids as the header declares them (the enum has gaps between groups),
// so a message added without a text is caught.
std::vector<int> declaredIds() {
    std::ifstream header(KK_SOURCE_DIR "/texts/texts.h");
    std::stringstream all;
    all << header.rdbuf();
    const std::string text = all.str();
    const std::size_t from = text.find("enum class Msg {"), to = text.find("};", from);
    std::istringstream body(text.substr(from, to - from));
    const std::regex entry(R"(^\s+([A-Z]\w*)(\s*=\s*(\d+))?,)");
    std::vector<int> ids;
    int next = 0;
    for (std::string line; std::getline(body, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, entry)) continue;
        next = m[3].matched ? std::stoi(m[3]) : next + 1;
        ids.push_back(next);
    }
    return ids;
}

TEST(Texts, EveryMessageInBothLanguages) {
    LanguageGuard guard;
    const std::vector<int> ids = declaredIds();
    ASSERT_GT(ids.size(), 100u);
    EXPECT_EQ(ids.back(), static_cast<int>(Msg::Last));
    for (Language l : {Language::Japanese, Language::English}) {
        setLanguage(l);
        for (const int id : ids) {
            const Msg m = static_cast<Msg>(id);
            const std::string plain = text(m);
            SCOPED_TRACE(testing::Message() << "message " << id << (l == Language::English ? " (en)" : " (ja)"));
            EXPECT_FALSE(plain.empty());
            EXPECT_EQ(plain.find("no text for message"), std::string::npos) << "the table lacks it";
            // Arguments that look like placeholders go in as they are.
            const std::string filled = message(m, "<%2>", "<%1>", "<%3>");
            for (int k = 1; k <= 3; ++k) {
                const std::string mark = "%" + std::to_string(k);
                if (plain.find(mark) == std::string::npos) continue;
                const std::string arg = k == 1 ? "<%2>" : k == 2 ? "<%1>" : "<%3>";
                EXPECT_NE(filled.find(arg), std::string::npos) << plain << " → " << filled;
            }
            // No placeholder is left unfilled outside the arguments.
            std::string rest = filled;
            for (const char* arg : {"<%1>", "<%2>", "<%3>"})
                for (std::size_t at; (at = rest.find(arg)) != std::string::npos;) rest.erase(at, 4);
            EXPECT_EQ(rest.find("%1"), std::string::npos) << filled;
            EXPECT_EQ(rest.find("%2"), std::string::npos) << filled;
        }
    }
}

TEST(Texts, AMissingIdIsNamed) {
    const Msg unknown = static_cast<Msg>(static_cast<int>(Msg::Last) + 100);
    EXPECT_EQ(std::string(text(unknown)), "no text for message " + std::to_string(static_cast<int>(Msg::Last) + 100));
    EXPECT_EQ(message(unknown, "x"), text(unknown));
}

}  // namespace
}  // namespace kk::texts
