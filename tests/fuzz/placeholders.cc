// Placeholder expansion with an environment, a clock reading, a working
// directory and a program path taken from the input.
#include "agent/core/placeholders.h"

#include <cstdlib>
#include <string>

#include "tests/fuzz/fuzz_input.h"

namespace {

// Short names and values: every variable may add placeholders that the next
// ones expand, so long ones would only measure the growth the expansion is
// defined to have.
constexpr std::size_t kVariables = 4;
constexpr std::size_t kShortText = 16;
constexpr std::size_t kLongestText = 512;

std::string Short(fuzz::FuzzInput& input) {
  return std::string(input.Take(input.Byte() % (kShortText + 1)));
}

}  // namespace

// Input: variable count, then name and value of each (a length byte, then
// the bytes), year, month, day, hour, minute, second, working directory,
// program path, then the text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  agent::PlaceholderSources sources;
  const std::size_t variables = input.Byte() % (kVariables + 1);
  for (std::size_t i = 0; i < variables; ++i) {
    std::string name = Short(input);
    sources.environment.emplace_back(std::move(name), Short(input));
  }
  sources.now.year = static_cast<std::int16_t>(input.Word());
  sources.now.month = input.Byte();
  sources.now.day = input.Byte();
  sources.now.hour = input.Byte();
  sources.now.minute = input.Byte();
  sources.now.second = input.Byte();
  sources.working_directory = Short(input);
  sources.program_path = Short(input);
  const std::string text(input.Take(kLongestText));

  const std::string expanded = agent::ExpandPlaceholders(text, sources);
  // Without a "#" there is nothing to expand.
  if (text.find('#') == std::string::npos && expanded != text) std::abort();
  return 0;
}
