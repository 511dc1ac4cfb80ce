// The real tvl_brumalweb program, started for a test or a benchmark in a
// fresh working directory, against console-sim (the data-logger link) and
// pyftpdlib, all on 127.0.0.1. Its CPU time and peak memory are read from
// /proc while it runs; it is stopped by SIGTERM and its exit status kept.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "tests/support/real_ftp_server.h"
#include "tools/console-sim/launcher.h"

namespace test_support {

struct LiveAgentOptions {
  int current_data_seconds = 10;  // SERVICES_CurrentData
  int refresh_seconds = 0;        // GENERAL_RefreshServices (0: automatic pacing)
};

class LiveAgent {
 public:
  explicit LiveAgent(LiveAgentOptions options = {});
  ~LiveAgent();
  LiveAgent(const LiveAgent&) = delete;
  LiveAgent& operator=(const LiveAgent&) = delete;

  // False when a part could not start; `error()` says which.
  bool running() const { return pid_ > 0; }
  const std::string& error() const { return error_; }

  // CPU time (user + system) and peak resident memory (VmHWM) of the agent so far.
  double CpuSeconds() const;
  long PeakResidentKb() const;

  // SIGTERM, then waits: the exit status as waitpid reports it, -1 when not running.
  int Stop();
  // What the agent wrote on stdout and stderr (sanitizer reports go there).
  std::string Output() const;
  // A file the agent uploaded, relative to the FTP root directory; empty when missing.
  std::string Uploaded(const std::string& name) const;

  // The program: $TVL_BRUMALWEB, else the one this build made.
  static std::string Executable();

 private:
  std::unique_ptr<consolesim::Launcher> sim_;
  RealFtpServer ftp_;
  std::string work_;
  std::string error_;
  pid_t pid_ = -1;
};

}  // namespace test_support
