#pragma once
// An agent context over a fake clock with a cache directory, threshold and
// current-data slots that start without any value, and the alarm watch over
// them; the upload queue and the pictures are read back as the site gets them.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "agent/catalogue/initial_tags.h"
#include "agent/catalogue/value_catalogue.h"
#include "agent/families/alarm_slots.h"
#include "agent/families/alarm_watch.h"
#include "agent/families/family_slots.h"
#include "tests/agent/core/agent_fixture.h"

class AlarmWatchFixture : public AgentFixture {
 protected:
  static constexpr float kDashed = -32768.0f;

  void SetUp() override {
    AgentFixture::SetUp();
    std::filesystem::create_directory(Cache());
    context_->cache_directory = "cache";
    thresholds_.values.fill(kDashed);
    families_.current.values.fill(kDashed);
    agent::InitialiseTags(*context_, {});
    watch_ = std::make_unique<agent::AlarmWatch>(*context_, families_, thresholds_);
  }
  void TearDown() override {
    MakeCacheWritable();
    watch_.reset();
    AgentFixture::TearDown();
  }

  // The pass collection count after a pass that collected both services.
  void BothServicesCollected() {
    context_->state.pass_collection_count.Clear();
    context_->state.pass_collection_count.Increment();
    context_->state.pass_collection_count.Increment();
  }
  std::string Alerts() {
    std::lock_guard<platform::EnvMutex> hold(context_->state.catalogue_lock);
    return agent::ReadTag(context_->state.catalogue, "Alertes");
  }
  // The queued paths, and the queue emptied as a push would.
  std::vector<std::string> TakeQueued() {
    std::lock_guard<platform::EnvMutex> hold(context_->state.queue_lock);
    std::vector<std::string> paths;
    context_->state.upload_queue.ForEach(
        [&paths](const std::string&, const std::string& path) { paths.push_back(path); });
    context_->state.upload_queue.Clear();
    return paths;
  }
  std::string Cache() const { return Path("cache"); }
  std::vector<std::string> CacheEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Cache()))
      names.push_back(entry.path().filename().string());
    return names;
  }
  std::string AlertImagePath() const { return Path("cache/ico_alerte.png"); }

  // Root writes into a read-only directory all the same; then the directory
  // is moved aside and a plain file takes its place until it is made writable.
  void MakeCacheUnwritable() {
    namespace fs = std::filesystem;
    fs::permissions(Cache(), fs::perms::owner_read | fs::perms::owner_exec);
    const std::string probe = Path("cache/.probe");
    if (platform::AppendToFile(probe, "x")) {
      platform::DeleteFile(probe);
      fs::permissions(Cache(), fs::perms::owner_all);
      fs::rename(Cache(), Path("cache.aside"));
      ASSERT_TRUE(platform::AppendToFile(Cache(), "not a directory"));
      moved_aside_ = true;
    }
  }
  void MakeCacheWritable() {
    namespace fs = std::filesystem;
    std::error_code ignored;
    if (moved_aside_) {
      fs::remove(Cache(), ignored);
      fs::rename(Path("cache.aside"), Cache(), ignored);
      moved_aside_ = false;
    }
    fs::permissions(Cache(), fs::perms::owner_all, ignored);
  }

  agent::AlarmThresholds thresholds_;
  agent::FamilySlots families_;
  std::unique_ptr<agent::AlarmWatch> watch_;
  bool moved_aside_ = false;
};
