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

bool IsBaud(int rate) {
  for (int accepted : {1200, 2400, 4800, 9600, 14400, 19200})
    if (rate == accepted) return true;
  return false;
}

}  // namespace

std::string Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (std::isprint(c))
      out.push_back(static_cast<char>(c));
    else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", c);
      out += hex;
    }
  }
  return out;
}

Session::Session(Console& console, Faults& faults, Log log)
    : console_(console), faults_(faults), log_(std::move(log)) {}

void Session::Expect(Mode mode, std::size_t bytes) {
  mode_ = mode;
  expected_ = bytes;
  binary_.clear();
}

Output Session::Feed(unsigned char byte, std::int64_t now_ms) {
  if (mode_ != Mode::kCommand && now_ms - last_byte_ms_ > kAbandonMs) {
    log_("binary transfer abandoned by the client");
    mode_ = Mode::kCommand;
  }
  last_byte_ms_ = now_ms;
  console_.Update();
  if (packets_left_ > 0) {
    log_("live packets stopped with " + std::to_string(packets_left_) + " left");
    packets_left_ = 0;
  }
  Answer answer;
  switch (mode_) {
    case Mode::kCommand:
      answer = ByteInCommandMode(byte);
      break;
    case Mode::kDumping:
      answer = DumpByte(byte);
      break;
    default:
      answer = BinaryByte(byte);
      break;
  }
  return shape(std::move(answer));
}

Output Session::pending() {
  console_.Update();
  if (packets_left_ <= 0 || console_.NowMs() < packet_due_ms_) return {};
  --packets_left_;
  packet_due_ms_ = console_.NowMs() + kPacketIntervalMs;
  return shape({{PieceKind::kData, second_format_ ? console_.LpsPacket() : console_.LoopPacket()}});
}

Session::Answer Session::ByteInCommandMode(unsigned char byte) {
  if (byte == '\n' || byte == '\r') {
    if (line_.empty()) {
      if (byte == '\r') return {};
      log_("wake-up");
      return {{PieceKind::kWake, "\n\r"}};
    }
    std::string line;
    line.swap(line_);
    log_("command \"" + Printable(line) + "\"");
    return Execute(line);
  }
  if (line_.size() >= kLongestLine) line_.clear();
  line_.push_back(static_cast<char>(byte));
  return {};
}

