// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/nice_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>

namespace tevra {

namespace {

// The toolkit's standard system colours the defaults are named after.
const QColor WindowColor(255, 255, 255);
const QColor BtnFaceColor(240, 240, 240);
const QColor BtnHighlightColor(255, 255, 255);
const QColor BtnShadowColor(160, 160, 160);
const QColor WindowTextColor(0, 0, 0);

QFont DefaultFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(11);
  return font;
}

bool IsPrintable(QChar chr) { return chr.isPrint() && chr != QChar(0x7f); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Columns

TNiceColumn::TNiceColumn(TNiceGrid* grid)
    : grid_(grid), width_(grid->DefColWidth()), font_(grid->font()), color_(grid->Color()) {}

void TNiceColumn::SetTitle(const QString& title) {
  if (title == title_) return;
  title_ = title;
  grid_->ColumnsChanged();
}

void TNiceColumn::SetFooter(const QString& footer) {
  footer_ = footer;
  grid_->viewport()->update();
}

void TNiceColumn::SetWidth(int width) {
  if (width == width_) return;
  width_ = width;
  grid_->LayoutChanged();
}

void TNiceColumn::SetFont(const QFont& font) {
  font_ = font;
  grid_->LayoutChanged();
}

void TNiceColumn::SetColor(const QColor& color) {
  color_ = color;
  grid_->viewport()->update();
}

void TNiceColumn::SetHorzAlign(THorzAlign align) {
  horzAlign_ = align;
  grid_->viewport()->update();
}

void TNiceColumn::SetVertAlign(TVertAlign align) {
  vertAlign_ = align;
  grid_->viewport()->update();
}

void TNiceColumn::SetVisible(bool visible) {
  if (visible == visible_) return;
  grid_->EndEdit();
  visible_ = visible;
  grid_->ColumnsChanged();
}

void TNiceColumn::SetStrings(const QStringList& strings) {
  strings_ = strings;
  grid_->LayoutChanged();
}

TNiceColumn* TNiceColumns::Add() {
  grid_->EndEdit();
  items_.push_back(std::make_unique<TNiceColumn>(grid_));
  grid_->ClampState();
  grid_->ColumnsChanged();
  return items_.back().get();
}

// ---------------------------------------------------------------------------------------------
// In-place editor

TNiceInplace::TNiceInplace(TNiceGrid* grid) : QLineEdit(grid->viewport()), grid_(grid) {
  setFrame(false);
  setTextMargins(0, 0, 0, 0);
  hide();
}

void TNiceInplace::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Up:
    case Qt::Key_Down:
      grid_->EndEdit();
      grid_->setFocus();
      return;
    default:
      break;
  }
  const QString text = event->text();
  if (text.size() == 1 && IsPrintable(text[0]) && !grid_->FilterChar(text[0])) return;
  QLineEdit::keyPressEvent(event);
}

void TNiceInplace::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // The box's own context menu takes the focus for a moment; anything else ends the edit.
  if (event->reason() != Qt::PopupFocusReason) grid_->EndEdit();
}

// ---------------------------------------------------------------------------------------------
// Grid: construction and properties

TNiceGrid::TNiceGrid(QWidget* parent)
    : QAbstractScrollArea(parent),
      columns_(this),
      color_(WindowColor),
      alternateColor_(WindowColor),
      textColor_(WindowTextColor),
      gridColor_(BtnFaceColor),
      headerColor_(BtnFaceColor),
      headerLightColor_(BtnHighlightColor),
      headerDarkColor_(BtnShadowColor),
      headerFont_(DefaultFont()),
      footerFont_(DefaultFont()),
      gutterFont_(DefaultFont()) {
  setFont(DefaultFont());
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  resize(200, 200);
  inplace_ = new TNiceInplace(this);
  connect(inplace_, &QLineEdit::textEdited, this, [this](const QString& text) { EditorTextEdited(text); });
  for (int c = 0; c < 5; ++c) columns_.items_.push_back(std::make_unique<TNiceColumn>(this));
  col_ = 0;
  row_ = 0;
  sel_ = QRect(0, 0, 1, 1);
  anchor_ = {0, 0};
  ColumnsChanged();
}

TNiceGrid::~TNiceGrid() {
  // The editor would end its edit on the focus loss that its own destruction causes, calling
  // back into a grid that is half destroyed by then.
  delete inplace_;
  inplace_ = nullptr;
}

void TNiceGrid::SetColCount(int count) {
  count = std::max(0, count);
  EndEdit();
  EndTyping();
  while (ColCount() < count) columns_.items_.push_back(std::make_unique<TNiceColumn>(this));
  while (ColCount() > count) columns_.items_.pop_back();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  ClampState();
  ColumnsChanged();
}

void TNiceGrid::SetRowCount(int count) {
  count = std::max(0, count);
  EndEdit();
  EndTyping();
  rowCount_ = count;
  ClampState();
  if (col_ >= 0) {
    sel_ = QRect(col_, row_, 1, 1);
    anchor_ = {col_, row_};
  }
  LayoutChanged();
  if (OnColRowChanged) OnColRowChanged(this, col_, row_);
}

void TNiceGrid::SetColWidths(int col, int width) {
  if (autoColWidth_ || columns_[col]->Width() == width) return;
  columns_[col]->SetWidth(width);
}

void TNiceGrid::SetDefRowHeight(int height) {
  defRowHeight_ = std::max(1, height);
  LayoutChanged();
}

void TNiceGrid::SetDefColWidth(int width) {
  defColWidth_ = width;
  LayoutChanged();
}

void TNiceGrid::SetFlat(bool flat) {
  flat_ = flat;
  viewport()->update();
}

void TNiceGrid::SetColor(const QColor& color) {
  color_ = color;
  viewport()->update();
}

void TNiceGrid::SetTextColor(const QColor& color) {
  textColor_ = color;
  viewport()->update();
}

void TNiceGrid::SetAlternateColor(const QColor& color) {
  alternateColor_ = color;
  viewport()->update();
}

void TNiceGrid::SetGridColor(const QColor& color) {
  gridColor_ = color;
  viewport()->update();
}

void TNiceGrid::SetShowGrid(bool on) {
  showGrid_ = on;
  viewport()->update();
}

void TNiceGrid::SetHeaderLine(int lines) {
  headerLine_ = std::max(0, lines);
  ColumnsChanged();
}

void TNiceGrid::SetHeaderColor(const QColor& color) {
  headerColor_ = color;
  viewport()->update();
}

void TNiceGrid::SetHeaderLightColor(const QColor& color) {
  headerLightColor_ = color;
  viewport()->update();
}

