// CFilePoint (type code 13, "File"): carries one whole file in its value as a file blob, attached
// through the file dialog or taken from a watched folder, saved elsewhere or opened through a
// temporary copy. It paints a band with the file's name and size and round buttons. Owned by its
// CPage; it owns its temporary copy. UI thread only.
#pragma once

#include "project/base_point.h"

class CFilePoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 13;

  struct Settings {
    QString filter = QStringLiteral("All Files|*.*||");
    int32_t attachButton = 3;  // bit value 2: shown
    int32_t saveButton = 3;
    int32_t openButton = 3;
    int32_t watchFolder = 0;  // non-zero: attaching first takes the newest file of the folder
    QString folder = QStringLiteral("\\My Documents");
    QString extensions = QStringLiteral("jpg;jpeg");
    int32_t deleteSource = 0;
    bool operator==(const Settings& other) const = default;
  };

  CFilePoint();
  ~CFilePoint() override;

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

  bool Hide(bool verify) override;
  int GetHeight(QPainter* painter, int width) override;
  int Paint(QPainter* painter) override;
  void OnTap(int x, int y) override;

  // The three actions of the buttons (public for the automation interface and tests).
  void Attach();
  void SaveCopy();
  void OpenCopy();
  // The temporary copy made by the last open, empty for none.
  const QString& TemporaryCopy() const { return m_tempCopy; }

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  // Loads `path` into the value; tells the dependants and shows the message on failure.
  bool LoadInto(const QString& path);
  void DeleteTemporaryCopy();

  Settings m_settings;
  QString m_tempCopy;
  uint32_t m_lastAutoAttach = 0;  // tick count of the last automatic attach, 0 for none
};