Session::Answer Session::Execute(const std::string& line) {
  if (line == "WRD\x12\x4D")
    return {{PieceKind::kAck, std::string(1, kAck)},
            {PieceKind::kText, std::string(1, static_cast<char>(console_.firmware().model))}};
  std::istringstream in(line);
  std::string name;
  in >> name;
  std::vector<std::string> args;
  for (std::string arg; in >> arg;) args.push_back(arg);
  const auto number = [&](std::size_t i, int base = 10) {
    return i < args.size() ? static_cast<int>(std::strtol(args[i].c_str(), nullptr, base)) : -1;
  };
  const Piece ack{PieceKind::kAck, std::string(1, kAck)};
  const Piece nak{PieceKind::kText, std::string(1, kNak)};
  const Piece ok{PieceKind::kOk, kOk};
  const Piece done{PieceKind::kText, kDone};

  if (name.rfind("BAR=", 0) == 0) return {ok};
  if (name == "TEST") return {{PieceKind::kText, "\n\rTEST\n\r"}};
  if (name == "LOOP" || name == "LPS") {
    second_format_ = name == "LPS" && (number(0) & 2) != 0;
    packets_left_ = std::max(1, name == "LOOP" ? number(0) : number(1)) - 1;
    packet_due_ms_ = console_.NowMs() + kPacketIntervalMs;
    return {ack, {PieceKind::kData, second_format_ ? console_.LpsPacket() : console_.LoopPacket()}};
  }
  if (name == "HILOWS") return {ack, {PieceKind::kData, console_.hi_lows()}};
  if (name == "EEBRD" || name == "EEBWR") {
    const int address = number(0, 16), length = number(1, 16);
    const auto block = console_.MemoryRead(address, length);
    if (args.size() != 2 || !block) return {nak};
    if (name == "EEBRD") return {ack, {PieceKind::kData, *block}};
    memory_address_ = address;
    Expect(Mode::kMemoryData, static_cast<std::size_t>(length) + 2);
    return {ack};
  }
  if (name == "GETTIME") return {ack, {PieceKind::kData, console_.TimeReply()}};
  if (name == "SETTIME") {
    Expect(Mode::kTimeData, 8);
    return {ack};
  }
  if (name == "VER") return {ok, {PieceKind::kText, console_.firmware().date + "\n\r"}};
  if (name == "NVER")
    return {ok, {PieceKind::kText, console_.firmware().version.substr(0, 4) + "\n\r"}};
  if (name == "RXCHECK") {
    // The client reads a fixed 100 bytes: the counters, padded with blanks.
    std::string text = " 21629 15 0 3204 128\n\r";
    text.resize(100, ' ');
    return {ok, {PieceKind::kText, text}};
  }
  if (name == "CALED") return {ack, {PieceKind::kData, console_.CalibratedReadings()}};
  if (name == "CALFIX") {
    Expect(Mode::kCalibrationData, 45);
    return {ack};
  }
  if (name == "BARDATA") {
    const Readings r = console_.readings();
    const auto it = r.find("barometer");
    char text[200];
    std::snprintf(text, sizeof text,
                  "BAR %d\n\rELEVATION 27\n\rDEW POINT %d\n\rVIRTUAL TEMP 62\n\rC 29\n\rR "
                  "1001\n\rBARCAL 0\n\r",
                  it == r.end() ? 0 : it->second, r.count("dew_point") ? r.at("dew_point") : 255);
    return {ok, {PieceKind::kText, text}};
  }
  if (name == "SETPER") {
    const int minutes = number(0);
    if (minutes < 1 || minutes > 255) return {nak};
    console_.MemoryWrite(45, std::string(1, static_cast<char>(minutes)));
    return {ok};
  }
  if (name == "LAMPS") return {ok};
  if (name == "BAUD") {
    if (!IsBaud(number(0))) return {{PieceKind::kText, "\n\rNO\n\r"}};
    if (faults_.baud > 0) faults_.baud = number(0);
    return {ok};
  }
  if (name == "NEWSETUP" || name == "EBT" || name == "CLRBITS" || name == "CLRDATA") return {ack};
  if (name == "PUTRAIN") {
    console_.SetYearRain(std::max(0, number(0)));
    return {ack};
  }
  if (name == "CLRHIGHS" || name == "CLRLOWS") {
    if (number(0) < 0 || number(0) > 2) return {nak};
    console_.ClearExtremes(name == "CLRHIGHS", number(0));
    return {ack};
  }
  if (name == "CLRVAR") {
    console_.ClearRainCounter(number(0));
    return {ack};
  }
  if (name == "CLRLOG") {
    console_.ClearArchive();
    return {ack};
  }
  if (name == "CLRALM") {
    std::string none(94, '\xFF');
    none[0] = none[1] = none[4] = none[5] = 0;
    PutLittle(none, 83, 2, 0x7FFF);
    console_.MemoryWrite(82, none);
    return {ok, done};
  }
  if (name == "CLRCAL") {
    console_.MemoryWrite(50, std::string(27, '\0'));
    return {ok, done};
  }
  if (name == "CLRGRA") return {ok, done};
  if (name == "DMPAFT") {
    if (TakeOne(console_.archive_faults().refused_requests)) {
      log_("archive request refused");
      return {nak};
    }
    Expect(Mode::kDumpRequest, 6);
    return {ack};
  }
  log_("unknown command, no answer");
  return {};
}

Session::Answer Session::BinaryByte(unsigned char byte) {
  binary_.push_back(static_cast<char>(byte));
  if (binary_.size() < expected_) return {};
  const Mode mode = mode_;
  mode_ = Mode::kCommand;
  if (Crc16(binary_) != 0) {
    log_("block with a bad checksum refused");
    return {{PieceKind::kText, std::string(1, kCancel)}};
  }
  const std::string data = binary_.substr(0, binary_.size() - 2);
  const Piece ack{PieceKind::kAck, std::string(1, kAck)};
  switch (mode) {
    case Mode::kMemoryData:
      console_.MemoryWrite(memory_address_, data);
      log_("memory written at " + std::to_string(memory_address_) + ", " +
           std::to_string(data.size()) + " bytes");
      return {ack};
    case Mode::kTimeData: {
      const auto at = [&](int i) { return static_cast<unsigned char>(data[i]); };
      console_.SetTime(FromCivil({at(5) + 1900, at(4), at(3), at(2), at(1), at(0)}));
      return {ack};
    }
    case Mode::kCalibrationData:
      console_.ApplyCalibration(data);
      log_("calibration offsets set from the readings received");
      return {ack};
    case Mode::kDumpRequest: {
      const int date = GetLittle(data, 0, 2), time = GetLittle(data, 2, 2);
      const Console::DumpHeader header = console_.StartDump(date, time);
      log_("archive requested after date " + std::to_string(date) + " time " +
           std::to_string(time) + ": " + std::to_string(header.pages) + " pages");
      std::string reply(4, '\0');
      PutLittle(reply, 0, 2, header.pages);
      PutLittle(reply, 2, 2, header.first_index);
      AppendCrc(reply);
      dump_ = header;
      dump_next_ = 0;
      // Even with no pages the console takes the client's closing 0x06 or
      // escape as the end of the transfer, not as the start of a command.
      mode_ = Mode::kDumping;
      return {ack, {PieceKind::kData, reply}};
    }
    default:
      return {};
  }
}

