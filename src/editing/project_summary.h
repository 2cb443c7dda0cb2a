// CProjectSummary: what the project list shows of an installed project file without loading it:
// the title and unique number from the file's first fields, and the number of active sessions in
// its database. Plain values; any thread.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

struct CProjectSummary {
  QString path;
  QString title;
  int32_t version = 0;
  int32_t uniqueNumber = 0;
  // Sessions in state 0 of the project's database; 0 when it has none or cannot be read.
  int activeSessions = 0;

  // The summary of a project file; nothing when the file cannot be opened or is not a project
  // file. Reads only the signature, the version, the unique number and the title.
  static std::optional<CProjectSummary> Read(const QString& path);
};