void TNiceGrid::SetHeaderDarkColor(const QColor& color) {
  headerDarkColor_ = color;
  viewport()->update();
}

void TNiceGrid::SetHeaderFont(const QFont& font) {
  headerFont_ = font;
  viewport()->update();
}

void TNiceGrid::SetFooterFont(const QFont& font) {
  footerFont_ = font;
  viewport()->update();
}

void TNiceGrid::SetGutterFont(const QFont& font) {
  gutterFont_ = font;
  viewport()->update();
}

void TNiceGrid::SetSelectionColor(const QColor& color) {
  selectionColor_ = color;
  viewport()->update();
}

void TNiceGrid::SetFitToWidth(bool on) {
  fitToWidth_ = on;
  LayoutChanged();
}

void TNiceGrid::SetAutoColWidth(bool on) {
  autoColWidth_ = on;
  LayoutChanged();
}

void TNiceGrid::SetGutterKind(TGutterKind kind) {
  gutterKind_ = kind;
  LayoutChanged();
}

void TNiceGrid::SetGutterWidth(int width) {
  gutterWidth_ = std::max(0, width);
  LayoutChanged();
}

void TNiceGrid::SetGutterStrings(const QStringList& strings) {
  gutterStrings_ = strings;
  viewport()->update();
}

void TNiceGrid::SetShowFooter(bool on) {
  showFooter_ = on;
  LayoutChanged();
}

Qt::CursorShape TNiceGrid::MouseCursor() const { return viewport()->cursor().shape(); }

void TNiceGrid::SetMouseCursor(Qt::CursorShape shape) { viewport()->setCursor(shape); }

// ---------------------------------------------------------------------------------------------
// Cells and rows

void TNiceGrid::CheckIndex(int col, int row) const {
  if (col < 0 || row < 0 || col >= ColCount() || row >= rowCount_) throw EGridIndexError();
}

QString TNiceGrid::Cells(int col, int row) const {
  CheckIndex(col, row);
  const QStringList& strings = columns_[col]->strings_;
  return row < strings.size() ? strings[row] : QString();
}

void TNiceGrid::StoreCell(int col, int row, const QString& text) {
  QStringList& strings = columns_[col]->strings_;
  while (strings.size() <= row) strings.append(QString());
  strings[row] = text;
  if (autoColWidth_ && bulk_ == 0) LayoutChanged();
  InvalidateCell(col, row);
}

void TNiceGrid::SetCells(int col, int row, const QString& text) {
  CheckIndex(col, row);
  if (Cells(col, row) != text) StoreCell(col, row, text);
}

bool TNiceGrid::UserWrite(int col, int row, const QString& text) {
  if (rowCount_ <= 0 || ColCount() <= 0) return false;
  CheckIndex(col, row);
  if (columns_[col]->readOnly_) return false;
  if (Cells(col, row) == text) return true;
  bool canChange = true;
  if (OnCellChanging) OnCellChanging(this, col, row, text, canChange);
  if (!canChange) return false;
  QString str = text;
  if (OnCellChange) OnCellChange(this, col, row, str);
  // A handler may have reshaped the grid.
  if (col >= ColCount() || row >= rowCount_) return false;
  StoreCell(col, row, str);
  return true;
}

void TNiceGrid::InvalidateCell(int col, int row) {
  if (bulk_ > 0 || col < 0 || row < 0 || col >= ColCount()) return;
  viewport()->update(CellRect(col, row).adjusted(-2, -2, 2, 2));
}

void TNiceGrid::EndBulk() {
  if (--bulk_ > 0) return;
  if (autoColWidth_) LayoutChanged();
  viewport()->update();
}

void TNiceGrid::Clear() {
  EndTyping();
  for (auto& column : columns_.items_) column->strings_.clear();
  LayoutChanged();
}

void TNiceGrid::InsertRow(int row) {
  EndEdit();
  if (row < 0 || row >= rowCount_) return;
  EndTyping();
  for (auto& column : columns_.items_) {
    QStringList& strings = column->strings_;
    while (strings.size() < row) strings.append(QString());
    strings.insert(row, QString());
  }
  ++rowCount_;
  LayoutChanged();
}

void TNiceGrid::DeleteRow(int row) {
  EndEdit();
  if (row < 0 || row >= rowCount_) return;
  EndTyping();
  for (auto& column : columns_.items_) {
    QStringList& strings = column->strings_;
    if (strings.size() <= row) continue;
    strings.removeAt(row);
    strings.append(QString());
  }
  const QPoint before(col_, row_);
  if (row_ == rowCount_ - 1) --row_;
  --rowCount_;
  ClampState();
  LayoutChanged();
  if (QPoint(col_, row_) != before && OnColRowChanged) OnColRowChanged(this, col_, row_);
}

int TNiceGrid::AddRow() {
  EndEdit();
  for (auto& column : columns_.items_) {
    QStringList& strings = column->strings_;
    while (strings.size() < rowCount_ + 1) strings.append(QString());
    strings[rowCount_] = QString();
  }
  ++rowCount_;
  const QPoint before(col_, row_);
  ClampState();
  LayoutChanged();
  if (QPoint(col_, row_) != before && OnColRowChanged) OnColRowChanged(this, col_, row_);
  return rowCount_ - 1;
}

// Keeps the current cell, anchor and selection inside the grid; a selection reaching past the
// last row would otherwise make copy and paste read cells that no longer exist.
void TNiceGrid::ClampState() {
  if (rowCount_ <= 0 || ColCount() <= 0) {
    col_ = row_ = -1;
    sel_ = QRect();
    anchor_ = {-1, -1};
    return;
  }
  const QRect all(0, 0, ColCount(), rowCount_);
  const bool wasEmpty = col_ < 0 || row_ < 0;
  col_ = std::clamp(col_, 0, ColCount() - 1);
  row_ = std::clamp(row_, 0, rowCount_ - 1);
  if (wasEmpty && !columns_[col_]->visible_) col_ = std::max(0, FirstVisible());
  sel_ = sel_.intersected(all);
  if (sel_.isEmpty() || !sel_.contains(col_, row_)) sel_ = QRect(col_, row_, 1, 1);
  anchor_ = {std::clamp(anchor_.x(), 0, ColCount() - 1), std::clamp(anchor_.y(), 0, rowCount_ - 1)};
  if (!sel_.contains(anchor_)) anchor_ = {col_, row_};
}

std::vector<int> TNiceGrid::VisibleColumns() const {
  std::vector<int> cols;
  for (int c = 0; c < ColCount(); ++c) {
    if (columns_[c]->visible_) cols.push_back(c);
  }
  return cols;
}

