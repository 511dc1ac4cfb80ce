#include "tests/stationlib/link/link_scripted_console.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace linktest {

std::uint16_t Crc(const std::uint8_t* data, std::size_t size) {
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= static_cast<std::uint16_t>(data[i] << 8);
    for (int b = 0; b < 8; ++b) crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021) : crc << 1;
  }
  return crc;
}

PseudoTerminal OpenPseudoTerminal() {
  PseudoTerminal pty;
  pty.master = posix_openpt(O_RDWR | O_NOCTTY);
  if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0) return pty;
  pty.slave_path = ptsname(pty.master);
  return pty;
}

void ScriptedConsole::Start(int fd) {
  fd_ = fd;
  if (pipe(stop_pipe_) != 0) return;
  thread_ = std::thread([this] { Run(); });
}

void ScriptedConsole::Stop() {
  if (thread_.joinable()) {
    (void)!write(stop_pipe_[1], "x", 1);
    thread_.join();
  }
  for (int* fd : {&fd_, &stop_pipe_[0], &stop_pipe_[1]}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

// Reads one byte, waiting at most 10 ms at a time; false when told to stop.
static int ReadByteOrStop(int fd, int stop_fd, bool* stop) {
  for (;;) {
    pollfd p[2] = {{fd, POLLIN, 0}, {stop_fd, POLLIN, 0}};
    int rc = poll(p, 2, 10);
    if (rc > 0 && (p[1].revents & POLLIN)) {
      *stop = true;
      return -1;
    }
    if (rc > 0 && (p[0].revents & POLLIN)) {
      std::uint8_t b;
      ssize_t n = read(fd, &b, 1);
      if (n == 1) return b;
      if (n == 0) {
        *stop = true;  // peer closed (TCP)
        return -1;
      }
    }
    if (rc > 0 && (p[0].revents & (POLLHUP | POLLERR))) usleep(2000);  // no slave open yet
  }
}

bool ScriptedConsole::ReadExact(std::uint8_t* out, std::size_t n) {
  bool stop = false;
  for (std::size_t i = 0; i < n; ++i) {
    int b = ReadByteOrStop(fd_, stop_pipe_[0], &stop);
    if (b < 0) return false;
    out[i] = static_cast<std::uint8_t>(b);
  }
  return true;
}

void ScriptedConsole::Send(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void ScriptedConsole::Run() {
  std::string line;
  for (;;) {
    bool stop = false;
    int b = ReadByteOrStop(fd_, stop_pipe_[0], &stop);
    if (stop) return;
    if (fault_ == Fault::kSleeping) continue;
    if (b == '\n' || (b == '\r' && line.rfind("WRD", 0) == 0)) {
      if (line.empty()) {
        ++wake_ups_;
        Send("\n\r");
      } else {
        Handle(line);
      }
      line.clear();
    } else {
      line.push_back(static_cast<char>(b));
    }
  }
}

void ScriptedConsole::Handle(const std::string& line) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(line);
  }
  const Fault fault = fault_;
  if (fault == Fault::kDrop) {
    shutdown(fd_, SHUT_RDWR);
    return;
  }
  if (fault == Fault::kStall) return;
  const std::string ack = fault == Fault::kRefuse ? "\x15" : (fault == Fault::kWrongByte ? "\x21" : "\x06");
  const std::string ok = fault == Fault::kRefuse ? "\n\rNO\n\r" : "\n\rOK\n\r";
  auto with_crc = [&](std::string body) {
    std::uint16_t crc = Crc(reinterpret_cast<const std::uint8_t*>(body.data()), body.size());
    if (fault == Fault::kCorruptCrc) crc ^= 0x0101;
    body.push_back(static_cast<char>(crc >> 8));
    body.push_back(static_cast<char>(crc & 0xFF));
    if (fault == Fault::kTruncate) body.resize(body.size() / 2);
    return body;
  };
  unsigned address = 0, length = 0;
  if (line == "VER") {
    std::lock_guard<std::mutex> lock(mutex_);
    Send(ok + firmware_date_);
  } else if (line == "NVER") {
    Send(ok + "1.90\n\r");
  } else if (line == "RXCHECK") {
    Send(ok + " 21629 15 0 3204 128\n\r");
  } else if (line.rfind("WRD", 0) == 0) {
    Send(ack + "\x10");
  } else if (std::sscanf(line.c_str(), "EEBRD %X %X", &address, &length) == 2) {
    std::string body;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (unsigned i = 0; i < length && address + i < eeprom_.size(); ++i) body.push_back(static_cast<char>(eeprom_[address + i]));
    }
    Send(ack + with_crc(body));
  } else if (std::sscanf(line.c_str(), "EEBWR %X %X", &address, &length) == 2) {
    Send(ack);
    if (fault == Fault::kRefuse) return;
    std::vector<std::uint8_t> data(length + 2);
    if (!ReadExact(data.data(), data.size())) return;
    bool good = Crc(data.data(), data.size()) == 0;
    if (good) {
      std::lock_guard<std::mutex> lock(mutex_);
      for (unsigned i = 0; i < length && address + i < eeprom_.size(); ++i) eeprom_[address + i] = data[i];
    }
    Send(good ? "\x06" : "\x18");
  } else if (line == "CLRALM" || line == "CLRGRA" || line == "CLRCAL") {
    Send(ok + "DONE\n\r");
  } else if (line.rfind("CLR", 0) == 0 || line.rfind("BAUD", 0) == 0) {
    Send(ack);
  }
}

}  // namespace linktest
