// CSessionListModel: the rows and columns of the session list over the open project's session
// database list. Columns come from the project's session-list column text; a row (the created
// date and time, the values of the point columns, the row image from the flags and the send
// validation) is built only when the view asks for it and kept in a bounded cache, so a list of
// a hundred thousand sessions opens at once and scrolls in bounded memory. The session list
// control owns it; the project (and its database) belong to the frame, which resets the model
// after every change of the database list and before the project goes away. UI thread only.
#pragma once

#include <QAbstractTableModel>
#include <QCache>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

class CProject;
class CSessionDatabase;

class CSessionListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The fixed column keys.
  static constexpr const char* kDateKey = "_DATE";
  static constexpr const char* kTimeKey = "_TIME";
  // Rows built and kept at most; far more than any screen shows.
  static constexpr int kCachedRows = 2000;
  // The rows the numeric-sort rule looks at.
  static constexpr int kNumericSample = 10;
  // The image of a row: 0 plain, 1 received, 2 marked; plus kInvalidImage when the send
  // validation rejects the session.
  static constexpr int kInvalidImage = 3;

  enum Role {
    kGuidRole = Qt::UserRole + 1,  // the session's QUuid
    kImageRole,                    // the image index 0 to 5
  };

  struct Column {
    QString key;     // a point name, "_DATE" or "_TIME"
    QString header;  // the text of the column header
    int width = 0;   // the width a new column starts with, in pixels
  };

  explicit CSessionListModel(QObject* parent = nullptr);
  ~CSessionListModel() override;

  // The columns of a project: its session-list column text split at ";", "," and " "; a key
  // naming a point of the project gives a column headed by the key (by the point's caption when
  // the project heads columns by captions), "_TIME" and "_DATE" the time and date columns; other
  // keys are skipped. No column at all gives Time and Date; exactly one gets Date added.
  static QList<Column> BuildColumns(const CProject& project);
  // The numeric-sort rule: at least one text, and each of the first ten either empty or made of
  // "0123456789.,; " with an optional leading "-".
  static bool LooksNumeric(const QStringList& texts);
  // The image of a row from the session's flags and whether it may be sent.
  static int ImageFor(uint32_t flags, bool passesValidation);

  // Takes the project's columns and its database's list as it is now (the caller has set the
  // shown state and refreshed the database). Null, a project without a database or an empty list
  // give an empty model.
  void SetProject(CProject* project, CSessionDatabase* database);
  // Rebuilds from the same project after the database list changed.
  void Reset();
  CProject* Project() const { return m_project; }
  CSessionDatabase* Database() const { return m_database; }
  const QList<Column>& Columns() const { return m_columns; }
  QStringList ColumnKeys() const;

  // The GUID of a row straight from the database list (no row is built); null out of range.
  QUuid GuidAt(int row) const;
  // The texts of one column in the first `count` rows (the rows are built as needed).
  QStringList ColumnTexts(int column, int count);
  // Whether the numeric-sort rule holds for a column of the rows as they stand now.
  bool ColumnLooksNumeric(int column);

  // How many rows were built since the last reset (tests watch the loading with it).
  int RowsBuilt() const { return m_rowsBuilt; }
  int CachedRows() const { return m_cache.count(); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Row {
    QUuid guid;
    int image = 0;
    QStringList texts;
  };

  void Load();
  // True when the row is in the model and still in the database's list.
  bool HoldsRow(int row) const;
  // The row, built and cached on first use; null when the database no longer holds it.
  const Row* RowAt(int row) const;

  CProject* m_project = nullptr;
  CSessionDatabase* m_database = nullptr;
  CSessionDatabase* m_projectDatabase = nullptr;  // as given; m_database only while it is usable
  QList<Column> m_columns;
  int m_rowCount = 0;
  // The send validation of the project, read once per reset.
  bool m_validating = false;
  QString m_validationPoint;
  mutable QCache<int, Row> m_cache;
  mutable int m_rowsBuilt = 0;
};
