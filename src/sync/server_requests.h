// CServerRequests: the requests the server makes on its own while the connection is online, with
// or without a synchronisation run: a new unit ID, installing a project file, a pushed session,
// the project inventory, removing and fetching a project file. Names from the server are checked
// before any file is touched, so nothing outside the data folder is ever read, written or
// deleted. Answers go out through the sender it was given. Owned by the main window beside its
// connection; UI thread only, no widgets.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <functional>

class CNetMessage;
class CSyncHost;

class CServerRequests {
 public:
  // The arrival sounds: a project file installed, a session pushed.
  static constexpr int kSoundProjectInstalled = 141;
  static constexpr int kSoundSessionPushed = 142;
  // A fetched project file is read in pieces of this size.
  static constexpr qsizetype kUploadPiece = 4096;
  // Of a project file only its first fields are read for the inventory and the checks.
  static constexpr qsizetype kHeaderBytes = 4096;

  using Sender = std::function<bool(const CNetMessage&)>;

  // What the synchronisation run wants to hear. A project file is about to replace the run's
  // project (the run lets go of it); a project file has been installed.
  struct Hooks {
    std::function<void(const QString& name)> forgetProject;
    std::function<void(const QString& name, uint32_t unique)> projectInstalled;
  };

  CServerRequests(CSyncHost& host, Sender send);

  void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }

  // Serves one online message. False fails the connection (a malformed request, or a remove or
  // fetch naming a file outside the data folder); a code it does not serve is ignored.
  bool Handle(CNetMessage& message);

  // Whether a file name from the server may be used in the data folder: not empty, no "/", "\",
  // ".." or NUL.
  static bool IsSafeName(const QString& name);
  // The format version and unique number of a project file; false when the file cannot be read
  // or does not start like a project file.
  static bool ReadProjectHeader(const QString& path, int32_t& version, uint32_t& unique);

 private:
  bool OnNewUnitId(CNetMessage& message);
  bool OnProjectFile(CNetMessage& message);
  bool OnPushedSession(CNetMessage& message);
  bool OnInventory(CNetMessage& message);
  bool OnRemove(CNetMessage& message);
  bool OnFetch(CNetMessage& message);

  QString PathOf(const QString& name) const;
  bool IsOpenProject(const QString& name) const;
  bool Receipt(const QString& name, uint32_t unique, uint16_t result);
  // Installs a project file; the result of the receipt.
  uint16_t Install(const QString& name, const QByteArray& bytes);
  // Stores a pushed session; the receipt's result, with the stored session's GUID when 0.
  uint16_t StorePushed(const QString& name, const QByteArray& archive, QUuid& guid);
  // Whether the data folder's file `name` is a project file with this unique number.
  bool MatchesProject(const QString& name, uint32_t unique) const;

  CSyncHost& m_host;
  Sender m_send;
  Hooks m_hooks;
};
