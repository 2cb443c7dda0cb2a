#include "project_command.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>
#include <memory>

#include "app/message_service.h"
#include "app/services.h"
#include "ordered_json.h"
#include "project/project.h"
#include "project_json.h"
#include "tool_arguments.h"

namespace {

void PrintError(const QString& text) {
  std::fprintf(stderr, "qlt project: %s\n", text.toUtf8().constData());
}

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// Why a file that was to be read could not be opened.
QString OpenProblem(const QString& path, const QFile& file) {
  const QFileInfo info(path);
  if (!info.exists()) return QStringLiteral("no such file");
  if (info.isDir()) return QStringLiteral("it is a folder");
  return file.errorString();
}

}  // namespace

void CProjectCommand::PrintUsage(std::FILE* out, bool full) {
  std::fputs(
      "usage: qlt project dump PROJECT.ppc [--out FORM.json] [--no-images | --images DIR]\n"
      "       qlt project build FORM.json PROJECT.ppc\n",
      out);
  if (!full) return;
  std::fputs(
      "\n"
      "Writes a project file out as a JSON form, or builds a project file from a form.\n"
      "\n"
      "  --out FORM.json  write the form into this file instead of the standard output\n"
      "  --no-images      leave the images out of the form\n"
      "  --images DIR     write the images as files into DIR; the form names them\n"
      "  -h, --help       show this help\n"
      "  --               every later argument is a file name, never an option\n"
      "\n"
      "A build reads and checks the whole form first and never leaves a half-written file.\n"
      "Exit codes: 0 done, 1 a file could not be read or written, 2 bad arguments or input.\n",
      out);
}

int CProjectCommand::Main(const QStringList& arguments) {
  // Messages of loading and saving (a damaged file, a failed save) go to stderr.
  CServices::Instance().SetMessageService(std::make_unique<CConsoleMessageService>());
  const QString subcommand = arguments.value(0);
  if (CToolArguments::IsHelpText(subcommand)) {
    PrintUsage(stdout, true);
    return kExitOk;
  }
  if (subcommand == QLatin1String("dump")) return Dump(arguments.mid(1));
  if (subcommand == QLatin1String("build")) return Build(arguments.mid(1));
  if (subcommand.isEmpty()) {
    PrintError(QStringLiteral("missing subcommand"));
  } else {
    PrintError(CToolArguments::UnknownWordMessage(subcommand));
  }
  PrintUsage(stderr, false);
  return kExitBadInput;
}

int CProjectCommand::Dump(const QStringList& arguments) {
  QString input;
  QString out;
  bool omitImages = false;
  QString imageDir;
  CToolArguments reader(arguments);
  while (reader.Next()) {
    const QString& argument = reader.Current();
    if (reader.IsHelp()) {
      PrintUsage(stdout, true);
      return kExitOk;
    }
    if (!reader.IsOption()) {
      if (!input.isEmpty()) {
        PrintError(QStringLiteral("unexpected argument \"%1\"").arg(argument));
        PrintUsage(stderr, false);
        return kExitBadInput;
      }
      input = argument;
    } else if (argument == QLatin1String("--no-images")) {
      omitImages = true;
    } else if (argument == QLatin1String("--out") || argument == QLatin1String("--images")) {
      QString value;
      if (!reader.TakeValue(value) || value.isEmpty()) {
        PrintError(QStringLiteral("option %1 needs a value").arg(argument));
        return kExitBadInput;
      }
      (argument == QLatin1String("--out") ? out : imageDir) = value;
    } else {
      PrintError(QStringLiteral("unknown option \"%1\"").arg(argument));
      PrintUsage(stderr, false);
      return kExitBadInput;
    }
  }
  if (input.isEmpty() || (omitImages && !imageDir.isEmpty())) {
    if (!input.isEmpty()) PrintError(QStringLiteral("--no-images and --images exclude each other"));
    PrintUsage(stderr, false);
    return kExitBadInput;
  }

  {
    QFile file(input);
    if (!QFileInfo(input).isFile() || !file.open(QIODevice::ReadOnly)) {
      PrintError(QStringLiteral("cannot read %1: %2").arg(Native(input), OpenProblem(input, file)));
      return kExitFailure;
    }
  }
  CProject project;
  if (!project.Load(input)) {
    PrintError(QStringLiteral("%1 is not a project file this tool can read").arg(Native(input)));
    return kExitBadInput;
  }

  CProjectJson::DumpOptions options;
  if (omitImages) options.images = CProjectJson::ImageMode::kOmitted;
  if (!imageDir.isEmpty()) {
    options.images = CProjectJson::ImageMode::kFiles;
    options.imageDir = QFileInfo(imageDir).absoluteFilePath();
    if (!QDir().mkpath(options.imageDir)) {
      PrintError(QStringLiteral("cannot create the folder %1").arg(Native(imageDir)));
      return kExitFailure;
    }
    // "file" paths are relative to where the form will be.
    options.referenceDir = out.isEmpty() ? QDir::currentPath() : QFileInfo(out).absolutePath();
  }
  COrderedJson form;
  QString error;
  if (!CProjectJson::Dump(project, options, form, error)) {
    PrintError(error);
    return kExitFailure;
  }
  const QByteArray text = form.ToText();
  if (out.isEmpty()) {
    if (std::fwrite(text.constData(), 1, text.size(), stdout) != static_cast<size_t>(text.size()) ||
        std::fflush(stdout) != 0) {
      PrintError(QStringLiteral("cannot write the form to the standard output"));
      return kExitFailure;
    }
    return kExitOk;
  }
  QSaveFile file(out);
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
    PrintError(QStringLiteral("cannot write %1: %2").arg(Native(out), file.errorString()));
    return kExitFailure;
  }
  return kExitOk;
}

