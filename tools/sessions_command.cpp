#include "sessions_command.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "app/message_service.h"
#include "app/services.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "tool_arguments.h"
#include "values/file_blob.h"
#include "values/variant_ops.h"

namespace {

void PrintError(const QString& text) {
  std::fprintf(stderr, "qlt sessions: %s\n", text.toUtf8().constData());
}

// The point columns of the database in the order they were added.
QStringList PointNames(const CSessionDatabase& database) {
  std::vector<std::pair<uint32_t, QString>> columns;
  const auto& map = database.PointMap();
  for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
    columns.emplace_back(it.value() & ~CSessionDatabase::kIndexedBit, it.key());
  }
  std::sort(columns.begin(), columns.end());
  QStringList names;
  for (const auto& column : columns) names.append(column.second);
  return names;
}

// A name that stays inside the folder it is written to.
bool IsSafeFileName(const QString& name) {
  if (name.isEmpty() || name == u"."_qs) return false;
  if (name.contains(u'/') || name.contains(u'\\') || name.contains(u"..")) return false;
  return std::none_of(name.cbegin(), name.cend(),
                      [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

// "name.ext", "name-2.ext", "name-3.ext", ...
QString Candidate(const QString& name, int attempt) {
  if (attempt == 1) return name;
  const qsizetype dot = name.lastIndexOf(u'.');
  const QString suffix = u"-"_qs + QString::number(attempt);
  if (dot <= 0) return name + suffix;
  return name.left(dot) + suffix + name.mid(dot);
}

}  // namespace

void CSessionsCommand::PrintUsage(std::FILE* out, bool full) {
  std::fputs(
      "usage: qlt sessions list PROJECT.ppc [--state active|sent|deleted]\n"
      "       qlt sessions export PROJECT.ppc --format csv|json [--out FILE] [--files DIR]\n"
      "                           [--state active|sent|deleted]\n",
      out);
  if (!full) return;
  std::fputs(
      "\n"
      "Lists or exports the sessions stored for a project; never creates a session database.\n"
      "\n"
      "  --state STATE      only the sessions in this state (active, sent or deleted)\n"
      "  --format csv|json  the form of the export\n"
      "  --out FILE         write the export into FILE instead of the standard output\n"
      "  --files DIR        write file values (photos, sketches, ...) into DIR\n"
      "  -h, --help         show this help\n"
      "  --                 every later argument is a file name, never an option\n"
      "\n"
      "Exit codes: 0 done, 1 a file could not be read or written, 2 bad arguments.\n",
      out);
}

int CSessionsCommand::Main(const QStringList& arguments) {
  CSessionsCommand command;
  return command.Run(arguments);
}

int CSessionsCommand::Run(const QStringList& arguments) {
  Options options;
  if (!ParseArguments(arguments, options)) {
    PrintUsage(stderr, false);
    return kExitUsage;
  }
  if (options.help) {
    PrintUsage(stdout, true);
    return kExitOk;
  }
  // Database messages (an unrecognised file) go to stderr.
  CServices::Instance().SetMessageService(std::make_unique<CConsoleMessageService>());
  return options.subcommand == u"list"_qs ? List(options) : Export(options);
}

bool CSessionsCommand::ParseArguments(const QStringList& arguments, Options& options) {
  if (arguments.isEmpty()) {
    PrintError(QStringLiteral("missing subcommand"));
    return false;
  }
  options.subcommand = arguments[0];
  if (CToolArguments::IsHelpText(options.subcommand)) {
    options.help = true;
    return true;
  }
  if (options.subcommand != u"list"_qs && options.subcommand != u"export"_qs) {
    PrintError(CToolArguments::UnknownWordMessage(options.subcommand));
    return false;
  }
  const bool exporting = options.subcommand == u"export"_qs;
  CToolArguments reader(arguments.mid(1));
  while (reader.Next()) {
    const QString& argument = reader.Current();
    if (reader.IsHelp()) {
      options.help = true;
      return true;
    }
    if (!reader.IsOption()) {
      if (!options.project.isEmpty()) {
        PrintError(QStringLiteral("unexpected argument \"%1\"").arg(argument));
        return false;
      }
      options.project = argument;
      continue;
    }
    const bool known = argument == u"--state"_qs ||
                       (exporting && (argument == u"--format"_qs || argument == u"--out"_qs ||
                                      argument == u"--files"_qs));
    if (!known) {
      PrintError(QStringLiteral("unknown option \"%1\"").arg(argument));
      return false;
    }
    QString value;
    if (!reader.TakeValue(value) || value.isEmpty()) {
      PrintError(QStringLiteral("option %1 needs a value").arg(argument));
      return false;
    }
    if (argument == u"--state"_qs) {
      if (value == u"active"_qs) {
        options.state = CSession::kStateActive;
      } else if (value == u"sent"_qs) {
        options.state = CSession::kStateSent;
      } else if (value == u"deleted"_qs) {
        options.state = CSession::kStateDeleted;
      } else {
        PrintError(
            QStringLiteral("--state must be active, sent or deleted, not \"%1\"").arg(value));
        return false;
      }
    } else if (argument == u"--format"_qs) {
      if (value != u"csv"_qs && value != u"json"_qs) {
        PrintError(QStringLiteral("--format must be csv or json, not \"%1\"").arg(value));
        return false;
      }
      options.format = value;
    } else if (argument == u"--out"_qs) {
      options.out = value;
    } else {
      options.files = value;
    }
  }
  if (options.project.isEmpty()) {
    PrintError(QStringLiteral("missing project file"));
    return false;
  }
  if (exporting && options.format.isEmpty()) {
    PrintError(QStringLiteral("missing --format csv|json"));
    return false;
  }
  return true;
}

QString CSessionsCommand::StateName(uint32_t state) {
  switch (state) {
    case CSession::kStateActive:
      return QStringLiteral("active");
    case CSession::kStateSent:
      return QStringLiteral("sent");
    case CSession::kStateDeleted:
      return QStringLiteral("deleted");
    default:
      return QString::number(state);
  }
}

QString CSessionsCommand::TimeText(const CSession& session, bool created) {
  const CSystemTime& time = created ? session.Created() : session.Saved();
  if (time.IsZero()) return QString();
  return QString::asprintf("%04u-%02u-%02uT%02u:%02u:%02u.%03u", time.year, time.month, time.day,
                           time.hour, time.minute, time.second, time.milliseconds);
}

QString CSessionsCommand::CsvField(const QString& text) {
  const bool quote =
      text.contains(u',') || text.contains(u'"') || text.contains(u'\r') || text.contains(u'\n');
  if (!quote) return text;
  QString quoted = text;
  quoted.replace(u"\""_qs, u"\"\""_qs);
  return u"\""_qs + quoted + u"\""_qs;
}

QString CSessionsCommand::WriteFileValue(const QString& storedName, const QByteArray& content) {
  if (!IsSafeFileName(storedName)) {
    PrintError(QStringLiteral("file value \"%1\" not written: the name may not hold a path")
                   .arg(storedName));
    m_hadProblem = true;
    return QString();
  }
  for (int attempt = 1; attempt < 10000; ++attempt) {
    const QString name = Candidate(storedName, attempt);
    if (m_usedNames.contains(name)) continue;
    QFile file(QDir(m_filesDir).filePath(name));
    // Never over an existing file (nor through a link placed there).
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
      const QFileInfo taken(file.fileName());
      if (taken.exists() || taken.isSymLink()) continue;
      PrintError(QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString()));
      m_hadProblem = true;
      return QString();
    }
    const bool written = file.write(content) == content.size();
    file.close();
    if (!written) {
      PrintError(QStringLiteral("cannot write %1").arg(file.fileName()));
      file.remove();
      m_hadProblem = true;
      return QString();
    }
    m_usedNames.insert(name);
    return name;
  }
  PrintError(
      QStringLiteral("file value \"%1\" not written: too many files of that name").arg(storedName));
  m_hadProblem = true;
  return QString();
}

