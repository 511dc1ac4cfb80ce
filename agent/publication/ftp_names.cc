#include "agent/publication/ftp_client.h"

namespace agent {

const char* ftp_state_name(FtpState state) {
  switch (state) {
    case FtpState::disconnected: return "disconnected";
    case FtpState::connecting: return "connecting";
    case FtpState::awaiting_greeting: return "awaiting_greeting";
    case FtpState::securing: return "securing";
    case FtpState::logging_in: return "logging_in";
    case FtpState::protecting: return "protecting";
    case FtpState::ready: return "ready";
    case FtpState::directory_command: return "directory_command";
    case FtpState::opening_data: return "opening_data";
    case FtpState::storing: return "storing";
    case FtpState::awaiting_transfer_reply: return "awaiting_transfer_reply";
    case FtpState::quitting: return "quitting";
    case FtpState::broken: return "broken";
  }
  return "unknown";
}

const char* ftp_step_name(FtpStep step) {
  switch (step) {
    case FtpStep::none: return "none";
    case FtpStep::connect: return "connect";
    case FtpStep::login: return "login";
    case FtpStep::directory: return "directory";
    case FtpStep::transfer: return "transfer";
  }
  return "unknown";
}

}  // namespace agent