int TNiceGrid::FirstVisible() const {
  for (int c = 0; c < ColCount(); ++c) {
    if (columns_[c]->visible_) return c;
  }
  return -1;
}

int TNiceGrid::LastVisible() const {
  for (int c = ColCount() - 1; c >= 0; --c) {
    if (columns_[c]->visible_) return c;
  }
  return -1;
}

int TNiceGrid::NextVisible(int col, int step) const {
  for (int c = col + step; c >= 0 && c < ColCount(); c += step) {
    if (columns_[c]->visible_) return c;
  }
  return col;
}

// ---------------------------------------------------------------------------------------------
// Current cell and selection

void TNiceGrid::SetCol(int col) {
  if (ColCount() <= 0 || rowCount_ <= 0) return;
  SetCurrent(std::clamp(col, 0, ColCount() - 1), row_, false);
}

void TNiceGrid::SetRow(int row) {
  if (ColCount() <= 0 || rowCount_ <= 0) return;
  SetCurrent(col_, std::clamp(row, 0, rowCount_ - 1), false);
}

void TNiceGrid::SetCurrent(int col, int row, bool scroll) {
  EndEdit();
  EndTyping();
  InvalidateCell(col_, row_);
  col_ = col;
  row_ = row;
  SetSelection(QRect(col, row, 1, 1));
  anchor_ = {col, row};
  if (scroll) ScrollIntoView(col, row);
  InvalidateCell(col_, row_);
  if (OnColRowChanged) OnColRowChanged(this, col_, row_);
}

void TNiceGrid::MoveTo(int col, int row) {
  if (col < 0 || row < 0) return;  // every column hidden
  if (col == col_ && row == row_ && sel_ == QRect(col, row, 1, 1)) return;
  SetCurrent(col, row, true);
}

void TNiceGrid::SetSelection(const QRect& sel) {
  if (sel == sel_) return;
  sel_ = sel;
  viewport()->update();
}

void TNiceGrid::SelectArea(const QRect& area) {
  EndEdit();
  if (ColCount() <= 0 || rowCount_ <= 0) return;
  const QRect sel = area.normalized().intersected(QRect(0, 0, ColCount(), rowCount_));
  if (sel.isEmpty()) return;
  SetSelection(sel);
  if (sel.contains(col_, row_)) {
    anchor_ = {col_ == sel.left() ? sel.right() : sel.left(), row_ == sel.top() ? sel.bottom() : sel.top()};
  } else {
    anchor_ = sel.bottomRight();
  }
}

void TNiceGrid::ExtendAnchor(int col, int row) {
  EndEdit();
  anchor_ = {col, row};
  SetSelection(QRect(QPoint(std::min(col, col_), std::min(row, row_)),
                     QPoint(std::max(col, col_), std::max(row, row_))));
  ScrollIntoView(col, row);
}

void TNiceGrid::MoveInSelection(bool forward) {
  const QPoint next = StepInSelection(sel_, VisibleColumns(), QPoint(col_, row_), forward);
  EndEdit();
  EndTyping();
  col_ = next.x();
  row_ = next.y();
  ScrollIntoView(col_, row_);
  viewport()->update();
  if (OnColRowChanged) OnColRowChanged(this, col_, row_);
}

QRect TNiceGrid::DataArea() const {
  const QSize size = viewport()->size();
  return {geom_.gutter, geom_.header, std::max(0, size.width() - geom_.gutter),
          std::max(0, size.height() - geom_.header - FooterHeight())};
}

void TNiceGrid::ScrollIntoView(int col, int row) {
  const QRect area = DataArea();
  if (col >= 0 && col < ColCount() && columns_[col]->visible_) {
    const int x = geom_.x[static_cast<size_t>(col)];
    const int w = geom_.width[static_cast<size_t>(col)];
    int sx = horizontalScrollBar()->value();
    if (x < sx || w >= area.width()) {
      sx = x;
    } else if (x + w > sx + area.width()) {
      sx = x + w - area.width();
    }
    horizontalScrollBar()->setValue(sx);
  }
  if (row >= 0 && defRowHeight_ > 0) {
    const int y = row * defRowHeight_;
    int sy = verticalScrollBar()->value();
    if (y < sy) {
      sy = y;
    } else if (y + defRowHeight_ > sy + area.height()) {
      const int over = y + defRowHeight_ - area.height();
      sy = (over + defRowHeight_ - 1) / defRowHeight_ * defRowHeight_;
    }
    verticalScrollBar()->setValue(sy);
  }
}

// ---------------------------------------------------------------------------------------------
// Layout

void TNiceGrid::ColumnsChanged() {
  std::vector<HeaderColumn> titles;
  titles.reserve(columns_.items_.size());
  for (const auto& column : columns_.items_) titles.push_back({column->title_, column->visible_});
  headerList_ = BuildHeaderList(titles, headerLine_);
  LayoutChanged();
}

void TNiceGrid::LayoutChanged() {
  Recalculate();
  viewport()->update();
}

void TNiceGrid::SetScrollBar(Qt::Orientation which, int range, int position) {
  QScrollBar* bar = which == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
  bar->setSingleStep(defRowHeight_);
  bar->setPageStep(5 * defRowHeight_);
  bar->setRange(0, range);
  bar->setValue(position);
}

