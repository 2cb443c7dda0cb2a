#include "session_fill_command.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <memory>

#include "app/message_service.h"
#include "app/services.h"
#include "editing/editing_flow.h"
#include "ordered_json.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "tool_arguments.h"

namespace {

void PrintError(const QString& text) {
  std::fprintf(stderr, "qlt session: %s\n", text.toUtf8().constData());
}

QString StateName(uint32_t state) {
  switch (state) {
    case CSession::kStateSent:
      return QStringLiteral("sent");
    case CSession::kStateDeleted:
      return QStringLiteral("deleted");
    default:
      return QStringLiteral("in state %1").arg(state);
  }
}

}  // namespace

void CSessionFillCommand::PrintUsage(std::FILE* out, bool full) {
  std::fputs(
      "usage: qlt session fill PROJECT.ppc [--values JSON|@FILE] [--session GUID] [--save]\n", out);
  if (!full) return;
  std::fputs(
      "\n"
      "Runs a project's form without a window: types the values into a new session (or a\n"
      "stored one), shows and leaves every page in order, prints every named point's value\n"
      "as JSON and, with --save, stores the session as active.\n"
      "\n"
      "  --values JSON   point names and the texts to type, as a JSON object;\n"
      "                  @FILE reads the object from a file\n"
      "  --session GUID  start from this stored session instead of a new one\n"
      "  --save          store the session when every page lets itself be left\n"
      "  -h, --help      show this help\n"
      "  --              every later argument is a file name, never an option\n"
      "\n"
      "Exit codes: 0 done, 1 a file could not be read or written or the session not saved,\n"
      "2 bad arguments, values or point names.\n",
      out);
}

int CSessionFillCommand::Main(const QStringList& arguments) {
  CSessionFillCommand command;
  return command.Run(arguments);
}

int CSessionFillCommand::Run(const QStringList& arguments) {
  Options options;
  if (!ParseArguments(arguments, options)) {
    PrintUsage(stderr, false);
    return kExitUsage;
  }
  if (options.help) {
    PrintUsage(stdout, true);
    return kExitOk;
  }
  // Project, database and verification messages go to stderr; a required point's question is
  // answered with its natural answer (continue), a strictly required one refuses.
  CServices::Instance().SetMessageService(std::make_unique<CConsoleMessageService>());
  return Fill(options);
}

bool CSessionFillCommand::ParseArguments(const QStringList& arguments, Options& options) {
  if (arguments.isEmpty()) {
    PrintError(QStringLiteral("missing subcommand"));
    return false;
  }
  if (CToolArguments::IsHelpText(arguments[0])) {
    options.help = true;
    return true;
  }
  if (arguments[0] != u"fill"_qs) {
    PrintError(CToolArguments::UnknownWordMessage(arguments[0]));
    return false;
  }
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
    if (argument == u"--save"_qs) {
      options.save = true;
      continue;
    }
    if (argument != u"--values"_qs && argument != u"--session"_qs) {
      PrintError(QStringLiteral("unknown option \"%1\"").arg(argument));
      return false;
    }
    QString value;
    if (!reader.TakeValue(value)) {
      PrintError(QStringLiteral("option %1 needs a value").arg(argument));
      return false;
    }
    if (argument == u"--session"_qs) {
      if (CSession::GuidFromText(value).isNull()) {
        PrintError(QStringLiteral("--session needs a session GUID, not \"%1\"").arg(value));
        return false;
      }
      options.session = value;
      continue;
    }
    if (value.startsWith(u'@')) {
      QFile file(value.mid(1));
      if (!file.open(QIODevice::ReadOnly)) {
        PrintError(QStringLiteral("cannot read %1: %2").arg(value.mid(1), file.errorString()));
        return false;
      }
      options.values = file.readAll();
    } else {
      options.values = value.toUtf8();
    }
    options.hasValues = true;
  }
  if (options.project.isEmpty()) {
    PrintError(QStringLiteral("missing project file"));
    return false;
  }
  return true;
}

bool CSessionFillCommand::ParseValues(const QByteArray& json,
                                      QList<QPair<QString, QString>>& values, QString& error) {
  COrderedJson document;
  if (!COrderedJson::Parse(json, document, error)) {
    error = QStringLiteral("--values is not valid JSON: %1").arg(error);
    return false;
  }
  if (!document.IsObject()) {
    error = QStringLiteral("--values must be a JSON object, not %1").arg(document.KindName());
    return false;
  }
  values.clear();
  for (const COrderedJson::Member& member : document.Members()) {
    const COrderedJson& value = member.second;
    QString text;
    if (value.IsString()) {
      text = value.StringValue();
    } else if (value.IsNumber()) {
      // Typed as written: "12.50" stays "12.50".
      text = QString::fromLatin1(value.NumberText());
    } else if (!value.IsNull()) {
      error = QStringLiteral("the value of \"%1\" must be a text, a number or null, not %2")
                  .arg(member.first, value.KindName());
      return false;
    }
    values.append({member.first, text});
  }
  return true;
}

