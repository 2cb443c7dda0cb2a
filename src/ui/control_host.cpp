#include "ui/control_host.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTextCursor>
#include <algorithm>

#include "ui/date_time_box.h"
#include "ui/multi_combo_box.h"

namespace {

// A line edit's own limit when none is asked for: far beyond any typed text.
constexpr int kNoLimit = 1 << 24;

// A combo box that says when its list closes.
class CPopupComboBox : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> onOpening;
  std::function<void()> onClosed;
  void showPopup() override {
    // Said first: a list filled only when it drops down is filled before it shows.
    if (onOpening) onOpening();
    QComboBox::showPopup();
  }
  void hidePopup() override {
    QComboBox::hidePopup();
    if (onClosed) onClosed();
  }
};

// Multi-line boxes keep the line breaks the values have always had ("\r\n"); the widget itself
// works with "\n".
QString ToWidgetLines(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
QString FromWidgetLines(QString text) {
  return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

// Counts nested writes of state, during which the widgets' signals are not the user's doing.
class CQuiet {
 public:
  explicit CQuiet(int& depth) : m_depth(depth) { ++m_depth; }
  ~CQuiet() { --m_depth; }
  CQuiet(const CQuiet&) = delete;
  CQuiet& operator=(const CQuiet&) = delete;

 private:
  int& m_depth;
};

}  // namespace

CControlHost::CControlHost(QWidget* surface) : QObject(surface), m_surface(surface) {}

CControlHost::~CControlHost() = default;

CControlHost::Control CControlHost::Create(CBasePoint* owner, ControlKind kind, unsigned styles,
                                           int id) {
  const Control control = m_next++;
  Record record;
  record.owner = owner;
  record.kind = kind;
  record.styles = styles;
  record.id = id;
  m_records[control] = record;
  QWidget* widget = MakeWidget(control, kind, styles);
  m_records[control].widget = widget;
  widget->setGeometry(QRect());
  const Qt::FocusPolicy policy = (styles & kCsTabStop) ? Qt::StrongFocus : Qt::ClickFocus;
  widget->setFocusPolicy(policy);
  if (QWidget* proxy = widget->focusProxy()) proxy->setFocusPolicy(policy);
  if (m_keyFilter) {
    widget->installEventFilter(m_keyFilter);
    for (QWidget* inner : widget->findChildren<QWidget*>()) inner->installEventFilter(m_keyFilter);
  }
  widget->setVisible((styles & kCsVisible) != 0);
  return control;
}

QWidget* CControlHost::MakeWidget(Control control, ControlKind kind, unsigned styles) {
  const bool border = (styles & kCsBorder) != 0;
  switch (kind) {
    case ControlKind::kEdit: {
      // A password is never shown in a box that could not mask it.
      if ((styles & kCsMultiLine) && !(styles & kCsPassword)) {
        auto* edit = new QPlainTextEdit(m_surface);
        edit->setTabChangesFocus(true);
        edit->setLineWrapMode((styles & kCsAutoHScroll) ? QPlainTextEdit::NoWrap
                                                        : QPlainTextEdit::WidgetWidth);
        edit->setVerticalScrollBarPolicy((styles & kCsVScroll) ? Qt::ScrollBarAsNeeded
                                                               : Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if (!border) edit->setFrameShape(QFrame::NoFrame);
        edit->setReadOnly((styles & kCsReadOnly) != 0);
        connect(edit, &QPlainTextEdit::textChanged, this, [this, control] {
          if (m_quiet) return;
          EnforceLimit(control);
          Notify(control, kNotifyChange);
        });
        return edit;
      }
      auto* edit = new QLineEdit(m_surface);
      edit->setFrame(border);
      edit->setMaxLength(kNoLimit);
      if (styles & kCsPassword) edit->setEchoMode(QLineEdit::Password);
      if (styles & kCsRightAlign) edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      edit->setReadOnly((styles & kCsReadOnly) != 0);
      connect(edit, &QLineEdit::textEdited, this,
              [this, control] { Notify(control, kNotifyChange); });
      return edit;
    }
    case ControlKind::kComboBox: {
      auto* combo = new CPopupComboBox(m_surface);
      // Items are single lines: measuring one instead of every item keeps a list of 100,000
      // entries quick to drop down.
      if (auto* list = qobject_cast<QListView*>(combo->view())) list->setUniformItemSizes(true);
      combo->setEditable((styles & kCsDropDown) != 0);
      combo->setInsertPolicy(QComboBox::NoInsert);
      combo->onOpening = [this, control] { Notify(control, kNotifyDropDown); };
      combo->onClosed = [this, control] { Notify(control, kNotifyCloseUp); };
      connect(combo, &QComboBox::currentIndexChanged, this,
              [this, control] { Notify(control, kNotifySelectionChange); });
      if (QLineEdit* edit = combo->lineEdit()) {
        connect(edit, &QLineEdit::textEdited, this,
                [this, control] { Notify(control, kNotifyEditChange); });
      }
      return combo;
    }
    case ControlKind::kMultiComboBox: {
      auto* combo = new CMultiComboBox(m_surface);
      combo->onToggled = [this, control] { Notify(control, kNotifySelectionChange); };
      combo->onClosed = [this, control] { Notify(control, kNotifyCloseUp); };
      return combo;
    }
    case ControlKind::kDateTimePicker: {
      auto* box =
          new CDateTimeBox(m_surface, (styles & kCsShowNone) != 0, (styles & kCsUpDown) != 0);
      box->onChanged = [this, control] { Notify(control, kNotifyDateTimeChange); };
      return box;
    }
    case ControlKind::kTrackBar: {
      auto* slider = new QSlider(Qt::Horizontal, m_surface);
      slider->setRange(0, 100);
      const bool above = (styles & kCsTicksAbove) != 0;
      const bool below = (styles & kCsTicksBelow) != 0;
      slider->setTickPosition(above && below ? QSlider::TicksBothSides
                              : above        ? QSlider::TicksAbove
                              : below        ? QSlider::TicksBelow
                                             : QSlider::NoTicks);
      connect(slider, &QSlider::valueChanged, this,
              [this, control] { Notify(control, kNotifyPositionChange); });
      return slider;
    }
  }
  return new QWidget(m_surface);
}

void CControlHost::Destroy(Control control) {
  const auto it = m_records.find(control);
  if (it == m_records.end()) return;
  QPointer<QWidget> widget = it->second.widget;
  // Out of the table first: whatever hiding it sets off no longer reaches its point.
  m_records.erase(it);
  if (widget) {
    widget->hide();
    widget->deleteLater();
  }
}

void CControlHost::DestroyAll() {
  while (!m_records.empty()) Destroy(m_records.begin()->first);
}

QWidget* CControlHost::Widget(Control control) const {
  const Record* record = Find(control);
  return record ? record->widget.data() : nullptr;
}

CBasePoint* CControlHost::Owner(Control control) const {
  const Record* record = Find(control);
  return record ? record->owner : nullptr;
}

int CControlHost::Id(Control control) const {
  const Record* record = Find(control);
  return record ? record->id : 0;
}

ControlKind CControlHost::Kind(Control control) const {
  const Record* record = Find(control);
  return record ? record->kind : ControlKind::kEdit;
}

unsigned CControlHost::Styles(Control control) const {
  const Record* record = Find(control);
  return record ? record->styles : 0;
}

QList<CControlHost::Control> CControlHost::Controls() const {
  QList<Control> controls;
  for (const auto& [control, record] : m_records) controls.append(control);
  return controls;
}

CControlHost::Control CControlHost::ControlOf(const QObject* widget) const {
  for (const QObject* object = widget; object && object != m_surface; object = object->parent()) {
    for (const auto& [control, record] : m_records) {
      if (record.widget == object) return control;
    }
  }
  return 0;
}

bool CControlHost::IsMultiLineEdit(Control control) const {
  return qobject_cast<QPlainTextEdit*>(Widget(control)) != nullptr;
}

void CControlHost::ClosePopups() {
  for (const auto& [control, record] : m_records) {
    if (auto* combo = qobject_cast<QComboBox*>(record.widget.data())) {
      if (combo->view() && combo->view()->isVisible()) combo->hidePopup();
    }
  }
}

void CControlHost::FocusChanged(QWidget* from, QWidget* to) {
  const Control lost = ControlOf(from);
  const Control gained = ControlOf(to);
  if (lost == gained) return;
  if (lost) {
    const ControlKind kind = Kind(lost);
    if (kind == ControlKind::kEdit) {
      Notify(lost, kNotifyKillFocus);
    } else if (kind == ControlKind::kComboBox || kind == ControlKind::kMultiComboBox) {
      Notify(lost, kNotifyComboKillFocus);
    }
  }
  // The point that lost the focus may have changed the page meanwhile.
  if (gained && Exists(gained)) {
    const ControlKind kind = Kind(gained);
    if (kind == ControlKind::kEdit) {
      Notify(gained, kNotifyEditSetFocus);
    } else if (kind == ControlKind::kComboBox || kind == ControlKind::kMultiComboBox) {
      Notify(gained, kNotifyComboSetFocus);
    }
  }
}

void CControlHost::Notify(Control control, uint16_t code) {
  if (m_quiet || !Exists(control)) return;
  if (m_notifier) m_notifier(control, code);
}

void CControlHost::EnforceLimit(Control control) {
  Record* record = Find(control);
  auto* edit = record ? qobject_cast<QPlainTextEdit*>(record->widget.data()) : nullptr;
  if (!edit) return;
  const int length = static_cast<int>(edit->document()->characterCount() - 1);
  if (record->limit > 0 && length > record->limit && length > record->lastLength) {
    // Typing or pasting past the limit: what went beyond it is taken back at the caret.
    const int excess = length - std::max(record->limit, record->lastLength);
    CQuiet quiet(m_quiet);
    QTextCursor cursor = edit->textCursor();
    cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, excess);
    cursor.removeSelectedText();
    edit->setTextCursor(cursor);
  }
  record->lastLength = static_cast<int>(edit->document()->characterCount() - 1);
}

const CControlHost::Record* CControlHost::Find(Control control) const {
  const auto it = m_records.find(control);
  return it == m_records.end() || !it->second.widget ? nullptr : &it->second;
}

CControlHost::Record* CControlHost::Find(Control control) {
  const auto it = m_records.find(control);
  return it == m_records.end() || !it->second.widget ? nullptr : &it->second;
}

int CControlHost::LineEditLimit(int limit, int textLength) {
  if (limit <= 0) return std::max(kNoLimit, textLength);
  return std::max(limit, textLength);
}

// ---- state

void CControlHost::Place(Control control, const QRect& rect) {
  QWidget* widget = Widget(control);
  if (!widget) return;
  QRect placed = rect;
  if (qobject_cast<QComboBox*>(widget)) {
    // The rectangle counts the dropped list in; the closed box is as tall as it needs.
    placed.setHeight(std::min(rect.height(), widget->sizeHint().height()));
  }
  if (widget->geometry() != placed) widget->setGeometry(placed);
}

void CControlHost::Show(Control control, bool visible) {
  if (QWidget* widget = Widget(control)) {
    if (widget->isHidden() == visible) widget->setVisible(visible);
  }
}

bool CControlHost::IsVisible(Control control) const {
  const QWidget* widget = Widget(control);
  return widget && !widget->isHidden();
}

void CControlHost::Focus(Control control) {
  if (QWidget* widget = Widget(control)) widget->setFocus(Qt::OtherFocusReason);
}

void CControlHost::Enable(Control control, bool enabled) {
  if (QWidget* widget = Widget(control)) widget->setEnabled(enabled);
}

void CControlHost::SetFont(Control control, const QFont& font) {
  if (QWidget* widget = Widget(control)) widget->setFont(font);
}

void CControlHost::SetReadOnly(Control control, bool readOnly) {
  QWidget* widget = Widget(control);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setReadOnly(readOnly);
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
    text->setReadOnly(readOnly);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    if (combo->lineEdit()) combo->lineEdit()->setReadOnly(readOnly);
  }
}

