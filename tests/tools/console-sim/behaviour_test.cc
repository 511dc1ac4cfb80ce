// What the console does with what it is sent and shows in what it answers:
// calibration, live alarm bits, paced live packets, faults as they reach the
// wire, the web service's account texts, and an hour of simulated weather.
#include <gtest/gtest.h>

#include <algorithm>

#include "tools/console-sim/console.h"
#include "tools/console-sim/crc16.h"
#include "tools/console-sim/links.h"
#include "tools/console-sim/session.h"
#include "tools/console-sim/simulator.h"

namespace consolesim {
namespace {

constexpr std::int64_t kTen = 1765188000;  // 2025-12-08 10:00:00

int Word(const std::string& p, int offset) {
  return GetLittle(p, offset, 2);
}
int Byte(const std::string& p, int offset) {
  return static_cast<unsigned char>(p[offset]);
}
int OffsetAt(const Console& console, int index) {
  return static_cast<signed char>(console.memory()[50 + index]);
}

std::string BytesOf(const Output& out) {
  std::string all;
  for (const Chunk& chunk : out.chunks) all += chunk.bytes;
  return all;
}

// A console session driven byte by byte, its answers gathered.
struct Bench {
  explicit Bench(ConsoleOptions options = {})
      : console(clock, options), session(console, faults, [](const std::string&) {}) {}
  std::vector<Output> Feed(const std::string& bytes) {
    std::vector<Output> outs;
    for (unsigned char b : bytes) {
      Output out = session.Feed(b, 0);
      if (!out.empty()) outs.push_back(std::move(out));
    }
    return outs;
  }
  std::string Ask(const std::string& bytes) {
    std::string all;
    for (const Output& out : Feed(bytes)) all += BytesOf(out);
    return all;
  }
  void memory(int address, std::initializer_list<int> values) {
    std::string bytes;
    for (int v : values) bytes.push_back(static_cast<char>(v));
    console.MemoryWrite(address, bytes);
  }