void TNiceGrid::ShowHideScrollBars() {
  const QSize full = maximumViewportSize();
  const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  const int fixedH = geom_.header + FooterHeight();
  const int contentW = contentW_ + geom_.gutter;
  bool needV = contentH_ > full.height() - fixedH;
  bool needH = contentW > full.width();
  if (needV && !needH) needH = contentW > full.width() - extent;
  if (needH && !needV) needV = contentH_ > full.height() - fixedH - extent;
  setVerticalScrollBarPolicy(needV ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(needH ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TNiceGrid::Recalculate() {
  if (inLayout_) return;
  inLayout_ = true;
  geom_.gutter = EffectiveGutterWidth(gutterKind_, gutterWidth_);
  geom_.header = headerLine_ * defRowHeight_;
  geom_.rowHeight = defRowHeight_;
  const auto n = static_cast<size_t>(ColCount());
  std::vector<int> widths(n);
  std::vector<bool> visible(n);
  std::vector<bool> adjustable(n);
  const QFontMetrics gridMetrics(font());
  for (size_t c = 0; c < n; ++c) {
    TNiceColumn& column = *columns_.items_[c];
    if (autoColWidth_) {
      int widest = 0;
      const qsizetype count = std::min<qsizetype>(column.strings_.size(), rowCount_);
      for (qsizetype r = 0; r < count; ++r) {
        if (!column.strings_[r].isEmpty())
          widest = std::max(widest, gridMetrics.horizontalAdvance(column.strings_[r]));
      }
      column.width_ = AutoColumnWidth(defColWidth_, widest);
    }
    widths[c] = column.width_;
    visible[c] = column.visible_;
    adjustable[c] = column.visible_ && column.canResize_;
  }
  std::vector<int> shown(n);
  for (size_t c = 0; c < n; ++c) shown[c] = visible[c] ? widths[c] : 0;
  contentW_ = 0;
  for (int w : shown) contentW_ += w;
  // Fitted columns that cannot shrink enough still need the horizontal bar to be reached.
  if (fitToWidth_) contentW_ = NarrowestFit(shown, adjustable);
  contentH_ = rowCount_ * defRowHeight_;
  ShowHideScrollBars();
  if (fitToWidth_) {
    FitWidthsTo(shown, adjustable, viewport()->width() - geom_.gutter,
                drag_ == Drag::Resize ? resizeCol_ : -1);
    for (size_t c = 0; c < n; ++c) {
      if (adjustable[c]) columns_.items_[c]->width_ = widths[c] = shown[c];
    }
  }
  contentW_ = LayoutColumns(geom_, widths, visible);
  const QSize client = viewport()->size();
  SetScrollBar(Qt::Horizontal, ScrollRange(contentW_ + geom_.gutter, client.width(), 0),
               horizontalScrollBar()->value());
  SetScrollBar(Qt::Vertical,
               ScrollRange(contentH_, client.height() - geom_.header - FooterHeight(), defRowHeight_),
               verticalScrollBar()->value());
  geom_.scrollX = horizontalScrollBar()->value();
  geom_.scrollY = verticalScrollBar()->value();
  inLayout_ = false;
}

QRect TNiceGrid::CellRect(int col, int row) const { return tevra::CellRect(geom_, col, row).ToRect(); }

QColor TNiceGrid::CellColor(int col, int row) const {
  QColor color = columns_[col]->color_;
  if ((row & 1) != 0 && color == color_) color = alternateColor_;
  if (isEnabled() && sel_.contains(col, row) && !(col == col_ && row == row_)) color = selectionColor_;
  return color;
}

void TNiceGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  LayoutChanged();
}

void TNiceGrid::scrollContentsBy(int, int) {
  EndEdit();
  geom_.scrollX = horizontalScrollBar()->value();
  geom_.scrollY = verticalScrollBar()->value();
  viewport()->update();
}

void TNiceGrid::wheelEvent(QWheelEvent* event) {
  if (!isEnabled()) return;
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(std::clamp(bar->value() - event->angleDelta().y(), 0, bar->maximum()));
  event->accept();
}

void TNiceGrid::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void TNiceGrid::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

void TNiceGrid::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) viewport()->update();
  if (event->type() == QEvent::FontChange) LayoutChanged();
}

// ---------------------------------------------------------------------------------------------
// Editing

// The buffer stands for the cell's text only while nothing else has changed the cell; once rows
// move, the table is reloaded or the cell is written otherwise, typing must start a new text.
void TNiceGrid::EndTyping() {
  typing_.clear();
  typed_ = false;
}

void TNiceGrid::EndEdit() {
  if (inplace_ != nullptr && inplace_->isVisible()) {
    const bool hadFocus = inplace_->hasFocus();
    inplace_->hide();
    if (hadFocus) setFocus();
  }
  if (caretOn_) {
    caretOn_ = false;
    InvalidateCell(col_, row_);
  }
}

bool TNiceGrid::IsEditing() const { return inplace_->isVisible(); }

bool TNiceGrid::FilterChar(QChar chr) {
  bool allowed = true;
  if (OnFilterChar) OnFilterChar(this, col_, row_, chr, allowed);
  return allowed;
}

void TNiceGrid::TypeChar(QChar chr) {
  if (!FilterChar(chr)) return;
  if (typed_ && Cells(col_, row_) != typing_) EndTyping();  // pasted or written over meanwhile
  const QString before = typing_;
  typing_ += chr;
  typed_ = true;
  // A refused write must not stay in the buffer, or every later key would be refused with it.
  typing_ = UserWrite(col_, row_, typing_) ? Cells(col_, row_) : before;
  ShowTyping();
}

void TNiceGrid::Backspace() {
  if (typed_ && Cells(col_, row_) != typing_) EndTyping();
  const QString before = typing_;
  typing_.chop(1);
  typed_ = true;
  typing_ = UserWrite(col_, row_, typing_) ? Cells(col_, row_) : before;
  ShowTyping();
}

void TNiceGrid::ShowTyping() {
  // Scrolling ends editing and with it the caret, so the caret is switched on afterwards.
  ScrollIntoView(col_, row_);
  caretOn_ = true;
  InvalidateCell(col_, row_);
}

bool TNiceGrid::Confirm() {
  QString text = Cells(col_, row_);
  const QString stored = text;
  if (OnCellAssignment) OnCellAssignment(this, col_, row_, text);
  if (text != stored) UserWrite(col_, row_, text);
  if (col_ < 0 || col_ >= ColCount() || row_ >= rowCount_) return false;  // reshaped by a handler
  text = Cells(col_, row_);
  const bool range = sel_.width() > 1 || sel_.height() > 1;
  // Fills are program writes; a read-only grid or column must not be changed by them.
  if (readOnly_) return false;
  if (autoFillDown_ && text.endsWith(QLatin1Char('*')) && !columns_[col_]->readOnly_) {
    const QString fill = text.chopped(1);
    const int top = range ? sel_.top() : row_;
    const int bottom = range ? sel_.bottom() : rowCount_ - 1;
    BeginBulk();
    for (int r = top; r <= bottom; ++r) SetCells(col_, r, fill);
    EndBulk();
    return true;
  }
  if (autoFillRight_ && text.endsWith(QLatin1Char('>'))) {
    const QString fill = text.chopped(1);
    const int left = range ? sel_.left() : col_;
    const int right = range ? sel_.right() : ColCount() - 1;
    BeginBulk();
    for (int c = left; c <= right; ++c) {
      if (columns_[c]->visible_ && !columns_[c]->readOnly_) SetCells(c, row_, fill);
    }
    EndBulk();
    return true;
  }
  return false;
}

void TNiceGrid::DeleteSelection() {
  // Hidden columns are left alone: the user cannot see what would be lost.
  BeginBulk();
  for (int c : VisibleColumns()) {
    if (c < sel_.left() || c > sel_.right()) continue;
    for (int r = sel_.top(); r <= sel_.bottom(); ++r) UserWrite(c, r, QString());
  }
  EndBulk();
}

