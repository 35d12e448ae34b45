// The data folder's files on the local file system.
#pragma once

#include "platform/ports.h"

namespace kk {

class LocalFileStore final : public FileStore {
public:
    bool exists(const std::string& path) override;
    std::int64_t size(const std::string& path) override;
    std::optional<std::string> readAll(const std::string& path) override;
    bool append(const std::string& path, const std::string& bytes) override;
    bool replace(const std::string& path, const std::string& bytes) override;
    std::optional<char> lastByte(const std::string& path) override;
    bool makeFolder(const std::string& path) override;
};

// Reads a whole file, or nullopt; shared by the store and the filter runner.
std::optional<std::string> readWholeFile(const std::string& path);
bool writeWholeFile(const std::string& path, const std::string& bytes);
// All of `bytes` to an open descriptor, however many writes it takes.
bool writeFd(int fd, std::string_view bytes);

}  // namespace kk
