#include "tools/console-sim/session.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tools/console-sim/crc16.h"

namespace consolesim {
namespace {

constexpr unsigned char kAck = 0x06, kNak = 0x15, kEscape = 0x1B, kCancel = 0x18;
constexpr std::size_t kLongestLine = 128;
constexpr std::int64_t kAbandonMs = 2000;  // a half-sent binary block is dropped after this pause
constexpr std::int64_t kPacketIntervalMs = 2000;  // between live packets of one LOOP
const std::string kOk = "\n\rOK\n\r";
const std::string kDone = "DONE\n\r";

std::string printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (std::isprint(c)) out.push_back(static_cast<char>(c));
    else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", c);
      out += hex;
    }
  }
  return out;
}

bool isBaud(int rate) {
  for (int accepted : {1200, 2400, 4800, 9600, 14400, 19200})
    if (rate == accepted) return true;
  return false;
}

}  // namespace

Session::Session(Console& console, Faults& faults, Log log)
    : console_(console), faults_(faults), log_(std::move(log)) {}

void Session::expect(Mode mode, std::size_t bytes) {
  mode_ = mode;
  expected_ = bytes;
  binary_.clear();
}

Output Session::feed(unsigned char byte, std::int64_t nowMs) {
  if (mode_ != Mode::Command && nowMs - lastByteMs_ > kAbandonMs) {
    log_("binary transfer abandoned by the client");
    mode_ = Mode::Command;
  }
  lastByteMs_ = nowMs;
  console_.update();
  if (packetsLeft_ > 0) {
    log_("live packets stopped with " + std::to_string(packetsLeft_) + " left");
    packetsLeft_ = 0;
  }
  Answer answer;
  switch (mode_) {
    case Mode::Command: answer = byteInCommandMode(byte); break;
    case Mode::Dumping: answer = dumpByte(byte); break;
    default: answer = binaryByte(byte); break;
  }
  return shape(std::move(answer));
}

Output Session::pending() {
  console_.update();
  if (packetsLeft_ <= 0 || console_.nowMs() < packetDueMs_) return {};
  --packetsLeft_;
  packetDueMs_ = console_.nowMs() + kPacketIntervalMs;
  return shape({{PieceKind::Data, secondFormat_ ? console_.lpsPacket() : console_.loopPacket()}});
}

Session::Answer Session::byteInCommandMode(unsigned char byte) {
  if (byte == '\n' || byte == '\r') {
    if (line_.empty()) {
      if (byte == '\r') return {};
      log_("wake-up");
      return {{PieceKind::Wake, "\n\r"}};
    }
    std::string line;
    line.swap(line_);
    log_("command \"" + printable(line) + "\"");
    return execute(line);
  }
  if (line_.size() >= kLongestLine) line_.clear();
  line_.push_back(static_cast<char>(byte));
  return {};
}

