#include "agent/acquisition/catalogue_dump.h"

#include "agent/catalogue/value_catalogue.h"
#include "platform/env.h"

namespace agent {

std::string FormatCatalogueDump(const ValueCatalogue& catalogue) {
  std::string dump;
  ForEachTag(catalogue, [&dump](const std::string& name, const std::string& text) {
    dump += name;
    dump += " = ";
    dump += text;
    dump += "\r\n";
  });
  return dump;
}

platform::FileStatus WriteCatalogueDump(platform::Env& env, const ValueCatalogue& catalogue,
                                        const std::string& path) {
  return env.WriteFileAtomically(path, FormatCatalogueDump(catalogue));
}

}  // namespace agent
