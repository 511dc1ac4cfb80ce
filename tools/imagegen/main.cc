// Draws the 26 carried images into a directory as "<name>.png":
//   tvl_imagegen <directory>
// The agent carries the committed copies in agent/resources.
#include <cstdio>
#include <string>
#include <string_view>

#include "agent/images/png_codec.h"
#include "platform/files.h"
#include "tools/imagegen/artwork.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
    return 2;
  }
  const std::string directory = argv[1];
  int failures = 0;
  for (const auto& info : agent::images::CarriedImageTable()) {
    const auto png =
        agent::images::EncodePng(imagegen::DrawArtwork(info.id), agent::images::PngLayout::kRgba);
    const std::string path = platform::JoinPath(directory, std::string(info.name) + ".png");
    if (!png ||
        !platform::WriteFileAtomically(
            path, std::string_view(reinterpret_cast<const char*>(png->data()), png->size()))) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
