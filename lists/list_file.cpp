// List-file reading and writing rules.
#include "lists/list_file.h"

#include "platform/text_codec.h"

#include <algorithm>

namespace kk::lists {

std::vector<Text> parseListFile(std::string_view bytes) {
    std::vector<Text> entries;
    std::size_t start = 0;
    const std::size_t n = bytes.size();
    auto add = [&](std::size_t from, std::size_t to) {
        std::string line(bytes.substr(from, to - from));
        line.erase(std::remove(line.begin(), line.end(), '\0'), line.end());
        entries.push_back(isValidUtf8(line) ? std::move(line) : decodeExternalBytes(line));
    };
    std::size_t i = 0;
    while (i < n) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            add(start, i);
            i += (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ? 2 : 1;
            start = i;
            continue;
        }
        ++i;
    }
    if (start < n) add(start, n);
    return entries;
}

std::string encodeListEntry(std::string_view entry) {
    std::string out(entry);
    out.append("\r\n");
    return out;
}

std::vector<Text> newestFirst(std::vector<Text> fileOrder) {
    std::reverse(fileOrder.begin(), fileOrder.end());
    return fileOrder;
}

bool shouldRecordInHistory(const std::vector<Text>& history, std::string_view command) {
    const std::string_view top = history.empty() ? std::string_view() : std::string_view(history.front());
    return top != command;
}

bool fitsHistoryFile(std::string_view command) { return codePointCount(command) <= kHistoryFileMaxChars; }

}  // namespace kk::lists
