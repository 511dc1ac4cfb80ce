// FTP control-connection replies: the bytes of a server, cut into pieces of
// any size, assembled into single- and multi-line replies, and the PASV,
// EPSV and PWD answers read from each.
#include "agent/publication/ftp_replies.h"

#include <cstdlib>
#include <string>

#include "tests/fuzz/fuzz_input.h"

namespace {

using agent::ftp_detail::ReplyAssembler;

void ReadAnswers(const ReplyAssembler& reply) {
  if (reply.code() < 0 || reply.code() > 999) std::abort();
  const std::string& text = reply.text();
  if (auto port = agent::ftp_detail::EpsvPort(text); port && *port == 0) std::abort();
  if (auto port = agent::ftp_detail::PasvPort(text); port && *port == 0) std::abort();
  if (agent::ftp_detail::QuotedPath(text).size() > text.size()) std::abort();
}

}  // namespace

// Input: the piece size (1 byte), then what the server sends.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::size_t piece = 1 + input.Byte();
  std::string pending;
  ReplyAssembler reply;
  while (!input.empty()) {
    pending.append(input.Take(piece));
    agent::ftp_detail::BoundPending(pending);
    if (pending.size() > agent::ftp_detail::kMaxReplyText + piece) std::abort();
    std::string line;
    while (agent::ftp_detail::TakeLine(pending, line)) {
      if (line.find('\n') != std::string::npos) std::abort();
      const ReplyAssembler::Progress progress = reply.AddLine(line);
      // The text is cut once it is long: one more line at most.
      if (reply.text().size() > agent::ftp_detail::kMaxReplyText + line.size() + 1) std::abort();
      switch (progress) {
        case ReplyAssembler::Progress::kMore:
          continue;
        case ReplyAssembler::Progress::kComplete:
          ReadAnswers(reply);
          break;
        case ReplyAssembler::Progress::kNotAReply:
          break;  // the client gives the connection up; here the next reply starts
      }
      reply = ReplyAssembler();
    }
  }
  return 0;
}
