#include "project_command.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>
#include <memory>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "ordered_json.h"
#include "project/project.h"
#include "project_json.h"

namespace {

void PrintError(const QString& text) {
  std::fprintf(stderr, "qlt project: %s\n", text.toUtf8().constData());
}

void PrintUsage() {
  std::fprintf(
      stderr,
      "usage: qlt project dump PROJECT.ppc [--out FORM.json] [--no-images | --images DIR]\n"
      "       qlt project build FORM.json PROJECT.ppc\n");
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

int CProjectCommand::Main(const QStringList& arguments) {
  // Messages of loading and saving (a damaged file, a failed save) go to stderr.
  CServices::Instance().SetMessageService(std::make_unique<CConsoleMessageService>());
  // Their texts come from the built-in translation.
  CLanguage::Instance().LoadTranslation(QString(), QString());
  const QString subcommand = arguments.value(0);
  if (subcommand == QLatin1String("dump")) return Dump(arguments.mid(1));
  if (subcommand == QLatin1String("build")) return Build(arguments.mid(1));
  PrintError(subcommand.isEmpty() ? QStringLiteral("missing subcommand")
                                  : QStringLiteral("unknown subcommand \"%1\"").arg(subcommand));
  PrintUsage();
  return kExitBadInput;
}

int CProjectCommand::Dump(const QStringList& arguments) {
  QString input;
  QString out;
  bool omitImages = false;
  QString imageDir;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QLatin1String("--no-images")) {
      omitImages = true;
    } else if (argument == QLatin1String("--out") || argument == QLatin1String("--images")) {
      if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
        PrintError(QStringLiteral("option %1 needs a value").arg(argument));
        return kExitBadInput;
      }
      (argument == QLatin1String("--out") ? out : imageDir) = arguments[++i];
    } else if (argument.startsWith(QLatin1String("--")) || !input.isEmpty()) {
      PrintError(QStringLiteral("unexpected argument \"%1\"").arg(argument));
      PrintUsage();
      return kExitBadInput;
    } else {
      input = argument;
    }
  }
  if (input.isEmpty() || (omitImages && !imageDir.isEmpty())) {
    if (!input.isEmpty()) PrintError(QStringLiteral("--no-images and --images exclude each other"));
    PrintUsage();
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
  if (arguments.size() != 2 || arguments[0].startsWith(QLatin1String("--")) ||
      arguments[1].startsWith(QLatin1String("--")) || arguments[0].isEmpty() ||
      arguments[1].isEmpty()) {
    PrintUsage();
    return kExitBadInput;
  }
  const QString formPath = arguments[0];
  const QString outPath = QFileInfo(arguments[1]).absoluteFilePath();

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
