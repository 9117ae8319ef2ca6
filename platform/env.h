// The process environment, in UTF-8.
#pragma once

#include <optional>
#include <string>

#include "platform/error.h"

namespace platform {

std::optional<std::string> getEnv(const std::string& name);

// Sets a variable for this process and the programs it starts. An empty value
// removes the variable on Windows, as the C runtime's putenv("NAME=") does, and
// leaves it set but empty elsewhere.
Result setEnv(const std::string& name, const std::string& value);
Result unsetEnv(const std::string& name);

// A setting that only tests give, through a QUARLAN_... variable: its value,
// or nothing at all once the program has closed them. A program that runs
// with administrator rights closes them first: its environment is not its
// user's to steer.
std::optional<std::string> testSetting(const std::string& name);
void closeTestSettings();

}  // namespace platform