Session::Answer Session::DumpByte(unsigned char byte) {
  if (byte == kAck && dump_next_ < dump_.pages)
    return {{PieceKind::kData, console_.DumpPage(dump_, dump_next_++)}};
  if (byte == kNak && dump_next_ > 0)
    return {{PieceKind::kData, console_.DumpPage(dump_, dump_next_ - 1)}};
  mode_ = Mode::kCommand;
  if (byte == kEscape || byte == kAck) return {};
  return ByteInCommandMode(byte);
}

Output Session::shape(Answer answer) {
  Output out;
  out.baud = faults_.baud;
  if (!answer.empty() && answer.front().kind != PieceKind::kWake && TakeOne(faults_.silent)) {
    log_("silent: no answer");
    mode_ = Mode::kCommand;  // nothing acknowledged, so nothing expected either
    packets_left_ = 0;
    return out;
  }
  int delay = answer.empty() ? 0 : faults_.delay_ms;
  for (Piece& piece : answer) {
    if (piece.kind == PieceKind::kWake && TakeOne(faults_.asleep)) {
      log_("asleep: wake-up ignored");
      continue;
    }
    if (piece.kind == PieceKind::kAck) {
      const bool refused = TakeOne(faults_.refuse);
      if (refused || TakeOne(faults_.wrong_byte)) {
        out.chunks.push_back(
            {std::string(1, static_cast<char>(refused ? kNak : faults_.wrong_byte_value)), delay});
        mode_ = Mode::kCommand;  // a refused command sends or expects nothing more
        packets_left_ = 0;
        break;
      }
    }
    if (piece.kind == PieceKind::kOk && TakeOne(faults_.refuse)) {
      out.chunks.push_back({"\n\rNO\n\r", delay});
      mode_ = Mode::kCommand;
      packets_left_ = 0;
      break;
    }
    bool cut = false;
    if (piece.kind == PieceKind::kData) {
      if (faults_.corrupt_every > 0 && ++faults_.corrupt_counter % faults_.corrupt_every == 0)
        piece.bytes.back() = static_cast<char>(piece.bytes.back() ^ 0x5A);
      if (TakeOne(faults_.truncate) && static_cast<int>(piece.bytes.size()) > faults_.truncate_to) {
        piece.bytes.resize(static_cast<std::size_t>(faults_.truncate_to));
        cut = true;
      }
      if (TakeOne(faults_.stall)) {
        const auto at = static_cast<std::size_t>(
            std::clamp<int>(faults_.stall_at, 0, static_cast<int>(piece.bytes.size())));
        if (at > 0) out.chunks.push_back({piece.bytes.substr(0, at), delay});
        out.chunks.push_back(
            {piece.bytes.substr(at), at > 0 ? faults_.stall_ms : delay + faults_.stall_ms});
        delay = 0;
        if (cut) break;
        continue;
      }
    }
    out.chunks.push_back({std::move(piece.bytes), delay});
    delay = 0;
    if (cut) break;
  }
  if (faults_.drop_after >= 0) {
    for (auto it = out.chunks.begin(); it != out.chunks.end(); ++it) {
      const int size = static_cast<int>(it->bytes.size());
      if (size < faults_.drop_after) {
        faults_.drop_after -= size;
        continue;
      }
      it->bytes.resize(static_cast<std::size_t>(faults_.drop_after));
      out.chunks.erase(it + 1, out.chunks.end());
      out.drop = true;
      faults_.drop_after = -1;
      log_("link dropped");
      break;
    }
  }
  return out;
}

}  // namespace consolesim