void CControlHost::SetTextLimit(Control control, int limit) {
  Record* record = Find(control);
  if (!record) return;
  record->limit = std::max(0, limit);
  QLineEdit* edit = qobject_cast<QLineEdit*>(record->widget.data());
  if (auto* combo = qobject_cast<QComboBox*>(record->widget.data())) edit = combo->lineEdit();
  if (edit) {
    CQuiet quiet(m_quiet);
    edit->setMaxLength(LineEditLimit(record->limit, static_cast<int>(edit->text().size())));
  }
}

QString CControlHost::Text(Control control) const {
  QWidget* widget = Widget(control);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
    return FromWidgetLines(text->toPlainText());
  }
  if (auto* multi = dynamic_cast<CMultiComboBox*>(widget)) return multi->JoinedText();
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    if (combo->isEditable()) return combo->currentText();
    return combo->currentIndex() >= 0 ? combo->itemText(combo->currentIndex()) : QString();
  }
  return QString();
}

void CControlHost::SetText(Control control, const QString& text) {
  Record* record = Find(control);
  if (!record) return;
  CQuiet quiet(m_quiet);
  QWidget* widget = record->widget;
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setMaxLength(LineEditLimit(record->limit, static_cast<int>(text.size())));
    edit->setText(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    plain->setPlainText(ToWidgetLines(text));
    record->lastLength = static_cast<int>(plain->document()->characterCount() - 1);
  } else if (auto* multi = dynamic_cast<CMultiComboBox*>(widget)) {
    multi->SetJoinedText(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    if (combo->isEditable()) {
      combo->lineEdit()->setMaxLength(LineEditLimit(record->limit, static_cast<int>(text.size())));
      combo->setEditText(text);
    } else {
      combo->setCurrentIndex(combo->findText(text, Qt::MatchFixedString));
    }
  }
}

void CControlHost::SelectAll(Control control) {
  QWidget* widget = Widget(control);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->selectAll();
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
    text->selectAll();
    text->ensureCursorVisible();
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    if (combo->lineEdit()) combo->lineEdit()->selectAll();
  }
}