Session::Answer Session::execute(const std::string& line) {
  if (line == "WRD\x12\x4D") return {{PieceKind::Ack, std::string(1, kAck)}, {PieceKind::Text, std::string(1, static_cast<char>(console_.firmware().model))}};
  std::istringstream in(line);
  std::string name;
  in >> name;
  std::vector<std::string> args;
  for (std::string arg; in >> arg;) args.push_back(arg);
  const auto number = [&](std::size_t i, int base = 10) {
    return i < args.size() ? static_cast<int>(std::strtol(args[i].c_str(), nullptr, base)) : -1;
  };
  const Piece ack{PieceKind::Ack, std::string(1, kAck)};
  const Piece nak{PieceKind::Text, std::string(1, kNak)};
  const Piece ok{PieceKind::Text, kOk};
  const Piece done{PieceKind::Text, kDone};

  if (name.rfind("BAR=", 0) == 0) return {ok};
  if (name == "TEST") return {{PieceKind::Text, "\n\rTEST\n\r"}};
  if (name == "LOOP" || name == "LPS") {
    secondFormat_ = name == "LPS" && (number(0) & 2) != 0;
    packetsLeft_ = std::max(1, name == "LOOP" ? number(0) : number(1)) - 1;
    packetDueMs_ = console_.nowMs() + kPacketIntervalMs;
    return {ack, {PieceKind::Data, secondFormat_ ? console_.lpsPacket() : console_.loopPacket()}};
  }
  if (name == "HILOWS") return {ack, {PieceKind::Data, console_.hiLows()}};
  if (name == "EEBRD" || name == "EEBWR") {
    const int address = number(0, 16), length = number(1, 16);
    const auto block = console_.memoryRead(address, length);
    if (args.size() != 2 || !block) return {nak};
    if (name == "EEBRD") return {ack, {PieceKind::Data, *block}};
    memoryAddress_ = address;
    expect(Mode::MemoryData, static_cast<std::size_t>(length) + 2);
    return {ack};
  }
  if (name == "GETTIME") return {ack, {PieceKind::Data, console_.timeReply()}};
  if (name == "SETTIME") {
    expect(Mode::TimeData, 8);
    return {ack};
  }
  if (name == "VER") return {ok, {PieceKind::Text, console_.firmware().date + "\n\r"}};
  if (name == "NVER") return {ok, {PieceKind::Text, console_.firmware().version.substr(0, 4) + "\n\r"}};
  if (name == "RXCHECK") {
    // The client reads a fixed 100 bytes: the counters, padded with blanks.
    std::string text = " 21629 15 0 3204 128\n\r";
    text.resize(100, ' ');
    return {ok, {PieceKind::Text, text}};
  }
  if (name == "CALED") return {ack, {PieceKind::Data, console_.calibratedReadings()}};
  if (name == "CALFIX") {
    expect(Mode::CalibrationData, 45);
    return {ack};
  }
  if (name == "BARDATA") {
    const Readings r = console_.readings();
    const auto it = r.find("barometer");
    char text[200];
    std::snprintf(text, sizeof text,
                  "BAR %d\n\rELEVATION 27\n\rDEW POINT %d\n\rVIRTUAL TEMP 62\n\rC 29\n\rR 1001\n\rBARCAL 0\n\r",
                  it == r.end() ? 0 : it->second, r.count("dew_point") ? r.at("dew_point") : 255);
    return {ok, {PieceKind::Text, text}};
  }
  if (name == "SETPER") {
    const int minutes = number(0);
    if (minutes < 1 || minutes > 255) return {nak};
    console_.memoryWrite(45, std::string(1, static_cast<char>(minutes)));
    return {ok};
  }
  if (name == "LAMPS") return {ok};
  if (name == "BAUD") {
    if (!isBaud(number(0))) return {{PieceKind::Text, "\n\rNO\n\r"}};
    if (faults_.baud > 0) faults_.baud = number(0);
    return {ok};
  }
  if (name == "NEWSETUP" || name == "EBT" || name == "CLRBITS" || name == "CLRDATA") return {ack};
  if (name == "PUTRAIN") {
    console_.setYearRain(std::max(0, number(0)));
    return {ack};
  }
  if (name == "CLRHIGHS" || name == "CLRLOWS") {
    if (number(0) < 0 || number(0) > 2) return {nak};
    console_.clearExtremes(name == "CLRHIGHS", number(0));
    return {ack};
  }
  if (name == "CLRVAR") {
    console_.clearRainCounter(number(0));
    return {ack};
  }
  if (name == "CLRLOG") {
    console_.clearArchive();
    return {ack};
  }
  if (name == "CLRALM") {
    std::string none(94, '\xFF');
    none[0] = none[1] = none[4] = none[5] = 0;
    putLittle(none, 83, 2, 0x7FFF);
    console_.memoryWrite(82, none);
    return {ok, done};
  }
  if (name == "CLRCAL") {
    console_.memoryWrite(50, std::string(27, '\0'));
    return {ok, done};
  }
  if (name == "CLRGRA") return {ok, done};
  if (name == "DMPAFT") {
    if (takeOne(console_.archiveFaults().refusedRequests)) {
      log_("archive request refused");
      return {nak};
    }
    expect(Mode::DumpRequest, 6);
    return {ack};
  }
  log_("unknown command, no answer");
  return {};
}

