// Where a program of that name is on PATH, after the folders in `first`
// (empty when it is nowhere).
#pragma once

#include <string>
#include <vector>

namespace kk {

std::string findProgramOnPath(const std::string& name, const std::vector<std::string>& first = {});

}  // namespace kk
