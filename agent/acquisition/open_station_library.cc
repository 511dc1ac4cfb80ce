#include "agent/acquisition/open_station_library.h"

#include <memory>
#include <vector>

#include "platform/dynlib.h"

namespace agent {
namespace {

class LoadedLibrary : public ExportSource {
 public:
  explicit LoadedLibrary(platform::DynamicLibrary library) : library_(std::move(library)) {}
  void* FindExport(std::string_view decorated_name) override {
    return library_.FindExport(decorated_name);
  }

 private:
  platform::DynamicLibrary library_;
};

}  // namespace

int OpenStationLibrary(StationLibrary& library, const LibraryPlaces& places,
                       const std::function<void()>& deploy) {
  if (library.IsOpen()) return 1;
  if (deploy) deploy();
  std::vector<std::string> candidates;
  for (const std::string& directory : {places.working_directory, places.program_directory}) {
    if (!directory.empty()) candidates.push_back(directory + "/" + kStationLibraryFile);
  }
  candidates.emplace_back(kStationLibraryFile);
  for (const std::string& path : candidates) {
    platform::DynamicLibrary loaded;
    if (loaded.Load(path)) {
      library.Attach(std::make_unique<LoadedLibrary>(std::move(loaded)));
      return 1;
    }
  }
  return 0;
}

}  // namespace agent