void CControlHost::ClearItems(Control control) {
  if (auto* combo = qobject_cast<QComboBox*>(Widget(control))) {
    CQuiet quiet(m_quiet);
    combo->clear();
  }
}

void CControlHost::AddItems(Control control, const QStringList& texts) {
  auto* combo = qobject_cast<QComboBox*>(Widget(control));
  if (!combo) return;
  CQuiet quiet(m_quiet);
  const bool wasEmpty = combo->count() == 0;
  combo->addItems(texts);
  if (wasEmpty && !combo->isEditable() && !dynamic_cast<CMultiComboBox*>(combo)) {
    combo->setCurrentIndex(-1);
  }
}

int CControlHost::AddItem(Control control, const QString& text) {
  auto* combo = qobject_cast<QComboBox*>(Widget(control));
  if (!combo) return -1;
  CQuiet quiet(m_quiet);
  combo->addItem(text);
  // An editable box keeps its own text, not the first item's.
  if (!combo->isEditable() && !dynamic_cast<CMultiComboBox*>(combo) && combo->count() == 1) {
    combo->setCurrentIndex(-1);
  }
  return combo->count() - 1;
}

void CControlHost::RemoveItem(Control control, int index) {
  auto* combo = qobject_cast<QComboBox*>(Widget(control));
  if (!combo || index < 0 || index >= combo->count()) return;
  CQuiet quiet(m_quiet);
  combo->removeItem(index);
}