void TNiceGrid::ApplyWrites(const std::vector<CellWrite>& writes) {
  BeginBulk();
  for (const CellWrite& w : writes) {
    if (w.col < ColCount() && w.row < rowCount_) UserWrite(w.col, w.row, w.text);
  }
  EndBulk();
}

void TNiceGrid::OpenEditor() {
  if (col_ < 0 || row_ < 0) return;
  EndTyping();  // the editor takes over the cell's text
  const TNiceColumn& column = *columns_[col_];
  const QRect inner = CellRect(col_, row_).adjusted(4, 3, -4, -3);
  const int height = std::min(inner.height(), QFontMetrics(column.font_).height());
  int top = inner.top() + (inner.height() - height) / 2;
  if (column.vertAlign_ == vaTop) top = inner.top();
  if (column.vertAlign_ == vaBottom) top = inner.bottom() + 1 - height;
  editorSync_ = true;
  inplace_->setGeometry(inner.left(), top, inner.width(), height);
  inplace_->setFont(column.font_);
  QPalette palette = inplace_->palette();
  palette.setColor(QPalette::Base, CellColor(col_, row_));
  palette.setColor(QPalette::Text, textColor_);
  inplace_->setPalette(palette);
  inplace_->setAlignment(column.horzAlign_ == haLeft    ? Qt::AlignLeft
                         : column.horzAlign_ == haRight ? Qt::AlignRight
                                                        : Qt::AlignHCenter);
  inplace_->setText(Cells(col_, row_));
  editorSync_ = false;
  inplace_->show();
  inplace_->setFocus();
}

void TNiceGrid::EditorTextEdited(const QString& text) {
  if (editorSync_ || col_ < 0) return;
  UserWrite(col_, row_, text);
  if (col_ >= ColCount() || row_ >= rowCount_) return;
  const QString stored = Cells(col_, row_);
  if (stored != text) {
    // Refused or changed by the owner: the box shows what the cell really holds.
    const int cursor = inplace_->cursorPosition();
    editorSync_ = true;
    inplace_->setText(stored);
    inplace_->setCursorPosition(std::min<int>(cursor, static_cast<int>(stored.size())));
    editorSync_ = false;
  }
}

// ---------------------------------------------------------------------------------------------
// Clipboard

void TNiceGrid::CopyToClipboard() {
  if (col_ < 0) return;
  std::vector<QStringList> rows;
  const std::vector<int> visible = VisibleColumns();
  for (int r = sel_.top(); r <= sel_.bottom(); ++r) {
    QStringList fields;
    for (int c : visible) {
      if (c >= sel_.left() && c <= sel_.right()) fields.append(Cells(c, r));
    }
    rows.push_back(fields);
  }
  QGuiApplication::clipboard()->setText(JoinClipboardText(rows));
}

void TNiceGrid::CutToClipboard() {
  if (readOnly_ || col_ < 0) return;
  CopyToClipboard();
  DeleteSelection();
}

void TNiceGrid::PasteFromClipboard() {
  if (readOnly_ || col_ < 0) return;
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (mime == nullptr || !mime->hasText()) return;
  const std::vector<QStringList> block = SplitClipboardText(mime->text());
  if (block.empty()) return;
  EndEdit();
  const bool single = sel_.width() == 1 && sel_.height() == 1;
  ApplyWrites(single ? PlaceBlock(block, VisibleColumns(), col_, row_, rowCount_)
                     : TileBlock(block, VisibleColumns(), sel_, sel_.topLeft()));
}

// ---------------------------------------------------------------------------------------------
// Keyboard

void TNiceGrid::keyPressEvent(QKeyEvent* event) {
  if (!isEnabled() || rowCount_ <= 0 || ColCount() <= 0 || col_ < 0) {
    event->ignore();
    return;
  }
  const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
  const int lastRow = rowCount_ - 1;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
      const int step = event->key() == Qt::Key_Left ? -1 : 1;
      if (shift) {
        ExtendAnchor(NextVisible(anchor_.x(), step), anchor_.y());
      } else {
        MoveTo(NextVisible(col_, step), row_);
      }
      return;
    }
    case Qt::Key_Up:
      if (shift) {
        ExtendAnchor(anchor_.x(), std::max(0, anchor_.y() - 1));
      } else if (autoAddRow_ && !readOnly_ && row_ == lastRow && row_ >= 1) {
        bool empty = true;
        for (int c = 0; c < ColCount() && empty; ++c) empty = Cells(c, row_).isEmpty();
        if (empty) {
          SetRowCount(rowCount_ - 1);
          ScrollIntoView(col_, row_);
          if (OnDeleteRow) OnDeleteRow(this, rowCount_);
        } else {
          MoveTo(col_, row_ - 1);
        }
      } else {
        MoveTo(col_, std::max(0, row_ - 1));
      }
      return;
    case Qt::Key_Down:
      if (shift) {
        ExtendAnchor(anchor_.x(), std::min(lastRow, anchor_.y() + 1));
      } else if (autoAddRow_ && !readOnly_ && row_ == lastRow) {
        // A row that held text before the row count was lowered comes back empty.
        MoveTo(col_, AddRow());
      } else {
        MoveTo(col_, std::min(lastRow, row_ + 1));
      }
      return;
    case Qt::Key_Home:
      MoveTo(FirstVisible(), ctrl ? 0 : row_);
      return;
    case Qt::Key_End:
      MoveTo(LastVisible(), ctrl ? lastRow : row_);
      return;
    case Qt::Key_PageUp:
      MoveTo(col_, 0);
      return;
    case Qt::Key_PageDown:
      MoveTo(col_, lastRow);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      const bool range = sel_.width() > 1 || sel_.height() > 1;
      if (shift) {
        if (range) {
          MoveInSelection(false);
        } else {
          MoveTo(col_, std::max(0, row_ - 1));
        }
        return;
      }
      const bool filled = Confirm();
      // Enter confirms the text: typing afterwards starts a new one, also where Enter stays put.
      EndEdit();
      EndTyping();
      if (filled || col_ < 0) return;
      if (range) {
        MoveInSelection(true);
      } else {
        MoveTo(col_, std::min(lastRow, row_ + 1));
      }
      return;
    }
    case Qt::Key_Insert:
      if (!readOnly_) InsertRow(row_);
      return;
    case Qt::Key_Delete:
      if (readOnly_) return;
      if (ctrl) {
        if (rowCount_ < 2) return;
        const int row = row_;
        DeleteRow(row);
        if (OnDeleteRow) OnDeleteRow(this, row);
      } else if (!typed_) {
        DeleteSelection();
      }
      return;
    case Qt::Key_Backspace:
      if (!readOnly_) Backspace();
      return;
    default:
      break;
  }
  if (ctrl) {
    if (event->key() == Qt::Key_C) CopyToClipboard();
    if (event->key() == Qt::Key_X) CutToClipboard();
    if (event->key() == Qt::Key_V) PasteFromClipboard();
    return;
  }
  if (readOnly_) return;
  for (QChar chr : event->text()) {
    if (IsPrintable(chr)) TypeChar(chr);
  }
}

