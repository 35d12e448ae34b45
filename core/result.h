// A value or an error, for operations that can fail: never an empty text
// standing for a failure.
#pragma once

#include "texts/texts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace kk {

// Input: what the user gave cannot be used (a bad pattern); Fault: it ran
// into a limit or the world failed it; Cancelled: the user stopped it.
enum class ErrorKind { Input, Fault, Cancelled };

// An error is a code of the texts table with its arguments and, apart, the
// command's column it points at; tests and callers compare codes, never
// wording. Words the table does not hold (an engine's own) come as text.
struct Error {
    Error(texts::Msg code_, std::vector<std::string> args_ = {}, std::int64_t column_ = -1,
          ErrorKind kind_ = ErrorKind::Input, std::string details_ = {})
        : code(code_), args(std::move(args_)), column(column_), kind(kind_), details(std::move(details_)) {
        const auto arg = [this](std::size_t i) { return i < args.size() ? args[i] : std::string(); };
        message = texts::message(code_, arg(0), arg(1), arg(2));
    }
    Error(std::string message_, std::int64_t column_ = -1, ErrorKind kind_ = ErrorKind::Input,
          std::string details_ = {})
        : message(std::move(message_)), column(column_), kind(kind_), details(std::move(details_)) {}
    std::optional<texts::Msg> code;  // none for words the table does not hold
    std::vector<std::string> args;
    std::string message;       // the code's text with its arguments, in the current language; no column
    std::int64_t column = -1;  // 0-based character column in the command, -1 when none applies
    ErrorKind kind = ErrorKind::Input;
    std::string details;  // what the user may read in full (a filter's error output)

    // What the user reads: the message, and the column (1-based) it points at.
    std::string text() const {
        return column < 0 ? message : message + texts::message(texts::Msg::Column, std::to_string(column + 1));
    }
};

template <class T>
class Result {
public:
    Result(T value) : v_(std::move(value)) {}      // NOLINT: implicit on purpose
    Result(Error error) : v_(std::move(error)) {}  // NOLINT
    [[nodiscard]] bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    const Error& error() const { return std::get<1>(v_); }
    T valueOr(T fallback) const { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, Error> v_;
};

using Text = std::string;  // UTF-8, line ends (LF or CR LF) and bytes that are no UTF-8 as they came
using TextResult = Result<Text>;

}  // namespace kk
