// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TNiceGrid: the owner-drawn table on which the exposure table is shown and edited.

#include "grid/nice_grid_logic.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QLineEdit>
#include <QStringList>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class QPainter;

namespace tevra {

class TNiceGrid;

// Raised by Cells for an index outside ColCount x RowCount.
class EGridIndexError : public std::out_of_range {
 public:
  EGridIndexError() : std::out_of_range("Cell Index out of bound.") {}
};

// What a drawing handler may change before the grid paints a cell (the text's canvas).
struct TGridCanvas {
  QPainter* painter = nullptr;
  QColor brushColor;  // cell background
  QColor penColor;    // border lines
  QColor fontColor;   // text
  QFont font;
};

class TNiceColumn {
 public:
  explicit TNiceColumn(TNiceGrid* grid);

  TNiceGrid* Grid() const { return grid_; }
  const QString& Title() const { return title_; }
  void SetTitle(const QString& title);
  const QString& Footer() const { return footer_; }
  void SetFooter(const QString& footer);
  int Width() const { return width_; }
  void SetWidth(int width);
  const QFont& Font() const { return font_; }
  void SetFont(const QFont& font);
  const QColor& Color() const { return color_; }
  void SetColor(const QColor& color);
  THorzAlign HorzAlign() const { return horzAlign_; }
  void SetHorzAlign(THorzAlign align);
  TVertAlign VertAlign() const { return vertAlign_; }
  void SetVertAlign(TVertAlign align);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool CanResize() const { return canResize_; }
  void SetCanResize(bool canResize) { canResize_ = canResize; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  const QStringList& Strings() const { return strings_; }
  void SetStrings(const QStringList& strings);

  int Tag = 0;
  int Tag2 = 0;
  QString Hint;

 private:
  friend class TNiceGrid;
  TNiceGrid* grid_;
  QString title_;
  QString footer_;
  int width_;
  QFont font_;
  QColor color_;
  THorzAlign horzAlign_ = haLeft;
  TVertAlign vertAlign_ = vaCenter;
  bool visible_ = true;
  bool canResize_ = true;
  bool readOnly_ = false;
  QStringList strings_;
};

class TNiceColumns {
 public:
  explicit TNiceColumns(TNiceGrid* grid) : grid_(grid) {}
  int Count() const { return static_cast<int>(items_.size()); }
  TNiceColumn* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  TNiceColumn* operator[](int index) const { return Items(index); }
  TNiceColumn* Add();
  TNiceGrid* Grid() const { return grid_; }

 private:
  friend class TNiceGrid;
  TNiceGrid* grid_;
  std::vector<std::unique_ptr<TNiceColumn>> items_;
};

// The in-place edit box; Enter, Esc, Up and Down hand the focus back to the grid.
class TNiceInplace : public QLineEdit {
  Q_OBJECT
 public:
  explicit TNiceInplace(TNiceGrid* grid);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  TNiceGrid* grid_;
};

class TNiceGrid : public QAbstractScrollArea {
  Q_OBJECT
 public:
  // Cursor numbers of the mouse regions; the reaction to a press depends on these alone.
  enum CursorNumber { crNone = 0, crPlus = 101, crCross = 102, crRight = 103, crDown = 104, crLeftTop = 105 };
  static constexpr int crColumnSplit = 1;  // over a column border

  explicit TNiceGrid(QWidget* parent = nullptr);
  ~TNiceGrid() override;

  // Events, in the text's names. Handlers run on the user-interface thread.
  std::function<void(TNiceGrid* Sender, TGridCanvas& ACanvas, int X, int Y, const QRect& Rc, bool& Handled)>
      OnDrawCell;
  using TDrawHeaderEvent = std::function<void(TNiceGrid* Sender, TGridCanvas& ACanvas, const QRect& Rc,
                                              const QString& Str, bool& Handled)>;
  TDrawHeaderEvent OnDrawHeader;
  TDrawHeaderEvent OnDrawGutter;
  TDrawHeaderEvent OnDrawFooter;
  std::function<void(TNiceGrid* Sender, int Col, int Row, QChar Chr, bool& Allowed)> OnFilterChar;
  std::function<void(TNiceGrid* Sender, int Col, Qt::MouseButton Button, Qt::KeyboardModifiers Shift)>
      OnHeaderClick;
  std::function<void(TNiceGrid* Sender, int Row, Qt::MouseButton Button, Qt::KeyboardModifiers Shift)>
      OnGutterClick;
  // NewText is the text about to be stored, so the owner can refuse texts it cannot keep.
  std::function<void(TNiceGrid* Sender, int Col, int Row, const QString& NewText, bool& CanChange)>
      OnCellChanging;
  std::function<void(TNiceGrid* Sender, int Col, int Row, QString& Str)> OnCellChange;
  std::function<void(TNiceGrid* Sender, int Col, int Row)> OnColRowChanged;
  std::function<void(TNiceGrid* Sender, int ARow)> OnDeleteRow;
  std::function<void(TNiceGrid* Sender, int ARow)> OnInsertRow;  // declared only; never raised
  std::function<void(TNiceGrid* Sender, int Col, int Row, QString& Str)> OnCellAssignment;
  std::function<void(TNiceGrid* Sender)> OnDblClick;

