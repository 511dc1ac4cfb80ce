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

int word(const std::string& p, int offset) { return getLittle(p, offset, 2); }
int byte(const std::string& p, int offset) { return static_cast<unsigned char>(p[offset]); }
int offsetAt(const Console& console, int index) { return static_cast<signed char>(console.memory()[50 + index]); }

std::string bytesOf(const Output& out) {
  std::string all;
  for (const Chunk& chunk : out.chunks) all += chunk.bytes;
  return all;
}

// A console session driven byte by byte, its answers gathered.
struct Bench {
  explicit Bench(ConsoleOptions options = {}) : console(clock, options), session(console, faults, [](const std::string&) {}) {}
  std::vector<Output> feed(const std::string& bytes) {
    std::vector<Output> outs;
    for (unsigned char b : bytes) {
      Output out = session.feed(b, 0);
      if (!out.empty()) outs.push_back(std::move(out));
    }
    return outs;
  }
  std::string ask(const std::string& bytes) {
    std::string all;
    for (const Output& out : feed(bytes)) all += bytesOf(out);
    return all;
  }
  void memory(int address, std::initializer_list<int> values) {
    std::string bytes;
    for (int v : values) bytes.push_back(static_cast<char>(v));
    console.memoryWrite(address, bytes);
  }

  ManualClock clock{kTen};
  Faults faults;
  Console console;
  Session session;
};

TEST(ConsoleCalibration, CalfixMovesTheOffsetsSoTheReadingsShowWhatWasSent) {
  Bench b;
  b.console.setReading("inside_temp", 702);
  b.console.setReading("outside_temp", 700);  // 70.0 °F
  b.console.setReading("extra_temp1", 160);   // 70 °F
  b.console.setReading("inside_hum", 40);
  const std::string caled = b.ask("CALED\n");
  ASSERT_EQ(caled.size(), 46u);
  EXPECT_EQ(crc16(caled.substr(1)), 0);
  std::string block = caled.substr(1, 43);
  EXPECT_EQ(word(block, 2), 700);
  EXPECT_EQ(word(block, 4), 700);  // extra temperature 1 in tenths
  EXPECT_EQ(byte(block, 34), 40);

  // Wanted: outside 71.5 °F, extra temperature 1 at 69.0 °F, inside humidity
  // 43 %; the inside temperature is sent dashed, so left alone.
  putLittle(block, 0, 2, 0x7FFF);
  putLittle(block, 2, 2, 715);
  putLittle(block, 4, 2, 690);
  block[34] = 43;
  appendCrc(block);
  ASSERT_EQ(b.ask("CALFIX\n"), "\x06");
  EXPECT_EQ(b.ask(block), "\x06");
  EXPECT_EQ(offsetAt(b.console, 0), 0);
  EXPECT_EQ(offsetAt(b.console, 2), 15);
  EXPECT_EQ(offsetAt(b.console, 3), -10);
  EXPECT_EQ(offsetAt(b.console, 18), 3);

  // The console now reports the calibrated readings everywhere.
  const std::string p = b.console.loopPacket();
  EXPECT_EQ(word(p, 9), 702);
  EXPECT_EQ(word(p, 12), 715);
  EXPECT_EQ(byte(p, 18), 159);
  EXPECT_EQ(byte(p, 11), 43);
  const std::string again = b.ask("CALED\n").substr(1, 43);
  EXPECT_EQ(word(again, 2), 715);
  EXPECT_EQ(word(again, 4), 690);

  // An offset beyond a signed byte is held at its limit; CLRCAL undoes all.
  std::string far = again;
  putLittle(far, 2, 2, 2000);
  appendCrc(far);
  b.ask("CALFIX\n");
  b.ask(far);
  EXPECT_EQ(offsetAt(b.console, 2), 127);
  b.ask("CLRCAL\n");
  EXPECT_EQ(word(b.console.loopPacket(), 12), 700);

  // A block with a bad checksum is refused and changes nothing.
  block[10] ^= 1;
  b.ask("CALFIX\n");
  EXPECT_EQ(b.ask(block), "\x18");
  EXPECT_EQ(offsetAt(b.console, 2), 0);
}

