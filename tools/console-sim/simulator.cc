#include "tools/console-sim/simulator.h"

#include <cstdio>
#include <ctime>
#include <iostream>

namespace consolesim {
namespace {

using nlohmann::json;

constexpr std::size_t kReceivedKept = 2000;

std::optional<Slot> slotByName(const std::string& name) {
  for (int s = 0; s < kSlotCount; ++s)
    if (name == slotName(static_cast<Slot>(s))) return static_cast<Slot>(s);
  return std::nullopt;
}

std::string formatTime(std::int64_t time) {
  const CivilTime c = toCivil(time);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute,
                c.second);
  return text;
}

std::optional<std::int64_t> parseTime(const std::string& text) {
  CivilTime c{};
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &c.year, &c.month, &c.day, &c.hour, &c.minute, &c.second) < 5)
    return std::nullopt;
  return fromCivil(c);
}

json error(const std::string& text) { return {{"ok", false}, {"error", text}}; }

}  // namespace

Simulator::Simulator(const Clock& clock, ConsoleOptions options, bool verbose)
    : console_(clock, std::move(options)), verbose_(verbose) {}

void Simulator::log(const std::string& link, const std::string& text) {
  const std::string line = link + ": " + text;
  received_.push_back(line);
  if (received_.size() > kReceivedKept) received_.pop_front();
  if (verbose_) std::cerr << "console-sim " << line << '\n';
}

std::unique_ptr<Session> Simulator::openSession(const std::string& linkName) {
  return std::make_unique<Session>(console_, faults_, [this, linkName](const std::string& text) {
    log(linkName, text);  // called with mutex_ held, from feed()
  });
}

bool Simulator::accountMatches(const std::string& user, const std::string& password) {
  std::lock_guard<std::mutex> lock(mutex_);
  return user == webUser_ && password == webPassword_;
}

Output Simulator::feed(Session& session, unsigned char byte, std::int64_t nowMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  return session.feed(byte, nowMs);
}

Output Simulator::pending(Session& session) {
  std::lock_guard<std::mutex> lock(mutex_);
  return session.pending();
}

json Simulator::control(const json& command) {
  std::lock_guard<std::mutex> lock(mutex_);
  try {
    console_.update();
    return run(command);
  } catch (const std::exception& e) {
    return error(e.what());
  }
}

json Simulator::run(const json& c) {
  const std::string cmd = c.value("cmd", "");
  if (cmd == "ping") return {{"ok", true}};
  if (cmd == "set") {
    for (const auto& [name, value] : c.at("readings").items()) {
      if (value.is_null()) console_.setReading(name, std::nullopt);
      else console_.setReading(name, value.get<int>());
    }
    return {{"ok", true}};
  }
  if (cmd == "release") {
    if (!c.contains("names")) console_.releaseAll();
    else
      for (const auto& name : c.at("names")) console_.releaseReading(name.get<std::string>());
    return {{"ok", true}};
  }
  if (cmd == "readings") return {{"ok", true}, {"readings", console_.readings()}};
  if (cmd == "set_hilow" || cmd == "hilow") {
    const auto slot = slotByName(c.at("slot").get<std::string>());
    if (!slot) return error("unknown slot");
    const std::string quantity = c.at("quantity").get<std::string>();
    if (cmd == "set_hilow") {
      console_.setExtreme(quantity, *slot, c.at("value").get<int>());
      return {{"ok", true}};
    }
    const auto value = console_.extreme(quantity, *slot);
    return {{"ok", true}, {"value", value ? json(*value) : json(nullptr)}};
  }
  if (cmd == "memory_write") {
    std::string bytes;
    for (const auto& b : c.at("bytes")) bytes.push_back(static_cast<char>(b.get<int>()));
    if (!console_.memoryWrite(c.at("address").get<int>(), bytes)) return error("outside the memory");
    return {{"ok", true}};
  }
  if (cmd == "memory_read") {
    const int address = c.at("address").get<int>(), length = c.at("length").get<int>();
    if (address < 0 || length < 0 || address + length > kMemorySize) return error("outside the memory");
    json bytes = json::array();
    for (int i = 0; i < length; ++i) bytes.push_back(static_cast<unsigned char>(console_.memory()[address + i]));
    return {{"ok", true}, {"bytes", bytes}};
  }
  if (cmd == "firmware") {
    Firmware& f = console_.firmware();
    f.date = c.value("date", f.date);
    f.version = c.value("version", f.version);
    f.model = c.value("model", f.model);
    return {{"ok", true}, {"date", f.date}, {"version", f.version}, {"model", f.model}};
  }
  if (cmd == "time") {
    if (c.contains("set")) {
      const auto time = parseTime(c.at("set").get<std::string>());
      if (!time) return error("time must read YYYY-MM-DD HH:MM[:SS]");
      console_.setTime(*time);
    }
    if (c.contains("advance")) console_.setTime(console_.now() + c.at("advance").get<std::int64_t>(), true);
    return {{"ok", true}, {"time", formatTime(console_.now())}};
  }
  if (cmd == "freeze") {
    console_.freeze(c.value("on", true));
    return {{"ok", true}};
  }
  if (cmd == "fault") {
    const std::string name = c.at("name").get<std::string>();
    const int count = c.value("count", -1);
    if (name == "none") faults_ = Faults{};
    else if (name == "asleep") faults_.asleep = count;
    else if (name == "refuse") faults_.refuse = count;
    else if (name == "wrong_byte") {
      faults_.wrongByte = count;
      faults_.wrongByteValue = c.value("value", 0x21);
    } else if (name == "corrupt_crc") {
      faults_.corruptEvery = c.value("every", 1);
      faults_.corruptCounter = 0;
    } else if (name == "truncate") {
      faults_.truncate = count;
      faults_.truncateTo = c.value("to", 10);
    } else if (name == "stall") {
      faults_.stall = count;
      faults_.stallMs = c.value("ms", 1000);
      faults_.stallAt = c.value("at", 0);
    } else if (name == "drop") faults_.dropAfter = c.value("after", 0);
    else if (name == "delay") faults_.delayMs = c.value("ms", 0);
    else if (name == "baud") faults_.baud = c.value("rate", 0);
    else return error("unknown fault " + name);
    return {{"ok", true}};
  }
  if (cmd == "archive_add") {
    for (const auto& record : c.at("records")) console_.addArchiveRecord(record.get<Readings>());
    return {{"ok", true}, {"count", console_.archiveSize()}};
  }
  if (cmd == "archive_clear") {
    console_.clearArchive();
    return {{"ok", true}};
  }
  if (cmd == "archive_count") return {{"ok", true}, {"count", console_.archiveSize()}};
  if (cmd == "archive_faults") {
    Console::ArchiveFaults& f = console_.archiveFaults();
    f.corruptPages = c.value("corrupt_pages", std::set<int>{});
    f.refusedRequests = c.value("refuse_requests", 0);
    return {{"ok", true}};
  }
  if (cmd == "received") {
    json lines(received_);
    if (c.value("clear", false)) received_.clear();
    return {{"ok", true}, {"lines", lines}};
  }
  if (cmd == "web_account") {
    webUser_ = c.value("user", webUser_);
    webPassword_ = c.value("password", webPassword_);
    return {{"ok", true}};
  }
  return error("unknown command " + cmd);
}

}  // namespace consolesim
