#pragma once
#include <array>
#include <cstdint>

#include "stationlib/api/OrbiskPro.h"
#include "stationlib/data/context.h"

namespace orbisk::data {

// Configuration memory addresses.
namespace address {
inline constexpr unsigned kLatitude = 11, kLongitude = 13, kTimeZone = 17, kTxConfigByte = 23,
                          kOwnTransmitter = 24, kTxConfig = 25, kUnits = 41, kSetup = 43,
                          kArchivePeriod = 45, kCalibration = 50, kWindDirOffset = 77,
                          kWindCupNew = 195, kTempAveraging = 4092;
}

// Unit bits at address 41 (the byte; its complement follows it).
std::uint8_t EncodeUnits(const Units& u);
Units DecodeUnits(std::uint8_t bits);

// Rain collector of the setup bits (address 43, bits 4-5): model 1, 2 or 6.
int StationRainModel(std::uint8_t setup);
// Setup byte with the collector code 1, 2 or 3 written as 0, 1 or 2.
std::uint8_t WithStationRainCode(std::uint8_t setup, int code);

// Latitude or longitude record of the exports (OrbiskPosition).
OrbiskPosition DecodePosition(std::int16_t tenths);
// Tenths of a degree from a record; false when out of range (|limit| degrees).
bool EncodePosition(const OrbiskPosition& r, double limit, std::int16_t& tenths);

// GMT offset (hour x 100 + minutes) of zone 0-46.
int ZoneOffset(int zone);
// Time zone record of the exports (OrbiskTimeZone).
OrbiskTimeZone DecodeTimeZone(const std::array<std::uint8_t, 6>& block);
// The 6-byte block; false for an argument out of range.
bool EncodeTimeZone(const OrbiskTimeZone& r, std::array<std::uint8_t, 6>& block);

// Transmitter configuration: 16 bytes at address 25, and the console's own
// transmitter number at 24. Types 1-12 per transmitter, repeater 0 or 1-8.
struct TxConfig {
  std::array<std::int16_t, 8> type{};
  std::array<std::int16_t, 8> repeater{};
};
TxConfig DecodeTxConfig(const std::array<std::uint8_t, 16>& bytes, int own_transmitter,
                        const FirmwareFeatures& f);
// Encodes the types back (the sensor slots numbered in transmitter order);
// false when a check fails.
bool EncodeTxConfig(const TxConfig& config, const FirmwareFeatures& f,
                    std::array<std::uint8_t, 16>& bytes);
// Extra sensor slot of a transmitter (temperature 1-15, humidity 0-7), -1 without one.
int TransmitterTemperatureSlot(const std::array<std::uint8_t, 16>& bytes, int transmitter);
int TransmitterHumiditySlot(const std::array<std::uint8_t, 16>& bytes, int transmitter);

}  // namespace orbisk::data