  // Cells. Program writes raise no events.
  QString Cells(int col, int row) const;
  void SetCells(int col, int row, const QString& text);
  // A write as the user makes it: ignored without rows/columns or in a read-only column; runs
  // OnCellChanging and OnCellChange. True when the text was stored.
  bool UserWrite(int col, int row, const QString& text);

  TNiceColumns& Columns() { return columns_; }
  const TNiceColumns& Columns() const { return columns_; }
  int ColCount() const { return columns_.Count(); }
  void SetColCount(int count);
  int RowCount() const { return rowCount_; }
  void SetRowCount(int count);
  int ColWidths(int col) const { return columns_[col]->Width(); }
  void SetColWidths(int col, int width);

  int Col() const { return col_; }
  void SetCol(int col);
  int Row() const { return row_; }
  void SetRow(int row);
  QRect SelArea() const { return sel_; }  // inclusive cells
  void SelectArea(const QRect& area);

  void Clear();
  void InsertRow(int row);
  void DeleteRow(int row);
  int AddRow();

  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();

  // Properties.
  bool AutoAddRow() const { return autoAddRow_; }
  void SetAutoAddRow(bool on) { autoAddRow_ = on; }
  bool AutoFillDown() const { return autoFillDown_; }
  void SetAutoFillDown(bool on) { autoFillDown_ = on; }
  bool AutoFillRight() const { return autoFillRight_; }
  void SetAutoFillRight(bool on) { autoFillRight_ = on; }
  int DefRowHeight() const { return defRowHeight_; }
  void SetDefRowHeight(int height);
  int DefColWidth() const { return defColWidth_; }
  void SetDefColWidth(int width);
  bool Flat() const { return flat_; }
  void SetFlat(bool flat);
  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  // Cell and header text, the header cells' frame and the focused selection's frame.
  QColor TextColor() const { return textColor_; }
  void SetTextColor(const QColor& color);
  QColor AlternateColor() const { return alternateColor_; }
  void SetAlternateColor(const QColor& color);
  QColor GridColor() const { return gridColor_; }
  void SetGridColor(const QColor& color);
  bool ShowGrid() const { return showGrid_; }
  void SetShowGrid(bool on);
  int HeaderLine() const { return headerLine_; }
  void SetHeaderLine(int lines);
  QColor HeaderColor() const { return headerColor_; }
  void SetHeaderColor(const QColor& color);
  QColor HeaderLightColor() const { return headerLightColor_; }
  void SetHeaderLightColor(const QColor& color);
  QColor HeaderDarkColor() const { return headerDarkColor_; }
  void SetHeaderDarkColor(const QColor& color);
  QFont HeaderFont() const { return headerFont_; }
  void SetHeaderFont(const QFont& font);
  QFont FooterFont() const { return footerFont_; }
  void SetFooterFont(const QFont& font);
  QFont GutterFont() const { return gutterFont_; }
  void SetGutterFont(const QFont& font);
  QColor SelectionColor() const { return selectionColor_; }
  void SetSelectionColor(const QColor& color);
  bool FitToWidth() const { return fitToWidth_; }
  void SetFitToWidth(bool on);
  bool AutoColWidth() const { return autoColWidth_; }
  void SetAutoColWidth(bool on);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on) { readOnly_ = on; }
  TGutterKind GutterKind() const { return gutterKind_; }
  void SetGutterKind(TGutterKind kind);
  int GutterWidth() const { return gutterWidth_; }
  void SetGutterWidth(int width);
  QStringList GutterStrings() const { return gutterStrings_; }
  void SetGutterStrings(const QStringList& strings);
  bool ShowFooter() const { return showFooter_; }
  void SetShowFooter(bool on);
  // The grid's font (cells of new columns, width measuring) is the widget font: setFont().

