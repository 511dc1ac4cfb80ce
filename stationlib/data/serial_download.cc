#include "stationlib/data/serial_download.h"

#include <cmath>

#include "stationlib/link/codes.h"
#include "stationlib/link/exchange.h"
#include "stationlib/link/station.h"

namespace orbisk::archive {
namespace {

constexpr int kRequestAttempts = 3;
constexpr int kCommandTries = 3;
constexpr int kRequestTimeoutRow = 1;
constexpr std::size_t kHeaderSize = 6;

bool SendCommand() {
  for (int i = 0; i < kCommandTries; ++i) {
    link::PurgeLink();
    if (link::SendText("DMPAFT\n") == 0 && link::ExpectAck()) return true;
  }
  return false;
}

bool StampsAcknowledged(const ArchiveStamps& stamps) {
  link::ResetChecksum();
  if (link::SendWord(stamps.date) != 0 || link::SendWord(stamps.time) != 0 ||
      link::SendChecksum() != 0)
    return false;
  link::SaveLinkTimeouts();
  link::SelectLinkTimeout(kRequestTimeoutRow);
  const bool acknowledged = link::ExpectAck();
  link::RestoreLinkTimeouts();
  return acknowledged;
}

int Word(const std::uint8_t* p) {
  return p[0] | (p[1] << 8);
}

}  // namespace

void EscapeTransfer() {
  link::SendByte(link::kEscape);
}

std::optional<DumpHeader> RequestDump(const ArchiveStamps& stamps) {
  for (int attempt = 0; attempt < kRequestAttempts; ++attempt) {
    if (!link::WakeUp() || !SendCommand()) return std::nullopt;
    if (!StampsAcknowledged(stamps)) {
      EscapeTransfer();
      continue;
    }
    if (link::ReadChecked(kHeaderSize) == 0) {
      const std::uint8_t* b = link::ReceiveBuffer();
      return DumpHeader{Word(b), Word(b + 2)};
    }
  }
  return std::nullopt;
}

std::int32_t TransferPages(const DumpHeader& header, ArchiveStore& store) {
  if (!store.Prepare(header.pages, header.first_index)) {
    EscapeTransfer();
    return kOutOfMemory;
  }
  link::PurgeLink();
  for (int page = 0; page < header.pages; ++page) {
    if (link::SendByte(link::kAck) != 0) break;
    // A time-out leaves the transport's last error in place; the page is lost.
    if (link::ReadChecked(kPageSize) != 0) continue;
    const std::uint8_t* b = link::ReceiveBuffer();
    if (b[0] != (page & 0xFF)) continue;
    store.StorePage(page, b + 1);
  }
  link::SendByte(link::kAck);
  return store.CountRecords();
}

int WindSensorSlot(const std::int16_t (&types)[8]) {
  for (int i = 0; i < 8; ++i)
    if (types[i] == 7) return i;
  for (int i = 0; i < 8; ++i)
    if (types[i] == 1 || types[i] == 6 || types[i] == 11) return i;
  return -1;
}

int ExpectedWindSamples(int period_minutes, int slot, bool new_firmware) {
  const double seconds = period_minutes * 60.0;
  if (new_firmware) return static_cast<int>(std::floor(seconds / ((slot + 41) * 0.0625) + 0.5));
  return static_cast<int>(
      std::floor(seconds / ((slot + 40) * 0.0625) - seconds / (slot * 1.25 + 50) + 0.5));
}

}  // namespace orbisk::archive
