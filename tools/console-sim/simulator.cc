#include "tools/console-sim/simulator.h"

#include <cstdio>
#include <ctime>
#include <iostream>

namespace consolesim {
namespace {

using nlohmann::json;

constexpr std::size_t kReceivedKept = 2000;

std::optional<Slot> SlotByName(const std::string& name) {
  for (int s = 0; s < kSlotCount; ++s)
    if (name == SlotName(static_cast<Slot>(s))) return static_cast<Slot>(s);
  return std::nullopt;
}

std::string FormatTime(std::int64_t time) {
  const CivilTime c = ToCivil(time);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                c.minute, c.second);
  return text;
}

std::optional<std::int64_t> ParseTime(const std::string& text) {
  CivilTime c{};
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &c.year, &c.month, &c.day, &c.hour, &c.minute,
                  &c.second) < 5)
    return std::nullopt;
  return FromCivil(c);
}

json Error(const std::string& text) {
  return {{"ok", false}, {"error", text}};
}

}  // namespace

Simulator::Simulator(const ConsoleClock& clock, ConsoleOptions options, bool verbose)
    : console_(clock, std::move(options)), verbose_(verbose) {}

void Simulator::log(const std::string& link, const std::string& text) {
  const std::string line = link + ": " + text;
  received_.push_back(line);
  if (received_.size() > kReceivedKept) received_.pop_front();
  if (verbose_) std::cerr << "console-sim " << line << '\n';
}

std::unique_ptr<Session> Simulator::OpenSession(const std::string& link_name) {
  return std::make_unique<Session>(console_, faults_, [this, link_name](const std::string& text) {
    log(link_name, text);  // called with mutex_ held, from feed()
  });
}

bool Simulator::AccountMatches(const std::string& user, const std::string& password) {
  std::lock_guard<std::mutex> lock(mutex_);
  return user == web_user_ && password == web_password_;
}

bool Simulator::Datagram(const std::string& bytes, bool probe) {
  std::lock_guard<std::mutex> lock(mutex_);
  log("udp", probe ? "discovery probe" : "datagram \"" + Printable(bytes) + "\"");
  return probe && TakeOne(faults_.discovery_noise);
}

Output Simulator::Feed(Session& session, unsigned char byte, std::int64_t now_ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  return session.Feed(byte, now_ms);
}

Output Simulator::pending(Session& session) {
  std::lock_guard<std::mutex> lock(mutex_);
  return session.pending();
}

json Simulator::Control(const json& command) {
  std::lock_guard<std::mutex> lock(mutex_);
  try {
    console_.Update();
    return Run(command);
  } catch (const std::exception& e) {
    return Error(e.what());
  }
}

