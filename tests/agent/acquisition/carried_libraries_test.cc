#include "agent/acquisition/carried_libraries.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "tests/support/faulty_disk.h"

namespace agent {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

ino_t InodeOf(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::span<const unsigned char> Bytes(const std::string& text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

class DeployTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("acq-deploy-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
            std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(DeployTest, CarriesTheThreeLibrariesInOrderAsBuilt) {
  std::vector<std::string> names;
  for (const CarriedLibrary& library : CarriedLibraries()) names.emplace_back(library.file_name);
  EXPECT_EQ(names, (std::vector<std::string>{"libCP210xManufacturing.so", "libSiUSBXp.so",
                                             "libOrbiskPro.so"}));
  DeployLibraries(platform::Env::Default(), CarriedLibraries(), dir_.string());
  for (const CarriedLibrary& library : CarriedLibraries()) {
    fs::path built = fs::path(BUILT_LIBRARIES) / library.file_name;
    if (!fs::exists(built)) continue;
    EXPECT_EQ(Contents(dir_ / library.file_name), Contents(built)) << library.file_name;
  }
}

TEST_F(DeployTest, ALongerOldFileBecomesExactlyTheCarriedOne) {
  const std::string carried(360448, 'n');
  { std::ofstream(dir_ / "libOrbiskPro.so", std::ios::binary) << std::string(400000, 'o'); }
  const CarriedLibrary libraries[] = {{"libOrbiskPro.so", Bytes(carried)}};
  DeployLibraries(platform::Env::Default(), libraries, dir_.string());
  EXPECT_EQ(Contents(dir_ / "libOrbiskPro.so"), carried);
  // No temporary file stays behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(DeployTest, AnIdenticalFileIsLeftAlone) {
  const std::string carried = "same bytes";
  const CarriedLibrary libraries[] = {{"libSiUSBXp.so", Bytes(carried)}};
  DeployLibraries(platform::Env::Default(), libraries, dir_.string());
  ino_t before = InodeOf(dir_ / "libSiUSBXp.so");
  ASSERT_NE(before, 0u);
  DeployLibraries(platform::Env::Default(), libraries, dir_.string());
  EXPECT_EQ(InodeOf(dir_ / "libSiUSBXp.so"), before);
}

TEST_F(DeployTest, ALoadedOldLibraryKeepsWorkingWhileReplaced) {
  fs::path target = dir_ / "libOrbiskPro.so";
  fs::copy_file(OLD_LIBRARY, target);
  platform::DynamicLibrary old;
  ASSERT_TRUE(old.Load(target.string())) << old.Error();
  auto init = reinterpret_cast<std::int32_t (*)()>(old.FindExport("_InitStation_O@0"));
  ASSERT_NE(init, nullptr);
  const std::int32_t answer = init();  // without a console: the library's own failure code
  const std::string replacement(200000, 'r');
  const CarriedLibrary libraries[] = {{"libOrbiskPro.so", Bytes(replacement)}};
  DeployLibraries(platform::Env::Default(), libraries, dir_.string());
  EXPECT_EQ(Contents(target), replacement);
  EXPECT_EQ(init(), answer);  // the mapped old library is untouched
}

TEST_F(DeployTest, AnUnwritableDirectoryIsSkippedAndReported) {
  const std::string carried = "bytes";
  const CarriedLibrary libraries[] = {{"libCP210xManufacturing.so", Bytes(carried)}, {"", {}}};
  EXPECT_FALSE(
      DeployLibraries(platform::Env::Default(), libraries, (dir_ / "missing" / "deeper").string()));
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(DeployTest, AFullDiskOrARefusedRenameLeavesTheOldLibraryWhole) {
  { std::ofstream(dir_ / "libOrbiskPro.so", std::ios::binary) << "old library"; }
  const std::string carried(100000, 'n');
  const CarriedLibrary libraries[] = {{"libOrbiskPro.so", Bytes(carried)}};
  test_support::FaultyDisk disk(platform::Env::Default());
  disk.rename_fails = true;
  EXPECT_EQ(DeployLibraries(disk, libraries, dir_.string()).error(), platform::FileError::kOther);
  disk.rename_fails = false;
  disk.no_space = true;
  EXPECT_EQ(DeployLibraries(disk, libraries, dir_.string()).error(), platform::FileError::kNoSpace);
  EXPECT_EQ(Contents(dir_ / "libOrbiskPro.so"), "old library");
  disk.no_space = false;
  EXPECT_TRUE(DeployLibraries(disk, libraries, dir_.string()));
  EXPECT_EQ(Contents(dir_ / "libOrbiskPro.so"), carried);
}

}  // namespace
}  // namespace agent