int CControlHost::ItemCount(Control control) const {
  const auto* combo = qobject_cast<QComboBox*>(Widget(control));
  return combo ? combo->count() : 0;
}

QString CControlHost::ItemText(Control control, int index) const {
  const auto* combo = qobject_cast<QComboBox*>(Widget(control));
  return combo && index >= 0 && index < combo->count() ? combo->itemText(index) : QString();
}

int CControlHost::CurrentIndex(Control control) const {
  const auto* combo = qobject_cast<QComboBox*>(Widget(control));
  return combo ? combo->currentIndex() : -1;
}

void CControlHost::SetCurrentIndex(Control control, int index) {
  auto* combo = qobject_cast<QComboBox*>(Widget(control));
  if (!combo) return;
  CQuiet quiet(m_quiet);
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

bool CControlHost::IsItemSelected(Control control, int index) const {
  QWidget* widget = Widget(control);
  if (auto* multi = dynamic_cast<CMultiComboBox*>(widget)) return multi->IsItemChecked(index);
  const auto* combo = qobject_cast<QComboBox*>(widget);
  return combo && index >= 0 && combo->currentIndex() == index;
}

void CControlHost::SetItemSelected(Control control, int index, bool selected) {
  QWidget* widget = Widget(control);
  CQuiet quiet(m_quiet);
  if (auto* multi = dynamic_cast<CMultiComboBox*>(widget)) {
    multi->SetItemChecked(index, selected);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    if (selected && index >= 0 && index < combo->count()) {
      combo->setCurrentIndex(index);
    } else if (!selected && combo->currentIndex() == index) {
      combo->setCurrentIndex(-1);
    }
  }
}

std::optional<QDateTime> CControlHost::DateTime(Control control) const {
  const auto* box = dynamic_cast<CDateTimeBox*>(Widget(control));
  return box ? box->Value() : std::nullopt;
}

void CControlHost::SetDateTime(Control control, const std::optional<QDateTime>& value) {
  if (auto* box = dynamic_cast<CDateTimeBox*>(Widget(control))) {
    CQuiet quiet(m_quiet);
    box->SetValue(value);
  }
}

void CControlHost::SetFormat(Control control, const QString& picture) {
  if (auto* box = dynamic_cast<CDateTimeBox*>(Widget(control))) {
    CQuiet quiet(m_quiet);
    box->SetPicture(picture);
  }
}

void CControlHost::SetRange(Control control, int minimum, int maximum) {
  if (auto* slider = qobject_cast<QSlider*>(Widget(control))) {
    CQuiet quiet(m_quiet);
    slider->setRange(minimum, maximum);
  }
}

int CControlHost::Position(Control control) const {
  const auto* slider = qobject_cast<QSlider*>(Widget(control));
  return slider ? slider->value() : 0;
}

void CControlHost::SetPosition(Control control, int position) {
  if (auto* slider = qobject_cast<QSlider*>(Widget(control))) {
    CQuiet quiet(m_quiet);
    slider->setValue(position);
  }
}