json Simulator::Run(const json& c) {
  const std::string cmd = c.value("cmd", "");
  if (cmd == "ping") return {{"ok", true}};
  if (cmd == "set") {
    for (const auto& [name, value] : c.at("readings").items()) {
      if (value.is_null())
        console_.SetReading(name, std::nullopt);
      else
        console_.SetReading(name, value.get<int>());
    }
    return {{"ok", true}};
  }
  if (cmd == "release") {
    if (!c.contains("names"))
      console_.ReleaseAll();
    else
      for (const auto& name : c.at("names")) console_.ReleaseReading(name.get<std::string>());
    return {{"ok", true}};
  }
  if (cmd == "readings") return {{"ok", true}, {"readings", console_.readings()}};
  if (cmd == "set_hilow" || cmd == "hilow") {
    const auto slot = SlotByName(c.at("slot").get<std::string>());
    if (!slot) return Error("unknown slot");
    const std::string quantity = c.at("quantity").get<std::string>();
    if (cmd == "set_hilow") {
      console_.SetExtreme(quantity, *slot, c.at("value").get<int>());
      return {{"ok", true}};
    }
    const auto value = console_.extreme(quantity, *slot);
    return {{"ok", true}, {"value", value ? json(*value) : json(nullptr)}};
  }
  if (cmd == "memory_write") {
    std::string bytes;
    for (const auto& b : c.at("bytes")) bytes.push_back(static_cast<char>(b.get<int>()));
    if (!console_.MemoryWrite(c.at("address").get<int>(), bytes))
      return Error("outside the memory");
    return {{"ok", true}};
  }
  if (cmd == "memory_read") {
    const int address = c.at("address").get<int>(), length = c.at("length").get<int>();
    if (address < 0 || length < 0 || address + length > kMemorySize)
      return Error("outside the memory");
    json bytes = json::array();
    for (int i = 0; i < length; ++i)
      bytes.push_back(static_cast<unsigned char>(console_.memory()[address + i]));
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
      const auto time = ParseTime(c.at("set").get<std::string>());
      if (!time) return Error("time must read YYYY-MM-DD HH:MM[:SS]");
      console_.SetTime(*time);
    }
    if (c.contains("advance"))
      console_.SetTime(console_.Now() + c.at("advance").get<std::int64_t>(), true);
    return {{"ok", true}, {"time", FormatTime(console_.Now())}};
  }
  if (cmd == "freeze") {
    console_.Freeze(c.value("on", true));
    return {{"ok", true}};
  }
  if (cmd == "fault") {
    const std::string name = c.at("name").get<std::string>();
    const int count = c.value("count", -1);
    if (name == "none")
      faults_ = Faults{};
    else if (name == "asleep")
      faults_.asleep = count;
    else if (name == "refuse")
      faults_.refuse = count;
    else if (name == "silent")
      faults_.silent = count;
    else if (name == "discovery_noise")
      faults_.discovery_noise = count;
    else if (name == "wrong_byte") {
      faults_.wrong_byte = count;
      faults_.wrong_byte_value = c.value("value", 0x21);
    } else if (name == "corrupt_crc") {
      faults_.corrupt_every = c.value("every", 1);
      faults_.corrupt_counter = 0;
    } else if (name == "truncate") {
      faults_.truncate = count;
      faults_.truncate_to = c.value("to", 10);
    } else if (name == "stall") {
      faults_.stall = count;
      faults_.stall_ms = c.value("ms", 1000);
      faults_.stall_at = c.value("at", 0);
    } else if (name == "drop")
      faults_.drop_after = c.value("after", 0);
    else if (name == "delay")
      faults_.delay_ms = c.value("ms", 0);
    else if (name == "baud")
      faults_.baud = c.value("rate", 0);
    else
      return Error("unknown fault " + name);
    return {{"ok", true}};
  }
  if (cmd == "archive_add") {
    for (const auto& record : c.at("records")) console_.AddArchiveRecord(record.get<Readings>());
    return {{"ok", true}, {"count", console_.ArchiveSize()}};
  }
  if (cmd == "archive_clear") {
    console_.ClearArchive();
    return {{"ok", true}};
  }
  if (cmd == "archive_count") return {{"ok", true}, {"count", console_.ArchiveSize()}};
  if (cmd == "archive_faults") {
    Console::ArchiveFaults& f = console_.archive_faults();
    f.corrupt_pages = c.value("corrupt_pages", std::set<int>{});
    f.refused_requests = c.value("refuse_requests", 0);
    return {{"ok", true}};
  }
  if (cmd == "received") {
    json lines(received_);
    json commands = json::array();
    const std::string mark = ": command \"";
    for (const std::string& line : received_) {
      const auto at = line.find(mark);
      if (at != std::string::npos && line.back() == '"')
        commands.push_back(line.substr(at + mark.size(), line.size() - at - mark.size() - 1));
    }
    if (c.value("clear", false)) received_.clear();
    return {{"ok", true}, {"lines", lines}, {"commands", commands}};
  }
  if (cmd == "web_account") {
    web_user_ = c.value("user", web_user_);
    web_password_ = c.value("password", web_password_);
    return {{"ok", true}};
  }
  return Error("unknown command " + cmd);
}

}  // namespace consolesim
