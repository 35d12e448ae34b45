// Every built-in conversion once: what the menus show, what the dispatcher
// runs, the name kakikae-cli knows it by. The window's menus, the model, the
// command line and the fuzz target all read this one table.
#pragma once

#include "core/result.h"

#include "core/work.h"

#include <atomic>
#include <span>
#include <string>
#include <vector>
#include <string_view>

namespace kk::convert {

enum class ConversionGroup { Characters, Normalize, NumbersDates, Mime, Sort, Duplicates };
enum class ConversionKind {
    Text,        // a text operation of ours
    Filter,      // a fixed filter command (xFil's form)
    SortFilter,  // a sort command naming its files (xFilsort's form)
    Duplicates,  // adjacent duplicate lines, with their own outcomes
};

struct Conversion {
    std::string_view label;     // the dispatcher's key, which the menu item passes
    std::string_view name;      // the short name: kakikae-cli --convert NAME
    std::string_view caption;   // the menu item's caption
    std::string_view menuItem;  // the menu item's object name
    ConversionGroup group;
    ConversionKind kind;
    TextResult (*apply)(std::string_view) = nullptr;  // Text
    std::string_view command;                         // Filter and SortFilter
    bool extracting = false;                          // Duplicates: keep the repeats rather than drop them
    bool lineLocal = false;                           // Text: each line converts on its own (may run in slices)
};

// In menu order.
std::span<const Conversion> conversions();
// By label or short name; null when there is none.
const Conversion* findConversion(std::string_view labelOrName);
// The short names people guess for a conversion (zenkaku, hankaku, ...),
// found by findConversion too.
std::vector<std::string> aliasesOf(const Conversion& c);
// Up to three names close to a misspelt one, nearest first.
std::vector<std::string> closestNames(std::string_view wrong);


inline constexpr const char* kConversionCancelled = "中止しました";

// Runs a Text conversion: a long text in slices of a few MB at line ends
// (so a work is seen soon), and bytes that are no UTF-8 passed through as
// they are, never converted or replaced.
TextResult applyConversion(const Conversion& conversion, std::string_view text, WorkLink work = nullptr);

}  // namespace kk::convert
