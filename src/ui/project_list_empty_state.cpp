#include "ui/project_list_empty_state.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include "app/language.h"
#include "project/display_scale.h"
#include "ui/client_icons.h"

namespace {

// The texts stay readable lines rather than running across a wide window.
constexpr int kColumnWidth = 520;
constexpr int kIconSize = 64;
const QColor kSecondaryText(96, 96, 96);

QString Translated(const char* key) {
  const QString text = CLanguage::Instance().Translate(QString::fromLatin1(key));
  return text.isEmpty() ? QString::fromLatin1(key) : text;
}

QLabel* MakeLabel(const QString& text, const QFont& font, const QColor& colour, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setFont(font);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label->setWordWrap(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

}  // namespace

CProjectListEmptyState::CProjectListEmptyState(QWidget* parent) : QWidget(parent) {
  const int scale = CDisplayScale::Factor();
  const QColor text = palette().color(QPalette::Text);
  m_icon = new QLabel(this);
  m_icon->setPixmap(CClientIcons::Bitmap(CClientIcons::kProject, kIconSize * scale));
  m_icon->setAlignment(Qt::AlignCenter);
  m_heading =
      MakeLabel(Translated("Project.NoProjects"), CDisplayScale::Font(18, true), text, this);
  m_folderLabel =
      MakeLabel(Translated("Project.ProjectFolder"), CDisplayScale::Font(13, false), text, this);
  m_folder = new QLineEdit(this);
  m_folder->setReadOnly(true);
  m_folder->setAlignment(Qt::AlignCenter);
  m_folder->setFont(CDisplayScale::Font(13, false));
  m_folder->setAccessibleName(m_folderLabel->text());
  m_hint = MakeLabel(Translated("Project.NoProjectsHint"), CDisplayScale::Font(13, false),
                     kSecondaryText, this);

  auto* column = new QVBoxLayout;
  column->setSpacing(10 * scale);
  column->addWidget(m_icon);
  column->addWidget(m_heading);
  column->addSpacing(6 * scale);
  column->addWidget(m_folderLabel);
  column->addWidget(m_folder);
  column->addSpacing(6 * scale);
  column->addWidget(m_hint);

  column->setContentsMargins(0, 0, 0, 0);
  auto* frame = new QWidget(this);
  frame->setLayout(column);
  frame->setMaximumWidth(kColumnWidth * scale);
  frame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

  // The column sits a little above the middle, as wide as the window allows up to its width.
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(frame, 100);
  row->addStretch(1);
  auto* outer = new QVBoxLayout(this);
  const int margin = 16 * scale;
  outer->setContentsMargins(margin, margin, margin, margin);
  outer->addStretch(2);
  outer->addLayout(row);
  outer->addStretch(3);
}

void CProjectListEmptyState::SetFolder(const QString& folder) {
  m_folder->setText(folder);
  m_folder->setCursorPosition(0);
  m_folder->setToolTip(folder);
}

QString CProjectListEmptyState::Folder() const { return m_folder->text(); }

void CProjectListEmptyState::paintEvent(QPaintEvent*) {
  // The list's own background, so the empty state reads as the list's content.
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
}
