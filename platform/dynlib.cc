#include "platform/dynlib.h"

#include <dlfcn.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace platform {

std::string SymbolForDecoratedName(std::string_view decorated) {
  std::string symbol(decorated);
  for (char& c : symbol) {
    if (c == '@') c = '$';
  }
  return symbol;
}

bool DynamicLibrary::Load(const std::string& path) {
  Unload();
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* message = dlerror();
    error_ = message != nullptr ? message : "dlopen failed";
    return false;
  }
  error_.clear();
  return true;
}

void DynamicLibrary::Unload() {
  if (handle_ != nullptr) {
    dlclose(handle_);
    handle_ = nullptr;
  }
}

void* DynamicLibrary::FindSymbol(const std::string& name) const {
  if (handle_ == nullptr) return nullptr;
  return dlsym(handle_, name.c_str());
}

std::string DirectoryContaining(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  std::string file = info.dli_fname;
  if (file.find('/') == std::string::npos) {
    // The main program reports its bare name: take the real path instead.
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    file.assign(buffer, static_cast<size_t>(n));
  }
  size_t slash = file.rfind('/');
  return slash == 0 ? std::string("/") : file.substr(0, slash);
}

}  // namespace platform
