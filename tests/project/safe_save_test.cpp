#include "project/safe_save.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include "project/page.h"
#include "project/posix_file_writer.h"
#include "project/project.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/power_loss_disk.h"
#include "support/power_loss_file_writer.h"
#include "support/power_loss_trials.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"

namespace {

using qlt::test::CScopedServices;
using qlt::test::ReadFileBytes;
using qlt::test::WriteFileBytes;

// What the faulty files of one save do and what they saw. Operations are counted across all
// files of the save, in the order they happen.
struct FaultPlan {
  enum Mode { kFailWithError, kPartialWithError, kShortWithoutError };
  Mode mode = kFailWithError;
  int error = ENOSPC;
  int failWriteAt = 0;  // 0: never
  int failReadAt = 0;
  int failFlushAt = 0;
  int failResizeAt = 0;
  int writes = 0;
  int reads = 0;
  int flushes = 0;
  int resizes = 0;
  struct Write {
    QString path;
    int64_t offset;
    int64_t size;
  };
  QList<Write> log;
};

class CFaultyFileWriter : public CFileWriter {
 public:
  explicit CFaultyFileWriter(FaultPlan* plan) : m_plan(plan) {}

  bool Open(const QString& path, OpenMode mode) override {
    m_path = path;
    m_position = 0;
    return m_inner.Open(path, mode);
  }
  int64_t Size() override { return m_inner.Size(); }
  bool Seek(int64_t position) override {
    m_position = position;
    return m_inner.Seek(position);
  }
  int64_t Read(char* data, int64_t size) override {
    m_error = 0;
    if (++m_plan->reads == m_plan->failReadAt) {
      const int64_t half = m_inner.Read(data, size / 2);
      m_position += half;
      return half;
    }
    const int64_t read = m_inner.Read(data, size);
    m_position += std::max<int64_t>(read, 0);
    return read;
  }
  int64_t Write(const char* data, int64_t size) override {
    m_error = 0;
    m_plan->log.append({m_path, m_position, size});
    if (++m_plan->writes == m_plan->failWriteAt) {
      if (m_plan->mode == FaultPlan::kFailWithError) {
        m_error = m_plan->error;
        return -1;
      }
      const int64_t half = m_inner.Write(data, size / 2);
      m_position += half;
      m_error = m_plan->mode == FaultPlan::kPartialWithError ? m_plan->error : 0;
      return half;
    }
    const int64_t written = m_inner.Write(data, size);
    m_position += std::max<int64_t>(written, 0);
    return written;
  }
  bool Resize(int64_t size) override {
    m_error = 0;
    if (++m_plan->resizes == m_plan->failResizeAt) {
      m_error = EIO;
      return false;
    }
    return m_inner.Resize(size);
  }
  bool Flush() override {
    m_error = 0;
    if (++m_plan->flushes == m_plan->failFlushAt) {
      m_error = EIO;
      return false;
    }
    return m_inner.Flush();
  }
  void Close() override { m_inner.Close(); }
  bool IsOpen() const override { return m_inner.IsOpen(); }
  int Error() const override { return m_error != 0 ? m_error : m_inner.Error(); }
  bool Remove(const QString& path) override { return m_inner.Remove(path); }
  bool Rename(const QString& from, const QString& to) override { return m_inner.Rename(from, to); }
  bool SyncFolder(const QString& path) override { return m_inner.SyncFolder(path); }

 private:
  FaultPlan* m_plan;
  CPosixFileWriter m_inner;
  QString m_path;
  int64_t m_position = 0;
  int m_error = 0;
};

// Installs faulty files for the life of the object.
class CScopedFaults {
 public:
  explicit CScopedFaults(FaultPlan* plan) {
    m_previous =
        CFileWriter::SetFactory([plan] { return std::make_unique<CFaultyFileWriter>(plan); });
  }
  ~CScopedFaults() { CFileWriter::SetFactory(m_previous); }

 private:
  CFileWriter::Factory m_previous;
};

// A project whose file is about `imageBytes` long.
void MakeProject(CProject& project, int imageBytes, int seed, const QString& path) {
  qlt::test::FillSampleProject(project);
  project.MutableGraphics().headerImage = qlt::test::PatternBytes(imageBytes, seed);
  project.SetPath(path);
}

QString CantSave(const QString& detail) {
  return CScopedServices::Text("Project.CantSave") + "\n\n" + detail;
}

}  // namespace