TEST(LivePacketAlarms, BitsFollowTheReadingsAndTheThresholdsInMemory) {
  Bench b;
  const Readings readings = {{"inside_temp", 650}, {"outside_temp", 950}, {"outside_hum", 20}, {"rain_rate", 300},
                             {"solar", 900},       {"extra_temp1", 150},  {"soil_moist1", 150}, {"bar_change_3h", -70},
                             {"dew_point", 40}};
  for (const auto& [name, value] : readings) b.console.setReading(name, value);
  EXPECT_EQ(b.console.loopPacket().substr(70, 16), std::string(16, '\0'));  // every threshold "none"

  b.memory(82 + 1, {60});             // barometric fall 0.060 inHg in 3 hours
  b.memory(82 + 2, {0xE8, 0x03});     // time alarm 10:00
  b.memory(82 + 6, {90 + 66});        // inside low 66 °F
  b.memory(82 + 8, {90 + 20, 90 + 94});  // outside low 20 °F, high 94 °F
  b.memory(82 + 25, {120 + 59});      // extra temperature 1 high 59 °F
  b.memory(82 + 42, {25});            // outside humidity low 25 %
  b.memory(82 + 58, {120 + 40});      // dew point low 40 °F: reached, not passed
  b.memory(82 + 71, {100});           // soil moisture 1 high 100 cb
  b.memory(82 + 83, {0x20, 0x03});    // solar high 800 W/m²
  b.memory(82 + 85, {200, 0});        // rain rate high 200 clicks/h
  std::string p = b.console.loopPacket();
  EXPECT_EQ(byte(p, 70), 0x01 | 0x04 | 0x40);  // barometer fall, inside low, time
  EXPECT_EQ(byte(p, 71), 0x01);                // rain rate
  EXPECT_EQ(word(p, 72), 0x0002 | 0x0200);     // outside high, solar
  EXPECT_EQ(byte(p, 74), 0x04);                // outside humidity low
  EXPECT_EQ(byte(p, 75), 0x02);                // extra temperature 1 high
  EXPECT_EQ(byte(p, 82), 0x08);                // soil moisture 1 high
  EXPECT_EQ(crc16(p), 0);
  EXPECT_EQ(b.console.readings().at("outside_alarms"), 0x0202);

  // The alarm clears when the reading comes back, when the threshold is
  // switched off, or when the reading is dashed; a minute later the time
  // alarm is over.
  b.console.setReading("inside_temp", 660);
  b.memory(82 + 85, {0xFF, 0xFF});
  b.console.setReading("outside_hum", std::nullopt);
  b.clock.advance(60);
  p = b.console.loopPacket();
  EXPECT_EQ(byte(p, 70), 0x01);
  EXPECT_EQ(byte(p, 71), 0);
  EXPECT_EQ(byte(p, 74), 0);

  // Bits a test fixes stay as fixed.
  b.console.setReading("inside_alarms", 0x80);
  EXPECT_EQ(byte(b.console.loopPacket(), 70), 0x80);
}

TEST(LiveStream, OnePacketEveryTwoSecondsOfTheConsoleClockUntilInterrupted) {
  Bench b;
  EXPECT_EQ(b.ask("LOOP 3\n").size(), 100u);
  ASSERT_TRUE(b.session.streaming());
  EXPECT_TRUE(b.session.pending().empty());
  b.clock.advance(1);
  EXPECT_TRUE(b.session.pending().empty());
  b.clock.advance(1);
  const std::string second = bytesOf(b.session.pending());
  ASSERT_EQ(second.size(), 99u);
  EXPECT_EQ(second[0], 'L');
  EXPECT_EQ(crc16(second), 0);
  b.clock.advance(2);
  EXPECT_EQ(bytesOf(b.session.pending()).size(), 99u);
  EXPECT_FALSE(b.session.streaming());
  b.clock.advance(2);
  EXPECT_TRUE(b.session.pending().empty());

  // A wake-up stops the stream and is answered as one.
  b.ask("LPS 2 5\n");
  EXPECT_EQ(b.ask("\n"), "\n\r");
  EXPECT_FALSE(b.session.streaming());
  b.clock.advance(2);
  EXPECT_TRUE(b.session.pending().empty());

  // A refused LOOP streams nothing.
  b.faults.refuse = 1;
  EXPECT_EQ(b.ask("LOOP 4\n"), "\x15");
  EXPECT_FALSE(b.session.streaming());
}

