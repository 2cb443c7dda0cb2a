#include "platform/shell.h"

bool CShell::Open(const QString&) { return false; }

bool CShell::PrintHtml(const QString&) { return false; }

bool CShell::PrintFile(const QString&) { return false; }

bool CShell::Run(const QString&, const QStringList&) { return false; }