TEST(SafeSave, LargerSaveClaimsTheSpaceFirstAndEndsAtTheExactSize) {
  CScopedServices services;
  const QString path = qlt::test::TestHome() + "/Grow.ppc";
  EXPECT_TRUE(WriteFileBytes(path, QByteArray(1000, 'o')));
  CProject project;
  MakeProject(project, 50000, 1, path);
  FaultPlan plan;
  CScopedFaults faults(&plan);
  ASSERT_TRUE(project.Save());
  const QByteArray expected = project.SaveToBytes();
  EXPECT_EQ(ReadFileBytes(path), expected);

  // The temporary file is written in pieces of 4096 bytes, then one byte just past the new end
  // of the project file, then the copy in chunks of 16384 bytes.
  const int64_t length = expected.size();
  const int temporaryWrites = static_cast<int>((length + 4095) / 4096);
  ASSERT_GT(plan.log.size(), temporaryWrites);
  for (int i = 0; i < temporaryWrites; ++i) {
    EXPECT_EQ(plan.log[i].path, path + ".save");
    EXPECT_EQ(plan.log[i].size, std::min<int64_t>(4096, length - 4096 * i));
  }
  const auto& claim = plan.log[temporaryWrites];
  EXPECT_EQ(claim.path, path);
  EXPECT_EQ(claim.offset, length);
  EXPECT_EQ(claim.size, 1);
  for (int i = temporaryWrites + 1; i < plan.log.size(); ++i) {
    EXPECT_EQ(plan.log[i].path, path);
    EXPECT_EQ(plan.log[i].offset, 16384 * (i - temporaryWrites - 1));
  }
  EXPECT_EQ(plan.log.last().offset + plan.log.last().size, length);
  EXPECT_FALSE(QFile::exists(path + ".save"));
  // The temporary file and the project file both reached the disk.
  EXPECT_EQ(plan.flushes, 2);
}

TEST(SafeSave, SmallerSaveTruncatesWithoutClaimingSpace) {
  CScopedServices services;
  const QString path = qlt::test::TestHome() + "/Shrink.ppc";
  EXPECT_TRUE(WriteFileBytes(path, QByteArray(200000, 'o')));
  CProject project;
  MakeProject(project, 100, 1, path);
  FaultPlan plan;
  CScopedFaults faults(&plan);
  ASSERT_TRUE(project.Save());
  EXPECT_EQ(ReadFileBytes(path), project.SaveToBytes());
  for (const auto& write : plan.log) EXPECT_NE(write.size, 1);
}

