#pragma once
// The byte layouts of the console's replies, as tables: one row per field.
// The encoders walk these tables; the control channel names fields by them.
#include <cstdint>
#include <map>
#include <span>
#include <string>

namespace consolesim {

// Readings in the console's raw units, by field name ("outside_temp" in
// tenths of °F, "barometer" in thousandths of inHg, ...).
using Readings = std::map<std::string, int>;

struct PacketField {
  std::string name;
  int offset;
  int width;       // 1 or 2 bytes, little-endian
  int dashed;      // raw value sent when the reading is missing
};

constexpr int kPacketSize = 99;      // live and second-format packets, CRC included
constexpr int kHiLowsDataSize = 436;  // HILOWS data bytes, CRC not included
constexpr int kRecordSize = 52;
constexpr int kRecordsPerPage = 5;
constexpr int kPageSize = 267;        // sequence byte, 5 records, 4 spare, CRC
constexpr int kMemorySize = 4096;

std::span<const PacketField> loopFields();
std::span<const PacketField> lpsFields();

// The extremes of one quantity inside the HILOWS reply; -1 = not present.
enum class Slot { DayLow, DayHigh, DayLowTime, DayHighTime, MonthLow, MonthHigh, YearLow, YearHigh, HourHigh };
constexpr int kSlotCount = 9;
const char* slotName(Slot slot);

struct HiLowQuantity {
  std::string name;  // the reading it follows
  int width;         // width of the values (times are always 2 bytes)
  int offsets[kSlotCount];
};
std::span<const HiLowQuantity> hiLowQuantities();

// Archive record fields: name → offset/width, for the two firmware layouts.
std::span<const PacketField> archiveFields(bool newLayout);

// Writes `value` little-endian into `out` at `offset`.
void putLittle(std::string& out, int offset, int width, int value);
int getLittle(const std::string& in, int offset, int width);

}  // namespace consolesim
