// The watch that tells a connection whether another one committed: by the mapped index
// of a write-ahead-log file, by the pragma elsewhere, never for an exclusive holder; and
// recordsets that see, once they move, what another connection committed.
#include <gtest/gtest.h>

#include "engine/change_watch.h"
#include "orvalis/dbengine.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

using engine::ChangeWatch;
using engine::ConnectionHandle;
using engine::ExecRaw;
using engine::StatementCache;
using Mode = ChangeWatch::Mode;

ConnectionHandle Connect(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_busy_timeout(db, 5000);
  return ConnectionHandle(db);
}

class ChangeWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ExecRaw(watched_.get(),
            "PRAGMA journal_mode = WAL; CREATE TABLE t(x); INSERT INTO t VALUES (1)");
  }

  testing::TempDir dir_;
  std::string path_ = dir_.File("w.db");
  ConnectionHandle watched_ = Connect(path_);
  ConnectionHandle other_ = Connect(path_);
  StatementCache statements_{watched_.get()};
};

TEST_F(ChangeWatchTest, SeesEveryCommitOfAnotherConnectionInEitherMode) {
  for (Mode preferred : {Mode::kSharedIndex, Mode::kPragma}) {
    ChangeWatch watch(watched_.get(), statements_, preferred);
    EXPECT_EQ(watch.mode(), preferred);
    EXPECT_FALSE(watch.OthersCommitted());
    for (int i = 0; i < 3; ++i) {
      ExecRaw(other_.get(), "UPDATE t SET x = x + 1");
      EXPECT_TRUE(watch.OthersCommitted());
      EXPECT_FALSE(watch.OthersCommitted());
    }
    // A checkpoint that restarts the log changes no data; the commit after it is seen.
    ExecRaw(other_.get(), "PRAGMA wal_checkpoint(TRUNCATE)");
    watch.OthersCommitted();
    ExecRaw(other_.get(), "UPDATE t SET x = x + 1");
    EXPECT_TRUE(watch.OthersCommitted());
    EXPECT_FALSE(watch.OthersCommitted());
  }
}

TEST_F(ChangeWatchTest, FollowsTheConnectionOutOfTheLogAndTrustsOnlyARealExclusiveLock) {
  ChangeWatch watch(watched_.get(), statements_, Mode::kSharedIndex);
  other_.reset();
  ExecRaw(watched_.get(), "PRAGMA journal_mode = DELETE");
  watch.Restart();
  EXPECT_EQ(watch.mode(), Mode::kPragma);
  other_ = Connect(path_);
  ExecRaw(other_.get(), "UPDATE t SET x = x + 1");
  EXPECT_TRUE(watch.OthersCommitted());

  // Asked to trust an exclusive lock that the connection does not hold, it looks.
  ChangeWatch not_exclusive(watched_.get(), statements_, Mode::kExclusive);
  EXPECT_EQ(not_exclusive.mode(), Mode::kPragma);
  other_.reset();
  ExecRaw(watched_.get(), "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT");
  ChangeWatch exclusive(watched_.get(), statements_, Mode::kExclusive);
  EXPECT_EQ(exclusive.mode(), Mode::kExclusive);
  EXPECT_FALSE(exclusive.OthersCommitted());
}

// Two connections to one declaration file, each in a workspace of its own.
TEST(ChangeWatchRecordsetTest, AMoveShowsWhatAnotherConnectionCommitted) {
  testing::TempDir dir;
  const std::string path = dir.File("d.mdb");
  auto first_workspace = testing::NewWorkspace();
  auto first = testing::NewDeclarationFile(*first_workspace, path);
  auto second_workspace = testing::NewWorkspace();
  auto second = second_workspace->OpenDatabase(path, false, false, testing::kPassword);
  for (const char* ie : {"111", "222"}) {
    second->Execute(std::string("INSERT INTO tblContribuinte (IE, UF) VALUES ('") + ie +
                    "', 'SP')");
  }
  auto rs = first->OpenRecordset("SELECT IE, UF FROM tblContribuinte ORDER BY IE");
  EXPECT_EQ(ToText(rs->GetValue("UF")), "SP");
  rs->MoveNext();
  second->Execute("UPDATE tblContribuinte SET UF = 'RJ' WHERE IE = '111'");
  rs->MovePrevious();
  EXPECT_EQ(ToText(rs->GetValue("UF")), "RJ");
  second->Execute("DELETE FROM tblContribuinte WHERE IE = '222'");
  rs->MoveNext();
  EXPECT_EQ(testing::ErrorOf([&] { rs->GetValue("UF"); }), 3167);
}

// A pragma that takes the file out of the log's mode through the database leaves no look
// at memory that is gone: moves go on.
TEST(ChangeWatchRecordsetTest, MovesGoOnAfterThePragmaThatLeavesTheLog) {
  testing::TempDir dir;
  auto workspace = testing::NewWorkspace();
  auto db = testing::NewDeclarationFile(*workspace, dir.File("d.mdb"));
  for (const char* ie : {"111", "222"}) {
    db->Execute(std::string("INSERT INTO tblContribuinte (IE, UF) VALUES ('") + ie + "', 'SP')");
  }
  auto rs = db->OpenRecordset("SELECT IE FROM tblContribuinte ORDER BY IE");
  db->Execute("PRAGMA journal_mode = DELETE");
  rs->MoveNext();
  EXPECT_EQ(ToText(rs->GetValue("IE")), "222");
  rs->MovePrevious();
  EXPECT_EQ(ToText(rs->GetValue("IE")), "111");
}

}  // namespace
}  // namespace orvalis
