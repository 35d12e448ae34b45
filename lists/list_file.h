// The history and favourites files: one entry a line, oldest first, UTF-8
// with CR LF when we write; older Shift_JIS files still read line by line.
#pragma once

#include "platform/ports.h"
#include "core/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace kk::lists {

// Entries in file order (oldest first). CR LF, a lone LF or a lone CR ends a
// line; a last line without line end is an entry; a final line end makes no
// extra entry. A file that is not UTF-8 is read as CP932 when all of it is
// CP932 (older files), else its bytes are kept. NUL bytes are dropped.
std::vector<Text> parseListFile(std::string_view bytes);

// The bytes one appended entry adds to a file.
std::string encodeListEntry(std::string_view entry);

// Appends one entry to a list file on a line of its own (a file that does not
// end in a line end gets one first). An entry holding a line break is not
// written: it would read back as two entries.
enum class Appended { Written, NotWritten, NotStorable };
Appended appendEntry(FileStore& files, const std::string& path, std::string_view entry);

// The list as the box shows it: newest (the file's last line) first.
std::vector<Text> newestFirst(std::vector<Text> fileOrder);

// History rule: a command is recorded unless it equals the newest entry;
// it is written to the file only when it has at most this many characters.
inline constexpr std::int64_t kHistoryFileMaxChars = 200;
bool shouldRecordInHistory(const std::vector<Text>& historyNewestFirst, std::string_view command);
bool fitsHistoryFile(std::string_view command);

}  // namespace kk::lists
