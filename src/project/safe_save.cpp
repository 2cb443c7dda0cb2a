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

bool CSafeSave::Write(const QString& path, const QByteArray& bytes, QString& errorText) {
  const QString temporary = TemporaryPath(path);
  std::unique_ptr<CFileWriter> temporaryFile = CFileWriter::Create();
  temporaryFile->Remove(temporary);
  std::unique_ptr<CFileWriter> projectFile;
  bool temporaryKnown = false;
  bool projectOpen = false;
  int64_t sizeBefore = 0;

  // The copy over the project file has begun: from now on the project file may be damaged, so
  // the complete temporary file is kept as the rescue copy and the project file is dropped.
  auto rescue = [&] {
    temporaryFile->Close();
    // rename() replaces a rescue file left by an earlier failure; should it fail, the complete
    // copy stays under the temporary name, which is then no longer deleted either.
    if (temporaryFile->Rename(temporary, RescuePath(path))) temporaryFile->SyncFolder(path);
    temporaryKnown = false;
    sizeBefore = 0;
  };

  auto fail = [&] {
    if (temporaryKnown) {
      temporaryFile->Close();
      temporaryFile->Remove(temporary);
    }
    if (projectOpen) {
      projectFile->Resize(sizeBefore);
      projectFile->Close();
      if (sizeBefore == 0) projectFile->Remove(path);
      projectFile->SyncFolder(path);
    }
    return false;
  };

  errorText = QStringLiteral("Unable to create temporary file '%1'").arg(temporary);
  if (!temporaryFile->Open(temporary, CFileWriter::OpenMode::kCreate)) {
    errorText += QStringLiteral(":\n") + SystemMessage(temporaryFile->Error());
    return fail();
  }
  temporaryKnown = true;

  errorText =
      QStringLiteral("Out of space on device while writing to temporary file '%1'.").arg(temporary);
  const int64_t length = bytes.size();
  for (int64_t done = 0; done < length;) {
    const int64_t piece = std::min<int64_t>(kTemporaryBuffer, length - done);
    if (temporaryFile->Write(bytes.constData() + done, piece) != piece) return fail();
    done += piece;
  }
  // The temporary file must be on the disk before the project file is touched: after a power
  // loss during the copy it is the only complete copy.
  if (!temporaryFile->Flush()) return fail();
  // Failure only weakens the guarantee against power loss; the save itself can go on.
  temporaryFile->SyncFolder(temporary);

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
  if (!projectFile->Resize(length) || !projectFile->Flush()) {
    const int error = projectFile->Error();
    rescue();
    errorText =
        QStringLiteral("Error writing to project file '%1':\n").arg(path) + SystemMessage(error);
    return fail();
  }
  projectFile->Close();
  temporaryFile->Close();
  temporaryFile->Remove(temporary);
  temporaryFile->SyncFolder(path);
  errorText.clear();
  return true;
}
