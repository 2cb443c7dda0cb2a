#include "ui/session_list_model.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>
#include <QIcon>
#include <array>
#include <memory>

#include "app/language.h"
#include "project/base_point.h"
#include "project/display_scale.h"
#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "ui/client_icons.h"
#include "values/variant_ops.h"

namespace {

const QColor kReceivedBackground(255, 200, 200);
const QColor kMarkedBackground(200, 255, 200);
const QColor kInvalidText(200, 0, 0);

// What a point column shows for a session without a value for the point.
const QString kNoValue = QStringLiteral("-");

QString TranslateOr(const char* key, const char* fallback) {
  QString text;
  if (!CLanguage::Instance().Lookup(QString::fromLatin1(key), text) || text.isEmpty()) {
    text = QString::fromLatin1(fallback);
  }
  return text;
}

bool IsKeySeparator(QChar c) { return c == u';' || c == u',' || c == u' '; }

const QIcon& RowIcon(int image) {
  // Made on first use: pixmaps need the application object.
  static const std::array<QIcon, 3> icons = [] {
    const int size = 16 * CDisplayScale::Factor();
    return std::array<QIcon, 3>{QIcon(CClientIcons::Bitmap(CClientIcons::kSession, size)),
                                QIcon(CClientIcons::Bitmap(CClientIcons::kSessionReceived, size)),
                                QIcon(CClientIcons::Bitmap(CClientIcons::kSessionMarked, size))};
  }();
  return icons[static_cast<size_t>(image % CSessionListModel::kInvalidImage)];
}

}  // namespace

CSessionListModel::CSessionListModel(QObject* parent) : QAbstractTableModel(parent) {
  m_cache.setMaxCost(kCachedRows);
}

CSessionListModel::~CSessionListModel() = default;

QList<CSessionListModel::Column> CSessionListModel::BuildColumns(const CProject& project) {
  const int factor = CDisplayScale::Factor();
  const CProject::Header& header = project.GetHeader();
  const Column time{QString::fromLatin1(kTimeKey),
                    TranslateOr(QLT_KEY("SessionList.ColumnTime"), "Time"), 90 * factor};
  const Column date{QString::fromLatin1(kDateKey),
                    TranslateOr(QLT_KEY("SessionList.ColumnDate"), "Date"), 150 * factor};

  QList<Column> columns;
  const QString& text = header.sessionListColumns;
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype end = start;
    while (end < text.size() && !IsKeySeparator(text[end])) ++end;
    const QString key = text.mid(start, end - start);
    start = end + 1;
    if (key.isEmpty()) continue;
    if (const CBasePoint* point = project.FindPointByName(key)) {
      columns.append({key, header.useCaptions != 0 ? point->Caption() : key, 64 * factor});
    } else if (key == time.key) {
      columns.append(time);
    } else if (key == date.key) {
      columns.append(date);
    }
  }
  if (columns.isEmpty()) {
    columns = {time, date};
  } else if (columns.size() == 1) {
    columns.append(date);
  }
  return columns;
}

bool CSessionListModel::LooksNumeric(const QStringList& texts) {
  if (texts.isEmpty()) return false;
  const qsizetype count = std::min<qsizetype>(texts.size(), kNumericSample);
  for (qsizetype i = 0; i < count; ++i) {
    if (!IsNumericList(texts[i])) return false;
  }
  return true;
}

int CSessionListModel::ImageFor(uint32_t flags, bool passesValidation) {
  int image = 0;
  if (flags & CSession::kFlagMarked) {
    image = 2;
  } else if (flags & CSession::kFlagReceived) {
    image = 1;
  }
  return passesValidation ? image : image + kInvalidImage;
}

void CSessionListModel::SetProject(CProject* project, CSessionDatabase* database) {
  beginResetModel();
  m_project = project;
  m_projectDatabase = project ? database : nullptr;
  Load();
  endResetModel();
}

void CSessionListModel::Reset() { SetProject(m_project, m_projectDatabase); }

void CSessionListModel::Load() {
  m_cache.clear();
  m_rowsBuilt = 0;
  m_columns.clear();
  m_rowCount = 0;
  m_database = nullptr;
  m_validating = false;
  m_validationPoint.clear();
  if (!m_project) return;
  m_columns = BuildColumns(*m_project);
  m_database = m_projectDatabase;
  if (m_database && m_database->IsOpen()) m_rowCount = m_database->ListCount();
  QString value;
  m_validating = m_project->SendValidation(m_validationPoint, value);
}

