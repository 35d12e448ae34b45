// How a model operation ended, for the window to show and the command line
// to turn into its exit status. Nobody reads status texts to find this out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kk {

struct Outcome {
    enum class Kind {
        Done,       // it ran; the status line says what came of it
        Refused,    // the input cannot be used as it is (a bad command, no text on the clipboard)
        Failed,     // it ran into a fault (a failing filter, a clipboard that cannot be written)
        Cancelled,  // the user stopped it
    };
    Kind kind = Kind::Done;
    std::string message;       // the status line's text, or what went wrong
    std::int64_t column = -1;  // Refused: the command's column at fault (0-based characters), -1 when none
    std::string details;       // more than the status line can hold (a filter's error output)
    std::string statusLine;    // what the status line shows, where it is not `message`

    bool ok() const { return kind == Kind::Done; }
    static Outcome done(std::string status) { return {Kind::Done, std::move(status), -1, {}, {}}; }
    static Outcome refused(std::string why, std::int64_t column = -1) {
        return {Kind::Refused, std::move(why), column, {}, {}};
    }
    static Outcome failed(std::string why) { return {Kind::Failed, std::move(why), -1, {}, {}}; }
    static Outcome cancelled(std::string why) { return {Kind::Cancelled, std::move(why), -1, {}, {}}; }
};

using OutcomeHandler = std::function<void(const Outcome&)>;

}  // namespace kk
