#include "platform/serial_port.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "platform/env.h"
#include "platform/files.h"

namespace platform {
namespace {

speed_t SpeedFor(int baud) {
  switch (baud) {
    case 1200:
      return B1200;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    default:
      return B0;
  }
}

// poll for `events` until `deadline` (monotonic ms of `clock`): >0 ready, 0
// timeout, <0 errno.
int PollFor(Env& clock, int fd, short events, std::int64_t deadline, bool* hangup) {
  for (;;) {
    std::int64_t left = deadline - clock.MonotonicMs();
    if (left < 0) left = 0;
    pollfd p{fd, events, 0};
    int rc = poll(&p, 1, static_cast<int>(left));
    if (rc < 0) {
      if (errno == EINTR) continue;
      return -errno;
    }
    if (rc == 0) return 0;
    if ((p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 && (p.revents & events) == 0) {
      *hangup = true;
      return 0;
    }
    return 1;
  }
}

// The wait for input goes through the clock, so that a clock of simulated
// time sees it; a zero-time poll then tells bytes from a hang-up.
int WaitInput(Env& clock, int fd, std::int64_t deadline, bool* hangup) {
  const std::int64_t left = deadline - clock.MonotonicMs();
  const int ready = clock.WaitReadable(fd, left < 0 ? 0 : left);
  if (ready <= 0) return ready;
  return PollFor(clock, fd, POLLIN, clock.MonotonicMs(), hangup);
}

}  // namespace

SerialPort::~SerialPort() {
  Close();
}

int SerialPort::Open(const std::string& path) {
  Close();
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  // Exclusive use, like a port opened without sharing: an advisory lock that
  // other programs of this kind honour.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    return error;
  }
  fd_ = fd;
  return 0;
}

int SerialPort::Configure(int baud, bool hardware_flow) {
  if (fd_ < 0) return EBADF;
  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) return errno;
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~(CSTOPB | PARENB | CSIZE);
  tio.c_cflag |= CS8;
  if (hardware_flow) {
    tio.c_cflag |= CRTSCTS;
  } else {
    tio.c_cflag &= ~CRTSCTS;
  }
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  speed_t speed = SpeedFor(baud);
  if (speed == B0) return EINVAL;
  if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) return errno;
  if (tcsetattr(fd_, TCSANOW, &tio) != 0) return errno;
  return 0;
}

void SerialPort::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

SerialResult SerialPort::Read(std::uint8_t* buffer, std::size_t size) {
  SerialResult result;
  if (fd_ < 0) {
    result.error = EBADF;
    return result;
  }
  std::int64_t total =
      static_cast<std::int64_t>(timeouts_.read_multiplier) * static_cast<std::int64_t>(size) +
      timeouts_.read_constant;
  if (total == 0 && timeouts_.read_interval == 0) total = kFallbackReadMs;
  if (total == 0)
    total = static_cast<std::int64_t>(timeouts_.read_interval) * static_cast<std::int64_t>(size);
  const std::int64_t start = clock_->MonotonicMs();
  while (result.bytes < size) {
    std::int64_t deadline = start + total;
    if (timeouts_.read_interval != 0 && result.bytes > 0) {
      std::int64_t gap = clock_->MonotonicMs() + timeouts_.read_interval;
      if (gap < deadline) deadline = gap;
    }
    int ready = WaitInput(*clock_, fd_, deadline, &result.hangup);
    if (ready < 0) {
      result.error = -ready;
      return result;
    }
    if (ready == 0) return result;  // timeout (or hang-up, flagged)
    ssize_t n = ::read(fd_, buffer + result.bytes, size - result.bytes);
    if (n > 0) {
      result.bytes += static_cast<std::size_t>(n);
    } else if (n == 0) {
      result.hangup = true;
      return result;
    } else if (errno != EAGAIN && errno != EINTR) {
      if (errno == EIO) result.hangup = true;
      result.error = errno;
      return result;
    }
  }
  return result;
}

SerialResult SerialPort::Write(const std::uint8_t* data, std::size_t size) {
  SerialResult result;
  if (fd_ < 0) {
    result.error = EBADF;
    return result;
  }
  std::int64_t total =
      static_cast<std::int64_t>(timeouts_.write_multiplier) * static_cast<std::int64_t>(size) +
      timeouts_.write_constant;
  if (total == 0) total = kFallbackWriteMs;
  const std::int64_t deadline = clock_->MonotonicMs() + total;
  while (result.bytes < size) {
    ssize_t n = ::write(fd_, data + result.bytes, size - result.bytes);
    if (n > 0) {
      result.bytes += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      if (errno == EIO) result.hangup = true;
      result.error = errno;
      return result;
    }
    int ready = PollFor(*clock_, fd_, POLLOUT, deadline, &result.hangup);
    if (ready < 0) {
      result.error = -ready;
      return result;
    }
    if (ready == 0) return result;
  }
  return result;
}

int SerialPort::Flush(bool input, bool output) {
  if (fd_ < 0) return EBADF;
  if (!input && !output) return 0;
  int queue = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
  return tcflush(fd_, queue) == 0 ? 0 : errno;
}

long SerialPort::Available() const {
  int count = 0;
  if (fd_ < 0 || ioctl(fd_, FIONREAD, &count) != 0) return -1;
  return count;
}

int SerialPort::SetDtr(bool on) {
  if (fd_ < 0) return EBADF;
  int bits = TIOCM_DTR;
  return ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0 ? 0 : errno;
}

std::vector<UsbSerialPort> ListUsbSerialPorts(const std::string& driver) {
  std::vector<UsbSerialPort> ports;
  const std::string directory = "/sys/bus/usb-serial/drivers/" + driver;
  for (const std::string& name : ListSubdirectories(directory, "ttyUSB*")) {
    // The tty's device directory; the USB device two levels up holds "serial".
    char real[PATH_MAX];
    if (!::realpath(JoinPath(directory, name).c_str(), real)) continue;
    std::string serial;
    ReadFile(JoinPath(DirectoryPart(DirectoryPart(real)), "serial"), serial);
    serial = serial.substr(0, serial.find('\n'));
    ports.push_back({serial, "/dev/" + name});
  }
  std::sort(ports.begin(), ports.end(),
            [](const UsbSerialPort& a, const UsbSerialPort& b) { return a.path < b.path; });
  return ports;
}

}  // namespace platform
