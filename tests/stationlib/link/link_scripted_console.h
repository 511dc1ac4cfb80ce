// A small scripted console for link tests: it answers the wake-up and a few
// commands over any descriptor (pseudo-terminal master or TCP socket) on its
// own thread, and misbehaves on request.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace linktest {

enum class Fault { kNone, kSleeping, kRefuse, kWrongByte, kCorruptCrc, kTruncate, kStall, kDrop };

class ScriptedConsole {
 public:
  ScriptedConsole() = default;
  ~ScriptedConsole() { Stop(); }

  // Serves `fd` (owned from now on) until Stop.
  void Start(int fd);
  void Stop();

  void SetFault(Fault fault) { fault_ = fault; }
  void SetFirmwareDate(const std::string& text13) {
    std::lock_guard<std::mutex> lock(mutex_);
    firmware_date_ = text13;
  }
  void SetEeprom(std::vector<std::uint8_t> bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    eeprom_ = std::move(bytes);
  }
  std::vector<std::uint8_t> Eeprom() {
    std::lock_guard<std::mutex> lock(mutex_);
    return eeprom_;
  }
  // Command lines received so far (without the line feed).
  std::vector<std::string> Commands() {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
  }
  int WakeUps() const { return wake_ups_; }

 private:
  void Run();
  void Handle(const std::string& line);
  void Send(const std::string& bytes);
  bool ReadExact(std::uint8_t* out, std::size_t n);

  int fd_ = -1;
  int stop_pipe_[2] = {-1, -1};
  std::thread thread_;
  std::atomic<Fault> fault_{Fault::kNone};
  std::atomic<int> wake_ups_{0};
  std::mutex mutex_;
  std::string firmware_date_ = "Apr 10 2006\n\r";
  std::vector<std::uint8_t> eeprom_ = std::vector<std::uint8_t>(4096, 0);
  std::vector<std::string> commands_;
};

// A pseudo-terminal pair: the master fd for the console, the slave's path.
struct PseudoTerminal {
  int master = -1;
  std::string slave_path;
};
PseudoTerminal OpenPseudoTerminal();

std::uint16_t Crc(const std::uint8_t* data, std::size_t size);

}  // namespace linktest
