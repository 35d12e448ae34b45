// The progress channel, as every kind of long text operation uses it.
#include "convert/registry.h"
#include "regex/operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

namespace kk {
namespace {

// Every kind of long operation reports how far it has come through the
// channel that carries the cancel request: never backwards, up to the text's
// size, and a watcher on another thread sees it rise while the work runs.
TEST(Progress, RisesAndEndsAtTheTotal) {
    std::string text;
    for (int i = 0; text.size() < (24u << 20); ++i) text += "東京 line " + std::to_string(i) + " ｶﾀｶﾅ abc\n";
    const struct {
        const char* what;
        std::function<bool(WorkLink)> run;
    } cases[] = {
        {"s/// literal", [&](WorkLink w) { return bool(regex::xRep("s/abc/x/g", text, w)); }},
        {"s/// pattern", [&](WorkLink w) { return bool(regex::xRep("s/(\\d+)/<$1>/g", text, w)); }},
        {"s/// anchored", [&](WorkLink w) { return bool(regex::crdelSed("s/^東京/大阪/g", text, w)); }},
        {"tr///", [&](WorkLink w) { return bool(regex::xtrans("tr/a-z/A-Z/", text, w)); }},
        {"m//", [&](WorkLink w) { return bool(regex::xmatch("m/7/", text, 0, w)); }},
        {"conversion", [&](WorkLink w) {
             return bool(convert::applyConversion(*convert::findConversion("hankaku-to-zenkaku"), text, w));
         }},
    };
    for (const auto& c : cases) {
        Work work;
        work.setTotal(text.size());
        std::vector<std::uint64_t> seen;
        std::atomic<bool> stop{false};
        std::thread watcher([&] {
            while (!stop.load()) {
                seen.push_back(work.done());
                std::this_thread::yield();
            }
        });
        const bool ok = c.run(&work);
        stop = true;
        watcher.join();
        ASSERT_TRUE(ok) << c.what;
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << c.what;
        EXPECT_LE(work.done(), text.size()) << c.what;
        EXPECT_GT(work.done(), text.size() / 2) << c.what << ": reported only " << work.done();
        work.finish();
        EXPECT_EQ(work.done(), text.size()) << c.what;
    }
}

}  // namespace
}  // namespace kk
