#pragma once
// "#name#" placeholders in path settings: environment variables (any case),
// then the agent's own: version, h, s, a, m, j, REPCOURANT, NOMPROGRAMME.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/env.h"

namespace agent {

struct PlaceholderSources {
  std::vector<std::pair<std::string, std::string>> environment;
  platform::LocalTime now;
  std::string working_directory;  // REPCOURANT is this followed by "/"
  std::string program_path;       // NOMPROGRAMME is its file name without ".exe"
};

std::string ExpandPlaceholders(std::string_view text, const PlaceholderSources& sources);

}  // namespace agent
