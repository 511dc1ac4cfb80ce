#pragma once
// An agent context, the fake station attached to a station library, and the
// family slots, for the family tests.

#include "agent/catalogue/initial_tags.h"
#include "agent/catalogue/value_catalogue.h"
#include "agent/families/family_slots.h"
#include "tests/agent/core/agent_fixture.h"
#include "tests/support/fake_station.h"

class FamilyFixture : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    library_.Attach(agent::testing::InstallFakeStation());
    agent::InitialiseTags(*context_, {});
  }
  agent::testing::FakeStation& station() { return agent::testing::Station(); }
  std::string Tag(const std::string& name) {
    return agent::ReadTag(context_->state.catalogue, name);
  }

  agent::StationLibrary library_{[](const std::string&) {}};
  agent::FamilySlots slots_;
};