QString CSessionsCommand::CellText(const CVariant& value) {
  if (value.IsEmptyOrNull()) return QString();
  if (value.IsString()) return value.StringPayload();
  if (FileBlob::IsFile(value)) {
    const QString name = FileBlob::Name(value);
    if (m_filesDir.isEmpty() || name.isEmpty()) return name;
    QByteArray content;
    FileBlob::Content(value, content);
    const QString written = WriteFileValue(name, content);
    return written.isEmpty() ? name : written;
  }
  if (value.IsArray()) return QStringLiteral("(Binary)");
  return ValueAsText(value);
}

namespace {

// Opens the project's session database without creating one; false with a message when it
// cannot be used. `exists` is false when the project has no database yet.
bool OpenDatabase(const QString& project, CSessionDatabase& database, bool& exists) {
  const QFileInfo info(project);
  if (!info.isFile() || !info.isReadable()) {
    PrintError(QStringLiteral("cannot read project file %1").arg(project));
    return false;
  }
  exists = QFileInfo::exists(CSessionDatabase::DatabasePath(project));
  if (!exists) return true;
  if (!database.OpenPath(project)) {
    PrintError(QStringLiteral("cannot open session database %1")
                   .arg(CSessionDatabase::DatabasePath(project)));
    return false;
  }
  return true;
}

QList<uint32_t> StatesOf(const std::optional<uint32_t>& state) {
  if (state) return {*state};
  return {CSession::kStateActive, CSession::kStateSent, CSession::kStateDeleted};
}

}  // namespace

