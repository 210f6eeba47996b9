// What screen readers and UI test tools see of a panel: an accessible name for every
// control (from its label), a description for graphs, and a keyboard focus order that
// follows the panel's layout.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <algorithm>
#include <vector>

#include "engine/engine_internal.h"

namespace {

using engine::ControlState;
using engine::PanelState;

// Kinds of control as the resource file's names begin (main_graphVideo, recorder_numDays)
// and the word that says what an unlabelled control is.
struct KindWord {
  const char* prefix;
  const char* word;
};
constexpr KindWord kKindWords[] = {
    {"graph", "graph"}, {"pic", "picture"}, {"frm", "field"}, {"txb", "text"}};

// "recorder_numDays" -> "Days", "main_graphVideo" -> "Video graph", "main_txbHelp1" ->
// "Help 1 text".
QString NameInWords(const QString& objectName) {
  if (objectName.isEmpty()) return QString();
  QString name = objectName.mid(objectName.indexOf('_') + 1);
  static const QRegularExpression kindPrefix(QStringLiteral("^[a-z]+"));
  const QString kind = kindPrefix.match(name).captured();
  QString rest = name.mid(kind.size());
  static const QRegularExpression wordStart(
      QStringLiteral("(?<=[a-z])(?=[A-Z0-9])|(?<=[0-9])(?=[A-Za-z])"));
  rest.replace(wordStart, QStringLiteral(" "));
  if (rest.isEmpty()) rest = name;
  for (const KindWord& k : kKindWords)
    if (kind == QLatin1String(k.prefix)) rest += ' ' + QLatin1String(k.word);
  rest[0] = rest[0].toUpper();
  return rest;
}

// A graph's kind, cursors and axes: "Strip chart of 6 traces: PIXEL against FRAME".
QString GraphDescription(const QWidget* graph) {
  const bool strip = graph->property("stripChart").toBool();
  QString text = strip ? QStringLiteral("Strip chart") : QStringLiteral("Graph");
  const int traces = graph->property("traces").toInt();
  if (strip && traces > 0) text += QStringLiteral(" of %1 traces").arg(traces);
  const int cursors = graph->property("cursors").toInt();
  if (cursors > 0)
    text += QStringLiteral(" with %1 cursor%2").arg(cursors).arg(cursors > 1 ? "s" : "");
  const QString x = graph->property("xLabel").toString();
  const QString y = graph->property("yLabel").toString();
  if (!x.isEmpty() && !y.isEmpty()) text += QStringLiteral(": %1 against %2").arg(y, x);
  return text;
}

QString OwnText(const QWidget* w) {
  auto* button = qobject_cast<const QAbstractButton*>(w);
  return button ? button->text() : QString();
}

// ---------------------------------------------------------------- reading order
// A block of the layout: one control (with its label) or a group of controls (a group
// box, a child panel) whose controls come one after the other.
struct Block {
  QRect rect;
  std::vector<QWidget*> widgets;
};
using Blocks = std::vector<Block>;

void Append(std::vector<QWidget*>& out, const Block& b) {
  out.insert(out.end(), b.widgets.begin(), b.widgets.end());
}

// Splits the blocks into runs with a gap between them, along y (rows) or x (columns).
std::vector<Blocks> SplitAtGaps(Blocks blocks, bool rows) {
  auto start = [rows](const Block& b) { return rows ? b.rect.top() : b.rect.left(); };
  auto end = [rows](const Block& b) { return rows ? b.rect.bottom() : b.rect.right(); };
  std::stable_sort(blocks.begin(), blocks.end(),
                   [&](const Block& a, const Block& b) { return start(a) < start(b); });
  std::vector<Blocks> runs;
  int runEnd = 0;
  for (Block& b : blocks) {
    if (runs.empty() || start(b) > runEnd) {
      runs.emplace_back();
      runEnd = end(b);
    }
    runEnd = std::max(runEnd, end(b));
    runs.back().push_back(std::move(b));
  }
  return runs;
}

// Top to bottom, left to right: the blocks are cut into rows at horizontal gaps, each row
// into columns at vertical gaps, and so on. Blocks that overlap without any gap go by
// their top left corner.
void ReadingOrder(Blocks blocks, bool rows, bool otherTried, std::vector<QWidget*>& out) {
  if (blocks.size() == 1) return Append(out, blocks.front());
  std::vector<Blocks> runs = SplitAtGaps(blocks, rows);
  if (runs.size() > 1) {
    for (Blocks& run : runs) ReadingOrder(std::move(run), !rows, false, out);
    return;
  }
  if (!otherTried) return ReadingOrder(std::move(blocks), !rows, true, out);
  std::stable_sort(blocks.begin(), blocks.end(), [](const Block& a, const Block& b) {
    return a.rect.top() != b.rect.top() ? a.rect.top() < b.rect.top()
                                        : a.rect.left() < b.rect.left();
  });
  for (const Block& b : blocks) Append(out, b);
}

std::vector<QWidget*> ReadingOrder(Blocks blocks) {
  std::vector<QWidget*> out;
  if (!blocks.empty()) ReadingOrder(std::move(blocks), true, false, out);
  return out;
}

bool TakesTabFocus(const QWidget* w) {
  return (w->focusPolicy() & Qt::TabFocus) != 0;
}

std::vector<QWidget*> PanelFocusOrder(const PanelState& panel);

// The controls of a panel and its child panels, in group boxes, in reading order. Every
// control shapes the layout; those that take no keyboard focus are left out of the order.
Blocks PanelBlocks(const PanelState& panel) {
  Blocks loose;
  for (const auto& [id, c] : panel.controls) {
    if (!c->widget) continue;
    QRect rect = c->widget->geometry();
    if (c->label) rect |= c->label->geometry();
    Block b{rect, {}};
    if (TakesTabFocus(c->widget)) b.widgets.push_back(c->widget);
    loose.push_back(std::move(b));
  }
  for (const PanelState* child : engine::ChildPanels(panel.handle))
    loose.push_back({child->widget->geometry(), PanelFocusOrder(*child)});

  Blocks blocks;
  const auto groups = panel.widget->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly);
  for (QGroupBox* group : groups) {
    Blocks inside;
    auto in = [group](const Block& b) { return group->geometry().contains(b.rect.center()); };
    std::copy_if(loose.begin(), loose.end(), std::back_inserter(inside), in);
    loose.erase(std::remove_if(loose.begin(), loose.end(), in), loose.end());
    if (!inside.empty()) blocks.push_back({group->geometry(), ReadingOrder(std::move(inside))});
  }
  blocks.insert(blocks.end(), loose.begin(), loose.end());
  return blocks;
}

std::vector<QWidget*> PanelFocusOrder(const PanelState& panel) {
  return ReadingOrder(PanelBlocks(panel));
}

}  // namespace

namespace engine {

void NameForAssistiveTools(ControlState& c) {
  QWidget* w = c.widget;
  if (!w) return;
  const QString label = c.label ? c.label->text() : QString();
  const QString own = OwnText(w);
  QString name = !label.isEmpty() ? label : !own.isEmpty() ? own : NameInWords(w->objectName());
  w->setAccessibleName(name.simplified());
  // Screen readers on Linux name some controls (a drop-down: by its value) and take the
  // label through the label relation, which a buddy gives.
  if (c.label) c.label->setBuddy(w);
  if (c.graph)
    w->setAccessibleDescription(GraphDescription(w));
  else if (!label.isEmpty() && !own.isEmpty())
    w->setAccessibleDescription(own);  // a switch's own text beside its label
}

void OrderFocus(int panel) {
  const PanelState* p = FindPanel(panel);
  while (p && p->parent != 0) p = FindPanel(p->parent);
  if (!p) return;
  const std::vector<QWidget*> order = PanelFocusOrder(*p);
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace engine
