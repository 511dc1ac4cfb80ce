#include "agent/acquisition/acquisition_engine.h"

#include <exception>
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
      connector_(library, [this] { return OpenLibrary(); }) {
  refreshMs_ =
      static_cast<std::int64_t>(context_.SettingNumber("GENERAL", "RefreshServices")) * 1000;
  offsetSeconds_ = context_.SettingNumber("CONSOLE", "OffsetService");
}

void AcquisitionEngine::Log(std::string_view text) {
  LogMessage(context_, text);
}

void AcquisitionEngine::ShowConnection(int state) {
  if (hooks_.connectionIcon) hooks_.connectionIcon(state);
}

int AcquisitionEngine::OpenLibrary() {
  return OpenStationLibrary(library_, hooks_.libraryPlaces, hooks_.deployLibraries);
}

void AcquisitionEngine::Run() {
  Log(std::string(kTag) + "Initialisation de la connexion");
  while (!context_.StopRequested()) {
    std::int64_t pauseMs = 2500;
    try {
      pauseMs = RunPass();
    } catch (const std::exception& failure) {
      Log(std::string(kTag) + "Erreur : " + failure.what());
    } catch (...) {
      Log(std::string(kTag) + "Erreur inconnue");
    }
    if (!context_.Sleep(pauseMs)) break;
  }
}

std::int64_t AcquisitionEngine::RunPass() {
  platform::Clock& clock = context_.clock();
  AgentState& state = context_.state;
  const std::int64_t passStartMs = clock.MonotonicMs();

  if (OpenLibrary() != 1) {
    Log(std::string(kTag) + "Erreur d'ouverture de la librairie OrbiskPro.dll");
  } else {
    state.passCollectionCount.Clear();
    if (!state.connected.IsSet()) AttemptConnection();
    bool linkLost = false;
    if (state.connected.IsSet()) linkLost = !CollectDueServices(passStartMs);
    // A link the console dropped fails every collection at once, so its passes
    // stay short: it is closed like a long pass, and the next pass reconnects.
    if (linkLost) {
      Log(std::string(kTag) + "Aucune collecte réussie, fermeture de la connexion à la console.");
    }
    if (state.connected.IsSet() && (linkLost || clock.MonotonicMs() - passStartMs > kLongPassMs)) {
      connector_.CloseLink(linkType_);
      ShowConnection(kClosedAfterLongPass);
      state.connected.Clear();
    }
  }

  PacingDecision pacing = DecidePacing(refreshMs_, clock.MonotonicMs() - passStartMs, offsetTotal_);
  platform::LocalTime now = clock.Now();
  if (pacing.automatic) {
    Log(std::string(kTag) + "Prochaine collecte des données dans " +
        std::to_string(pacing.announcedSeconds) + " secondes. " +
        FormatClockTime(now, pacing.announcedSeconds));
  }
  {
    std::lock_guard<std::recursive_mutex> hold(state.catalogueLock);
    SetTag(state.catalogue, "TempProchaineCollecte", std::to_string(pacing.announcedSeconds));
    SetTag(state.catalogue, "TempCollecteActuel", FormatClockTime(now));
    SetTag(state.catalogue, "HeureProchaineCollecte",
           FormatClockTime(now, pacing.announcedSeconds));
  }
  return pacing.pauseMs;
}

void AcquisitionEngine::AttemptConnection() {
  std::string address = context_.Setting("CONSOLE", "adresse");
  std::string typeText = context_.Setting("CONSOLE", "type");
  Log("(MoteurRecupDonnees] : Tentative de connexion : " + typeText + " : " + address);
  if (typeText == "USB") {
    linkType_ = kLinkUsb;
    if (address == "auto") {
      address = std::to_string(library_.CallStationLong("_GetUSBDevSerialNumber_O@0"));
    }
  } else if (typeText == "IP") {
    linkType_ = kLinkTcpIp;
  } else if (typeText == "SERIAL") {
    linkType_ = kLinkSerial;
  }
  std::int64_t timeoutMs =
      ConnectionTimeoutMs(context_.SettingNumber("CONSOLE", "ConnectionTimeout"));

  std::int16_t result = connector_.ConnectStation(linkType_, address, timeoutMs);
  AgentState& state = context_.state;
  if (IsValidStationValue(result) && result == 1) {
    state.connected.Set();
    Log(std::string(kTag) + "OK:\n" + typeText + " : " + address);
    ShowConnection(kJustConnected);
    return;
  }
  state.connected.Clear();
  ShowConnection(kConnectionFailed);
  Log(std::string(kTag) + "Impossible de se connecter à la console :\n" + typeText + " : " +
      address);
  Log(std::string(kTag) + "Impossible de se connecter à la console !");
  Log(std::string(kTag) + "Type : " + typeText + " | Adresse : " + address);
  Log(StationErrorText(result));
}

void AcquisitionEngine::ReadStationTime() {
  DateTimeRecord record{-1, -1, -1, -1, -1};
  GetStationTime(library_, record);
  std::lock_guard<std::recursive_mutex> hold(context_.state.catalogueLock);
  station_time_.Store(record);
}

bool AcquisitionEngine::CollectDueServices(std::int64_t passStartMs) {
  AgentState& state = context_.state;
  ShowConnection(kConnectedAtPassStart);
  Log(std::string(kTag) + "Connexion réussi");
  Log(std::string(kTag) + "Lancement/vérification des services...");
  if (library_.CallStationWord("_IsNewLoopPackageSupported_O@0") == 0) {
    Log(std::string(kTag) + "La console ne supporte pas la fonction Loop Package.");
  }
  ReadStationTime();

  std::vector<ServiceRow*> declared;
  {
    std::lock_guard<std::recursive_mutex> hold(state.catalogueLock);
    declared = services_.Declared();
  }
  int attempted = 0;
  int succeeded = 0;
  for (ServiceRow* service : declared) {
    std::lock_guard<std::recursive_mutex> hold(state.catalogueLock);
    if (passStartMs < service->nextDueMs || !service->collect) continue;
    Log(std::string(kTag) + service->name);
    ++attempted;
    if (service->collect(library_) == 1) {
      ++succeeded;
      service->flag = 1;
      std::int64_t intervalMs =
          static_cast<std::int64_t>(context_.SettingNumber("SERVICES", service->name)) * 1000;
      service->nextDueMs = context_.clock().MonotonicMs() + intervalMs;
      if (service->name == "CurrentData" || service->name == "Alarm") {
        state.passCollectionCount.Increment();
      }
    } else {
      offsetTotal_ += offsetSeconds_;
    }
  }
  ReadStationTime();
  return attempted == 0 || succeeded > 0;
}

}  // namespace agent
