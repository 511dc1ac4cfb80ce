#pragma once
// The language pack "langue.pack" of the program directory: loaded at the first
// lookup (again at later lookups while it holds nothing). Thread-safe.

#include <mutex>
#include <string>
#include <string_view>

#include "agent/core/configuration.h"

namespace agent {

inline constexpr const char* kLanguagePackFileName = "langue.pack";

class LanguagePack {
 public:
  LanguagePack(platform::Env& env, std::string pack_path);
  // The value of group_key, or "" when absent or when no pack could be loaded.
  std::string Lookup(std::string_view group_key);
  bool Loaded();

 private:
  std::mutex mutex_;
  platform::Env& env_;
  std::string path_;
  ConfigTable table_;
  bool loaded_ = false;
};

}  // namespace agent
