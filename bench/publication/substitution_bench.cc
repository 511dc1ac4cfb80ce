// Filling a 1 MiB HTML template with about 2000 tag references and 30 request
// blocks over a catalogue of 700 tags: the plain per-tag search-and-replace and
// the production substitution; then the whole filling pass over files beside a
// plain read-and-write copy, on that template and on two dense with references.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "agent/core/agent_context.h"
#include "agent/publication/fill_template.h"
#include "agent/publication/tag_substitution.h"
#include "agent/publication/template_text.h"
#include "platform/env.h"
#include "platform/files.h"
#include "tests/support/dense_templates.h"
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

const std::string& Shape(std::int64_t shape) {
  static const std::string kDense = publication_test::DenseTableTemplate(25000);
  static const std::string kDenser = publication_test::DenserTemplate(std::size_t{5} << 19);
  return shape == 0 ? TemplateText() : shape == 1 ? kDense : kDenser;
}

// The substitution alone, in memory, on the shapes of BM_FillVersusCopy.
void BM_FastSubstitution(benchmark::State& state) {
  const auto tags = state.range(0) == 0 ? Catalogue() : publication_test::DenseCatalogue();
  const std::string& text = Shape(state.range(0));
  std::string out;
  for (auto _ : state) {
    agent::publication::TagSubstitution substitution(tags, ";");
    agent::publication::FillTemplateText(text, substitution, out);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_FastSubstitution)
    ->ArgName("shape")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The whole filling pass of one template as the agent makes it (journal lines
// included), timed against a plain read-and-write copy of the same file in the
// same iteration: 0 is the sparse 1 MiB template, 1 the 2.5 MB table of 25000
// rows, 2 about 2.5 MB with a reference every 10 bytes.
void BM_FillVersusCopy(benchmark::State& state) {
  const std::string directory = platform::MakeTemporaryDirectory("publication-bench-");
  platform::FakeClock clock;
  agent::AgentPaths paths;
  paths.working_directory = directory;
  paths.program_directory = directory;
  paths.program_path = directory + "/tvl_brumalweb";
  agent::AgentContext context(clock, paths);
  context.cache_directory = directory + "/cache";
  context.state.configuration.Set("LOG_File",
                                  agent::ConfigEntry{"LOG", "File", directory + "/journal.log"});
  context.state.configuration.Set("FORMDATA_SeparatorRQT",
                                  agent::ConfigEntry{"FORMDATA", "SeparatorRQT", ";"});
  const auto tags = state.range(0) == 0 ? Catalogue() : publication_test::DenseCatalogue();
  for (const TagEntry& tag : tags) context.state.catalogue.Set(tag.name, tag.value);
  const std::string source = directory + "/template.htm";
  const std::string copy = directory + "/copy.htm";
  platform::WriteFileAtomically(source, Shape(state.range(0)));

  double fill_seconds = 0, copy_seconds = 0;
  // The copy keeps its buffer from one iteration to the next, as the agent
  // keeps its own: neither is timed allocating fresh pages.
  std::string bytes;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    platform::ReadFile(source, bytes);
    platform::WriteFileAtomically(copy, bytes);
    copy_seconds += SecondsSince(start);

    agent::publication::TagSubstitution substitution =
        agent::publication::CatalogueSubstitution(context);
    start = std::chrono::steady_clock::now();
    agent::publication::FillTemplate(context, source, substitution);
    const double fill = SecondsSince(start);
    fill_seconds += fill;
    state.SetIterationTime(fill);
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["fill_ms"] = fill_seconds * 1e3 / iterations;
  state.counters["copy_ms"] = copy_seconds * 1e3 / iterations;
  state.counters["fill/copy"] = fill_seconds / copy_seconds;
  state.SetLabel(std::to_string(Shape(state.range(0)).size()) + " bytes");
  platform::RemoveTree(directory);
}
BENCHMARK(BM_FillVersusCopy)
    ->ArgName("shape")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
