// Helpers for the image tests: temporary directories, PNG files read back
// with libpng, recorded upload queues and tolerant pixel comparison.
#pragma once

#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "agent/images/file_icon_output.h"
#include "agent/images/png_codec.h"
#include "agent/images/rgba_image.h"

namespace images_test {

using agent::images::Rgba;
using agent::images::RgbaImage;

class TempDir {
 public:
  // Under `base` when given (a memory file system keeps I/O-heavy tests fast).
  explicit TempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
    std::random_device seed;
    path_ = base / ("tvl_images_" + std::to_string(seed()) + "_" + std::to_string(seed()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // With "/" between names on every system, as the program writes paths.
  std::string path() const { return path_.generic_string(); }
  std::string file(const std::string& name) const { return (path_ / name).generic_string(); }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::filesystem::path path_;
};

// The memory file system when the host has one, else the temporary directory.
inline std::filesystem::path FastTempBase() {
  std::error_code ignored;
  return std::filesystem::is_directory("/dev/shm", ignored)
             ? std::filesystem::path("/dev/shm")
             : std::filesystem::temp_directory_path();
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) return {};
  return bytes;
}

// A PNG file as libpng reads it: the file's own format, then RGBA pixels.
struct PngFile {
  int width = 0, height = 0;
  bool eight_bit = false;  // 8 bits per channel
  bool alpha = false;      // colour type 6 when colour too
  bool colour = false;
  bool palette = false;
  RgbaImage pixels;
};

inline std::optional<PngFile> DecodePng(const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return std::nullopt;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  PngFile file;
  file.width = static_cast<int>(image.width);
  file.height = static_cast<int>(image.height);
  file.eight_bit = (image.format & PNG_FORMAT_FLAG_LINEAR) == 0;
  file.alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  file.colour = (image.format & PNG_FORMAT_FLAG_COLOR) != 0;
  file.palette = (image.format & PNG_FORMAT_FLAG_COLORMAP) != 0;
  image.format = PNG_FORMAT_RGBA;
  file.pixels = RgbaImage(file.width, file.height);
  const bool ok = png_image_finish_read(&image, nullptr, file.pixels.data(), 0, nullptr) != 0;
  png_image_free(&image);
  if (!ok) return std::nullopt;
  // The header bytes say the bit depth and colour type exactly.
  const auto header = agent::images::ReadPngHeader(bytes);
  if (!header || header->bit_depth != 8) file.eight_bit = false;
  return file;
}

inline std::optional<PngFile> ReadPngFile(const std::string& path) {
  return DecodePng(ReadBytes(path));
}

inline bool IsRgba8(const PngFile& f) {
  return f.eight_bit && f.alpha && f.colour && !f.palette;
}
inline bool IsRgb8(const PngFile& f) {
  return f.eight_bit && !f.alpha && f.colour && !f.palette;
}

// Share of pixels whose channels differ by more than 16 (1.0 for other sizes).
inline double DifferingShare(const RgbaImage& a, const RgbaImage& b) {
  if (a.width() != b.width() || a.height() != b.height()) return 1.0;
  if (a.empty()) return 0.0;
  std::size_t differing = 0;
  auto far = [](int x, int y) { return std::abs(x - y) > 16; };
  for (std::size_t i = 0; i < a.pixels().size(); ++i) {
    const Rgba p = a.pixels()[i], q = b.pixels()[i];
    differing += far(p.r, q.r) || far(p.g, q.g) || far(p.b, q.b) || far(p.a, q.a);
  }
  return static_cast<double>(differing) / static_cast<double>(a.pixels().size());
}

inline bool IsMagenta(Rgba p) {
  return p.r >= 200 && p.g <= 60 && p.b >= 200 && p.a >= 200;
}

// The real cache directory, with the upload queue recorded.
class RecordingOutput : public agent::images::IconOutput {
 public:
  bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) override {
    if (!writable) return false;
    return files_.ReplaceFile(path, bytes);
  }
  void RemoveFile(const std::string& path) override { files_.RemoveFile(path); }
  void QueueUpload(const std::string& path) override {
    std::lock_guard lock(mutex_);
    queued_.push_back(path);
  }
  std::vector<std::string> Queued() {
    std::lock_guard lock(mutex_);
    return queued_;
  }

  // Off: every write fails as in a read-only cache directory.
  bool writable = true;

 private:
  agent::images::FileIconOutput files_{platform::Env::Default(), nullptr};
  std::mutex mutex_;
  std::vector<std::string> queued_;
};

}  // namespace images_test
