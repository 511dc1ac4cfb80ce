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

#include "agent/app/acquisition_steps.h"
#include "agent/app/alarm_steps.h"
#include "agent/app/publication_steps.h"
#include "agent/app/startup.h"
#include "agent/families/tag_family_services.h"
#include "agent/history/archive_service.h"
#include "agent/history/history_publication.h"
#include "agent/images/agent_icons.h"
#include "agent/images/carried_images.h"

namespace agent {
namespace {

void LoadWindRoseBackgroundStep(Agent&) {
  images::LoadCarriedImages();
}

// The tag families fill their rows of the service table and draw their
// pictures through the images engine.
void InstallTagFamiliesStep(Agent& agent) {
  AgentContext& context = agent.context();
  agent.SetConnectionIcon([&context](int state) { images::SetConnectionIcon(context, state); });
  CurrentDataImages pictures;
  pictures.wind_rose = [&context](int degrees) { images::AgentIcons(context)->WindRose(degrees); };
  pictures.trend_icon = [&context](const std::string& text) {
    images::AgentIcons(context)->TrendIcon(text);
  };
  pictures.rain_icon = [&context](float rain) { images::AgentIcons(context)->RainIcon(rain); };
  pictures.forecast_icon = [&context](int number) {
    images::AgentIcons(context)->ForecastIcon(number);
  };
  pictures.severe_cold_icon = [&context](float thsw, bool thsw_valid, float thw, bool thw_valid) {
    images::AgentIcons(context)->SevereColdIcon(thsw, thsw_valid, thw, thw_valid);
  };
  InstallTagFamilies(context, agent.services(), agent.snapshot().families, std::move(pictures));
}

void InstallArchiveServiceStep(Agent& agent) {
  InstallArchiveService(agent.context(), agent.services(), agent.archive_store());
}

void InitialiseHistoryTagsStep(Agent& agent) {
  InitialiseHistoryTags(agent.context());
}

constexpr StartupStep kCoreSteps[] = {
    {"configuration", LoadConfigurationStep, true},
    {"user data", InsertUserDataStep, true},
    {"application tags", PublishApplicationTagsStep, true},
    {"cache directory", ComputeCacheDirectoryStep, false},
    {"catalogue placeholders", InitialiseTagsStep, true},
};

constexpr StartupStep kSteps[] = {
    {"configuration", LoadConfigurationStep, true},
    {"user data", InsertUserDataStep, true},
    {"application tags", PublishApplicationTagsStep, true},
    {"cache directory", ComputeCacheDirectoryStep, false},
    {"wind-rose background", LoadWindRoseBackgroundStep, false},
    {"data services", DeclareServicesStep, false},
    {"tag families", InstallTagFamiliesStep, false},
    {"alarm service", InstallAlarmServiceStep, false},
    {"archive service", InstallArchiveServiceStep, false},
    {"catalogue placeholders", InitialiseTagsStep, true},
    {"history placeholders", InitialiseHistoryTagsStep, true},
    {"FTP push engine", publication::StartFtpPushStep, false},
    {"site synchronisation", publication::SynchroniseSiteStep, false},
    {"service scheduler", StartServiceSchedulerStep, false},
    {"alarm watch", StartAlarmWatchStep, false},
    {"acquisition engine", StartAcquisitionEngineStep, false},
    {"template filling engine", publication::StartTemplateEngineStep, false},
};

}  // namespace

std::span<const StartupStep> StartupSteps() {
  return kSteps;
}

std::span<const StartupStep> CoreStartupSteps() {
  return kCoreSteps;
}

// Connection icon, rain, severe-cold, bare wind rose, then the quiet alert image.
std::vector<ImageHook> FirstImageHooks(Agent& agent) {
  return {[&agent] { images::DrawFirstIcons(agent.context()); },
          [&agent] { PublishStartupAlertImage(agent); }};
}

}  // namespace agent
