// FTP control-connection replies: the bytes of a server, cut into pieces of
// any size, assembled into single- and multi-line replies, and the PASV,
// EPSV and PWD answers read from each.
#include <cstdlib>
#include <string>

#include "tests/fuzz/fuzz_input.h"
#include "agent/publication/ftp_replies.h"

namespace {

using agent::ftp_detail::ReplyAssembler;

void ReadAnswers(const ReplyAssembler& reply) {
  if (reply.code() < 0 || reply.code() > 999) std::abort();
  const std::string& text = reply.text();
  if (auto port = agent::ftp_detail::epsv_port(text); port && *port == 0) std::abort();
  if (auto port = agent::ftp_detail::pasv_port(text); port && *port == 0) std::abort();
  if (agent::ftp_detail::quoted_path(text).size() > text.size()) std::abort();
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
    agent::ftp_detail::bound_pending(pending);
    if (pending.size() > agent::ftp_detail::kMaxReplyText + piece) std::abort();
    std::string line;
    while (agent::ftp_detail::take_line(pending, line)) {
      if (line.find('\n') != std::string::npos) std::abort();
      const ReplyAssembler::Progress progress = reply.add_line(line);
      // The text is cut once it is long: one more line at most.
      if (reply.text().size() > agent::ftp_detail::kMaxReplyText + line.size() + 1) std::abort();
      switch (progress) {
        case ReplyAssembler::Progress::more:
          continue;
        case ReplyAssembler::Progress::complete:
          ReadAnswers(reply);
          break;
        case ReplyAssembler::Progress::not_a_reply:
          break;  // the client gives the connection up; here the next reply starts
      }
      reply = ReplyAssembler();
    }
  }
  return 0;
}