// The fault family: a save that fails at its first, second, ... write leaves either the old
// project file untouched, or (once the copy has begun) no project file and the complete new
// content in the rescue file; never a mixture.
TEST(SafeSaveFaults, FailureAtEveryWriteLeavesTheOldFileOrTheCompleteRescueCopy) {
  CScopedServices services;
  const QString path = qlt::test::TestHome() + "/Faults.ppc";
  const QString rescue = CSafeSave::RescuePath(path);
  struct Case {
    FaultPlan::Mode mode;
    int error;
    int oldImage;
    int newImage;
  };
  const Case cases[] = {
      {FaultPlan::kFailWithError, ENOSPC, 1000, 60000},  // growing, nothing written
      {FaultPlan::kPartialWithError, EIO, 1000, 60000},  // growing, half written
      {FaultPlan::kShortWithoutError, 0, 80000, 30000},  // shrinking, short write
      {FaultPlan::kFailWithError, EIO, 80000, 30000},    // shrinking, nothing written
  };
  for (const Case& c : cases) {
    CProject oldProject;
    MakeProject(oldProject, c.oldImage, 3, path);
    const QByteArray oldBytes = oldProject.SaveToBytes();
    CProject newProject;
    MakeProject(newProject, c.newImage, 4, path);
    newProject.MutableHeader().title = "New";

    bool sawRescue = false;
    bool sawIntact = false;
    for (int n = 1;; ++n) {
      SCOPED_TRACE(testing::Message() << "mode " << c.mode << " write " << n);
      EXPECT_TRUE(WriteFileBytes(path, oldBytes));
      QFile::remove(rescue);
      services.Messages().ClearMessages();
      FaultPlan plan;
      plan.mode = c.mode;
      plan.error = c.error;
      plan.failWriteAt = n;
      bool saved;
      {
        CScopedFaults faults(&plan);
        saved = newProject.Save();
      }
      const QByteArray newBytes = newProject.SaveToBytes();
      EXPECT_FALSE(QFile::exists(path + ".save"));
      if (plan.writes < n) {
        // Every write went through: the save is complete.
        EXPECT_TRUE(saved);
        EXPECT_EQ(ReadFileBytes(path), newBytes);
        EXPECT_FALSE(QFile::exists(rescue));
        break;
      }
      ASSERT_FALSE(saved);
      ASSERT_EQ(services.Messages().Messages().size(), 1);
      EXPECT_TRUE(services.Messages().Messages()[0].text.startsWith(
          CScopedServices::Text("Project.CantSave") + "\n\n"));
      if (QFile::exists(path)) {
        EXPECT_EQ(ReadFileBytes(path), oldBytes);
        EXPECT_FALSE(QFile::exists(rescue));
        sawIntact = true;
      } else {
        EXPECT_EQ(ReadFileBytes(rescue), newBytes);
        sawRescue = true;
      }
      ASSERT_LT(n, 1000);
    }
    EXPECT_TRUE(sawIntact);
    EXPECT_TRUE(sawRescue);
  }
}

TEST(SafeSaveFaults, NewProjectFileIsRemovedAgainWhenItsSaveFails) {
  CScopedServices services;
  const QString path = qlt::test::TestHome() + "/Fresh.ppc";
  CProject project;
  MakeProject(project, 40000, 5, path);
  for (int n = 1;; ++n) {
    SCOPED_TRACE(n);
    QFile::remove(path);
    QFile::remove(CSafeSave::RescuePath(path));
    FaultPlan plan;
    plan.failWriteAt = n;
    bool saved;
    {
      CScopedFaults faults(&plan);
      saved = project.Save();
    }
    if (plan.writes < n) {
      EXPECT_TRUE(saved);
      break;
    }
    EXPECT_FALSE(saved);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(path + ".save"));
    if (QFile::exists(CSafeSave::RescuePath(path))) {
      EXPECT_EQ(ReadFileBytes(CSafeSave::RescuePath(path)), project.SaveToBytes());
    }
    ASSERT_LT(n, 1000);
  }
}

TEST(SafeSaveFaults, MessagesNameTheFailingStep) {
  CScopedServices services;
  const QString path = qlt::test::TestHome() + "/Texts.ppc";
  const QString temporary = path + ".save";
  CProject project;
  MakeProject(project, 40000, 6, path);
  const QByteArray oldBytes(100, 'o');
  const int temporaryWrites = static_cast<int>((project.SaveToBytes().size() + 4095) / 4096);

  struct Case {
    FaultPlan plan;
    QString detail;
  };
  QList<Case> cases;
  FaultPlan plan;
  plan.failWriteAt = 1;
  cases.append(
      {plan, "Out of space on device while writing to temporary file '" + temporary + "'."});
  plan = FaultPlan();
  plan.failWriteAt = temporaryWrites + 1;
  cases.append({plan, "Unable to write to end of project file '" + path + "'."});
  plan = FaultPlan();
  plan.failWriteAt = temporaryWrites + 2;
  plan.error = ENOSPC;
  cases.append({plan, "Error writing to project file '" + path + "':\n" +
                          QString::fromLocal8Bit(std::strerror(ENOSPC))});
  plan = FaultPlan();
  plan.failWriteAt = temporaryWrites + 3;
  plan.mode = FaultPlan::kShortWithoutError;
  cases.append({plan,
                "Tried to write 16384 bytes to project file, only 8192 bytes were "
                "written.  Out of space?"});
  plan = FaultPlan();
  plan.failReadAt = 2;
  cases.append({plan, "Tried to read 16384 bytes from temporary file, read 8192 instead."});
  plan = FaultPlan();
  plan.failFlushAt = 1;
  cases.append(
      {plan, "Out of space on device while writing to temporary file '" + temporary + "'."});
  plan = FaultPlan();
  plan.failFlushAt = 2;
  cases.append({plan, "Error writing to project file '" + path + "':\n" +
                          QString::fromLocal8Bit(std::strerror(EIO))});
  plan = FaultPlan();
  plan.failResizeAt = 1;
  cases.append({plan, "Error writing to project file '" + path + "':\n" +
                          QString::fromLocal8Bit(std::strerror(EIO))});

  for (Case& c : cases) {
    SCOPED_TRACE(c.detail.toStdString());
    EXPECT_TRUE(WriteFileBytes(path, oldBytes));
    QFile::remove(CSafeSave::RescuePath(path));
    services.Messages().ClearMessages();
    {
      CScopedFaults faults(&c.plan);
      EXPECT_FALSE(project.Save());
    }
    ASSERT_EQ(services.Messages().Messages().size(), 1);
    EXPECT_EQ(services.Messages().Messages()[0].text, CantSave(c.detail));
    EXPECT_EQ(services.Messages().Messages()[0].style, unsigned(kMbOk | kMbIconExclamation));
    // Before the copy the old file stays; from the copy on the rescue file holds the new one.
    if (QFile::exists(path)) {
      EXPECT_EQ(ReadFileBytes(path), oldBytes);
    } else {
      EXPECT_EQ(ReadFileBytes(CSafeSave::RescuePath(path)), project.SaveToBytes());
    }
    EXPECT_FALSE(QFile::exists(temporary));
  }
}

