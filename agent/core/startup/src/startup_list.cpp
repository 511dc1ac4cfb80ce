// The start-up of the agent, in order. An engine joins the start-up by adding
// its step at its place here; nothing else needs to change.
//
//   1-2  title, tables and locks: built with the AgentContext
//   3-5  configuration, STREAMFILE, USERDATA; user data into the catalogue
//   6    application tags
//   7    cache directory
//   8    wind-rose background                        (images)
//   9    declare the data services                   (acquisition)
//   10   InitialiseTags, with the first images below
//   11   start the FTP push engine                   (publication)
//   12   site synchronisation, to its end            (publication)
//   13   service scheduler, alarm watch, acquisition engine, template filling

#include "agent/startup.h"

namespace agent {
namespace {

constexpr StartupStep kSteps[] = {
    {"configuration", LoadConfigurationStep, true},
    {"user data", InsertUserDataStep, true},
    {"application tags", PublishApplicationTagsStep, true},
    {"cache directory", ComputeCacheDirectoryStep, false},
    {"catalogue placeholders", InitialiseTagsStep, true},
};

// Connection icon (state 3), rain, severe-cold, bare wind rose, quiet alert
// image: added by the images and alarm engines.
constexpr std::span<const ImageHook> kFirstImages{};

}  // namespace

std::span<const StartupStep> StartupSteps() {
  return kSteps;
}

std::span<const ImageHook> FirstImageHooks() {
  return kFirstImages;
}

}  // namespace agent
