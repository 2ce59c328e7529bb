// Declaration files that are open elsewhere, read-only, or reached under several names:
// nothing replaces or deletes a file in use, a file nobody may write is read without a
// trace, and objects bind to the file itself.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "orvalis/corrige_converte_db.h"
#include "orvalis/error.h"
#include "orvalis/icms.h"
#include "orvalis/mantem_db.h"
#include "database/module_state.h"
#include "orvalis/records/cfop.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace orvalis::testing {
namespace {

namespace fs = std::filesystem;

class FileSafetyTest : public ::testing::Test {
 protected:
  std::string NewFile(const std::string& name) { return NewFrontEndFile(home_, name); }

  ComponentHome home_;
  MantemDB mantem_;
};

// A pipe a child writes one byte to when it is ready.
class ReadySignal {
 public:
  ReadySignal() { EXPECT_EQ(::pipe(ends_), 0); }
  ~ReadySignal() {
    ::close(ends_[0]);
    ::close(ends_[1]);
  }
  void Send() { EXPECT_EQ(::write(ends_[1], "!", 1), 1); }
  void Await() {
    char byte;
    EXPECT_EQ(::read(ends_[0], &byte, 1), 1);
  }

 private:
  int ends_[2] = {-1, -1};
};

TEST_F(FileSafetyTest, AFileOpenAnywhereIsNeitherReplacedNorDeleted) {
  const std::string path = NewFile("x.mdb");
  const std::string bytes = ReadFileBytes(path);

  // Open in another process: compaction and conversion refuse and change nothing.
  ReadySignal ready;
  ChildProcess holder([&] {
    MantemDB().Db_Open(path);
    ready.Send();
    ::pause();
    return 0;
  });
  ready.Await();
  EXPECT_FALSE(database::CorrigeConverteDB(path));
  EXPECT_EQ(ErrorOf([&] {
              Engine().CompactDatabase(path, home_.File("copy.mdb"), kLocale, 0, kPassword);
            }),
            3045);
  holder.Kill();
  holder.Wait();
  EXPECT_TRUE(ReadFileBytes(path) == bytes);

  // Open here under two spellings: compacting through one closes it and is refused for
  // the other. (What the killed holder committed is folded into the file first.)
  auto workspace = NewWorkspace();
  workspace->OpenDatabase(path, false, false, kPassword)->Close();
  const std::string folded = ReadFileBytes(path);
  auto one = workspace->OpenDatabase(path, false, false, kPassword);
  auto other =
      workspace->OpenDatabase(home_.dir().path().string() + "/./x.mdb", false, false, kPassword);
  EXPECT_EQ(ErrorOf([&] { mantem_.CompactarBanco(*one); }), 3045);
  EXPECT_FALSE(one->IsOpen());
  other->Close();
  EXPECT_TRUE(ReadFileBytes(path) == folded);
  EXPECT_TRUE(database::CorrigeConverteDB(path));  // closed everywhere now

  // NovoArquivo leaves an open BDTemp.mdb alone.
  mantem_.NovoArquivo();
  ASSERT_EQ(mantem_.Db_Open(NewFilePath()), 1);
  const std::string new_file = ReadFileBytes(NewFilePath());
  EXPECT_EQ(ErrorOf([&] { mantem_.NovoArquivo(); }), 3045);
  EXPECT_TRUE(ReadFileBytes(NewFilePath()) == new_file);
}

TEST_F(FileSafetyTest, ObjectsBindToTheFileItself) {
  const std::string lower = NewFile("decl.mdb");
  const std::string upper = home_.File("DECL.mdb");
  const std::string link = home_.File("atalho.mdb");
  fs::create_symlink(lower, link);
  ASSERT_EQ(mantem_.Db_Open(lower), 1);
  // Another letter case names another file, which is not open.
  EXPECT_EQ(ErrorOf([&] { CFOP().DBIndex(upper); }), 3265);
  EXPECT_EQ(mantem_.scitDB(upper), nullptr);
  // Another spelling of the same file is that file.
  EXPECT_EQ(mantem_.scitDB(link), BindDatabase(lower));

  // Two files that differ in letter case, both open: each object writes its own.
  fs::copy_file(lower, upper);
  ASSERT_EQ(mantem_.Db_Open(upper), 2);
  BindDatabase(upper)->Execute("INSERT INTO tblContribuinte (IE) VALUES ('1')");
  EXPECT_EQ(BindDatabase(upper)->OpenRecordset("tblContribuinte")->RecordCount(), 1);
  EXPECT_EQ(BindDatabase(lower)->OpenRecordset("tblContribuinte")->RecordCount(), 0);

  // Db_close closes every connection opened under its name, and only those.
  auto again = BindDatabase(lower);
  auto twice = FindOrCreateSharedWorkspace()->OpenDatabase(lower, false, false, kPassword);
  mantem_.Db_close(lower);
  EXPECT_FALSE(again->IsOpen());
  EXPECT_FALSE(twice->IsOpen());
  EXPECT_TRUE(BindDatabase(upper)->IsOpen());
}

// Run by a user who may read the files but not write them.
int ReadWithoutWriting(const std::string& path) {
  MantemDB mantem;
  if (mantem.Db_Open(path) != 1) return 1;
  auto db = BindDatabase(path);
  if (db->Updatable()) return 2;
  if (db->OpenRecordset("tblVersão")->IsEof()) return 3;
  if (db->OpenRecordset("SELECT Sigla FROM tblEstados WHERE Código = '35'")->IsEof()) return 4;
  if (ErrorOf([&] { db->Execute("DELETE FROM tblVersão"); }) != 3027) return 5;
  mantem.Db_close(path);
  return fs::exists(path + "-wal") || fs::exists(path + "-shm") ? 6 : 0;
}

TEST_F(FileSafetyTest, FilesNobodyMayWriteAreReadWithoutATrace) {
  // A read-only file in a folder anyone may write.
  TempDir open_folder;
  ::chmod(open_folder.path().c_str(), 0777);
  const std::string read_only = open_folder.File("ro.mdb");
  fs::copy_file(NewFile("a.mdb"), read_only);
  ::chmod(read_only.c_str(), 0444);
  // A file this user may write, in a folder it may not.
  const std::string in_closed_folder = NewFile("b.mdb");
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(in_closed_folder.c_str(), 65534, 65534), 0);
  }
  const std::string bytes = ReadFileBytes(read_only);

  EXPECT_EQ(RunWithoutPrivileges([&] { return ReadWithoutWriting(read_only); }), 0);
  EXPECT_EQ(RunWithoutPrivileges([&] { return ReadWithoutWriting(in_closed_folder); }), 0);
  EXPECT_TRUE(ReadFileBytes(read_only) == bytes);

  // A file this user may not read at all: a permission error naming it.
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(in_closed_folder.c_str(), 0, 0), 0);
  }
  ::chmod(in_closed_folder.c_str(), 0600);
  EXPECT_EQ(RunWithoutPrivileges([&] {
              try {
                MantemDB().Db_Open(in_closed_folder);
              } catch (const Error& e) {
                return e.number() == 3051 &&
                               e.description().find(in_closed_folder) != std::string::npos
                           ? 0
                           : 1;
              }
              return 2;
            }),
            0);
}

}  // namespace
}  // namespace orvalis::testing
