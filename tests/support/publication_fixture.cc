#include "tests/support/publication_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files.h"

namespace publication_test {

PublicationFixture::PublicationFixture() {
  directory_ = platform::MakeTemporaryDirectory("publication-");
  agent::AgentPaths paths;
  paths.working_directory = directory_;
  paths.program_directory = directory_ + "/program";
  paths.program_path = paths.program_directory + "/tvl_brumalweb";
  std::filesystem::create_directories(paths.program_directory);
  context_ = std::make_unique<agent::AgentContext>(clock_, paths);
  SetSetting("LOG", "File", directory_ + "/journal.log");
}

PublicationFixture::~PublicationFixture() {
  std::error_code ignored;
  std::filesystem::permissions(directory_, std::filesystem::perms::owner_all, ignored);
  std::filesystem::remove_all(directory_, ignored);
}

void PublicationFixture::SetSetting(const std::string& group, const std::string& key,
                                    const std::string& value) {
  context_->state.configuration.Set(group + "_" + key, agent::ConfigEntry{group, key, value});
}

void PublicationFixture::AddStreamFile(const std::string& key, const std::string& value) {
  context_->state.stream_files.Set("STREAMFILE_" + key,
                                   agent::ConfigEntry{"STREAMFILE", key, value});
}

std::vector<std::string> PublicationFixture::JournalLines() const {
  std::vector<std::string> lines;
  std::istringstream journal(ReadBytes(directory_ + "/journal.log"));
  std::string line;
  while (std::getline(journal, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t text = line.find('[');
    if (text != std::string::npos) lines.push_back(line.substr(text));
  }
  return lines;
}

std::vector<std::string> PublicationFixture::JournalLinesStartingWith(
    const std::string& prefix) const {
  std::vector<std::string> matching;
  for (const std::string& line : JournalLines())
    if (line.rfind(prefix, 0) == 0) matching.push_back(line);
  return matching;
}

bool PublicationFixture::JournalHas(const std::string& wanted) const {
  for (const std::string& line : JournalLines())
    if (line == wanted) return true;
  return false;
}

void PublicationFixture::WriteBytes(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string PublicationFixture::ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

}  // namespace publication_test