QStringList CSessionListModel::ColumnKeys() const {
  QStringList keys;
  for (const Column& column : m_columns) keys.append(column.key);
  return keys;
}

bool CSessionListModel::HoldsRow(int row) const {
  // The database list may have changed since the reset; never read past what it holds now.
  return row >= 0 && row < m_rowCount && m_database && row < m_database->ListCount();
}

QUuid CSessionListModel::GuidAt(int row) const {
  return HoldsRow(row) ? m_database->ListGuidAt(row) : QUuid();
}

const CSessionListModel::Row* CSessionListModel::RowAt(int row) const {
  if (!HoldsRow(row)) return nullptr;
  if (const Row* cached = m_cache.object(row)) return cached;

  auto built = std::make_unique<Row>();
  built->guid = m_database->ListGuidAt(row);
  const uint32_t flags = m_database->ListFlagsAt(row);
  // Placeholders: the list only shows text, so stored binary values are not decoded.
  const CSessionPtr session = m_database->ListSessionAt(row, true);
  QString date;
  QString time;
  bool passes = true;
  if (session) {
    const QDateTime created = session->Created().ToDateTime();
    if (created.isValid()) {
      date = created.toString(QStringLiteral("yyyy-MM-dd"));
      time = created.toString(QStringLiteral("HH:mm"));
    }
    if (m_validating) {
      passes = m_project->PassesSendValidation(session->GetValueText(m_validationPoint));
    }
  }
  built->image = ImageFor(flags, passes);
  built->texts.reserve(m_columns.size());
  for (const Column& column : m_columns) {
    if (column.key == QLatin1String(kDateKey)) {
      built->texts.append(date);
    } else if (column.key == QLatin1String(kTimeKey)) {
      built->texts.append(time);
    } else {
      const QString text = session ? session->GetValueText(column.key) : QString();
      built->texts.append(text.isEmpty() ? kNoValue : text);
    }
  }
  ++m_rowsBuilt;
  m_cache.insert(row, built.release());
  return m_cache.object(row);
}

QStringList CSessionListModel::ColumnTexts(int column, int count) {
  QStringList texts;
  if (column < 0 || column >= m_columns.size()) return texts;
  const int rows = std::min(count, m_rowCount);
  for (int row = 0; row < rows; ++row) {
    const Row* built = RowAt(row);
    if (!built) break;
    texts.append(built->texts.value(column));
  }
  return texts;
}

bool CSessionListModel::ColumnLooksNumeric(int column) {
  return LooksNumeric(ColumnTexts(column, kNumericSample));
}

int CSessionListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_rowCount;
}

int CSessionListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant CSessionListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= m_columns.size()) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
      const Row* row = RowAt(index.row());
      return row ? QVariant(row->texts.value(index.column())) : QVariant();
    }
    case Qt::DecorationRole: {
      if (index.column() != 0) return QVariant();
      const Row* row = RowAt(index.row());
      return row ? QVariant(RowIcon(row->image)) : QVariant();
    }
    case Qt::BackgroundRole: {
      const Row* row = RowAt(index.row());
      if (!row) return QVariant();
      if (row->image % kInvalidImage == 1) return QBrush(kReceivedBackground);
      if (row->image % kInvalidImage == 2) return QBrush(kMarkedBackground);
      return QVariant();
    }
    case Qt::ForegroundRole: {
      const Row* row = RowAt(index.row());
      return row && row->image >= kInvalidImage ? QVariant(QBrush(kInvalidText)) : QVariant();
    }
    case kGuidRole: {
      // Straight from the list: no need to build the row.
      const QUuid guid = GuidAt(index.row());
      return guid.isNull() ? QVariant() : QVariant::fromValue(guid);
    }
    case kImageRole: {
      const Row* row = RowAt(index.row());
      return row ? QVariant(row->image) : QVariant();
    }
    default:
      return QVariant();
  }
}

QVariant CSessionListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size()) {
    return QVariant();
  }
  if (role == Qt::DisplayRole) return m_columns[section].header;
  return QVariant();
}

Qt::ItemFlags CSessionListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
