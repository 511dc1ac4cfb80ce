#include "agent/history/archive_store.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>

namespace agent {
namespace {

// Marks a database as a store of ours, whatever it is named.
constexpr int kApplicationId = 0x54564C48;  // "TVLH"
constexpr int kSchemaVersion = 1;

class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) {
    result_ = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr);
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool Prepared() const { return result_ == SQLITE_OK; }
  int result() const { return result_; }
  sqlite3_stmt* get() { return statement_; }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return result_ = sqlite3_step(statement_); }

 private:
  sqlite3_stmt* statement_ = nullptr;
  int result_ = SQLITE_OK;
};

std::string ColumnList() {
  std::string columns = "time_utc, local_time, interval_min";
  for (const char* column : kMeasureColumns) columns += std::string(", ") + column;
  return columns;
}

std::string CreateTable() {
  std::string sql =
      "CREATE TABLE archive (time_utc INTEGER PRIMARY KEY, local_time TEXT NOT NULL, "
      "interval_min INTEGER NOT NULL";
  for (const char* column : kMeasureColumns) sql += std::string(", ") + column + " REAL";
  return sql + ")";
}

// The damage SQLite finds reading a file: the file is no store, not the disk failing.
bool Damaged(int result) {
  const int primary = result & 0xFF;
  return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

std::string AsideStamp(platform::Env& env) {
  const platform::LocalTime now = env.Now();
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", now.year, now.month, now.day,
                now.hour, now.minute, now.second);
  return text;
}

}  // namespace

void ArchiveStore::Close() {
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
  path_.clear();
}

bool ArchiveStore::Open(platform::Env& env, const std::string& path, std::string& set_aside,
                        std::string& error) {
  if (db_ != nullptr && path_ == path) return true;
  Close();
  const Check check = OpenChecked(path, error);
  if (check != Check::kForeign) return check == Check::kOurs;
  // Kept under another name, for its owner to look at; its write-ahead log goes with it, or
  // the new store would take it for its own.
  set_aside = path + ".ecarte-" + AsideStamp(env);
  if (!env.RenameFile(path, set_aside)) {
    error = "renommage impossible en " + set_aside;
    set_aside.clear();
    return false;
  }
  if (env.FileExists(path + "-wal")) env.RenameFile(path + "-wal", set_aside + "-wal");
  env.DeleteFile(path + "-shm");
  return OpenChecked(path, error) == Check::kOurs;
}

