#include "agent/acquisition/acquisition_engine.h"

#include <exception>
#include <limits>
#include <mutex>

#include "agent/acquisition/pacing.h"
#include "agent/acquisition/station_calls.h"
#include "agent/acquisition/station_error_text.h"
#include "agent/catalogue/station_values.h"
#include "agent/catalogue/value_catalogue.h"

namespace agent {
namespace {

constexpr const char* kTag = "[MoteurRecupDonnees] : ";

}  // namespace

AcquisitionEngine::AcquisitionEngine(AgentContext& context, StationLibrary& library,
                                     ServiceTable& services, StationTimeSlot& station_time,
                                     AcquisitionHooks hooks)
    : context_(context),
      library_(library),
      services_(services),
      station_time_(station_time),
      hooks_(std::move(hooks)),
      connector_(
          context.env(), library, [this] { return OpenLibrary(); }, &context.stop_flag()) {
  refresh_ms_ =
      static_cast<std::int64_t>(context_.SettingNumber("GENERAL", "RefreshServices")) * 1000;
  offset_seconds_ = context_.SettingNumber("CONSOLE", "OffsetService");
}

void AcquisitionEngine::Log(std::string_view text) {
  LogMessage(context_, text);
}

void AcquisitionEngine::ShowConnection(int state) {
  if (hooks_.connection_icon) hooks_.connection_icon(state);
}

int AcquisitionEngine::OpenLibrary() {
  return OpenStationLibrary(library_, hooks_.library_places, hooks_.deploy_libraries);
}

void AcquisitionEngine::Run() {
  Log(std::string(kTag) + "Initialisation de la connexion");
  while (!context_.StopRequested()) {
    std::int64_t pause_ms = 2500;
    try {
      pause_ms = RunPass();
    } catch (const std::exception& failure) {
      Log(std::string(kTag) + "Erreur : " + failure.what());
    } catch (...) {
      Log(std::string(kTag) + "Erreur inconnue");
    }
    if (!context_.Sleep(pause_ms)) break;
  }
}

std::int64_t AcquisitionEngine::RunPass() {
  platform::Env& clock = context_.env();
  AgentState& state = context_.state;
  const std::int64_t pass_start_ms = clock.MonotonicMs();

  if (OpenLibrary() != 1) {
    Log(std::string(kTag) + "Erreur d'ouverture de la librairie OrbiskPro.dll");
  } else {
    state.pass_collection_count.Clear();
    if (!state.connected.IsSet()) AttemptConnection();
    bool link_lost = false;
    if (state.connected.IsSet() && !context_.StopRequested())
      link_lost = !CollectDueServices(pass_start_ms);
    // A link the console dropped fails every collection at once, so its passes
    // stay short: it is closed like a long pass, and the next pass reconnects.
    if (link_lost) {
      link_was_lost_ = true;
      Log(std::string(kTag) + "Aucune collecte réussie, fermeture de la connexion à la console.");
    }
    if (state.connected.IsSet() &&
        (link_lost || clock.MonotonicMs() - pass_start_ms > kLongPassMs)) {
      connector_.CloseLink(link_type_);
      ShowConnection(kClosedAfterLongPass);
      state.connected.Clear();
    }
  }

  PacingDecision pacing =
      DecidePacing(refresh_ms_, clock.MonotonicMs() - pass_start_ms, offset_total_);
  platform::LocalTime now = clock.Now();
  if (pacing.automatic) {
    Log(std::string(kTag) + "Prochaine collecte des données dans " +
        std::to_string(pacing.announced_seconds) + " secondes. " +
        FormatClockTime(now, pacing.announced_seconds));
  }
  {
    std::lock_guard<platform::EnvMutex> hold(state.catalogue_lock);
    SetTag(state.catalogue, "TempProchaineCollecte", std::to_string(pacing.announced_seconds));
    SetTag(state.catalogue, "TempCollecteActuel", FormatClockTime(now));
    SetTag(state.catalogue, "HeureProchaineCollecte",
           FormatClockTime(now, pacing.announced_seconds));
  }
  return pacing.pause_ms;
}

void AcquisitionEngine::AttemptConnection() {
  std::string address = context_.Setting("CONSOLE", "adresse");
  std::string type_text = context_.Setting("CONSOLE", "type");
  Log("(MoteurRecupDonnees] : Tentative de connexion : " + type_text + " : " + address);
  if (type_text == "USB") {
    link_type_ = kLinkUsb;
    if (address == "auto") {
      address = std::to_string(library_.CallStationLong(Export::kGetUSBDevSerialNumber));
    }
  } else if (type_text == "IP") {
    link_type_ = kLinkTcpIp;
  } else if (type_text == "SERIAL") {
    link_type_ = kLinkSerial;
  }
  std::int64_t timeout_ms =
      ConnectionTimeoutMs(context_.SettingNumber("CONSOLE", "ConnectionTimeout"));

  std::int16_t result = connector_.ConnectStation(link_type_, address, timeout_ms);
  AgentState& state = context_.state;
  if (IsValidStationValue(result) && result == 1) {
    state.connected.Set();
    if (link_was_lost_) {
      // The console may have recorded, or been reset, while out of reach.
      std::lock_guard<platform::EnvMutex> hold(state.catalogue_lock);
      for (ServiceRow* service : services_.Declared())
        if (service->long_download) service->next_due_ms = std::numeric_limits<std::int64_t>::min();
      link_was_lost_ = false;
    }
    Log(std::string(kTag) + "OK:\n" + type_text + " : " + address);
    ShowConnection(kJustConnected);
    return;
  }
  state.connected.Clear();
  if (context_.StopRequested()) return;  // an attempt cut short by the stop is no console failure
  link_was_lost_ = true;
  ShowConnection(kConnectionFailed);
  Log(std::string(kTag) + "Impossible de se connecter à la console :\n" + type_text + " : " +
      address);
  Log(std::string(kTag) + "Impossible de se connecter à la console !");
  Log(std::string(kTag) + "Type : " + type_text + " | Adresse : " + address);
  Log(StationErrorText(result));
}

void AcquisitionEngine::ReadStationTime() {
  OrbiskDateTime record{-1, -1, -1, -1, -1};
  GetStationTime(library_, record);
  std::lock_guard<platform::EnvMutex> hold(context_.state.catalogue_lock);
  station_time_.Store(record);
}

bool AcquisitionEngine::CollectDueServices(std::int64_t pass_start_ms) {
  AgentState& state = context_.state;
  ShowConnection(kConnectedAtPassStart);
  Log(std::string(kTag) + "Connexion réussi");
  Log(std::string(kTag) + "Lancement/vérification des services...");
  if (library_.CallStationWord(Export::kIsNewLoopPackageSupported) == 0) {
    Log(std::string(kTag) + "La console ne supporte pas la fonction Loop Package.");
  }
  ReadStationTime();

  std::vector<ServiceRow*> declared;
  {
    std::lock_guard<platform::EnvMutex> hold(state.catalogue_lock);
    declared = services_.Declared();
  }
  int attempted = 0;
  int succeeded = 0;
  for (ServiceRow* service : declared) {
    // Each call may wait out a silent console's time-out: the stop does not wait for the rest.
    if (context_.StopRequested()) return true;
    std::unique_lock<platform::EnvMutex> hold(state.catalogue_lock);
    if (pass_start_ms < service->next_due_ms || !service->collect) continue;
    Log(std::string(kTag) + service->name);
    ++attempted;
    // A long download holds the library only: pages keep being filled and uploaded.
    if (service->long_download) hold.unlock();
    const int collected = service->collect(library_);
    if (!hold.owns_lock()) hold.lock();
    if (collected == 1) {
      ++succeeded;
      service->flag = 1;
      std::int64_t interval_ms =
          static_cast<std::int64_t>(context_.SettingNumber("SERVICES", service->name)) * 1000;
      service->next_due_ms = context_.env().MonotonicMs() + interval_ms;
      if (service->name == "CurrentData" || service->name == "Alarm") {
        state.pass_collection_count.Increment();
      }
    } else {
      offset_total_ += offset_seconds_;
    }
  }
  ReadStationTime();
  return attempted == 0 || succeeded > 0;
}

}  // namespace agent