TEST(SafeSaveFaults, ProjectFileHeldByAnotherWriterIsLeftAlone) {
  CScopedServices services;
  const QString path = qlt::test::TestHome() + "/Locked.ppc";
  const QByteArray oldBytes(300, 'o');
  EXPECT_TRUE(WriteFileBytes(path, oldBytes));
  const int holder = ::open(QFile::encodeName(path).constData(), O_RDWR);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  CProject project;
  MakeProject(project, 10, 7, path);
  EXPECT_FALSE(project.Save());
  ::close(holder);
  EXPECT_EQ(ReadFileBytes(path), oldBytes);
  EXPECT_FALSE(QFile::exists(path + ".save"));
  ASSERT_EQ(services.Messages().Messages().size(), 1);
  EXPECT_EQ(services.Messages().Messages()[0].text,
            CantSave("Unable to open project file '" + path + "' for write:\n" +
                     QString::fromLocal8Bit(std::strerror(EWOULDBLOCK))));
}

TEST(SafeSaveFaults, MissingFolderFailsAtTheTemporaryFile) {
  CScopedServices services;
  const QString path = qlt::test::TestHome() + "/no/such/folder/P.ppc";
  CProject project;
  MakeProject(project, 10, 8, path);
  EXPECT_FALSE(project.Save());
  ASSERT_EQ(services.Messages().Messages().size(), 1);
  EXPECT_EQ(services.Messages().Messages()[0].text,
            CantSave("Unable to create temporary file '" + path + ".save':\n" +
                     QString::fromLocal8Bit(std::strerror(ENOENT))));
  EXPECT_TRUE(project.IsChanged());
}

TEST(SafeSave, StaleTemporaryAndRescueFilesAreReplaced) {
  CScopedServices services;
  const QString path = qlt::test::TestHome() + "/Stale.ppc";
  EXPECT_TRUE(WriteFileBytes(path + ".save", QByteArray(5, 's')));
  CProject project;
  MakeProject(project, 10, 9, path);
  ASSERT_TRUE(project.Save());
  EXPECT_FALSE(QFile::exists(path + ".save"));

  // A rescue file left by an earlier failure is replaced by the newer complete copy.
  EXPECT_TRUE(WriteFileBytes(CSafeSave::RescuePath(path), QByteArray(5, 'r')));
  FaultPlan plan;
  plan.failResizeAt = 1;
  {
    CScopedFaults faults(&plan);
    EXPECT_FALSE(project.Save());
  }
  EXPECT_EQ(ReadFileBytes(CSafeSave::RescuePath(path)), project.SaveToBytes());
}

