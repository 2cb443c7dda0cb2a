// The print point's document without widgets or automation: the template kept in chunks of the
// property bag, the output file name from its pattern, the template filled with point values,
// scripts taken out, and the file written. Pure functions; UI thread in the client, any thread in
// tests.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

namespace PrintDocument {

// The property bag keeps the template in chunks of at most this many characters.
constexpr qsizetype kChunkSize = 65520;

QStringList SplitChunks(const QString& templateText);

// What the session tells the file name; all empty (and an invalid date) without a session.
struct SessionFacts {
  QString guid;  // 36 characters, no braces
  QDateTime date;
  QString unitId;
};

// The output text of the point of that name; empty when there is none.
using PointText = std::function<QString(const QString& name)>;

// The file name from its pattern: each "%token%" replaced by a session fact ("uuid", "guid",
// "tracking_id", ".guid"; "recdate", ".date"; "rectime", ".time"; ".unitID") or by a point's
// output text. Separators in what is filled in become "_", so no value can move the file out of
// its folder.
QString FileName(const QString& pattern, const SessionFacts& session, const PointText& point);

// The output path: the name in `folder` when that is an existing folder, else in `temporary`.
QString OutputPath(const QString& folder, const QString& name, const QString& temporary);

// The template with each "<%name%>" replaced by the point's output text, written as HTML text:
// line feeds become "<br>\r\n", carriage returns go, "&", "<" and ">" are escaped. A "<%"
// without its "%>" ends the document there.
QString Fill(const QString& templateText, const PointText& point);

// The document without anything that could run: script, frame, object and embed elements, event
// attributes ("onload=...") and "javascript:" addresses, and a policy that forbids scripts for
// a browser that opens it.
QString WithoutScripts(const QString& html);

// Writes the document as UTF-16 little-endian with its byte-order mark, replacing any file there
// whole or not at all; false when it cannot be written.
bool Write(const QString& path, const QString& html);

}  // namespace PrintDocument