  ManualClock clock{kTen};
  Faults faults;
  Console console;
  Session session;
};

TEST(ConsoleCalibration, CalfixMovesTheOffsetsSoTheReadingsShowWhatWasSent) {
  Bench b;
  b.console.SetReading("inside_temp", 702);
  b.console.SetReading("outside_temp", 700);  // 70.0 °F
  b.console.SetReading("extra_temp1", 160);   // 70 °F
  b.console.SetReading("inside_hum", 40);
  const std::string caled = b.Ask("CALED\n");
  ASSERT_EQ(caled.size(), 46u);
  EXPECT_EQ(Crc16(caled.substr(1)), 0);
  std::string block = caled.substr(1, 43);
  EXPECT_EQ(Word(block, 2), 700);
  EXPECT_EQ(Word(block, 4), 700);  // extra temperature 1 in tenths
  EXPECT_EQ(Byte(block, 34), 40);

  // Wanted: outside 71.5 °F, extra temperature 1 at 69.0 °F, inside humidity
  // 43 %; the inside temperature is sent dashed, so left alone.
  PutLittle(block, 0, 2, 0x7FFF);
  PutLittle(block, 2, 2, 715);
  PutLittle(block, 4, 2, 690);
  block[34] = 43;
  AppendCrc(block);
  ASSERT_EQ(b.Ask("CALFIX\n"), "\x06");
  EXPECT_EQ(b.Ask(block), "\x06");
  EXPECT_EQ(OffsetAt(b.console, 0), 0);
  EXPECT_EQ(OffsetAt(b.console, 2), 15);
  EXPECT_EQ(OffsetAt(b.console, 3), -10);
  EXPECT_EQ(OffsetAt(b.console, 18), 3);

  // The console now reports the calibrated readings everywhere.
  const std::string p = b.console.LoopPacket();
  EXPECT_EQ(Word(p, 9), 702);
  EXPECT_EQ(Word(p, 12), 715);
  EXPECT_EQ(Byte(p, 18), 159);
  EXPECT_EQ(Byte(p, 11), 43);
  const std::string again = b.Ask("CALED\n").substr(1, 43);
  EXPECT_EQ(Word(again, 2), 715);
  EXPECT_EQ(Word(again, 4), 690);

  // An offset beyond a signed byte is held at its limit; CLRCAL undoes all.
  std::string far = again;
  PutLittle(far, 2, 2, 2000);
  AppendCrc(far);
  b.Ask("CALFIX\n");
  b.Ask(far);
  EXPECT_EQ(OffsetAt(b.console, 2), 127);
  b.Ask("CLRCAL\n");
  EXPECT_EQ(Word(b.console.LoopPacket(), 12), 700);

  // A block with a bad checksum is refused and changes nothing.
  block[10] ^= 1;
  b.Ask("CALFIX\n");
  EXPECT_EQ(b.Ask(block), "\x18");
  EXPECT_EQ(OffsetAt(b.console, 2), 0);
}

TEST(LivePacketAlarms, BitsFollowTheReadingsAndTheThresholdsInMemory) {
  Bench b;
  const Readings readings = {{"inside_temp", 650}, {"outside_temp", 950},  {"outside_hum", 20},
                             {"rain_rate", 300},   {"solar", 900},         {"extra_temp1", 150},
                             {"soil_moist1", 150}, {"bar_change_3h", -70}, {"dew_point", 40}};
  for (const auto& [name, value] : readings) b.console.SetReading(name, value);
  EXPECT_EQ(b.console.LoopPacket().substr(70, 16),
            std::string(16, '\0'));  // every threshold "none"

  b.memory(82 + 1, {60});                // barometric fall 0.060 inHg in 3 hours
  b.memory(82 + 2, {0xE8, 0x03});        // time alarm 10:00
  b.memory(82 + 6, {90 + 66});           // inside low 66 °F
  b.memory(82 + 8, {90 + 20, 90 + 94});  // outside low 20 °F, high 94 °F
  b.memory(82 + 25, {120 + 59});         // extra temperature 1 high 59 °F
  b.memory(82 + 42, {25});               // outside humidity low 25 %
  b.memory(82 + 58, {120 + 40});         // dew point low 40 °F: reached, not passed
  b.memory(82 + 71, {100});              // soil moisture 1 high 100 cb
  b.memory(82 + 83, {0x20, 0x03});       // solar high 800 W/m²
  b.memory(82 + 85, {200, 0});           // rain rate high 200 clicks/h
  std::string p = b.console.LoopPacket();
  EXPECT_EQ(Byte(p, 70), 0x01 | 0x04 | 0x40);  // barometer fall, inside low, time
  EXPECT_EQ(Byte(p, 71), 0x01);                // rain rate
  EXPECT_EQ(Word(p, 72), 0x0002 | 0x0200);     // outside high, solar
  EXPECT_EQ(Byte(p, 74), 0x04);                // outside humidity low
  EXPECT_EQ(Byte(p, 75), 0x02);                // extra temperature 1 high
  EXPECT_EQ(Byte(p, 82), 0x08);                // soil moisture 1 high
  EXPECT_EQ(Crc16(p), 0);
  EXPECT_EQ(b.console.readings().at("outside_alarms"), 0x0202);

  // The alarm clears when the reading comes back, when the threshold is
  // switched off, or when the reading is dashed; a minute later the time
  // alarm is over.
  b.console.SetReading("inside_temp", 660);
  b.memory(82 + 85, {0xFF, 0xFF});
  b.console.SetReading("outside_hum", std::nullopt);
  b.clock.Advance(60);
  p = b.console.LoopPacket();
  EXPECT_EQ(Byte(p, 70), 0x01);
  EXPECT_EQ(Byte(p, 71), 0);
  EXPECT_EQ(Byte(p, 74), 0);

  // Bits a test fixes stay as fixed.
  b.console.SetReading("inside_alarms", 0x80);
  EXPECT_EQ(Byte(b.console.LoopPacket(), 70), 0x80);
}

TEST(LiveStream, OnePacketEveryTwoSecondsOfTheConsoleClockUntilInterrupted) {
  Bench b;
  EXPECT_EQ(b.Ask("LOOP 3\n").size(), 100u);
  ASSERT_TRUE(b.session.streaming());
  EXPECT_TRUE(b.session.pending().empty());
  b.clock.Advance(1);
  EXPECT_TRUE(b.session.pending().empty());
  b.clock.Advance(1);
  const std::string second = BytesOf(b.session.pending());
  ASSERT_EQ(second.size(), 99u);
  EXPECT_EQ(second[0], 'L');
  EXPECT_EQ(Crc16(second), 0);
  b.clock.Advance(2);
  EXPECT_EQ(BytesOf(b.session.pending()).size(), 99u);
  EXPECT_FALSE(b.session.streaming());
  b.clock.Advance(2);
  EXPECT_TRUE(b.session.pending().empty());

  // A wake-up stops the stream and is answered as one.
  b.Ask("LPS 2 5\n");
  EXPECT_EQ(b.Ask("\n"), "\n\r");
  EXPECT_FALSE(b.session.streaming());
  b.clock.Advance(2);
  EXPECT_TRUE(b.session.pending().empty());

  // A refused LOOP streams nothing.
  b.faults.refuse = 1;
  EXPECT_EQ(b.Ask("LOOP 4\n"), "\x15");
  EXPECT_FALSE(b.session.streaming());
}

// (Refusal, wrong byte, corruption, truncation, stall inside a reply and
// drop are in encoders_test.cc.)
TEST(ConsoleFaults, StallBeforeAReplySlowAndPacedConsole) {
  Bench b;
  // A stall before the reply: the acknowledgement, then the whole packet late.
  b.faults.stall = 1;
  b.faults.stall_ms = 500;
  b.faults.stall_at = 0;
  std::vector<Output> outs = b.Feed("LOOP 1\n");
  ASSERT_EQ(outs.size(), 1u);
  ASSERT_EQ(outs[0].chunks.size(), 2u);
  EXPECT_EQ(outs[0].chunks[0].bytes, "\x06");
  EXPECT_EQ(outs[0].chunks[1].delay_ms, 500);
  EXPECT_EQ(outs[0].chunks[1].bytes.size(), 99u);

  // A slow console answers everything late; a paced one gives its rate.
  b.faults.delay_ms = 300;
  b.faults.baud = 1200;
  outs = b.Feed("\n");
  ASSERT_EQ(outs.size(), 1u);
  EXPECT_EQ(outs[0].chunks[0].delay_ms, 300);
  EXPECT_EQ(outs[0].baud, 1200);
  // "BAUD n" changes the pace as a console changes its line speed.
  EXPECT_EQ(b.Ask("BAUD 9600\n"), "\n\rOK\n\r");
  EXPECT_EQ(b.faults.baud, 9600);
  EXPECT_EQ(b.Ask("BAUD 57600\n"), "\n\rNO\n\r");
  EXPECT_EQ(b.faults.baud, 9600);
}

TEST(WebService, AccountTextsArePercentDecoded) {
  ManualClock clock(kTen);
  Simulator sim(clock, {}, false);
  sim.Control({{"cmd", "web_account"}, {"user", "jean dupont"}, {"password", "a&b=c%"}});
  const auto body = [&](const std::string& user, const std::string& pass) {
    const std::string reply =
        WebReply(sim, "/webdl.php?timestamp=0&user=" + user + "&pass=" + pass + "&action=headers");
    return reply.substr(reply.find("\r\n\r\n") + 4);
  };
  EXPECT_EQ(body("jean%20dupont", "a%26b%3Dc%25").substr(0, 8), "Records=");
  EXPECT_EQ(body("jean%20dupont", "a%26b%3dc%").substr(0, 8),
            "Records=");  // lower case; a bare "%" stays
  EXPECT_EQ(body("jean+dupont", "a%26b%3Dc%25"), "Invalid Account Information");
  EXPECT_EQ(body("jean%2", "a%26b%3Dc%25"), "Invalid Account Information");
}

// Day extremes against every reading the console took, archive records
// against the extremes and against each other.
TEST(ConsoleModel, AnHourOfWeatherKeepsHighsLowsAndArchiveConsistent) {
  ConsoleOptions options;
  options.seed = 27;  // showers in this hour
  ManualClock clock(kTen);
  Console console(clock, options);
  std::map<std::string, std::pair<int, int>> seen;  // reading: lowest, highest
  const auto observe = [&] {
    for (const auto& [name, value] : console.readings()) {
      auto [it, inserted] = seen.try_emplace(name, value, value);
      it->second = {std::min(it->second.first, value), std::max(it->second.second, value)};
    }
  };
  observe();
  const int rain_before = console.readings().at("year_rain");
  for (int step = 0; step < 360; ++step) {
    clock.Advance(10);
    console.Update();
    observe();
  }
  const std::string h = console.hi_lows();
  EXPECT_EQ(Crc16(h.substr(0, 438)), 0);
  struct Extreme {
    const char* reading;
    int low, high, low_time, high_time;  // HILOWS offsets, -1 = none
    int width;
  } extremes[] = {
      {"barometer", 0, 2, 12, 14, 2},     {"outside_temp", 47, 49, 51, 53, 2},
      {"inside_temp", 23, 21, 27, 25, 2}, {"outside_hum", 276, 284, 292, 308, 1},
      {"wind_speed", -1, 16, -1, 17, 1},  {"extra_temp1", 126, 141, 156, 186, 1},
  };
  for (const Extreme& e : extremes) {
    const auto value = [&](int offset) {
      return e.width == 2 ? static_cast<std::int16_t>(Word(h, offset)) : Byte(h, offset);
    };
    const auto [low, high] = seen.at(e.reading);
    EXPECT_EQ(value(e.high), high) << e.reading;
    if (e.low >= 0) {
      EXPECT_EQ(value(e.low), low) << e.reading;
    }
    for (int at : {e.low_time, e.high_time}) {
      if (at >= 0) {
        EXPECT_TRUE(Word(h, at) >= 1000 && Word(h, at) <= 1100) << e.reading << " " << Word(h, at);
      }
    }
  }
  EXPECT_EQ(Word(h, 55), Word(h, 49));  // month and year highs began with this hour
  EXPECT_EQ(Word(h, 59), Word(h, 49));

  // Twelve five-minute records, 10:05 to 11:00, within the day's extremes;
  // their rain adds up to what the counter gained.
  const std::vector<std::string> records = console.RecordsAfter(0, 0);
  ASSERT_EQ(records.size(), 12u);
  int rain = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string& r = records[i];
    const int minutes = 10 * 60 + 5 * static_cast<int>(i + 1);
    EXPECT_EQ(Word(r, 0), 8 + 12 * 32 + 25 * 512);
    EXPECT_EQ(Word(r, 2), minutes / 60 * 100 + minutes % 60);
    const auto temp = [&](int offset) { return static_cast<std::int16_t>(Word(r, offset)); };
    EXPECT_LE(temp(8), temp(4));
    EXPECT_LE(temp(4), temp(6));
    EXPECT_LE(temp(6), seen.at("outside_temp").second);
    EXPECT_GE(temp(8), seen.at("outside_temp").first);
    EXPECT_LE(Byte(r, 25), seen.at("wind_speed").second);
    EXPECT_EQ(Word(r, 18), 30);  // one sample every 10 s
    rain += Word(r, 10);
  }
  EXPECT_EQ(rain, console.readings().at("year_rain") - rain_before);
  const Console::DumpHeader all = console.StartDump(0, 0);
  EXPECT_EQ(all.pages, 3);
  EXPECT_EQ(all.first_index, 0);
}

}  // namespace
}  // namespace consolesim
