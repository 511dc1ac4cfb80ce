#pragma once
// The value catalogue: tag name -> value text. Callers hold the catalogue lock
// (AgentState::catalogue_lock) around every sequence of these calls.

#include <cstddef>
#include <string>
#include <string_view>

#include "agent/core/agent_state.h"

namespace agent {

// The text of a tag without a usable value.
inline constexpr const char* kPlaceholderText = "---";

// Creates the tag when absent, then replaces its text.
void SetTag(ValueCatalogue& catalogue, std::string_view name, std::string_view text);
// The tag's text; an absent tag reads as "" and is not created.
std::string ReadTag(const ValueCatalogue& catalogue, std::string_view name);

// Visits every tag in table order: fn(const std::string& name, const std::string& text).
template <typename Fn>
void ForEachTag(const ValueCatalogue& catalogue, Fn&& fn) {
  catalogue.ForEach(fn);
}

// Copies every tag whose name contains `fragment` (case-sensitive) into
// `target`, overwriting same-named entries. Returns target.Count() afterwards,
// or 0 without copying when the fragment is empty.
std::size_t SelectTagsByKeyFragment(const ValueCatalogue& catalogue, std::string_view fragment,
                                    KeyedTable<std::string>& target);

}  // namespace agent
