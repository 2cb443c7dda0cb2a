#include "project/plain_page_window.h"

#include "project/base_point.h"

namespace {

bool ValidIndex(const CPlainPageWindow::ControlState* state, int index) {
  return state && index >= 0 && index < state->items.size();
}

}  // namespace

CPageWindow::Control CPlainPageWindow::CreateControl(CBasePoint* owner, ControlKind kind,
                                                     unsigned styles, int id) {
  ControlState state;
  state.owner = owner;
  state.kind = kind;
  state.styles = styles;
  state.id = id;
  state.visible = (styles & kCsVisible) != 0;
  state.readOnly = (styles & kCsReadOnly) != 0;
  const Control control = m_next++;
  m_controls.insert(control, state);
  return control;
}

void CPlainPageWindow::DestroyControl(Control control) {
  m_controls.remove(control);
  if (m_focus == control) m_focus = 0;
}

void CPlainPageWindow::PlaceControl(Control control, const QRect& rect) {
  if (auto* state = State(control)) state->rect = rect;
}

void CPlainPageWindow::ShowControl(Control control, bool visible) {
  if (auto* state = State(control)) state->visible = visible;
}

bool CPlainPageWindow::IsControlVisible(Control control) const {
  const auto* state = State(control);
  return state && state->visible;
}

void CPlainPageWindow::FocusControl(Control control) {
  if (State(control)) m_focus = control;
}

void CPlainPageWindow::EnableControl(Control control, bool enabled) {
  if (auto* state = State(control)) state->enabled = enabled;
}

void CPlainPageWindow::SetControlFont(Control control, const QFont& font) {
  if (auto* state = State(control)) state->font = font;
}

void CPlainPageWindow::SetControlReadOnly(Control control, bool readOnly) {
  if (auto* state = State(control)) state->readOnly = readOnly;
}

void CPlainPageWindow::SetTextLimit(Control control, int limit) {
  if (auto* state = State(control)) state->textLimit = limit;
}

QString CPlainPageWindow::ControlText(Control control) const {
  const auto* state = State(control);
  if (!state) return QString();
  if (state->kind == ControlKind::kComboBox && (state->styles & kCsDropDown) == 0) {
    return ValidIndex(state, state->current) ? state->items[state->current] : QString();
  }
  return state->text;
}

void CPlainPageWindow::SetControlText(Control control, const QString& text) {
  auto* state = State(control);
  if (!state) return;
  state->text = state->textLimit > 0 ? text.left(state->textLimit) : text;
}

void CPlainPageWindow::SelectAllText(Control) {}

void CPlainPageWindow::ClearItems(Control control) {
  if (auto* state = State(control)) {
    state->items.clear();
    state->selected.clear();
    state->current = -1;
  }
}

int CPlainPageWindow::AddItem(Control control, const QString& text) {
  auto* state = State(control);
  if (!state) return -1;
  state->items.append(text);
  state->selected.append(false);
  return static_cast<int>(state->items.size() - 1);
}

void CPlainPageWindow::RemoveItem(Control control, int index) {
  auto* state = State(control);
  if (!ValidIndex(state, index)) return;
  state->items.removeAt(index);
  state->selected.removeAt(index);
  if (state->current == index) {
    state->current = -1;
  } else if (state->current > index) {
    --state->current;
  }
}

int CPlainPageWindow::ItemCount(Control control) const {
  const auto* state = State(control);
  return state ? static_cast<int>(state->items.size()) : 0;
}

QString CPlainPageWindow::ItemText(Control control, int index) const {
  const auto* state = State(control);
  return ValidIndex(state, index) ? state->items[index] : QString();
}

int CPlainPageWindow::CurrentIndex(Control control) const {
  const auto* state = State(control);
  return state ? state->current : -1;
}

void CPlainPageWindow::SetCurrentIndex(Control control, int index) {
  auto* state = State(control);
  if (!state) return;
  state->current = ValidIndex(state, index) ? index : -1;
}

bool CPlainPageWindow::IsItemSelected(Control control, int index) const {
  const auto* state = State(control);
  return ValidIndex(state, index) && state->selected[index];
}

void CPlainPageWindow::SetItemSelected(Control control, int index, bool selected) {
  auto* state = State(control);
  if (ValidIndex(state, index)) state->selected[index] = selected;
}

std::optional<QDateTime> CPlainPageWindow::ControlDateTime(Control control) const {
  const auto* state = State(control);
  return state ? state->dateTime : std::nullopt;
}

void CPlainPageWindow::SetControlDateTime(Control control, const std::optional<QDateTime>& value) {
  if (auto* state = State(control)) state->dateTime = value;
}

void CPlainPageWindow::SetControlFormat(Control control, const QString& picture) {
  if (auto* state = State(control)) state->picture = picture;
}

void CPlainPageWindow::SetControlRange(Control control, int minimum, int maximum) {
  if (auto* state = State(control)) {
    state->minimum = minimum;
    state->maximum = maximum;
  }
}

int CPlainPageWindow::ControlPosition(Control control) const {
  const auto* state = State(control);
  return state ? state->position : 0;
}

void CPlainPageWindow::SetControlPosition(Control control, int position) {
  if (auto* state = State(control)) state->position = position;
}

void CPlainPageWindow::Invalidate(const QRect& rect) { m_invalidated.append(rect); }

void CPlainPageWindow::Relayout() { ++m_relayouts; }

void CPlainPageWindow::ShowHelp(const QString& caption, const QString& text) {
  m_help.append(caption + QLatin1Char('\n') + text);
}

void CPlainPageWindow::PostCommand(CBasePoint* point, uint32_t command, intptr_t argument) {
  m_posted.append({point, command, argument});
}

bool CPlainPageWindow::ChangeToPage(CPage* page, bool) {
  m_pageChanges.append(page);
  return true;
}

const CPlainPageWindow::ControlState* CPlainPageWindow::State(Control control) const {
  const auto it = m_controls.constFind(control);
  return it == m_controls.cend() ? nullptr : &it.value();
}

CPlainPageWindow::ControlState* CPlainPageWindow::State(Control control) {
  const auto it = m_controls.find(control);
  return it == m_controls.end() ? nullptr : &it.value();
}

QList<CPageWindow::Control> CPlainPageWindow::ControlsOf(const CBasePoint* owner) const {
  QList<Control> controls;
  for (auto it = m_controls.cbegin(); it != m_controls.cend(); ++it) {
    if (it->owner == owner) controls.append(it.key());
  }
  return controls;
}

void CPlainPageWindow::Notify(Control control, uint16_t notification) {
  const auto* state = State(control);
  if (!state || !state->owner) return;
  state->owner->OnCommand(MakeCommand(notification, static_cast<uint16_t>(state->id)), control);
}

void CPlainPageWindow::DeliverPosted() {
  const QList<PostedCommand> posted = std::exchange(m_posted, {});
  for (const auto& command : posted) command.point->OnCommand(command.command, command.argument);
}

void CPlainPageWindow::ClearRecords() {
  m_invalidated.clear();
  m_relayouts = 0;
  m_help.clear();
  m_posted.clear();
  m_pageChanges.clear();
}
