#include "stationlib/data/library_state.h"

namespace orbisk::data {

LibraryState& GetLibraryState() {
  static LibraryState state;
  return state;
}

}  // namespace orbisk::data