// ---------------------------------------------------------------------------------------------
// Mouse

QRect TNiceGrid::FillHandleRect() const {
  if (col_ < 0 || sel_.isEmpty()) return {};
  const QRect tl = CellRect(sel_.left(), sel_.top());
  const QRect br = CellRect(sel_.right(), sel_.bottom());
  const bool wholeColumn = sel_.top() == 0 && sel_.bottom() == rowCount_ - 1;
  const bool wholeRow = sel_.left() == 0 && sel_.right() == ColCount() - 1;
  QPoint corner(br.right(), br.bottom());
  if (wholeColumn && !wholeRow) corner = {br.right(), tl.top()};
  if (wholeRow && !wholeColumn) corner = {tl.left(), br.bottom()};
  return {corner.x() - 2, corner.y() - 2, 6, 6};
}

int TNiceGrid::CursorAt(const QPoint& pos) const {
  const int height = viewport()->height();
  if (showFooter_ && pos.y() >= height - FooterHeight()) return crNone;
  if (col_ >= 0 && FillHandleRect().contains(pos)) return crCross;
  if (pos.y() < geom_.header) {
    if (pos.x() < geom_.gutter) return crLeftTop;
    const int border = ColumnBorderAt(geom_, pos.x());
    if (border >= 0 && columns_[border]->canResize_ && !autoColWidth_) return crColumnSplit;
    return crDown;
  }
  if (pos.x() < geom_.gutter) return crRight;
  return crPlus;
}

QPoint TNiceGrid::CellUnder(const QPoint& pos) const {
  if (ColCount() <= 0 || rowCount_ <= 0) return {-1, -1};
  const int cx = std::clamp(pos.x() - geom_.gutter + geom_.scrollX, 0, std::max(0, contentW_ - 1));
  int col = LastVisible();
  for (int c = 0; c < ColCount(); ++c) {
    const auto i = static_cast<size_t>(c);
    if (geom_.width[i] > 0 && cx < geom_.x[i] + geom_.width[i]) {
      col = c;
      break;
    }
  }
  const int cy = pos.y() - geom_.header + geom_.scrollY;
  const int row = std::clamp(cy < 0 ? 0 : cy / defRowHeight_, 0, rowCount_ - 1);
  return {col, row};
}

void TNiceGrid::UpdateCursor(const QPoint& pos) {
  cursorNumber_ = CursorAt(pos);
  // No cursor images ship with the program, so the five grid regions keep the arrow.
  viewport()->setCursor(cursorNumber_ == crColumnSplit ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void TNiceGrid::mousePressEvent(QMouseEvent* event) {
  if (!isEnabled()) return;
  setFocus(Qt::MouseFocusReason);
  if (ColCount() <= 0 || rowCount_ <= 0 || col_ < 0) return;
  const QPoint pos = event->position().toPoint();
  cursorNumber_ = CursorAt(pos);
  const Qt::MouseButton button = event->button();
  const Qt::KeyboardModifiers shift = event->modifiers();
  switch (cursorNumber_) {
    case crLeftTop:
      SetCurrent(std::max(0, FirstVisible()), 0, true);
      SetSelection(QRect(0, 0, ColCount(), rowCount_));
      anchor_ = {ColCount() - 1, rowCount_ - 1};
      return;
    case crRight: {
      const int row = RowAt(geom_, pos.y(), rowCount_);
      if (row < 0) return;
      SetCurrent(std::max(0, FirstVisible()), row, false);
      SetSelection(QRect(0, row, ColCount(), 1));
      anchor_ = {ColCount() - 1, row};
      drag_ = Drag::Rows;
      dragStart_ = {0, row};
      if (OnGutterClick) OnGutterClick(this, row, button, shift);
      return;
    }
    case crDown: {
      const int col = ColumnAt(geom_, pos.x());
      if (col < 0) return;
      SetCurrent(col, 0, false);
      SetSelection(QRect(col, 0, 1, rowCount_));
      anchor_ = {col, rowCount_ - 1};
      drag_ = Drag::Columns;
      dragStart_ = {col, 0};
      if (OnHeaderClick) OnHeaderClick(this, col, button, shift);
      return;
    }
    case crColumnSplit:
      EndEdit();
      resizeCol_ = ColumnBorderAt(geom_, pos.x());
      drag_ = Drag::Resize;
      return;
    case crCross:
      EndEdit();
      fillOrigin_ = sel_;
      drag_ = Drag::Fill;
      return;
    case crPlus: {
      const int col = ColumnAt(geom_, pos.x());
      const int row = RowAt(geom_, pos.y(), rowCount_);
      if (col < 0 || row < 0) return;
      if (col == col_ && row == row_) {
        if (!readOnly_ && !columns_[col]->readOnly_) OpenEditor();
        return;
      }
      SetCurrent(col, row, true);
      drag_ = Drag::Cells;
      dragStart_ = {col, row};
      return;
    }
    default:
      return;
  }
}

void TNiceGrid::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (drag_ == Drag::None) {
    if (isEnabled()) UpdateCursor(pos);
    return;
  }
  const QPoint cell = CellUnder(pos);
  if (cell.x() < 0) return;
  switch (drag_) {
    case Drag::Cells:
      anchor_ = cell;
      SetSelection(QRect(dragStart_, cell).normalized());
      break;
    case Drag::Rows:
      anchor_ = {ColCount() - 1, cell.y()};
      SetSelection(QRect(QPoint(0, std::min(dragStart_.y(), cell.y())),
                         QPoint(ColCount() - 1, std::max(dragStart_.y(), cell.y()))));
      break;
    case Drag::Columns:
      anchor_ = {cell.x(), rowCount_ - 1};
      SetSelection(QRect(QPoint(std::min(dragStart_.x(), cell.x()), 0),
                         QPoint(std::max(dragStart_.x(), cell.x()), rowCount_ - 1)));
      break;
    case Drag::Fill:
      SetSelection(fillOrigin_.united(QRect(cell, cell)));
      break;
    case Drag::Resize: {
      if (resizeCol_ < 0) break;
      TNiceColumn& column = *columns_[resizeCol_];
      const int left = tevra::CellRect(geom_, resizeCol_, 0).left;
      int width = std::max(5, pos.x() - left);
      const int next = NextVisible(resizeCol_, 1);
      if (fitToWidth_ && next != resizeCol_) {
        TNiceColumn& neighbour = *columns_[next];
        const int total = column.width_ + neighbour.width_;
        width = std::min(width, total - 5);
        neighbour.width_ = total - width;
      }
      column.width_ = width;
      LayoutChanged();
      break;
    }
    case Drag::None:
      break;
  }
}

void TNiceGrid::mouseReleaseEvent(QMouseEvent*) {
  const Drag drag = drag_;
  drag_ = Drag::None;
  if (drag == Drag::Fill && !readOnly_ && sel_ != fillOrigin_) {
    const std::vector<int> visible = VisibleColumns();
    std::vector<QStringList> block;
    for (int r = fillOrigin_.top(); r <= fillOrigin_.bottom(); ++r) {
      QStringList fields;
      for (int c : visible) {
        if (c >= fillOrigin_.left() && c <= fillOrigin_.right()) fields.append(Cells(c, r));
      }
      block.push_back(fields);
    }
    ApplyWrites(TileBlock(block, visible, sel_, fillOrigin_.topLeft()));
  }
  if (drag == Drag::Resize) {
    resizeCol_ = -1;
    LayoutChanged();
  }
}

void TNiceGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  mousePressEvent(event);
  if (OnDblClick) OnDblClick(this);
}

