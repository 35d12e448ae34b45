// The one table of the texts a user reads: messages, status lines and the
// window's captions, keyed by stable codes (and PCRE2's compile errors by
// their numbers), in Japanese and in English. The window speaks Japanese;
// kakikae-cli follows the locale. Captions only the window shows have no
// English.
#pragma once

#include <cstdint>
#include <string>

// Names, not texts: never translated.
namespace kk::names {
inline constexpr const char* kAppTitle = "kakikae";
inline constexpr const char* kInitialCommand = "s///gk";
inline constexpr const char* kHelpFileName = "kakikae.html";
}  // namespace kk::names

namespace kk::texts {

enum class Language { Japanese, English };
// Process-wide, set once at start-up before any work runs.
void setLanguage(Language language);
Language language();
// Japanese when LC_ALL, LC_MESSAGES or LANG (the first one set) starts with "ja".
Language languageFromEnvironment();

enum class Msg {  // never renumber: tests and scripts may match them
    NotRegexCommand = 1,
    MissingSlashAfterPattern,
    MissingSlashAfterReplacement,
    MissingSlashAfterList,
    OptionENotSupported,
    UnknownOption,     // %1: the letter
    UnknownTrOption,   // %1: the letter
    WrongCommandKind,  // %1: the kind expected
    BadPattern,        // %1: the engine's reason
    MatchFailed,       // %1: the engine's reason
    TooComplex,
    KeepMovedBack,
    NoSuchGroup,  // %1: the group, %2: how many there are
    NoSuchName,   // %1: the name
    BadNamedIndex,
    BadGroupReference,
    BadEscapeInReplacement,
    BadEscapeInTrList,
    TrRangeBackwards,
    Column,  // %1: the column (1-based)
    OutputTooBig,
    Cancelled,

    // The model's status lines and messages.
    StatusClipboard = 100,
    StatusLoading,
    ClipboardUnreadable,
    ClipboardUnwritable,
    StatusStartClip,
    StatusBefore,
    StatusAfter,
    StatusRunning,
    StatusDone,
    Undone,
    Redone,
    NoFilterPreview,
    PreviewPlaces,
    PreviewLines,
    PreviewConversion,  // %1: places, %2: the conversion's caption
    Busy,
    OutOfMemory,
    WorkFailed,         // %1: the reason
    UnknownConversion,  // %1: the name
    ClipboardHoldsNoText,
    ClipboardHadReplacements,
    CheckCommand,
    EditorDidNotOpen,  // %1: the file
    CouldNotOpen,      // %1: the file or address
    FavouriteHasLineBreak,
    EditDoneHold,
    ListTooBig,            // %1: size in MB, %2: the file
    ListUnreadable,        // %1: the file
    HistoryUnwritable,     // %1: the file
    FavouritesUnwritable,  // %1: the file
    ListFileTooBigAsk,     // %1: which file's first line
    HistoryTooBig,
    FavouritesTooBig,
    NoSystemInfo,
    OneLineOnly,
    NoDuplicates,
    DuplicatesFound,    // %1: how many lines
    DuplicatesDeleted,  // %1: how many lines
    ClipboardOwnerSilent,
    NoRepairFound,

    // A filter's run.
    FilterNoFolder = 200,
    FilterInputUnwritable,  // %1: the file
    FilterDidNotStart,      // %1: the reason
    FilterOutputTooBig,     // %1: the bound in MB
    FilterCrashed,          // %1: ": " and its first error line, or nothing
    FilterFailed,           // %1: the exit code
    FilterFailedKept,       // %1: the exit code

    // kakikae-cli's own.
    CliReadAsCp932 = 300,
    CliStdoutUnwritable,
    CliClipboardNotKept,
    CliNoClipboard,
    CliWaylandToolsMissing,  // %1: the missing programs
    CliFileUnreadable,       // %1: the file, %2: the reason
    CliKeptAsBytes,
    CountStatus,  // %1 characters, %2 lines, %3 bytes
    ClipboardRefused,  // %1: the reason the clipboard's tool gave
    UndoLevelsKept,    // %1: how many runs can still be undone
    CliUnknownOption,         // %1: the argument
    CliTakesNoValue,          // %1: the option
    CliNeedsValue,            // %1: the option
    CliUnknownEncoding,       // %1: the value
    CliClipboardTakesNoFile,
    CliOneMode,
    CliInvertNeedsMatch,
    CliExpressionNotRegex,    // %1: the command
    CliDiffMode,
    CliUnknownConversion,     // %1: the name
    CliUnknownConversionNear, // %1: the name, %2: the closest names
    CliBadTimeout,            // %1: the value

    // The window's captions and tips (Japanese only).
    ChangedMark = 400,
    ProgressName,
    ProgressSeconds,
    MenuMime,
    MenuConvert,
    MenuNumbersDates,
    MenuDuplicates,
    MenuDeleteDuplicates,
    MenuExtractDuplicates,
    MenuCount,
    CountTip,
    OneShotTip,
    MultilineTip,
    EditListTip,
    MenuRecipes,
    MenuRecipeEdit,
    RecipeEditorTitle,
    MenuNormalize,
    StatusName,
    Failure,  // %1: what went wrong

    // Recipes.
    RecipeDone = 500,    // %1: the recipe, %2: how many steps
    RecipeStepFailed,    // %1: the step's number, %2: the step, %3: what went wrong
    NoSuchRecipe,        // %1: the name
    RecipeNoSteps,
    RecipeBadName,       // %1: the name
    RecipeNameTaken,     // %1: the name
    RecipesUnwritable,   // %1: the file
    RecipesUnreadable,   // %1: the file
    RecipeFileProblem,   // %1: the file, %2: the line, %3: what is wrong
    RecipeSaved,         // %1: the recipe
    RecipeDeleted,       // %1: the recipe
    NoFilterPreviewRecipe,
    RecipeStepOutside,
    RecipeBadHeader,
    RecipeEmpty,
    RecipeUnknownLine,
    RecipeSameName,
    RecipeCount,         // %1: how many recipes
    CliFailedTitle,      // a failure's notification: its title
    PrimaryUnavailable,
    StatusPrimary,
    PrimaryHoldsNoText,
    NoSuchShortcut,      // %1: the name
    RunNeedsWindow,
    CliInputCutShort,  // %1: the file
    CliInputChanged,   // %1: the file
    // New messages go above this line, at the end: the numbers stay.
    Last = CliInputChanged,
};

// The text of a message with its arguments put in, in one pass: an argument
// that itself holds "%2" stays as it is.
std::string message(Msg id, const std::string& arg1 = {}, const std::string& arg2 = {},
                    const std::string& arg3 = {});
// The text without arguments, in the current language (lives as long as the
// program); "no text for message N" for a code the table lacks.
const char* text(Msg id);
// PCRE2's reason for a compile error, in the message language (PCRE2's own
// English text where there is no translation).
std::string patternErrorText(int pcre2Code, const std::string& english);

}  // namespace kk::texts