ArchiveStore::Check ArchiveStore::OpenChecked(const std::string& path, std::string& error) {
  const auto fail = [&](Check check) {
    error = db_ != nullptr ? sqlite3_errmsg(db_) : "mémoire insuffisante";
    Close();
    return check;
  };
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK)
    return fail(Check::kUnopenable);
  path_ = path;
  {
    Statement check(db_, "PRAGMA quick_check");
    const int stepped = check.Prepared() ? check.Step() : check.result();
    if (Damaged(stepped)) return fail(Check::kForeign);
    if (stepped != SQLITE_ROW) return fail(Check::kUnopenable);
    const auto* verdict = sqlite3_column_text(check.get(), 0);
    if (verdict == nullptr || std::string(reinterpret_cast<const char*>(verdict)) != "ok") {
      error = "base endommagée";
      Close();
      return Check::kForeign;
    }
  }
  int application = 0;
  {
    Statement id(db_, "PRAGMA application_id");
    if (id.Step() != SQLITE_ROW) return fail(Check::kUnopenable);
    application = sqlite3_column_int(id.get(), 0);
  }
  if (application == kApplicationId) {
    // Ours, with the columns this version reads and writes.
    if (!Statement(db_, "SELECT " + ColumnList() + " FROM archive LIMIT 0").Prepared()) {
      error = "schéma inconnu";
      Close();
      return Check::kForeign;
    }
  } else {
    Statement tables(db_, "SELECT count(*) FROM sqlite_master");
    if (tables.Step() != SQLITE_ROW) return fail(Check::kUnopenable);
    const bool empty = sqlite3_column_int(tables.get(), 0) == 0;
    sqlite3_reset(tables.get());
    if (application != 0 || !empty) {
      error = "base d'une autre application";
      Close();
      return Check::kForeign;
    }
    const std::string create =
        "BEGIN; " + CreateTable() + "; PRAGMA application_id = " + std::to_string(kApplicationId) +
        "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + "; COMMIT;";
    if (sqlite3_exec(db_, create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      return fail(Check::kUnopenable);
  }
  // Readers (sqlite3, a backup) never block the agent's writes; a commit is on disk before it
  // returns, so a killed agent loses nothing committed.
  if (sqlite3_exec(db_, "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL", nullptr, nullptr,
                   nullptr) != SQLITE_OK)
    return fail(Check::kUnopenable);
  sqlite3_busy_timeout(db_, 5000);
  return Check::kOurs;
}

std::optional<StoredEnd> ArchiveStore::Newest() {
  if (db_ == nullptr) return std::nullopt;
  Statement newest(db_, "SELECT time_utc, local_time FROM archive ORDER BY time_utc DESC LIMIT 1");
  if (newest.Step() != SQLITE_ROW) return std::nullopt;
  return StoredEnd{sqlite3_column_int64(newest.get(), 0),
                   reinterpret_cast<const char*>(sqlite3_column_text(newest.get(), 1))};
}

std::optional<StoreExtent> ArchiveStore::Extent() {
  if (db_ == nullptr) return std::nullopt;
  Statement extent(db_,
                   "SELECT count(*), (SELECT local_time FROM archive ORDER BY time_utc LIMIT 1), "
                   "(SELECT local_time FROM archive ORDER BY time_utc DESC LIMIT 1) FROM archive");
  if (extent.Step() != SQLITE_ROW) return std::nullopt;
  StoreExtent result;
  result.count = sqlite3_column_int64(extent.get(), 0);
  for (int column : {1, 2}) {
    const auto* text = sqlite3_column_text(extent.get(), column);
    if (text != nullptr)
      (column == 1 ? result.oldest_local : result.newest_local) =
          reinterpret_cast<const char*>(text);
  }
  return result;
}

bool ArchiveStore::Visit(std::int64_t after_utc, std::int64_t until_utc,
                         std::span<const char* const> columns, const RecordVisitor& visit,
                         std::string& error) {
  if (db_ == nullptr) {
    error = "base fermée";
    return false;
  }
  std::string sql = "SELECT time_utc, local_time, interval_min";
  for (const char* column : columns) sql += std::string(", ") + column;
  sql += " FROM archive WHERE time_utc > ? AND time_utc <= ? ORDER BY time_utc";
  Statement select(db_, sql);
  if (!select.Prepared()) {
    error = sqlite3_errmsg(db_);
    return false;
  }
  sqlite3_stmt* s = select.get();
  sqlite3_bind_int64(s, 1, after_utc);
  sqlite3_bind_int64(s, 2, until_utc);
  std::vector<double> values(columns.size());
  while (select.Step() == SQLITE_ROW) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      const int at = static_cast<int>(3 + i);
      values[i] =
          sqlite3_column_type(s, at) == SQLITE_NULL ? std::nan("") : sqlite3_column_double(s, at);
    }
    const auto* local = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
    visit(
        sqlite3_column_int64(s, 0),
        local != nullptr ? std::string_view(local, sqlite3_column_bytes(s, 1)) : std::string_view(),
        sqlite3_column_int(s, 2), values);
  }
  if (select.result() != SQLITE_DONE) {
    error = sqlite3_errmsg(db_);
    return false;
  }
  return true;
}

AppendResult ArchiveStore::Append(const std::vector<ArchiveRow>& rows) {
  AppendResult result;
  if (db_ == nullptr) {
    result.outcome = StoreOutcome::kFailed;
    return result;
  }
  std::string values = "?";
  for (std::size_t i = 1; i < 3 + kMeasureCount; ++i) values += ", ?";
  const auto failed = [&](int code) {
    result.outcome = (code & 0xFF) == SQLITE_FULL ? StoreOutcome::kFull : StoreOutcome::kFailed;
    result.message = sqlite3_errmsg(db_);
    result.added = 0;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    if (result.outcome == StoreOutcome::kFailed) Close();
    return result;
  };
  if (const int begun = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
      begun != SQLITE_OK)
    return failed(begun);
  {
    // A record already there (the same instant) is not written twice.
    Statement insert(db_, "INSERT INTO archive (" + ColumnList() + ") VALUES (" + values +
                              ") ON CONFLICT (time_utc) DO NOTHING");
    if (!insert.Prepared()) return failed(insert.result());
    for (const ArchiveRow& row : rows) {
      sqlite3_stmt* s = insert.get();
      sqlite3_reset(s);
      sqlite3_bind_int64(s, 1, row.time_utc);
      sqlite3_bind_text(s, 2, row.local_time.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int(s, 3, row.interval_min);
      for (std::size_t i = 0; i < kMeasureCount; ++i) {
        const int at = static_cast<int>(4 + i);
        if (row.measures[i])
          sqlite3_bind_double(s, at, *row.measures[i]);
        else
          sqlite3_bind_null(s, at);
      }
      if (insert.Step() != SQLITE_DONE) return failed(insert.result());
      result.added += sqlite3_changes(db_);
    }
  }
  if (const int committed = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
      committed != SQLITE_OK)
    return failed(committed);
  return result;
}

void ArchiveStore::LimitPages(std::int64_t pages) {
  if (db_ == nullptr) return;
  const std::string pragma = "PRAGMA max_page_count = " + std::to_string(pages);
  sqlite3_exec(db_, pragma.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace agent
