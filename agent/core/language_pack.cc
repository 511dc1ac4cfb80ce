#include "agent/core/language_pack.h"

namespace agent {

LanguagePack::LanguagePack(platform::Env& env, std::string pack_path)
    : env_(env), path_(std::move(pack_path)) {}

std::string LanguagePack::Lookup(std::string_view group_key) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!loaded_) {
    table_.Clear();
    loaded_ = LoadIniSection(env_, path_, table_, "") > 0;
    if (!loaded_) return {};
  }
  const ConfigEntry* entry = table_.Find(group_key);
  return entry ? entry->value : std::string();
}

bool LanguagePack::Loaded() {
  std::lock_guard<std::mutex> lock(mutex_);
  return loaded_;
}

}  // namespace agent
