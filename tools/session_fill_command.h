// CSessionFillCommand: `qlt session fill`: runs a project's form without a window. It attaches a
// new session (or a stored one), sets the given point values as typing would, shows and leaves
// every page in order as the editing flow does (so computed points recalculate and logic points
// decide), prints every named point's value as JSON and, when asked, takes the values into the
// session and saves it as active. Form authors test forms with it; it also imports records.
// Created by the tool's dispatcher for one run; main thread.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <cstdio>

class CSessionFillCommand {
 public:
  // Exit codes: 0 done, 1 a file could not be read or written (or the session not saved), 2 bad
  // arguments, values or point names.
  static constexpr int kExitOk = 0;
  static constexpr int kExitFailure = 1;
  static constexpr int kExitUsage = 2;

  // The arguments after "qlt session".
  static int Main(const QStringList& arguments);
  // The usage lines; `full` adds what the options do and the exit codes (the help).
  static void PrintUsage(std::FILE* out, bool full);

  int Run(const QStringList& arguments);

  // Point names and the texts to type into them, in the order the JSON object lists them. The
  // JSON text is an object of texts, numbers (typed as written) and nulls (an empty value); false
  // with a message for anything else.
  static bool ParseValues(const QByteArray& json, QList<QPair<QString, QString>>& values,
                          QString& error);

 private:
  struct Options {
    QString project;
    QByteArray values;
    bool hasValues = false;
    QString session;
    bool save = false;
    bool help = false;
  };

  bool ParseArguments(const QStringList& arguments, Options& options);
  int Fill(const Options& options);
};
