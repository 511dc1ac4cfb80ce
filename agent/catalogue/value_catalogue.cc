#include "agent/catalogue/value_catalogue.h"

namespace agent {

void SetTag(ValueCatalogue& catalogue, std::string_view name, std::string_view text) {
  catalogue.Get(name).assign(text);
}

std::string ReadTag(const ValueCatalogue& catalogue, std::string_view name) {
  const std::string* text = catalogue.Find(name);
  return text ? *text : std::string();
}

std::size_t SelectTagsByKeyFragment(const ValueCatalogue& catalogue, std::string_view fragment,
                                    KeyedTable<std::string>& target) {
  if (fragment.empty()) return 0;
  catalogue.ForEach([&](const std::string& name, const std::string& text) {
    if (name.find(fragment) != std::string::npos) target.Set(name, text);
  });
  return target.Count();
}

}  // namespace agent
