// CInstanceGuard: keeps one running client per user and carries a later start's command line to
// it. The guard is a lock file (QLockFile: a lock left by a crashed instance is recognised by
// its dead process and taken over) plus a local socket server beside it, both named after the
// application key and the user id, in $XDG_RUNTIME_DIR (the temporary folder when that is not
// set). The first instance holds the lock and listens; a later start connects, which asks the
// first instance to come to the front, sends its command line when it has one, and ends.
//
// Message on the socket, all little-endian: the tag 0x4F50454E as 4 bytes (4E 45 50 4F), the
// byte count of the text as 4 bytes, then the text as UTF-16 code units without terminator. The
// receiver takes the message when the sender closes the connection; a wrong tag, an odd, zero
// or too large count, missing or surplus bytes all make it ignore the message.
//
// Owned by the application object; lives and signals on the UI thread.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

class CInstanceGuard : public QObject {
  Q_OBJECT

 public:
  static constexpr uint32_t kOpenTag = 0x4F50454E;
  static constexpr int kHeaderBytes = 8;
  // The longest command line the system it comes from allows, in UTF-16 code units.
  static constexpr int kMaxCommandChars = 32767;
  // How long a later start keeps trying to reach a first instance that is still starting.
  static constexpr int kForwardWaitMs = 5000;
  // A connection that has not delivered its message by then is dropped.
  static constexpr int kConnectionTimeoutMs = 10000;

  // `key` names the guard ("QLTClient"); nothing is taken yet.
  explicit CInstanceGuard(const QString& key, QObject* parent = nullptr);
  ~CInstanceGuard() override;

  // Takes the guard without waiting. True: this is the first instance and listens for later
  // starts (if listening itself fails the instance still runs, it only cannot be reached).
  // False: another instance holds the guard.
  bool TryTake();
  bool IsHeld() const { return m_held; }
  // For a later start: asks the running instance to come to the front and hands it
  // `commandLine` (nothing is sent for an empty one, nor for one longer than kMaxCommandChars).
  // False when no running instance could be reached.
  bool ForwardToRunning(const QString& commandLine);
  // Stops listening and gives the guard up; also done on destruction.
  void Release();

  // The socket's path; the lock file is this path plus ".lock".
  QString ServerPath() const;

  // The message for a command line; empty for an empty or too long text.
  static QByteArray EncodeCommand(const QString& text);
  // The text of a complete message; false when the message is malformed.
  static bool DecodeCommand(const QByteArray& message, QString* text);
  // The byte count announced by a message's header, or -1 when the header is incomplete or
  // malformed.
  static qint64 AnnouncedBytes(const QByteArray& message);

 Q_SIGNALS:
  // A later start wants this instance in front.
  void activationRequested();
  // A later start's command line, exactly as it was sent.
  void commandReceived(const QString& text);

 private:
  void OnNewConnection();
  void ReadFrom(QLocalSocket* socket);
  void Finish(QLocalSocket* socket);
  void Drop(QLocalSocket* socket);

  QString m_key;
  bool m_held = false;
  std::unique_ptr<QLockFile> m_lock;
  QLocalServer* m_server = nullptr;
  QHash<QLocalSocket*, QByteArray> m_incoming;
};
