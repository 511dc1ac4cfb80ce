// Reading the parts of FTP replies the client needs, and checking arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace agent::ftp_detail {

// Longer reply texts are cut, not stored whole.
inline constexpr std::size_t kMaxReplyText = 64 * 1024;

// Takes the next line out of `pending` (without its LF, nor a CR before it);
// false when no whole line has arrived yet.
bool TakeLine(std::string& pending, std::string& line);
// Keeps a line that never ends from growing `pending` without bound.
void BoundPending(std::string& pending);

// One reply, single- or multi-line ("123-..." lines until one that starts
// with the same code and a space), assembled from its lines.
class ReplyAssembler {
 public:
  enum class Progress { kMore, kComplete, kNotAReply };
  Progress AddLine(const std::string& line);
  int code() const { return code_; }
  // The lines joined by "\n", cut at kMaxReplyText.
  const std::string& text() const { return text_; }

 private:
  std::string first_code_;
  int code_ = 0;
  std::string text_;
};

// Port of a 229 reply: "... (|||port|)" (any delimiter character).
std::optional<std::uint16_t> EpsvPort(const std::string& reply_text);
// Port of a 227 reply: "... (h1,h2,h3,h4,p1,p2)"; the address is not used.
std::optional<std::uint16_t> PasvPort(const std::string& reply_text);
// Path of a 257 reply: the text between the first pair of double quotes,
// with "" standing for one quote. Empty when there is none.
std::string QuotedPath(const std::string& reply_text);
// True when the text cannot go into a command line (CR, LF or NUL).
bool BreaksCommandLine(const std::string& argument);

// EPRT and PORT arguments for a local endpoint.
std::string EprtArgument(const std::string& address, bool ipv6, std::uint16_t port);
// Empty for an IPv6 address, which PORT cannot carry.
std::string PortArgument(const std::string& address, bool ipv6, std::uint16_t port);

}  // namespace agent::ftp_detail
