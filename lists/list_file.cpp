// List-file reading and writing rules.
#include "lists/list_file.h"

#include "core/text_codec.h"

#include <algorithm>

namespace kk::lists {

std::vector<Text> parseListFile(std::string_view raw) {
    // NUL bytes are no part of any entry; the file's encoding is then
    // decided once for all of it, never line by line.
    std::string decoded;
    std::string_view bytes = raw;
    if (raw.find('\0') != std::string_view::npos) {
        decoded.assign(raw);
        decoded.erase(std::remove(decoded.begin(), decoded.end(), '\0'), decoded.end());
        bytes = decoded;
    }
    if (!isValidUtf8(bytes)) {
        decoded = decodeBytes(bytes);
        bytes = decoded;
    }
    std::vector<Text> entries;
    std::size_t start = 0;
    const std::size_t n = bytes.size();
    auto add = [&](std::size_t from, std::size_t to) { entries.emplace_back(bytes.substr(from, to - from)); };
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

Appended appendEntry(FileStore& files, const std::string& path, std::string_view entry) {
    if (entry.find_first_of("\r\n") != std::string_view::npos) return Appended::NotStorable;
    std::string bytes;
    if (const auto last = files.lastByte(path); last && *last != '\n' && *last != '\r') bytes = "\r\n";
    bytes += encodeListEntry(entry);
    return files.append(path, bytes) ? Appended::Written : Appended::NotWritten;
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