// ---------------------------------------------------------------------------------------------
// Painting

void TNiceGrid::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  geom_.scrollX = horizontalScrollBar()->value();
  geom_.scrollY = verticalScrollBar()->value();
  PaintCells(p, event->rect());
  PaintSelectionFrame(p);
  PaintGutter(p);
  PaintHeader(p);
  PaintFooter(p);
}

void TNiceGrid::PaintCells(QPainter& p, const QRect& dirty) {
  const QRect area = DataArea();
  const QRect clip = area.intersected(dirty);
  if (clip.isEmpty()) return;
  p.setClipRect(clip);
  const int rh = defRowHeight_;
  const int firstRow = std::max(0, (geom_.scrollY + clip.top() - geom_.header) / rh - 1);
  const int lastRow = std::min(rowCount_ - 1, (geom_.scrollY + clip.bottom() - geom_.header) / rh + 1);
  const bool enabled = isEnabled();
  const QColor textColor = enabled ? textColor_ : gridColor_;
  const bool caret = caretOn_ && typed_ && hasFocus();
  QFont currentFont;
  bool fontSet = false;
  QColor currentPen;
  for (int c = 0; c < ColCount(); ++c) {
    const auto ci = static_cast<size_t>(c);
    if (geom_.width[ci] <= 0) continue;
    const CellEdges columnEdges = tevra::CellRect(geom_, c, 0);
    if (columnEdges.right <= clip.left() || columnEdges.left > clip.right()) continue;
    const TNiceColumn& column = *columns_.items_[ci];
    const QFontMetrics fm(column.font_);
    const int textHeight = fm.height();
    for (int r = firstRow; r <= lastRow; ++r) {
      const QRect rc = tevra::CellRect(geom_, c, r).ToRect();
      TGridCanvas canvas{&p, CellColor(c, r), gridColor_, textColor, column.font_};
      bool handled = false;
      if (OnDrawCell) OnDrawCell(this, canvas, c, r, rc, handled);
      if (handled) continue;
      if (showGrid_) {
        p.fillRect(rc, canvas.penColor);
        p.fillRect(rc.adjusted(1, 1, -1, -1), canvas.brushColor);
      } else {
        p.fillRect(rc, canvas.brushColor);
      }
      const bool current = c == col_ && r == row_;
      const QString& text = r < column.strings_.size() ? column.strings_[r] : QString();
      if (text.isEmpty() && !(current && caret)) continue;
      const QRect inner = rc.adjusted(4, 2, -4, -2);
      const int textWidth = text.isEmpty() ? 0 : fm.horizontalAdvance(text);
      int x = inner.left();
      if (column.horzAlign_ == haCenter) x = inner.left() + (inner.width() - textWidth) / 2;
      if (column.horzAlign_ == haRight) x = inner.right() + 1 - textWidth;
      if (current && typed_ && textWidth > inner.width()) x = inner.right() + 1 - textWidth;
      int y = inner.top() + (inner.height() - textHeight) / 2;
      if (column.vertAlign_ == vaTop) y = inner.top();
      if (column.vertAlign_ == vaBottom) y = inner.bottom() + 1 - textHeight;
      if (!fontSet || canvas.font != currentFont) {
        p.setFont(canvas.font);
        currentFont = canvas.font;
        fontSet = true;
      }
      if (canvas.fontColor != currentPen) {
        p.setPen(canvas.fontColor);
        currentPen = canvas.fontColor;
      }
      const bool fits =
          x >= inner.left() && x + textWidth <= inner.right() + 1 && textHeight <= inner.height();
      if (!fits) {
        p.save();
        p.setClipRect(inner.intersected(clip));
      }
      if (!text.isEmpty()) p.drawText(QPoint(x, y + fm.ascent()), text);
      if (current && caret) {
        const int cx = std::min(x + textWidth + 1, inner.right());
        p.drawLine(cx, y, cx, y + textHeight - 1);
      }
      if (!fits) p.restore();
    }
  }
  // Beyond the last column and the last row.
  const int contentRight = contentW_ + geom_.gutter - geom_.scrollX;
  const int contentBottom = rowCount_ * rh + geom_.header - geom_.scrollY;
  if (contentRight < area.right() + 1) {
    p.fillRect(QRect(contentRight, area.top(), area.right() + 1 - contentRight, area.height()), color_);
  }
  if (contentBottom < area.bottom() + 1) {
    p.fillRect(QRect(area.left(), contentBottom, area.width(), area.bottom() + 1 - contentBottom), color_);
  }
  p.setClipping(false);
}

void TNiceGrid::PaintSelectionFrame(QPainter& p) {
  if (col_ < 0 || sel_.isEmpty()) return;
  const QRect area = DataArea();
  p.setClipRect(area.adjusted(-1, -1, 0, 0));
  const QRect tl = CellRect(sel_.left(), sel_.top());
  const QRect br = CellRect(sel_.right(), sel_.bottom());
  const QRect frame(tl.topLeft(), br.bottomRight());
  const QColor color = hasFocus() ? textColor_ : gridColor_;
  // Three pixels centred on the selection's outer border lines. At the first visible row or column
  // that line is shared with the header or the gutter, which are painted over it: there the frame
  // moves inside the data area, so that all three pixels show.
  QRect outer = frame.adjusted(-1, -1, 1, 1);
  if (outer.top() < area.top() && outer.top() >= area.top() - 2) {
    outer.setTop(area.top());
  }
  if (outer.left() < area.left() && outer.left() >= area.left() - 2) {
    outer.setLeft(area.left());
  }
  p.fillRect(QRect(outer.left(), outer.top(), outer.width(), 3), color);
  p.fillRect(QRect(outer.left(), outer.bottom() - 2, outer.width(), 3), color);
  p.fillRect(QRect(outer.left(), outer.top(), 3, outer.height()), color);
  p.fillRect(QRect(outer.right() - 2, outer.top(), 3, outer.height()), color);
  const QRect handle = FillHandleRect();
  p.fillRect(handle, color);
  p.setClipping(false);
}