int CSessionFillCommand::Fill(const Options& options) {
  QList<QPair<QString, QString>> values;
  if (options.hasValues) {
    QString error;
    if (!ParseValues(options.values, values, error)) {
      PrintError(error);
      return kExitUsage;
    }
  }

  const QFileInfo info(options.project);
  if (!info.isFile() || !info.isReadable()) {
    PrintError(QStringLiteral("cannot read project %1").arg(options.project));
    return kExitFailure;
  }
  std::unique_ptr<CEditingFlow> flow = CEditingFlow::Open(info.absoluteFilePath(), nullptr);
  if (!flow) {
    PrintError(QStringLiteral("%1 is not a readable project file").arg(options.project));
    return kExitFailure;
  }
  CProject& project = flow->Project();
  // Every name is checked before anything is typed or stored.
  for (const auto& value : values) {
    if (!project.FindPointByName(value.first)) {
      PrintError(QStringLiteral("the project has no point named \"%1\"").arg(value.first));
      return kExitUsage;
    }
  }

  // A look at a new session leaves no database behind; a stored session or a save needs one.
  const QUuid guid = CSession::GuidFromText(options.session);
  CSessionDatabase* database = nullptr;
  if (!guid.isNull() || options.save) {
    database = flow->Database();
    if (!database) {
      PrintError(QStringLiteral("cannot open the session database of %1").arg(options.project));
      return kExitFailure;
    }
  }
  CSessionPtr stored;
  if (!guid.isNull()) {
    stored = database->LoadSession(guid, false);
    if (!stored) {
      PrintError(QStringLiteral("no session %1 in %2").arg(options.session, options.project));
      return kExitFailure;
    }
  }
  // Opened as the client opens it when it is to be saved (an active session loses its marks at
  // once); a look without --save leaves the stored session untouched.
  const bool opened =
      options.save && stored ? flow->Start(guid) : flow->Start(QUuid(), stored.data());
  if (!opened) {
    PrintError(QStringLiteral("cannot open a session of %1").arg(options.project));
    return kExitFailure;
  }
  const CSessionPtr session(flow->Session());
  if (flow->Binding().IsLocked() && (options.save || !values.isEmpty())) {
    const QString why = session->State() != CSession::kStateActive
                            ? QStringLiteral("is %1").arg(StateName(session->State()))
                            : QStringLiteral("is locked by the project");
    PrintError(QStringLiteral("session %1 %2: its values cannot be changed")
                   .arg(session->GuidText(), why));
    return kExitFailure;
  }

  for (const auto& value : values) project.FindPointByName(value.first)->SetValue(value.second);

  // Every page in order, shown and then left as Next leaves it.
  bool refused = false;
  for (int i = 0; i < project.PageCount(); ++i) {
    flow->ShowPage(i);
    CBasePoint* failing = nullptr;
    if (!flow->VerifyShownPage(&failing)) {
      refused = true;
      const QString name = failing ? failing->GetLabel(false) : QString();
      PrintError(QStringLiteral("page %1 (\"%2\"): point \"%3\" refuses to be left")
                     .arg(i + 1)
                     .arg(project.Page(i)->Caption(), name));
    }
  }

  COrderedJson result = COrderedJson::Object();
  project.ForEachPoint([&result](CBasePoint* point) {
    if (!point->Name().isEmpty()) {
      result.Insert(point->Name(), COrderedJson::String(point->OutputText()));
    }
  });
  const QByteArray text = result.ToText();
  std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
  std::fflush(stdout);

  int exitCode = kExitOk;
  if (options.save) {
    if (refused) {
      PrintError(QStringLiteral("session not saved: a page refuses to be left"));
      exitCode = kExitFailure;
    } else if (flow->Finish().result == CEditingFlow::FinishResult::kSaved) {
      std::fprintf(stderr, "qlt session: saved session %s\n",
                   session->GuidText().toUtf8().constData());
    } else {
      PrintError(QStringLiteral("cannot save session %1 in %2")
                     .arg(session->GuidText(), database->FilePath()));
      exitCode = kExitFailure;
    }
  }
  return exitCode;
}
