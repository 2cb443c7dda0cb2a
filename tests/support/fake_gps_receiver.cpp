#include "support/fake_gps_receiver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

namespace qlt::test {

CFakeGpsReceiver::CFakeGpsReceiver(QString link) : m_link(std::move(link)) { PlugIn(); }

CFakeGpsReceiver::~CFakeGpsReceiver() { Unplug(); }

void CFakeGpsReceiver::PlugIn() {
  char name[256] = {};
  if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
    ADD_FAILURE() << "no pseudo-terminal";
    return;
  }
  termios raw{};
  tcgetattr(m_slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(m_slave, TCSANOW, &raw);
  fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
  QFile::remove(m_link);
  EXPECT_EQ(symlink(name, QFile::encodeName(m_link).constData()), 0);
}

void CFakeGpsReceiver::Unplug() {
  if (m_master >= 0) close(m_master);
  if (m_slave >= 0) close(m_slave);
  m_master = m_slave = -1;
  QFile::remove(m_link);
}

bool CFakeGpsReceiver::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(m_master, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd p{m_master, POLLOUT, 0};
    if (poll(&p, 1, 20000) <= 0) return false;
  }
  return true;
}

}  // namespace qlt::test
