// Settings and log capture shared by the FTP client tests.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "agent/publication/ftp_client.h"

namespace ftp_test {

// Collects the lines the client gives its journal and debug callbacks.
struct Lines {
  std::vector<std::string> journal;
  std::vector<std::string> debug;
  bool JournalHas(const std::string& fragment) const {
    for (const auto& line : journal)
      if (line.find(fragment) != std::string::npos) return true;
    return false;
  }
  bool DebugHas(const std::string& fragment) const {
    for (const auto& line : debug)
      if (line.find(fragment) != std::string::npos) return true;
    return false;
  }
};

inline agent::FtpSettings SettingsFor(std::uint16_t port, bool passive, Lines& lines,
                                      const std::string& user = "meteo",
                                      const std::string& password = "s3cret") {
  agent::FtpSettings settings;
  settings.host = "127.0.0.1";
  settings.port = port;
  settings.user = user;
  settings.password = password;
  settings.passive = passive;
  settings.connect_timeout = std::chrono::milliseconds(3000);
  settings.reply_timeout = std::chrono::milliseconds(5000);
  settings.stall_timeout = std::chrono::milliseconds(5000);
  settings.journal = [&lines](const std::string& line) { lines.journal.push_back(line); };
  settings.debug_log = [&lines](const std::string& line) { lines.debug.push_back(line); };
  return settings;
}

// Bytes that a text-mode transfer would damage: CR LF, lone LF, NUL, high bytes.
inline std::string BinaryContent(std::size_t size) {
  std::string content(size, '\0');
  for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>((i * 131 + i / 7) & 0xff);
  if (size >= 4) content.replace(0, 4, "\r\n\n\0", 4);
  return content;
}

}  // namespace ftp_test