// The power-loss family of the safe save: the power goes at every sync point of a save, at random
// changes between them or just after the save returned, while none, an in-order part or any
// choice of the unsynced writes, creations, removals and renames reaches the disk. The folder then
// comes back as the disk holds it (sometimes with a second cut while the project is first read
// again) and the project is read as after a restart: it is the old file or the new one, never a
// mixture, a save that reported success is there, and no other project file appears beside it.
TEST(SafeSavePowerLoss, EveryCutLeavesTheOldOrTheNewProjectFile) {
  CScopedServices services;
  CPowerLossDisk& disk = CPowerLossDisk::Instance();
  const QString folder = qlt::test::TestHome() + "/power";
  const QString path = folder + "/Power.ppc";
  struct Case {
    const char* name;
    int oldImage;  // -1: no project file before the save
    int newImage;
  };
  const Case cases[] = {
      {"growing save", 1000, 60000},
      {"shrinking save", 80000, 30000},
      {"first save", -1, 40000},
  };
  CPowerLossFileWriter::CScopedInstall writers;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QByteArray oldBytes;
    if (c.oldImage >= 0) {
      CProject oldProject;
      MakeProject(oldProject, c.oldImage, 3, path);
      oldBytes = oldProject.SaveToBytes();
    }
    CProject newProject;
    MakeProject(newProject, c.newImage, 4, path);
    newProject.MutableHeader().title = "New";
    auto reset = [&] {
      QDir(folder).removeRecursively();
      QDir().mkpath(folder);
      if (c.oldImage >= 0) {
        EXPECT_TRUE(WriteFileBytes(path, oldBytes));
      }
    };

    reset();
    disk.Start(folder);
    ASSERT_TRUE(newProject.Save());
    const int changes = disk.Changes();
    const std::vector<int> syncs = disk.SyncPoints();
    disk.Stop();
    const QByteArray newBytes = ReadFileBytes(path);
    ASSERT_EQ(newBytes, newProject.SaveToBytes());

    int failures = 0;
    int oldFiles = 0;
    int newFiles = 0;
    const auto trials = qlt::test::PowerLossTrials(c.name, changes, syncs);
    for (const qlt::test::PowerLossTrial& trial : trials) {
      reset();
      disk.Start(folder);
      disk.CutAt(trial.change, trial.landing, trial.seed);
      const bool saved = newProject.Save();
      ASSERT_TRUE(disk.Restart());
      if (trial.recoveryChange > 0) {
        disk.CutAt(trial.recoveryChange, trial.landing, trial.seed + 1);
        CProject interrupted;
        interrupted.Load(path);
        ASSERT_TRUE(disk.Restart());
      }
      CProject reopened;
      const bool loaded = reopened.Load(path);
      disk.Stop();
      const bool exists = QFile::exists(path);
      const QByteArray bytes = ReadFileBytes(path);
      const QStringList projects = QDir(folder).entryList({"*.ppc"}, QDir::Files);
      oldFiles += exists ? bytes == oldBytes : 1;
      newFiles += exists && bytes == newBytes;
      const bool sound = exists ? loaded && (bytes == newBytes || (!saved && bytes == oldBytes)) &&
                                      projects == QStringList{"Power.ppc"}
                                : !saved && c.oldImage < 0 && projects.isEmpty();
      if (!sound && ++failures <= 3) {
        ADD_FAILURE() << c.name << ": power cut at change " << trial.change << " of " << changes
                      << " (0: after it returned), landing " << static_cast<int>(trial.landing)
                      << ", seed " << trial.seed << ", recovery cut " << trial.recoveryChange
                      << "; reported " << (saved ? "success" : "failure") << ", exists " << exists
                      << ", loads " << loaded << ", " << bytes.size() << " bytes (old "
                      << oldBytes.size() << ", new " << newBytes.size() << "), old "
                      << (bytes == oldBytes) << ", new " << (bytes == newBytes) << ", projects "
                      << projects.join(", ").toStdString();
      }
    }
    EXPECT_EQ(failures, 0) << c.name << ": " << failures << " of " << trials.size()
                           << " trials lost or mixed the project file";
    // Both outcomes occur: the cuts fall before and after the save's point of no return.
    EXPECT_GT(oldFiles, 0) << c.name;
    EXPECT_GT(newFiles, 0) << c.name;
    std::printf("[power loss] %s: %d old, %d new, %d unsound\n", c.name, oldFiles, newFiles,
                failures);
  }
}