int CProjectCommand::Build(const QStringList& arguments) {
  QStringList files;
  CToolArguments reader(arguments);
  while (reader.Next()) {
    if (reader.IsHelp()) {
      PrintUsage(stdout, true);
      return kExitOk;
    }
    if (reader.IsOption()) {
      PrintError(QStringLiteral("unknown option \"%1\"").arg(reader.Current()));
      PrintUsage(stderr, false);
      return kExitBadInput;
    }
    files.append(reader.Current());
  }
  if (files.size() != 2 || files[0].isEmpty() || files[1].isEmpty()) {
    PrintUsage(stderr, false);
    return kExitBadInput;
  }
  const QString formPath = files[0];
  const QString outPath = QFileInfo(files[1]).absoluteFilePath();

  QByteArray text;
  {
    // Read with a bound rather than trusting the size: the form may be a pipe.
    QFile file(formPath);
    if (QFileInfo(formPath).isDir() || !file.open(QIODevice::ReadOnly)) {
      PrintError(
          QStringLiteral("cannot read %1: %2").arg(Native(formPath), OpenProblem(formPath, file)));
      return kExitFailure;
    }
    text = file.read(kMaxFormBytes + 1);
    if (file.error() != QFileDevice::NoError) {
      PrintError(QStringLiteral("cannot read %1: %2").arg(Native(formPath), file.errorString()));
      return kExitFailure;
    }
    if (text.size() > kMaxFormBytes) {
      PrintError(QStringLiteral("%1 is larger than %2 bytes; that is no project form")
                     .arg(Native(formPath))
                     .arg(kMaxFormBytes));
      return kExitBadInput;
    }
  }

  COrderedJson form;
  QString error;
  if (!COrderedJson::Parse(text, form, error)) {
    PrintError(QStringLiteral("%1: %2").arg(Native(formPath), error));
    return kExitBadInput;
  }
  CProject project;
  CProjectJson::BuildResult result;
  if (!CProjectJson::Build(form, QFileInfo(formPath).absolutePath(), project, result)) {
    PrintError(QStringLiteral("%1: %2").arg(Native(formPath), result.error));
    return result.ioError ? kExitFailure : kExitBadInput;
  }
  // What is written must read back; checked before the output is touched.
  {
    CProject check;
    if (!check.LoadFromBytes(project.SaveToBytes())) {
      PrintError(QStringLiteral("%1: the form makes a project that does not read back")
                     .arg(Native(formPath)));
      return kExitBadInput;
    }
  }

  project.SetPath(outPath);
  if (result.hasSavedTime) {
    // The save stamps the time from the clock; the form's saved time is the time to stamp.
    const int64_t savedTime = project.GetHeader().savedTime;
    CServices::Instance().SetClock(
        [savedTime]() { return QDateTime::fromSecsSinceEpoch(savedTime, Qt::UTC); });
  }
  if (!project.Save()) {
    PrintError(QStringLiteral("cannot write %1").arg(Native(outPath)));
    return kExitFailure;
  }
  return kExitOk;
}