int CSessionsCommand::List(const Options& options) {
  CSessionDatabase database(nullptr);
  bool exists = false;
  if (!OpenDatabase(options.project, database, exists)) return kExitFailure;
  QByteArray out = "guid\tstate\tflags\tcreated\tsaved\tunit\n";
  if (exists) {
    for (uint32_t state : StatesOf(options.state)) {
      database.SetShownState(state);
      if (!database.Refresh()) {
        PrintError(QStringLiteral("cannot read session database"));
        return kExitFailure;
      }
      for (int i = 0; i < database.ListCount(); ++i) {
        const CSessionPtr session = database.ListSessionAt(i, true);
        if (!session) {
          PrintError(QStringLiteral("session %1 cannot be read")
                         .arg(CSession::GuidText(database.ListGuidAt(i))));
          m_hadProblem = true;
          continue;
        }
        const QString line = QStringList{session->GuidText(),
                                         StateName(session->State()),
                                         QString::number(session->Flags()),
                                         TimeText(*session, true),
                                         TimeText(*session, false),
                                         session->UnitId()}
                                 .join(u'\t');
        out += line.toUtf8() + '\n';
      }
    }
  }
  std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
  std::fflush(stdout);
  return m_hadProblem ? kExitFailure : kExitOk;
}

int CSessionsCommand::Export(const Options& options) {
  CSessionDatabase database(nullptr);
  bool exists = false;
  if (!OpenDatabase(options.project, database, exists)) return kExitFailure;

  if (!options.files.isEmpty()) {
    if (!QDir().mkpath(options.files)) {
      PrintError(QStringLiteral("cannot create folder %1").arg(options.files));
      return kExitFailure;
    }
    m_filesDir = options.files;
  }

  if (!options.out.isEmpty()) {
    // An output path that names the project or its database would replace it.
    const QString target = QFileInfo(options.out).absoluteFilePath();
    for (const QString& own : {options.project, CSessionDatabase::DatabasePath(options.project)}) {
      const QFileInfo info(own);
      if (target == info.absoluteFilePath() ||
          (info.exists() &&
           QFileInfo(options.out).canonicalFilePath() == info.canonicalFilePath())) {
        PrintError(QStringLiteral("refusing to write the export over %1").arg(own));
        return kExitUsage;
      }
    }
  }

  // The whole export is written at once (a half-written output file is never left behind).
  std::unique_ptr<QIODevice> device;
  if (options.out.isEmpty()) {
    auto console = std::make_unique<QFile>();
    if (!console->open(stdout, QIODevice::WriteOnly)) return kExitFailure;
    device = std::move(console);
  } else {
    auto file = std::make_unique<QSaveFile>(options.out);
    if (!file->open(QIODevice::WriteOnly)) {
      PrintError(QStringLiteral("cannot write %1: %2").arg(options.out, file->errorString()));
      return kExitFailure;
    }
    device = std::move(file);
  }

  const QStringList points = exists ? PointNames(database) : QStringList();
  const bool csv = options.format == u"csv"_qs;
  QJsonArray rows;
  QByteArray buffer;
  bool writeFailed = false;
  auto flush = [&](bool force) {
    if (buffer.size() < (1 << 16) && !force) return;
    if (device->write(buffer) != buffer.size()) writeFailed = true;
    buffer.clear();
  };
  if (csv) {
    QStringList header = {QStringLiteral("guid"),  QStringLiteral("created"),
                          QStringLiteral("saved"), QStringLiteral("state"),
                          QStringLiteral("flags"), QStringLiteral("unit")};
    for (const QString& point : points) header.append(CsvField(point));
    buffer += header.join(u',').toUtf8() + "\r\n";
  }

  if (exists) {
    for (uint32_t state : StatesOf(options.state)) {
      database.SetShownState(state);
      if (!database.Refresh()) {
        PrintError(QStringLiteral("cannot read session database"));
        if (auto* save = dynamic_cast<QSaveFile*>(device.get())) save->cancelWriting();
        return kExitFailure;
      }
      for (int i = 0; i < database.ListCount(); ++i) {
        const CSessionPtr session = database.ListSessionAt(i, false);
        if (!session) {
          PrintError(QStringLiteral("session %1 cannot be read")
                         .arg(CSession::GuidText(database.ListGuidAt(i))));
          m_hadProblem = true;
          continue;
        }
        if (csv) {
          QStringList fields = {session->GuidText(),
                                TimeText(*session, true),
                                TimeText(*session, false),
                                StateName(session->State()),
                                QString::number(session->Flags()),
                                CsvField(session->UnitId())};
          for (const QString& point : points) {
            const CVariant* value = session->Values().Find(point);
            fields.append(CsvField(value ? CellText(*value) : QString()));
          }
          buffer += fields.join(u',').toUtf8() + "\r\n";
          flush(false);
        } else {
          QJsonObject values;
          for (const QString& point : points) {
            const CVariant* value = session->Values().Find(point);
            values.insert(point, value ? CellText(*value) : QString());
          }
          rows.append(QJsonObject{{QStringLiteral("guid"), session->GuidText()},
                                  {QStringLiteral("created"), TimeText(*session, true)},
                                  {QStringLiteral("saved"), TimeText(*session, false)},
                                  {QStringLiteral("state"), StateName(session->State())},
                                  {QStringLiteral("flags"), static_cast<qint64>(session->Flags())},
                                  {QStringLiteral("unit"), session->UnitId()},
                                  {QStringLiteral("values"), values}});
        }
      }
    }
  }
  if (!csv) buffer = QJsonDocument(rows).toJson(QJsonDocument::Indented);
  flush(true);

  if (auto* save = dynamic_cast<QSaveFile*>(device.get())) {
    if (writeFailed || !save->commit()) {
      if (!writeFailed) save->cancelWriting();
      PrintError(QStringLiteral("cannot write %1").arg(options.out));
      return kExitFailure;
    }
  } else if (writeFailed) {
    PrintError(QStringLiteral("cannot write the export"));
    return kExitFailure;
  }
  return m_hadProblem ? kExitFailure : kExitOk;
}
