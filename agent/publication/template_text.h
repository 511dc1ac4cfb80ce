#pragma once
// A whole template held in memory, filled into its output bytes.
//
// The encoding comes from the byte-order mark (UTF-8, UTF-16 LE/BE); without a
// mark the text is UTF-8 when it is valid UTF-8, else Windows-1252. The output
// is in the same encoding, without a mark. CR LF, LF and a lone CR end a line;
// empty lines are dropped and every other line is written substituted and
// ended with CR LF.

#include <string>
#include <string_view>

#include "agent/publication/tag_substitution.h"

namespace agent::publication {

std::string FillTemplateText(std::string_view template_bytes, TagSubstitution& substitution);
// The same into `out`, whose memory is reused.
void FillTemplateText(std::string_view template_bytes, TagSubstitution& substitution,
                      std::string& out);

}  // namespace agent::publication
