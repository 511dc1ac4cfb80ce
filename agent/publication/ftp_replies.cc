#include "agent/publication/ftp_replies.h"

#include <cctype>
#include <cstdio>

namespace agent::ftp_detail {

bool TakeLine(std::string& pending, std::string& line) {
  const auto newline = pending.find('\n');
  if (newline == std::string::npos) return false;
  line = pending.substr(0, newline);
  pending.erase(0, newline + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void BoundPending(std::string& pending) {
  if (pending.size() > kMaxReplyText && pending.find('\n') == std::string::npos)
    pending.erase(kMaxReplyText / 2, pending.size() - kMaxReplyText / 2);
}

ReplyAssembler::Progress ReplyAssembler::AddLine(const std::string& line) {
  if (text_.size() < kMaxReplyText) text_ += (text_.empty() ? "" : "\n") + line;
  const bool coded = line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
                     std::isdigit(static_cast<unsigned char>(line[1])) &&
                     std::isdigit(static_cast<unsigned char>(line[2]));
  if (first_code_.empty()) {
    if (!coded) return Progress::kNotAReply;
    first_code_ = line.substr(0, 3);
    code_ = std::stoi(first_code_);
    return line.size() < 4 || line[3] != '-' ? Progress::kComplete : Progress::kMore;
  }
  return coded && line.compare(0, 3, first_code_) == 0 && (line.size() == 3 || line[3] == ' ')
             ? Progress::kComplete
             : Progress::kMore;
}

std::optional<std::uint16_t> EpsvPort(const std::string& reply_text) {
  auto open = reply_text.find('(');
  if (open == std::string::npos || open + 4 >= reply_text.size()) return std::nullopt;
  char delimiter = reply_text[open + 1];
  if (reply_text[open + 2] != delimiter || reply_text[open + 3] != delimiter) return std::nullopt;
  unsigned long port = 0;
  std::size_t at = open + 4;
  std::size_t digits = 0;
  for (; at < reply_text.size() && std::isdigit(static_cast<unsigned char>(reply_text[at]));
       ++at, ++digits) {
    port = port * 10 + static_cast<unsigned long>(reply_text[at] - '0');
    if (port > 65535) return std::nullopt;
  }
  if (digits == 0 || port == 0 || at >= reply_text.size() || reply_text[at] != delimiter)
    return std::nullopt;
  return static_cast<std::uint16_t>(port);
}

std::optional<std::uint16_t> PasvPort(const std::string& reply_text) {
  // The numbers may come with or without parentheses: find the first digit
  // after the reply code.
  std::size_t at = reply_text.size() > 3 ? 3 : reply_text.size();
  while (at < reply_text.size() && !std::isdigit(static_cast<unsigned char>(reply_text[at]))) ++at;
  unsigned fields[6];
  int used = 0;
  if (std::sscanf(reply_text.c_str() + at, "%u,%u,%u,%u,%u,%u%n", &fields[0], &fields[1],
                  &fields[2], &fields[3], &fields[4], &fields[5], &used) != 6)
    return std::nullopt;
  for (unsigned field : fields)
    if (field > 255) return std::nullopt;
  unsigned port = fields[4] * 256 + fields[5];
  if (port == 0) return std::nullopt;
  return static_cast<std::uint16_t>(port);
}

std::string QuotedPath(const std::string& reply_text) {
  auto open = reply_text.find('"');
  if (open == std::string::npos) return {};
  std::string path;
  for (std::size_t at = open + 1; at < reply_text.size(); ++at) {
    if (reply_text[at] != '"') {
      path += reply_text[at];
    } else if (at + 1 < reply_text.size() && reply_text[at + 1] == '"') {
      path += '"';
      ++at;
    } else {
      return path;
    }
  }
  return {};  // no closing quote
}

bool BreaksCommandLine(const std::string& argument) {
  return argument.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

std::string EprtArgument(const std::string& address, bool ipv6, std::uint16_t port) {
  return std::string("|") + (ipv6 ? "2" : "1") + "|" + address + "|" + std::to_string(port) + "|";
}

std::string PortArgument(const std::string& address, bool ipv6, std::uint16_t port) {
  if (ipv6) return {};
  std::string fields = address;
  for (char& c : fields)
    if (c == '.') c = ',';
  return fields + "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

}  // namespace agent::ftp_detail
