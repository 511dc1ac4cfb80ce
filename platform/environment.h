#pragma once
// The process environment, the working directory and the program's own place.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// Every variable of the process environment, in the environment's order.
std::vector<std::pair<std::string, std::string>> EnvironmentVariables();
// One variable, or nothing when it is not set.
std::optional<std::string> GetEnvironmentVariable(const std::string& name);
// Sets (or, with nullopt, removes) a variable of this process; tests use it.
void SetEnvironmentVariable(const std::string& name, const std::optional<std::string>& value);

// The current working directory, without a final "/" (except for "/" itself).
std::string CurrentDirectory();
// The absolute path of the running executable (/proc/self/exe).
std::string OwnExecutablePath();
class Env;
// The program directory as `env` sees it: TVL_BRUMALWEB_HOME when it is set and
// not empty, else the directory of the executable. No final "/".
std::string ProgramDirectory(Env& env);

}  // namespace platform
