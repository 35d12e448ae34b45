// Where a program of that name is on PATH (empty when it is nowhere).
#pragma once

#include <string>

namespace kk {

std::string findProgramOnPath(const std::string& name);

}  // namespace kk
