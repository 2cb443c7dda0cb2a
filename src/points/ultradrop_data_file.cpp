#include "points/ultradrop_data_file.h"

#include <QFile>
#include <QStringDecoder>

#include "values/ansi_text.h"

namespace {

using Result = CUltraDataFile::Result;
using Encoding = CUltraDataFile::Encoding;

constexpr qsizetype kSniffBytes = 64 * 1024;

bool IsBreak(QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); }

// The first TAB or "," outside quotes (anywhere, when a quote never closes); TAB when the line
// has neither.
char16_t DetectDelimiter(QStringView line) {
  for (const bool quoting : {true, false}) {
    bool quoted = false;
    for (QChar c : line) {
      if (quoting && c == QLatin1Char('"')) quoted = !quoted;
      if (!quoted && (c == QLatin1Char('\t') || c == QLatin1Char(','))) return c.unicode();
    }
    if (!quoted) break;
  }
  return u'\t';
}

void FinishCell(QString& cell, const CUltraDataFile::Options& options, Result& result) {
  if (cell.size() > CUltraDataFile::kMaxCellChars) {
    cell.truncate(CUltraDataFile::kMaxCellChars);
    ++result.cutCells;
  }
  cell.replace(QLatin1Char('\t'), QLatin1Char(' '));
  if (options.newlines) cell.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
}

CUltraItem ParseLine(QStringView line, char16_t delimiter, const CUltraDataFile::Options& options,
                     Result& result) {
  CUltraItem item;
  const qsizetype n = line.size();
  const bool quoting = delimiter != u'"';
  qsizetype i = 0;
  while (item.cells.size() < options.columns) {
    while (i < n && line[i] == QLatin1Char(' ')) ++i;
    QString cell;
    if (quoting && i < n && line[i] == QLatin1Char('"')) {
      ++i;
      bool closed = false;
      while (i < n) {
        const qsizetype quote = line.indexOf(QLatin1Char('"'), i);
        const qsizetype stop = quote < 0 ? n : quote;
        if (cell.size() <= CUltraDataFile::kMaxCellChars) cell += line.mid(i, stop - i);
        i = stop;
        if (quote < 0) break;
        if (i + 1 < n && line[i + 1] == QLatin1Char('"')) {
          cell += QLatin1Char('"');
          i += 2;
          continue;
        }
        closed = true;
        ++i;
        break;
      }
      if (!closed) ++result.unclosedQuotes;
    }
    qsizetype next = line.indexOf(QChar(delimiter), i);
    if (next < 0) next = n;
    if (cell.size() <= CUltraDataFile::kMaxCellChars) {
      cell += line.mid(i, std::min<qsizetype>(next - i, CUltraDataFile::kMaxCellChars + 1));
    }
    i = next;
    FinishCell(cell, options, result);
    item.cells.append(cell);
    if (i >= n) break;
    ++i;  // the delimiter
  }
  while (item.cells.size() < options.columns) item.cells.append(QString());
  return item;
}

// The encoding the bytes hold: the mark's, unless the bytes plainly say otherwise.
Encoding Sniff(const QByteArray& bytes, qsizetype& skip, bool& overruled) {
  skip = 0;
  overruled = false;
  Encoding marked = Encoding::kAnsi;
  if (bytes.startsWith("\xFF\xFE")) {
    marked = Encoding::kUtf16Le;
    skip = 2;
  } else if (bytes.startsWith("\xFE\xFF")) {
    marked = Encoding::kUtf16Be;
    skip = 2;
  } else if (bytes.startsWith("\xEF\xBB\xBF")) {
    marked = Encoding::kUtf8;
    skip = 3;
  }
  if (marked == Encoding::kAnsi) return marked;
  const QByteArrayView sample = QByteArrayView(bytes).sliced(skip).first(
      std::min<qsizetype>(bytes.size() - skip, kSniffBytes));
  qsizetype evenZeros = 0;
  qsizetype oddZeros = 0;
  bool lineBreak = false;
  for (qsizetype i = 0; i < sample.size(); ++i) {
    if (sample[i] == '\0') ++(i % 2 == 0 ? evenZeros : oddZeros);
    lineBreak = lineBreak || sample[i] == '\n' || sample[i] == '\r';
  }
  const bool zeros = evenZeros + oddZeros > 0;
  if (marked == Encoding::kUtf8) {
    if (!zeros) return marked;
    // UTF-16 text behind a UTF-8 mark: ASCII characters leave their zero in the high byte.
    overruled = true;
    return oddZeros >= evenZeros ? Encoding::kUtf16Le : Encoding::kUtf16Be;
  }
  // A line break in UTF-16 always brings a zero byte; 8-bit text behind a UTF-16 mark has none.
  if (!zeros && lineBreak) {
    overruled = true;
    return Encoding::kAnsi;
  }
  return marked;
}

QString Decode(QByteArrayView bytes, Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf16Le: {
      QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
      return decoder(bytes.first(bytes.size() & ~qsizetype(1)));
    }
    case Encoding::kUtf16Be: {
      QStringDecoder decoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
      return decoder(bytes.first(bytes.size() & ~qsizetype(1)));
    }
    case Encoding::kUtf8: {
      QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
      const QString text = decoder(bytes);
      // Not UTF-8 after all: the bytes of a Windows code page behind a UTF-8 mark.
      return decoder.hasError() ? DecodeWindows1252(bytes) : text;
    }
    case Encoding::kAnsi:
      break;
  }
  return DecodeAnsiText(bytes);
}

}  // namespace

char16_t CUltraDataFile::DelimiterOf(int32_t code) {
  if (code <= 0 || code > 0xFFFF || code == '\n' || code == '\r') return 0;
  return static_cast<char16_t>(code);
}

CUltraDataFile::Result CUltraDataFile::ReadText(const QString& text, const Options& options) {
  Result result;
  result.opened = true;
  char16_t delimiter = options.delimiter;
  const QStringView all(text);
  const qsizetype n = all.size();
  qsizetype pos = 0;
  while (pos < n) {
    qsizetype end = pos;
    while (end < n && !IsBreak(all[end])) ++end;
    const QStringView line = all.sliced(pos, end - pos);
    pos = end + 1;
    if (line.isEmpty()) continue;
    if (result.items.size() >= kMaxRows) {
      result.truncated = true;
      break;
    }
    if (delimiter == 0) delimiter = DetectDelimiter(line);
    result.items.append(ParseLine(line, delimiter, options, result));
  }
  return result;
}

CUltraDataFile::Result CUltraDataFile::ReadBytes(const QByteArray& bytes, const Options& options) {
  qsizetype skip = 0;
  bool overruled = false;
  const Encoding encoding = Sniff(bytes, skip, overruled);
  Result result = ReadText(Decode(QByteArrayView(bytes).sliced(skip), encoding), options);
  result.encoding = encoding;
  result.markOverruled = overruled;
  return result;
}

CUltraDataFile::Result CUltraDataFile::ReadFile(const QString& path, const Options& options) {
  QFile file(path);
  if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = file.read(kMaxBytes + 1);
  if (file.error() != QFileDevice::NoError) return {};
  const bool cut = bytes.size() > kMaxBytes;
  if (cut) {
    // The last line is only partly there: it goes with the rest.
    bytes.truncate(kMaxBytes);
    const qsizetype lastBreak = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
    bytes.truncate(std::max<qsizetype>(lastBreak, 0));
  }
  Result result = ReadBytes(bytes, options);
  result.truncated = result.truncated || cut;
  return result;
}
