#include "agent/publication/ftp_client.h"

namespace agent {

const char* FtpStateName(FtpState state) {
  switch (state) {
    case FtpState::kDisconnected:
      return "disconnected";
    case FtpState::kConnecting:
      return "connecting";
    case FtpState::kAwaitingGreeting:
      return "awaiting_greeting";
    case FtpState::kSecuring:
      return "securing";
    case FtpState::kLoggingIn:
      return "logging_in";
    case FtpState::kProtecting:
      return "protecting";
    case FtpState::kReady:
      return "ready";
    case FtpState::kDirectoryCommand:
      return "directory_command";
    case FtpState::kOpeningData:
      return "opening_data";
    case FtpState::kStoring:
      return "storing";
    case FtpState::kAwaitingTransferReply:
      return "awaiting_transfer_reply";
    case FtpState::kQuitting:
      return "quitting";
    case FtpState::kBroken:
      return "broken";
  }
  return "unknown";
}

const char* FtpStepName(FtpStep step) {
  switch (step) {
    case FtpStep::kNone:
      return "none";
    case FtpStep::kConnect:
      return "connect";
    case FtpStep::kLogin:
      return "login";
    case FtpStep::kDirectory:
      return "directory";
    case FtpStep::kTransfer:
      return "transfer";
    case FtpStep::kClose:
      return "close";
  }
  return "unknown";
}

}  // namespace agent