void TNiceGrid::PaintHeaderCell(QPainter& p, const QRect& rc, const QString& text, const QFont& font,
                                const TDrawHeaderEvent& handler) {
  TGridCanvas canvas{&p, headerColor_, flat_ ? headerDarkColor_ : textColor_,
                     isEnabled() ? textColor_ : headerDarkColor_, font};
  bool handled = false;
  if (handler) handler(this, canvas, rc, text, handled);
  if (handled) return;
  p.fillRect(rc, canvas.penColor);
  p.fillRect(rc.adjusted(1, 1, -1, -1), canvas.brushColor);
  const int l = rc.left();
  const int t = rc.top();
  const int r = rc.right() + 1;  // exclusive edges, as the cell rectangles are defined
  const int b = rc.bottom() + 1;
  if (!text.isEmpty()) {
    const QRect inner(l + 2, t + 2, (r - 3) - (l + 2), (b - 3) - (t + 2));
    const QStringList lines = text.split(QLatin1Char(';'));
    const QFontMetrics fm(canvas.font);
    const int lineHeight = fm.height();
    const auto count = static_cast<int>(lines.size());
    int y = inner.top() + (inner.height() - lineHeight * count) / 2;
    p.save();
    p.setClipRect(inner, Qt::IntersectClip);
    p.setFont(canvas.font);
    p.setPen(canvas.fontColor);
    for (const QString& line : lines) {
      const int x = inner.left() + (inner.width() - fm.horizontalAdvance(line)) / 2;
      p.drawText(QPoint(x, y + fm.ascent()), line);
      y += lineHeight;
    }
    p.restore();
  }
  p.setPen(headerLightColor_);
  p.drawLine(l + 1, b - 2, l + 1, t + 1);
  p.drawLine(l + 1, t + 1, r - 2, t + 1);
  if (!flat_) {
    p.setPen(headerDarkColor_);
    p.drawLine(r - 2, t + 1, r - 2, b - 2);
    p.drawLine(r - 2, b - 2, l + 1, b - 2);
  }
}

void TNiceGrid::PaintGutter(QPainter& p) {
  const int g = geom_.gutter;
  if (g <= 0) return;
  const QRect area = DataArea();
  p.setClipRect(QRect(0, area.top(), g, area.height()));
  const int rh = defRowHeight_;
  const int firstRow = std::max(0, geom_.scrollY / rh - 1);
  const int lastRow = std::min(rowCount_ - 1, (geom_.scrollY + area.height()) / rh + 1);
  for (int r = firstRow; r <= lastRow; ++r) {
    const int top = r * rh - 1 + geom_.header - geom_.scrollY;
    const QRect rc(-1, top, g + 1, rh + 1);
    QString text;
    if (gutterKind_ == gkNumber) text = QString::number(r + 1);
    if (gutterKind_ == gkString && r < gutterStrings_.size()) text = gutterStrings_[r];
    PaintHeaderCell(p, rc, text, gutterFont_, OnDrawGutter);
    if (gutterKind_ == gkPointer && r == row_) {
      const int cx = g / 2;
      const int cy = top + rh / 2;
      p.setPen(Qt::NoPen);
      p.setBrush(isEnabled() ? textColor_ : headerDarkColor_);
      p.drawPolygon(QPolygon({QPoint(cx - 2, cy - 4), QPoint(cx + 2, cy), QPoint(cx - 2, cy + 4)}));
      p.setBrush(Qt::NoBrush);
    }
  }
  const int contentBottom = rowCount_ * rh + geom_.header - geom_.scrollY;
  if (contentBottom < area.bottom() + 1) {
    p.fillRect(QRect(0, contentBottom, g, area.bottom() + 1 - contentBottom), color_);
  }
  p.setClipping(false);
}

void TNiceGrid::PaintHeader(QPainter& p) {
  const int width = viewport()->width();
  const int h = geom_.header;
  if (h > 0) {
    p.setClipRect(QRect(geom_.gutter, 0, width - geom_.gutter, h));
    const int rh = defRowHeight_;
    for (const THeaderInfo& info : headerList_) {
      const CellEdges left = tevra::CellRect(geom_, info.Left, 0);
      const CellEdges right = tevra::CellRect(geom_, info.Right, 0);
      if (right.right <= geom_.gutter || left.left >= width) continue;
      const QRect rc(QPoint(left.left, info.Top * rh - 1),
                     QPoint(right.right - 1, (info.Bottom + 1) * rh - 1));
      PaintHeaderCell(p, rc, info.Str, headerFont_, OnDrawHeader);
    }
    const int contentRight = contentW_ + geom_.gutter - geom_.scrollX;
    if (contentRight < width) p.fillRect(QRect(contentRight, 0, width - contentRight, h), color_);
    p.setClipping(false);
  }
  if (geom_.gutter > 0 && h > 0) {
    PaintHeaderCell(p, QRect(-1, -1, geom_.gutter + 1, h + 1), QString(), headerFont_, OnDrawHeader);
  }
}

void TNiceGrid::PaintFooter(QPainter& p) {
  if (!showFooter_) return;
  const int width = viewport()->width();
  const int rh = defRowHeight_;
  const int top = viewport()->height() - rh;
  p.setClipRect(QRect(geom_.gutter, top, width - geom_.gutter, rh));
  p.fillRect(QRect(geom_.gutter, top, width - geom_.gutter, rh), color_);
  for (int c = 0; c < ColCount(); ++c) {
    if (geom_.width[static_cast<size_t>(c)] <= 0) continue;
    const CellEdges e = tevra::CellRect(geom_, c, 0);
    if (e.right <= geom_.gutter || e.left >= width) continue;
    PaintHeaderCell(p, QRect(e.left, top - 1, e.right - e.left, rh + 1), columns_[c]->footer_, footerFont_,
                    OnDrawFooter);
  }
  p.setClipping(false);
  if (geom_.gutter > 0)
    PaintHeaderCell(p, QRect(-1, top - 1, geom_.gutter + 1, rh + 1), QString(), footerFont_, OnDrawFooter);
}

}  // namespace tevra