// (Refusal, wrong byte, corruption, truncation, stall inside a reply and
// drop are in encoders_test.cc.)
TEST(ConsoleFaults, StallBeforeAReplySlowAndPacedConsole) {
  Bench b;
  // A stall before the reply: the acknowledgement, then the whole packet late.
  b.faults.stall = 1;
  b.faults.stallMs = 500;
  b.faults.stallAt = 0;
  std::vector<Output> outs = b.feed("LOOP 1\n");
  ASSERT_EQ(outs.size(), 1u);
  ASSERT_EQ(outs[0].chunks.size(), 2u);
  EXPECT_EQ(outs[0].chunks[0].bytes, "\x06");
  EXPECT_EQ(outs[0].chunks[1].delayMs, 500);
  EXPECT_EQ(outs[0].chunks[1].bytes.size(), 99u);

  // A slow console answers everything late; a paced one gives its rate.
  b.faults.delayMs = 300;
  b.faults.baud = 1200;
  outs = b.feed("\n");
  ASSERT_EQ(outs.size(), 1u);
  EXPECT_EQ(outs[0].chunks[0].delayMs, 300);
  EXPECT_EQ(outs[0].baud, 1200);
  // "BAUD n" changes the pace as a console changes its line speed.
  EXPECT_EQ(b.ask("BAUD 9600\n"), "\n\rOK\n\r");
  EXPECT_EQ(b.faults.baud, 9600);
  EXPECT_EQ(b.ask("BAUD 57600\n"), "\n\rNO\n\r");
  EXPECT_EQ(b.faults.baud, 9600);
}

TEST(WebService, AccountTextsArePercentDecoded) {
  ManualClock clock(kTen);
  Simulator sim(clock, {}, false);
  sim.control({{"cmd", "web_account"}, {"user", "jean dupont"}, {"password", "a&b=c%"}});
  const auto body = [&](const std::string& user, const std::string& pass) {
    const std::string reply =
        webReply(sim, "/webdl.php?timestamp=0&user=" + user + "&pass=" + pass + "&action=headers");
    return reply.substr(reply.find("\r\n\r\n") + 4);
  };
  EXPECT_EQ(body("jean%20dupont", "a%26b%3Dc%25").substr(0, 8), "Records=");
  EXPECT_EQ(body("jean%20dupont", "a%26b%3dc%").substr(0, 8), "Records=");  // lower case; a bare "%" stays
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
  const int rainBefore = console.readings().at("year_rain");
  for (int step = 0; step < 360; ++step) {
    clock.advance(10);
    console.update();
    observe();
  }
  const std::string h = console.hiLows();
  EXPECT_EQ(crc16(h.substr(0, 438)), 0);
  struct Extreme {
    const char* reading;
    int low, high, lowTime, highTime;  // HILOWS offsets, -1 = none
    int width;
  } extremes[] = {
      {"barometer", 0, 2, 12, 14, 2},  {"outside_temp", 47, 49, 51, 53, 2}, {"inside_temp", 23, 21, 27, 25, 2},
      {"outside_hum", 276, 284, 292, 308, 1}, {"wind_speed", -1, 16, -1, 17, 1}, {"extra_temp1", 126, 141, 156, 186, 1},
  };
  for (const Extreme& e : extremes) {
    const auto value = [&](int offset) {
      return e.width == 2 ? static_cast<std::int16_t>(word(h, offset)) : byte(h, offset);
    };
    const auto [low, high] = seen.at(e.reading);
    EXPECT_EQ(value(e.high), high) << e.reading;
    if (e.low >= 0) {
      EXPECT_EQ(value(e.low), low) << e.reading;
    }
    for (int at : {e.lowTime, e.highTime}) {
      if (at >= 0) {
        EXPECT_TRUE(word(h, at) >= 1000 && word(h, at) <= 1100) << e.reading << " " << word(h, at);
      }
    }
  }
  EXPECT_EQ(word(h, 55), word(h, 49));  // month and year highs began with this hour
  EXPECT_EQ(word(h, 59), word(h, 49));

  // Twelve five-minute records, 10:05 to 11:00, within the day's extremes;
  // their rain adds up to what the counter gained.
  const std::vector<std::string> records = console.recordsAfter(0, 0);
  ASSERT_EQ(records.size(), 12u);
  int rain = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string& r = records[i];
    const int minutes = 10 * 60 + 5 * static_cast<int>(i + 1);
    EXPECT_EQ(word(r, 0), 8 + 12 * 32 + 25 * 512);
    EXPECT_EQ(word(r, 2), minutes / 60 * 100 + minutes % 60);
    const auto temp = [&](int offset) { return static_cast<std::int16_t>(word(r, offset)); };
    EXPECT_LE(temp(8), temp(4));
    EXPECT_LE(temp(4), temp(6));
    EXPECT_LE(temp(6), seen.at("outside_temp").second);
    EXPECT_GE(temp(8), seen.at("outside_temp").first);
    EXPECT_LE(byte(r, 25), seen.at("wind_speed").second);
    EXPECT_EQ(word(r, 18), 30);  // one sample every 10 s
    rain += word(r, 10);
  }
  EXPECT_EQ(rain, console.readings().at("year_rain") - rainBefore);
  const Console::DumpHeader all = console.startDump(0, 0);
  EXPECT_EQ(all.pages, 3);
  EXPECT_EQ(all.firstIndex, 0);
}

}  // namespace
}  // namespace consolesim
