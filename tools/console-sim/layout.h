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
  int width;   // 1 or 2 bytes, little-endian
  int dashed;  // raw value sent when the reading is missing
};

constexpr int kPacketSize = 99;       // live and second-format packets, CRC included
constexpr int kHiLowsDataSize = 436;  // HILOWS data bytes, CRC not included
constexpr int kRecordSize = 52;
constexpr int kRecordsPerPage = 5;
constexpr int kPageSize = 267;  // sequence byte, 5 records, 4 spare, CRC
constexpr int kMemorySize = 4096;

std::span<const PacketField> LoopFields();
std::span<const PacketField> LpsFields();

// The extremes of one quantity inside the HILOWS reply; -1 = not present.
enum class Slot {
  kDayLow,
  kDayHigh,
  kDayLowTime,
  kDayHighTime,
  kMonthLow,
  kMonthHigh,
  kYearLow,
  kYearHigh,
  kHourHigh
};
constexpr int kSlotCount = 9;
const char* SlotName(Slot slot);

struct HiLowQuantity {
  std::string name;  // the reading it follows
  int width;         // width of the values (times are always 2 bytes)
  int offsets[kSlotCount];
};
std::span<const HiLowQuantity> HiLowQuantities();

// Archive record fields: name → offset/width, for the two firmware layouts.
std::span<const PacketField> ArchiveFields(bool new_layout);

// Writes `value` little-endian into `out` at `offset`.
void PutLittle(std::string& out, int offset, int width, int value);
int GetLittle(const std::string& in, int offset, int width);

}  // namespace consolesim