Session::Answer Session::binaryByte(unsigned char byte) {
  binary_.push_back(static_cast<char>(byte));
  if (binary_.size() < expected_) return {};
  const Mode mode = mode_;
  mode_ = Mode::Command;
  if (crc16(binary_) != 0) {
    log_("block with a bad checksum refused");
    return {{PieceKind::Text, std::string(1, kCancel)}};
  }
  const std::string data = binary_.substr(0, binary_.size() - 2);
  const Piece ack{PieceKind::Ack, std::string(1, kAck)};
  switch (mode) {
    case Mode::MemoryData:
      console_.memoryWrite(memoryAddress_, data);
      log_("memory written at " + std::to_string(memoryAddress_) + ", " + std::to_string(data.size()) + " bytes");
      return {ack};
    case Mode::TimeData: {
      const auto at = [&](int i) { return static_cast<unsigned char>(data[i]); };
      console_.setTime(fromCivil({at(5) + 1900, at(4), at(3), at(2), at(1), at(0)}));
      return {ack};
    }
    case Mode::CalibrationData:
      console_.applyCalibration(data);
      log_("calibration offsets set from the readings received");
      return {ack};
    case Mode::DumpRequest: {
      const int date = getLittle(data, 0, 2), time = getLittle(data, 2, 2);
      const Console::DumpHeader header = console_.startDump(date, time);
      log_("archive requested after date " + std::to_string(date) + " time " + std::to_string(time) + ": " +
           std::to_string(header.pages) + " pages");
      std::string reply(4, '\0');
      putLittle(reply, 0, 2, header.pages);
      putLittle(reply, 2, 2, header.firstIndex);
      appendCrc(reply);
      dump_ = header;
      dumpNext_ = 0;
      // Even with no pages the console takes the client's closing 0x06 or
      // escape as the end of the transfer, not as the start of a command.
      mode_ = Mode::Dumping;
      return {ack, {PieceKind::Data, reply}};
    }
    default: return {};
  }
}

Session::Answer Session::dumpByte(unsigned char byte) {
  if (byte == kAck && dumpNext_ < dump_.pages) return {{PieceKind::Data, console_.dumpPage(dump_, dumpNext_++)}};
  if (byte == kNak && dumpNext_ > 0) return {{PieceKind::Data, console_.dumpPage(dump_, dumpNext_ - 1)}};
  mode_ = Mode::Command;
  if (byte == kEscape || byte == kAck) return {};
  return byteInCommandMode(byte);
}

Output Session::shape(Answer answer) {
  Output out;
  out.baud = faults_.baud;
  int delay = answer.empty() ? 0 : faults_.delayMs;
  for (Piece& piece : answer) {
    if (piece.kind == PieceKind::Wake && takeOne(faults_.asleep)) {
      log_("asleep: wake-up ignored");
      continue;
    }
    if (piece.kind == PieceKind::Ack) {
      const bool refused = takeOne(faults_.refuse);
      if (refused || takeOne(faults_.wrongByte)) {
        out.chunks.push_back({std::string(1, static_cast<char>(refused ? kNak : faults_.wrongByteValue)), delay});
        mode_ = Mode::Command;  // a refused command sends or expects nothing more
        packetsLeft_ = 0;
        break;
      }
    }
    bool cut = false;
    if (piece.kind == PieceKind::Data) {
      if (faults_.corruptEvery > 0 && ++faults_.corruptCounter % faults_.corruptEvery == 0)
        piece.bytes.back() = static_cast<char>(piece.bytes.back() ^ 0x5A);
      if (takeOne(faults_.truncate) && static_cast<int>(piece.bytes.size()) > faults_.truncateTo) {
        piece.bytes.resize(static_cast<std::size_t>(faults_.truncateTo));
        cut = true;
      }
      if (takeOne(faults_.stall)) {
        const auto at = static_cast<std::size_t>(std::clamp<int>(faults_.stallAt, 0, static_cast<int>(piece.bytes.size())));
        if (at > 0) out.chunks.push_back({piece.bytes.substr(0, at), delay});
        out.chunks.push_back({piece.bytes.substr(at), at > 0 ? faults_.stallMs : delay + faults_.stallMs});
        delay = 0;
        if (cut) break;
        continue;
      }
    }
    out.chunks.push_back({std::move(piece.bytes), delay});
    delay = 0;
    if (cut) break;
  }
  if (faults_.dropAfter >= 0) {
    for (auto it = out.chunks.begin(); it != out.chunks.end(); ++it) {
      const int size = static_cast<int>(it->bytes.size());
      if (size < faults_.dropAfter) {
        faults_.dropAfter -= size;
        continue;
      }
      it->bytes.resize(static_cast<std::size_t>(faults_.dropAfter));
      out.chunks.erase(it + 1, out.chunks.end());
      out.drop = true;
      faults_.dropAfter = -1;
      log_("link dropped");
      break;
    }
  }
  return out;
}

}  // namespace consolesim
