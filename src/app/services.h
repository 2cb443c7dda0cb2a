// CServices: everything a test must be able to control, in one object: the clock and tick
// counter, the random source, the message, dialog, shell and voice-clip services, the telegram
// sender and the folders. The application object owns the process-wide instance; tests install
// their own with scripted parts. UI thread.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/dialog_service.h"
#include "app/message_service.h"
#include "app/telegram_sender.h"
#include "app/voice_clip.h"
#include "platform/shell.h"

class CServices {
 public:
  CServices();
  ~CServices();

  // The process-wide services (created with defaults on first use).
  static CServices& Instance();
  // Replaces the process-wide services; returns the previous ones (tests restore them).
  static std::unique_ptr<CServices> Install(std::unique_ptr<CServices> services);

  // --- clock
  // Local wall-clock time now.
  QDateTime Now() const { return m_now ? m_now() : QDateTime::currentDateTime(); }
  // Milliseconds since an arbitrary start, wrapping like the system's 32-bit tick counter.
  uint32_t TickCount() const;
  void SetClock(std::function<QDateTime()> now) { m_now = std::move(now); }
  void SetTickCounter(std::function<uint32_t()> ticks) { m_ticks = std::move(ticks); }

  // --- random bytes (cryptographic quality unless a test replaced the source)
  QByteArray RandomBytes(int count) const;
  void SetRandomSource(std::function<QByteArray(int)> source) { m_random = std::move(source); }

  // --- message boxes
  CMessageService& Messages() const { return *m_messages; }
  void SetMessageService(std::unique_ptr<CMessageService> service) {
    m_messages = std::move(service);
  }

  // --- the dialogs a point opens (all cancelled until the client or a test sets its own)
  CDialogService& Dialogs() const { return *m_dialogs; }
  void SetDialogService(std::unique_ptr<CDialogService> service) {
    m_dialogs = service ? std::move(service) : std::make_unique<CDialogService>();
  }

  // --- recording and playing voice clips (no audio device until the client or a test sets one)
  CVoiceClipService& VoiceClips() const { return *m_voiceClips; }
  void SetVoiceClipService(std::unique_ptr<CVoiceClipService> service) {
    m_voiceClips = service ? std::move(service) : std::make_unique<CVoiceClipService>();
  }
  // --- open, print and run through the desktop (all refused until one is set)
  CShell& Shell() const { return *m_shell; }
  void SetShell(std::unique_ptr<CShell> shell) {
    m_shell = shell ? std::move(shell) : std::make_unique<CShell>();
  }

  // --- how telegrams leave (never online until the window sets a sender over its connection)
  CTelegramSender& Telegrams() const { return *m_telegrams; }
  void SetTelegramSender(std::unique_ptr<CTelegramSender> sender) {
    m_telegrams = sender ? std::move(sender) : std::make_unique<CTelegramSender>();
  }

  // --- where a command link ("qlt://...") that a point opens goes: the main window takes it as a
  // command line of its own; without a taker (headless, tests) the point refuses it
  void SetCommandLinkTaker(std::function<void(const QString&)> taker) {
    m_commandLinks = std::move(taker);
  }
  // False when nobody takes command links.
  bool TakeCommandLink(const QString& link) const {
    if (!m_commandLinks) return false;
    m_commandLinks(link);
    return true;
  }

  // --- folders; empty means "resolve as the application does at start-up"
  QString programFolderOverride;
  QString dataFolderOverride;

 private:
  std::function<QDateTime()> m_now;
  std::function<uint32_t()> m_ticks;
  std::function<QByteArray(int)> m_random;
  std::unique_ptr<CMessageService> m_messages;
  std::unique_ptr<CDialogService> m_dialogs;
  std::unique_ptr<CShell> m_shell;
  std::unique_ptr<CTelegramSender> m_telegrams;
  std::unique_ptr<CVoiceClipService> m_voiceClips;
  std::function<void(const QString&)> m_commandLinks;
};
