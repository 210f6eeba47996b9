// Table controls: rows of text cells with their own text and background colours. Rows and
// columns are numbered from 1; the column titles come from the resource file.
#include <QTableWidget>
#include <algorithm>

#include "engine/engine_internal.h"

namespace {

// The table behind a control, or the reason why there is none.
int LookupTable(int panel, int control, QTableWidget** out) {
  engine::ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  *out = qobject_cast<QTableWidget*>(c->widget.data());
  return *out ? 0 : UIEInvalidAttribute;
}

// The item of a cell; created on first use, so that every cell can hold text and colour.
int LookupCell(int panel, int control, int row, int column, QTableWidgetItem** out) {
  QTableWidget* table = nullptr;
  if (int r = LookupTable(panel, control, &table)) return r;
  if (row < 1 || row > table->rowCount() || column < 1 || column > table->columnCount())
    return UIEInvalidAttribute;
  QTableWidgetItem* item = table->item(row - 1, column - 1);
  if (!item) {
    item = new QTableWidgetItem();
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    table->setItem(row - 1, column - 1, item);
  }
  *out = item;
  return 0;
}

}  // namespace

namespace engine {

void SetupTable(QWidget* w) {
  auto* table = qobject_cast<QTableWidget*>(w);
  if (!table) return;
  const QStringList widths =
      table->property("columnWidths").toString().split(',', Qt::SkipEmptyParts);
  for (int i = 0; i < widths.size() && i < table->columnCount(); ++i)
    table->setColumnWidth(i, widths[i].trimmed().toInt());
}

}  // namespace engine

int InsertTableRows(int panel, int control, int index, int count) {
  QTableWidget* table = nullptr;
  if (int r = LookupTable(panel, control, &table)) return r;
  if (count < 0) return UIEInvalidAttribute;
  const int at = (index < 1 || index > table->rowCount()) ? table->rowCount() : index - 1;
  for (int i = 0; i < count; ++i) table->insertRow(at);
  return 0;
}

int DeleteTableRows(int panel, int control, int index, int count) {
  QTableWidget* table = nullptr;
  if (int r = LookupTable(panel, control, &table)) return r;
  if (index < 1) return UIEInvalidAttribute;
  const int last = count < 0 ? table->rowCount() : std::min(table->rowCount(), index - 1 + count);
  for (int row = last; row >= index; --row) table->removeRow(row - 1);
  return 0;
}

int GetNumTableRows(int panel, int control, int* rows) {
  QTableWidget* table = nullptr;
  if (int r = LookupTable(panel, control, &table)) return r;
  *rows = table->rowCount();
  return 0;
}

int SetTableCellVal(int panel, int control, int row, int column, const char* text) {
  QTableWidgetItem* item = nullptr;
  if (int r = LookupCell(panel, control, row, column, &item)) return r;
  item->setText(QString::fromUtf8(text ? text : ""));
  return 0;
}

int GetTableCellVal(int panel, int control, int row, int column, char* text, int size) {
  QTableWidgetItem* item = nullptr;
  if (int r = LookupCell(panel, control, row, column, &item)) return r;
  engine::CopyOut(item->text().toStdString(), text, size);
  return 0;
}

int SetTableCellAttribute(int panel, int control, int row, int column, int attribute, int value) {
  QTableWidgetItem* item = nullptr;
  if (int r = LookupCell(panel, control, row, column, &item)) return r;
  switch (attribute) {
    case ATTR_TEXT_BGCOLOR:
      item->setBackground(engine::ToQColor(value));
      item->setData(Qt::UserRole, value);
      return 0;
    case ATTR_TEXT_COLOR:
      item->setForeground(engine::ToQColor(value));
      return 0;
    case ATTR_TEXT_BOLD: {
      QFont font = item->font();
      font.setBold(value != 0);
      item->setFont(font);
      return 0;
    }
    default:
      return UIEInvalidAttribute;
  }
}

int GetTableCellAttribute(int panel, int control, int row, int column, int attribute, int* value) {
  QTableWidgetItem* item = nullptr;
  if (int r = LookupCell(panel, control, row, column, &item)) return r;
  switch (attribute) {
    case ATTR_TEXT_BGCOLOR:
      // A cell without a colour of its own shows the table's base colour.
      *value = item->data(Qt::UserRole).isValid()
                   ? item->data(Qt::UserRole).toInt()
                   : engine::FromQColor(item->tableWidget()->palette().color(QPalette::Base));
      return 0;
    case ATTR_TEXT_COLOR:
      *value = engine::FromQColor(item->foreground().style() == Qt::NoBrush
                                      ? item->tableWidget()->palette().color(QPalette::Text)
                                      : item->foreground().color());
      return 0;
    case ATTR_TEXT_BOLD:
      *value = item->font().bold() ? 1 : 0;
      return 0;
    default:
      return UIEInvalidAttribute;
  }
}
