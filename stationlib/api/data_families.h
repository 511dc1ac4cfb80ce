// Shared helpers of the data families (current data, highs and lows, alarms,
// calibration, configuration): the query context from the library settings
// and the firmware flags, and the record writers.
#pragma once

#include <cstdint>
#include <span>

#include "stationlib/data/codes.h"
#include "stationlib/data/context.h"
#include "stationlib/data/library_state.h"
#include "stationlib/link/codes.h"
#include "stationlib/link/exchange.h"
#include "stationlib/link/station.h"

namespace orbisk::api::data_families {

inline data::FirmwareFeatures Firmware() {
  const link::FeatureFlags& f = link::Features();
  return {f.station_identified, f.no_bar_trend, f.new_firmware, f.repeater, !f.no_bar_trend};
}

inline data::QueryContext Context() {
  const data::LibraryState& s = data::GetLibraryState();
  return {s.units, s.rain, Firmware()};
}

// The receive buffer after a checksum-tested read of `n` bytes.
template <std::size_t N>
std::span<const std::uint8_t, N> Received() {
  return std::span<const std::uint8_t, N>(link::ReceiveBuffer(), N);
}

// Reads `n` bytes with checksum after a command acknowledged under the retry
// pattern: 0 or kCommFailure.
inline std::int32_t CommandAndRead(const char* command, std::size_t n) {
  if (link::CommandWithRetry(command) != 0) return kCommFailure;
  if (link::ReceiveBuffer() == nullptr || link::ReceiveBufferSize() < n) return kCommFailure;
  return link::ReadChecked(n) == 0 ? 0 : kCommFailure;
}

// Five 32-bit fields: minute, hour, day, month, year.
inline void WriteDateTime(std::int32_t* record, int minute, int hour, int day, int month,
                          int year) {
  record[0] = minute;
  record[1] = hour;
  record[2] = day;
  record[3] = month;
  record[4] = year;
}

}  // namespace orbisk::api::data_families

namespace orbisk::api::data_families {

// Sends a block followed by its checksum (high byte first): 0 or -1.
inline int SendBlock(const std::uint8_t* data, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (link::SendByte(data[i]) != 0) return -1;
  const std::uint16_t crc = link::Crc16(data, n);
  if (link::SendByte(static_cast<std::uint8_t>(crc >> 8)) != 0) return -1;
  return link::SendByte(static_cast<std::uint8_t>(crc & 0xFF));
}

// Reads the transmitter configuration (own transmitter at 24, pairs at 25).
inline std::int32_t LoadTxConfig() {
  std::uint8_t tx[17];
  if (link::EepromRead(24, sizeof tx, tx) != 0) return kCommFailure;
  data::LibraryState& s = data::GetLibraryState();
  s.own_transmitter = tx[0];
  for (int i = 0; i < 16; ++i) s.tx_config[i] = tx[i + 1];
  return 0;
}

}  // namespace orbisk::api::data_families
