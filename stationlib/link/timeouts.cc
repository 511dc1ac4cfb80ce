#include "stationlib/link/timeouts.h"

namespace orbisk::link {
namespace {

constexpr LinkTimeoutRow kRows[kTimeoutRowCount] = {
    {{0, 25, 1200, 25, 2000}, 1500, 1000, 500},
    {{0, 25, 3500, 25, 2000}, 3500, 3500, 2000},
    {{0, 25, 500, 25, 500}, 1000, 500, 500},
    {{0, 25, 100, 25, 100}, 1500, 500, 500},
    {{90, 10, 10, 25, 2000}, 500, 500, 2000},
    {{0, 5, 100, 0, 0}, 50, 50, 50},
    {{0, 250, 30000, 25, 100}, 45000, 45000, 1100},
    {{0, 30, 2000, 25, 2000}, 2000, 2000, 2000},
    // Rows 8-10 have no serial limits of their own: the serial link waits as
    // long as the USB link does on these rows.
    {{0, 25, 7000, 25, 2000}, 7000, 7000, 2000},
    {{0, 25, 8000, 25, 2000}, 8000, 8000, 2000},
    {{0, 25, 500, 25, 500}, 1000, 500, 500},
};

}  // namespace

const LinkTimeoutRow& TimeoutRow(int row) {
  if (row < 0 || row >= kTimeoutRowCount) row = kInitialSerialRow;
  return kRows[row];
}

}  // namespace orbisk::link