// A control of the simulation the family relies on: after a cut the folder holds only what was
// synced (file content by a flush, names by a folder sync), and a write cut in flight lands, in
// order, as whole sectors of the new bytes followed by the old ones.
TEST(SafeSavePowerLoss, TheDiskKeepsOnlyWhatWasSynced) {
  CScopedServices services;
  CPowerLossDisk& disk = CPowerLossDisk::Instance();
  const QString folder = qlt::test::TestHome() + "/disk";
  const QString a = folder + "/a";
  auto listing = [&] {
    QStringList files;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
      files.append(name + "=" + QString::fromLatin1(ReadFileBytes(folder + "/" + name)));
    }
    return files.join(' ');
  };
  auto write = [](CFileWriter& file, const QString& path, CFileWriter::OpenMode mode,
                  const char* text) { return file.Open(path, mode) && file.Write(text, 3) == 3; };
  using Steps = std::function<bool(CFileWriter&)>;
  const auto exclusive = CFileWriter::OpenMode::kOpenExclusive;
  const auto create = CFileWriter::OpenMode::kCreate;
  const struct {
    const char* name;
    Steps steps;
    const char* after;
  } cases[] = {
      {"unsynced write", [&](CFileWriter& f) { return write(f, a, exclusive, "new"); }, "a=old"},
      {"flushed write", [&](CFileWriter& f) { return write(f, a, exclusive, "new") && f.Flush(); },
       "a=new"},
      {"flushed new file, folder not synced",
       [&](CFileWriter& f) { return write(f, folder + "/b", create, "bbb") && f.Flush(); },
       "a=old"},
      {"flushed new file, folder synced",
       [&](CFileWriter& f) {
         return write(f, folder + "/b", create, "bbb") && f.Flush() && f.SyncFolder(a);
       },
       "a=old b=bbb"},
      {"removal, folder not synced", [&](CFileWriter& f) { return f.Remove(a); }, "a=old"},
      {"removal, folder synced", [&](CFileWriter& f) { return f.Remove(a) && f.SyncFolder(a); },
       ""},
      {"rename, folder not synced", [&](CFileWriter& f) { return f.Rename(a, folder + "/c"); },
       "a=old"},
      {"rename, folder synced",
       [&](CFileWriter& f) { return f.Rename(a, folder + "/c") && f.SyncFolder(a); }, "c=old"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(folder).removeRecursively();
    ASSERT_TRUE(WriteFileBytes(a, "old"));
    disk.Start(folder);
    CPowerLossFileWriter file;
    EXPECT_TRUE(c.steps(file));
    file.Close();
    disk.CutAt(0, CPowerLossDisk::Landing::kNothing, 0);
    ASSERT_TRUE(disk.Restart());
    EXPECT_EQ(listing(), c.after);
    disk.Stop();
  }

  // A write of three sectors cut in flight.
  const QByteArray oldBytes(3 * CPowerLossDisk::kSector, 'o');
  const QByteArray newBytes(3 * CPowerLossDisk::kSector, 'n');
  QSet<int> landedSectors;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    QDir(folder).removeRecursively();
    ASSERT_TRUE(WriteFileBytes(a, oldBytes));
    disk.Start(folder);
    disk.CutAt(1, CPowerLossDisk::Landing::kInOrder, seed);
    CPowerLossFileWriter file;
    ASSERT_TRUE(file.Open(a, exclusive));
    EXPECT_EQ(file.Write(newBytes.constData(), newBytes.size()), -1);
    file.Close();
    ASSERT_TRUE(disk.Restart());
    disk.Stop();
    const QByteArray bytes = ReadFileBytes(a);
    const int landed = static_cast<int>(bytes.count('n')) / CPowerLossDisk::kSector;
    EXPECT_EQ(bytes, newBytes.left(landed * CPowerLossDisk::kSector) +
                         oldBytes.mid(landed * CPowerLossDisk::kSector));
    landedSectors.insert(landed);
  }
  EXPECT_EQ(landedSectors, (QSet<int>{0, 1, 2, 3}));
}
