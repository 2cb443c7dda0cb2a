#include "project/safe_save.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "project/file_writer.h"

namespace {

QString SystemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

unsigned Unsigned(int64_t count) { return count < 0 ? 0u : static_cast<unsigned>(count); }

}  // namespace

bool CSafeSave::Recover(const QString& path) {
  const QString ready = ReadyPath(path);
  if (!QFileInfo::exists(ready)) return false;
  std::unique_ptr<CFileWriter> files = CFileWriter::Create();
  if (!files->Rename(ready, path)) return false;
  files->SyncFolder(path);
  return true;
}

bool CSafeSave::Write(const QString& path, const QByteArray& bytes, QString& errorText) {
  const QString temporary = TemporaryPath(path);
  const QString ready = ReadyPath(path);
  std::unique_ptr<CFileWriter> temporaryFile = CFileWriter::Create();
  temporaryFile->Remove(temporary);
  std::unique_ptr<CFileWriter> projectFile;
  // The name the temporary file has now (its own, then the ready name); empty once forgotten.
  QString temporaryName;
  bool projectOpen = false;
  int64_t sizeBefore = 0;

  // The copy over the project file has begun: from now on the project file may be damaged, so
  // the complete temporary file is kept as the rescue copy and the project file is dropped.
  auto rescue = [&] {
    temporaryFile->Close();
    // The rename replaces a rescue file left by an earlier failure; should it fail, the complete
    // copy stays under the ready name, which is then no longer deleted either.
    if (temporaryFile->Rename(temporaryName, RescuePath(path))) temporaryFile->SyncFolder(path);
    temporaryName.clear();
    sizeBefore = 0;
  };

  auto fail = [&] {
    if (projectOpen) {
      // The old content at its old size is on the disk before the ready copy goes, so a power
      // cut meanwhile finds one or the other.
      projectFile->Resize(sizeBefore);
      if (sizeBefore > 0) projectFile->Flush();
      projectFile->Close();
      if (sizeBefore == 0) projectFile->Remove(path);
    }
    // A ready file that came back after a power cut would be taken for an interrupted save.
    const bool readyKnown = temporaryName == ready;
    if (!temporaryName.isEmpty()) {
      temporaryFile->Close();
      temporaryFile->Remove(temporaryName);
    }
    if (projectOpen || readyKnown) temporaryFile->SyncFolder(path);
    return false;
  };

  errorText = QStringLiteral("Unable to create temporary file '%1'").arg(temporary);
  if (!temporaryFile->Open(temporary, CFileWriter::OpenMode::kCreate)) {
    errorText += QStringLiteral(":\n") + SystemMessage(temporaryFile->Error());
    return fail();
  }
  temporaryName = temporary;

  errorText =
      QStringLiteral("Out of space on device while writing to temporary file '%1'.").arg(temporary);
  const int64_t length = bytes.size();
  for (int64_t done = 0; done < length;) {
    const int64_t piece = std::min<int64_t>(kTemporaryBuffer, length - done);
    if (temporaryFile->Write(bytes.constData() + done, piece) != piece) return fail();
    done += piece;
  }
  if (!temporaryFile->Flush()) return fail();
  // Only a complete copy that is on the disk gets the ready name, and that name is on the disk
  // before the project file is touched: after a power cut during the copy the ready file is the
  // only complete copy, and Recover() finds it by its name.
  errorText = QStringLiteral("Unable to create temporary file '%1':\n").arg(ready);
  if (!temporaryFile->Rename(temporary, ready)) {
    errorText += SystemMessage(temporaryFile->Error());
    return fail();
  }
  temporaryName = ready;
  if (!temporaryFile->SyncFolder(path)) {
    errorText += SystemMessage(temporaryFile->Error());
    return fail();
  }

  projectFile = CFileWriter::Create();
  if (!projectFile->Open(path, CFileWriter::OpenMode::kOpenExclusive)) {
    errorText = QStringLiteral("Unable to open project file '%1' for write:\n").arg(path) +
                SystemMessage(projectFile->Error());
    return fail();
  }
  sizeBefore = projectFile->Size();
  if (sizeBefore < 0) {
    // Without the size the file could not be put back; leave it exactly as it is.
    errorText = QStringLiteral("Unable to open project file '%1' for write:\n").arg(path) +
                SystemMessage(projectFile->Error());
    projectFile->Close();
    return fail();
  }
  projectOpen = true;
  // An empty project file is usually one the open has just created: its name, too, must reach
  // the disk before the save may succeed.
  const bool newFile = sizeBefore == 0;

  if (sizeBefore < length) {
    // Claim the disk space before anything of the old content is overwritten.
    if (!projectFile->Seek(length)) {
      errorText = QStringLiteral("Unable to seek in project file '%1'.").arg(path);
      return fail();
    }
    const char zero = 0;
    if (projectFile->Write(&zero, 1) != 1) {
      errorText = QStringLiteral("Unable to write to end of project file '%1'.").arg(path);
      return fail();
    }
  }

  if (!temporaryFile->Seek(0) || !projectFile->Seek(0)) {
    errorText = QStringLiteral("Unable to seek in project file '%1'.").arg(path);
    return fail();
  }
  std::vector<char> chunk(kCopyChunk);
  for (int64_t done = 0; done < length;) {
    const int64_t asked = std::min<int64_t>(kCopyChunk, length - done);
    const int64_t read = temporaryFile->Read(chunk.data(), asked);
    if (read != asked) {
      rescue();
      errorText = QString::asprintf("Tried to read %u bytes from temporary file, read %u instead.",
                                    Unsigned(asked), Unsigned(read));
      return fail();
    }
    const int64_t written = projectFile->Write(chunk.data(), read);
    if (written != read) {
      const int error = projectFile->Error();
      rescue();
      if (error != 0) {
        errorText = QStringLiteral("Error writing to project file '%1':\n").arg(path) +
                    SystemMessage(error);
      } else {
        errorText = QString::asprintf(
            "Tried to write %u bytes to project file, only %u bytes were written.  Out of space?",
            Unsigned(read), Unsigned(written));
      }
      return fail();
    }
    done += read;
  }

  // Cutting off the old tail and reaching the disk are part of the copy: when either fails the
  // project file cannot be trusted and the rescue copy is kept.
  if (!projectFile->Resize(length) || !projectFile->Flush() ||
      (newFile && !projectFile->SyncFolder(path))) {
    const int error = projectFile->Error();
    rescue();
    errorText =
        QStringLiteral("Error writing to project file '%1':\n").arg(path) + SystemMessage(error);
    return fail();
  }
  projectFile->Close();
  temporaryFile->Close();
  // Should the removal not reach the disk, Recover() puts the same content in place once more.
  temporaryFile->Remove(ready);
  temporaryFile->SyncFolder(path);
  errorText.clear();
  return true;
}
