#include "stationlib/data/library_state.h"

namespace orbisk::data {

LibraryState& libraryState() {
  static LibraryState state;
  return state;
}

}  // namespace orbisk::data
