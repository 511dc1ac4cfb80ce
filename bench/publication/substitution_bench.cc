// Filling a 1 MiB HTML template with about 2000 tag references and 30 request
// blocks over a catalogue of 700 tags: the plain per-tag search-and-replace,
// the production substitution, a whole filling pass over files, and a plain
// read-and-write copy of the same file for scale.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "agent/publication/tag_substitution.h"
#include "agent/publication/template_text.h"
#include "platform/files.h"
#include "tests/support/reference_substitution.h"

namespace {

using agent::publication::TagEntry;

std::vector<TagEntry> Catalogue() {
  std::vector<TagEntry> tags;
  for (int i = 0; i < 700; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, i % 10 == 0 ? "ExtraTemp_%03d" : "Tag%03d", i);
    tags.push_back({name, std::to_string(i * 7 % 100) + "." + std::to_string(i % 10)});
  }
  return tags;
}

// About 1 MiB of HTML: 2000 references spread over the lines, 30 request blocks.
const std::string& TemplateText() {
  static const std::string kText = [] {
    std::string out;
    int references = 0, requests = 0, line = 0;
    while (out.size() < (1u << 20)) {
      ++line;
      out += "    <tr class=\"row\"><td>Mesure " + std::to_string(line) + "</td><td>";
      if (line % 9 == 0 && references < 2000) {
        char reference[32];
        std::snprintf(reference, sizeof reference, "#Tag%03d#", (references * 37) % 700 | 1);
        out += reference;
        ++references;
      }
      if (line % 600 == 0 && requests < 30) {
        out += "#RQT#ExtraTemp_#";
        ++requests;
      }
      out += "</td></tr>\n";
    }
    return out;
  }();
  return kText;
}

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/" + name;
}

void BM_ReferenceSubstitution(benchmark::State& state) {
  const auto tags = Catalogue();
  const std::string& text = TemplateText();
  for (auto _ : state) {
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      out += publication_test::ReferenceSubstituteTags(text.substr(start, end - start), tags, ";") +
             "\r\n";
      start = end + 1;
    }
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ReferenceSubstitution)->Unit(benchmark::kMillisecond);

void BM_FastSubstitution(benchmark::State& state) {
  const auto tags = Catalogue();
  const std::string& text = TemplateText();
  for (auto _ : state) {
    agent::publication::TagSubstitution substitution(tags, ";");
    benchmark::DoNotOptimize(agent::publication::FillTemplateText(text, substitution));
  }
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_FastSubstitution)->Unit(benchmark::kMillisecond);

void BM_FillingPassOverFiles(benchmark::State& state) {
  const auto tags = Catalogue();
  const std::string source = TempPath("publication-bench-template.htm");
  const std::string output = TempPath("publication-bench-output.htm");
  platform::WriteFileAtomically(source, TemplateText());
  for (auto _ : state) {
    std::string bytes;
    platform::ReadFile(source, bytes);
    agent::publication::TagSubstitution substitution(tags, ";");
    platform::WriteFileAtomically(output,
                                  agent::publication::FillTemplateText(bytes, substitution));
  }
  platform::DeleteFile(source);
  platform::DeleteFile(output);
}
BENCHMARK(BM_FillingPassOverFiles)->Unit(benchmark::kMillisecond);

void BM_PlainCopy(benchmark::State& state) {
  const std::string source = TempPath("publication-bench-copy-source.htm");
  const std::string output = TempPath("publication-bench-copy.htm");
  platform::WriteFileAtomically(source, TemplateText());
  for (auto _ : state) {
    std::string bytes;
    platform::ReadFile(source, bytes);
    platform::WriteFileAtomically(output, bytes);
  }
  platform::DeleteFile(source);
  platform::DeleteFile(output);
}
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
