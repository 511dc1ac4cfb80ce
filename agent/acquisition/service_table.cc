#include "agent/acquisition/service_table.h"

#include <algorithm>

namespace agent {
namespace {

std::string_view Trim(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

ServiceTable::ServiceTable() {
  std::string_view list = kServiceList;
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    ServiceRow row;
    row.name = std::string(list.substr(0, comma));
    rows_.push_back(std::move(row));
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
  }
}

void ServiceTable::Declare(std::string_view list,
                           const std::function<bool(std::string_view)>& configured) {
  int position = 0;
  while (true) {
    std::size_t comma = list.find(',');
    std::string_view name = Trim(list.substr(0, comma));
    ++position;
    ServiceRow* row = Find(name);
    if (row != nullptr && configured(name) &&
        std::find(declared_.begin(), declared_.end(), name) == declared_.end()) {
      row->order = position;
      row->next_due_ms = std::numeric_limits<std::int64_t>::min();
      row->flag = 0;
      declared_.emplace_back(name);
    }
    if (comma == std::string_view::npos) break;
    list = list.substr(comma + 1);
  }
}

void ServiceTable::SetCollector(std::string_view name, ServiceCollector collect,
                                bool long_download) {
  if (ServiceRow* row = Find(name)) {
    row->collect = std::move(collect);
    row->long_download = long_download;
  }
}

void ServiceTable::SetBuilder(std::string_view name, ServiceBuilder build) {
  if (ServiceRow* row = Find(name)) row->build = std::move(build);
}

std::vector<ServiceRow*> ServiceTable::Declared() {
  std::vector<ServiceRow*> declared;
  for (const std::string& name : declared_) declared.push_back(Find(name));
  std::stable_sort(declared.begin(), declared.end(),
                   [](const ServiceRow* a, const ServiceRow* b) { return a->order < b->order; });
  return declared;
}

ServiceRow* ServiceTable::Find(std::string_view name) {
  for (ServiceRow& row : rows_) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

}  // namespace agent