  // State for the owner and for tests.
  const std::vector<THeaderInfo>& HeaderList() const { return headerList_; }
  QRect CellRect(int col, int row) const;  // client (viewport) pixels, inclusive edges shared
  const GridGeometry& Geometry() const { return geom_; }
  QColor CellColor(int col, int row) const;
  int CursorAt(const QPoint& pos) const;  // cursor number of the region under pos
  QRect FillHandleRect() const;
  Qt::CursorShape MouseCursor() const;
  void SetMouseCursor(Qt::CursorShape shape);
  TNiceInplace* Inplace() const { return inplace_; }
  bool IsEditing() const;
  const QString& TypingBuffer() const { return typing_; }

  // Overridable steps of the layout, in this order.
  virtual void SetScrollBar(Qt::Orientation which, int range, int position);
  virtual void ShowHideScrollBars();
  virtual void Recalculate();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class TNiceColumn;
  friend class TNiceColumns;
  friend class TNiceInplace;
  enum class Drag { None, Cells, Rows, Columns, Resize, Fill };

  void ColumnsChanged();  // titles, visibility or count: header list and layout
  void LayoutChanged();
  void CheckIndex(int col, int row) const;
  void StoreCell(int col, int row, const QString& text);
  void InvalidateCell(int col, int row);
  void BeginBulk() { ++bulk_; }
  void EndBulk();
  void EndEdit();
  void ClampState();
  std::vector<int> VisibleColumns() const;
  int FirstVisible() const;
  int LastVisible() const;
  int NextVisible(int col, int step) const;
  void MoveTo(int col, int row);  // a move of the current cell by the user
  void SetCurrent(int col, int row, bool scroll);
  void SetSelection(const QRect& sel);
  void ScrollIntoView(int col, int row);
  void ExtendAnchor(int col, int row);
  bool Confirm();  // true when a fill took place
  void MoveInSelection(bool forward);
  void TypeChar(QChar chr);
  void Backspace();
  void ShowTyping();
  void EndTyping();
  void DeleteSelection();
  void ApplyWrites(const std::vector<CellWrite>& writes);
  void OpenEditor();
  void EditorTextEdited(const QString& text);
  bool FilterChar(QChar chr);
  QRect DataArea() const;
  int FooterHeight() const { return showFooter_ ? defRowHeight_ : 0; }
  QPoint CellUnder(const QPoint& pos) const;
  void UpdateCursor(const QPoint& pos);

  void PaintCells(QPainter& p, const QRect& dirty);
  void PaintSelectionFrame(QPainter& p);
  void PaintGutter(QPainter& p);
  void PaintHeader(QPainter& p);
  void PaintFooter(QPainter& p);
  void PaintHeaderCell(QPainter& p, const QRect& rc, const QString& text, const QFont& font,
                       const TDrawHeaderEvent& handler);

  TNiceColumns columns_;
  int rowCount_ = 5;
  bool autoAddRow_ = false;
  bool autoFillDown_ = false;
  bool autoFillRight_ = false;
  int defRowHeight_ = 18;
  int defColWidth_ = 80;
  bool flat_ = true;
  QColor color_;
  QColor alternateColor_;
  QColor textColor_;
  QColor gridColor_;
  bool showGrid_ = true;
  int headerLine_ = 1;
  QColor headerColor_;
  QColor headerLightColor_;
  QColor headerDarkColor_;
  QFont headerFont_;
  QFont footerFont_;
  QFont gutterFont_;
  QColor selectionColor_{255, 255, 202};
  bool fitToWidth_ = false;
  bool autoColWidth_ = false;
  bool readOnly_ = false;
  TGutterKind gutterKind_ = gkBlank;
  int gutterWidth_ = 20;
  QStringList gutterStrings_;
  bool showFooter_ = false;

  int col_ = -1;
  int row_ = -1;
  QRect sel_;
  QPoint anchor_{-1, -1};
  QString typing_;
  bool typed_ = false;
  TNiceInplace* inplace_ = nullptr;
  bool editorSync_ = false;
  std::vector<THeaderInfo> headerList_;
  GridGeometry geom_;
  int contentW_ = 0;
  int contentH_ = 0;
  bool caretOn_ = false;
  int bulk_ = 0;
  bool inLayout_ = false;

  Drag drag_ = Drag::None;
  int resizeCol_ = -1;
  QPoint dragStart_;
  QRect fillOrigin_;
  int cursorNumber_ = crNone;
};

}  // namespace tevra
