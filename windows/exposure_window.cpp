// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/exposure_window.h"

#include "camera/camera_model.h"
#include "exposure/camera_ini.h"
#include "exposure/exposure_generator.h"
#include "exposure/exposure_view_rules.h"
#include "exposure/text_file.h"
#include "grid/nice_grid.h"
#include "run/plan_check.h"
#include "run/run_texts.h"
#include "state/night_mode.h"
#include "state/site_settings.h"
#include "state/variables.h"
#include "timing/catalogue.h"
#include "timing/countdown.h"
#include "timing/time_text.h"
#include "timing/time_zones.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

namespace tevra {
namespace {

constexpr int DefaultIntervalIndex = IntervalButtonCount - 1;  // "10 min", checked in the design
constexpr int RowHeight = 20;
constexpr int GutterWidth = 35;
constexpr Rgb Header3DLight{227, 227, 227};
constexpr Rgb PlanMarkColour{255, 176, 0};  // gutter of a row the plan check names
constexpr Rgb RunRowColour{150, 200, 255};  // the row a photography run serves
constexpr Rgb CellColour{255, 255, 255};
constexpr Rgb GridLineColour{240, 240, 240};
constexpr Rgb HeaderShadow{160, 160, 160};
constexpr Rgb SelectionColour{255, 255, 202};
constexpr Rgb Black{0, 0, 0};
constexpr const char* TableFileFilter = "Exposure tables (*.txt);;All files (*)";
constexpr const char* LoadCaption = "Exposure table not loaded";
constexpr const char* NoUmbralContactsMessage =
    "The eclipse selected in the main window is neither total nor partial: no table made. "
    "Choose \"Exposure Tables\" again after selecting an eclipse.";

QString Q(const std::string& text) { return QString::fromStdString(text); }

QColor Shown(Rgb day, Paint paint) {
  const Rgb shown = ShownColour(day, paint);
  return {shown.r, shown.g, shown.b};
}

QString Css(Rgb day, Paint paint) {
  const Rgb c = ShownColour(day, paint);
  return QStringLiteral("rgb(%1, %2, %3)").arg(c.r).arg(c.g).arg(c.b);
}

QFont NarrowFont() {
  QFont font(QStringLiteral("Arial Narrow"));
  font.setPixelSize(13);
  return font;
}

}  // namespace

TForm_Exposure::TForm_Exposure(ExposureWindowHost host, QWidget* parent)
    : QMainWindow(parent), host_(std::move(host)) {
  setWindowTitle(QStringLiteral("Tevra - Exposure table"));
  BuildComponents();
  BuildMenus();
  BuildGrid();
  FormCreate();
  ApplyNightMode();
  resize(1180, 720);
}

void TForm_Exposure::BuildComponents() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  setCentralWidget(central);

  Label_Exp1 = new QLabel(central);
  QFont big = Label_Exp1->font();
  big.setPointSize(16);
  big.setBold(true);
  Label_Exp1->setFont(big);
  Label_Exp1->setAlignment(Qt::AlignCenter);
  Label_Exp2 = new QLabel(central);
  Label_Exp2->setAlignment(Qt::AlignCenter);
  layout->addWidget(Label_Exp1);
  layout->addWidget(Label_Exp2);

  auto* groups = new QHBoxLayout;
  layout->addLayout(groups);

  GroupBox_Defaults = new QGroupBox(QStringLiteral("Camera default settings"), central);
  auto* defaults = new QGridLayout(GroupBox_Defaults);
  const auto addSetting = [&](int row, QLabel*& label, QComboBox*& box, const char* caption) {
    label = new QLabel(QString::fromUtf8(caption), GroupBox_Defaults);
    box = new QComboBox(GroupBox_Defaults);
    box->setMinimumContentsLength(10);
    defaults->addWidget(label, row, 0);
    defaults->addWidget(box, row, 1);
  };
  addSetting(0, Label_ImageQuality, ComboBox_IQdef, "Image quality");
  addSetting(1, Label_AEMode, ComboBox_AEdef, "AE mode");
  addSetting(2, Label_ISOSpeed, ComboBox_ISOdef, "ISO speed");
  addSetting(3, Label_fNumber, ComboBox_AVdef, "f/Number");
  ComboBox_AEdef->setEnabled(false);
  groups->addWidget(GroupBox_Defaults);

  GroupBox_Interval = new QGroupBox(QStringLiteral("Basic time interval:Take pictures every..."), central);
  auto* intervals = new QGridLayout(GroupBox_Interval);
  for (size_t i = 0; i < IntervalButtonCount; ++i) {
    const IntervalButton& button = IntervalButtons()[i];
    auto* radio = new QRadioButton(QString::fromUtf8(button.Caption), GroupBox_Interval);
    radio->setObjectName(QString::fromUtf8(button.Button));
    intervals->addWidget(radio, static_cast<int>(i % 3), static_cast<int>(i / 3));
    IntervalRadioButtons[i] = radio;
  }
  IntervalRadioButtons[DefaultIntervalIndex]->setChecked(true);
  groups->addWidget(GroupBox_Interval);

  Button_Create_ExposureList = new QPushButton(QStringLiteral("Create Exposure Table"), central);
  Button_Create_ExposureList->setMinimumHeight(48);
  connect(Button_Create_ExposureList, &QPushButton::clicked, this,
          [this] { Button_Create_ExposureListClick(); });
  groups->addWidget(Button_Create_ExposureList);

  GroupBox_fRatio =
      new QGroupBox(QStringLiteral("Manual f/Number setting (has priority over camera settings)"), central);
  GroupBox_fRatio->setObjectName(QStringLiteral("GroupBox_fRatio"));
  auto* fRatio = new QGridLayout(GroupBox_fRatio);
  CheckBox_manual_f_ratio =
      new QCheckBox(QStringLiteral("My telescope has no aperture control,"), GroupBox_fRatio);
  Label_fRatio = new QLabel(QStringLiteral("its focal ratio is   f/"), GroupBox_fRatio);
  Edit_fRatio = new QLineEdit(QStringLiteral("14"), GroupBox_fRatio);
  Edit_fRatio->setMaximumWidth(70);
  Edit_fRatio->installEventFilter(this);
  fRatio->addWidget(CheckBox_manual_f_ratio, 0, 0, 1, 2);
  fRatio->addWidget(Label_fRatio, 1, 0);
  fRatio->addWidget(Edit_fRatio, 1, 1);
  connect(CheckBox_manual_f_ratio, &QCheckBox::clicked, this, [this] { CheckBox_manual_f_ratioClick(); });
  groups->addWidget(GroupBox_fRatio);

  GroupBox_Darkness = new QGroupBox(QStringLiteral("Totality and brackets"), central);
  auto* darkness = new QGridLayout(GroupBox_Darkness);
  ComboBox_Danjon = new QComboBox(GroupBox_Darkness);
  ComboBox_Danjon->addItem(QStringLiteral("Darkness unknown"));
  for (const char* item :
       {"L 0: very dark", "L 1: dark grey-brown", "L 2: deep red", "L 3: brick red", "L 4: bright copper"}) {
    ComboBox_Danjon->addItem(QString::fromLatin1(item));
  }
  ComboBox_Danjon->setToolTip(QStringLiteral(
      "The Moon's darkness in totality on the Danjon scale: the umbral rows are exposed for it"));
  ComboBox_Bracket = new QComboBox(GroupBox_Darkness);
  for (const char* item : {"No brackets", "Bracket 1 stop either side", "Bracket 2 stops either side"}) {
    ComboBox_Bracket->addItem(QString::fromLatin1(item));
  }
  darkness->addWidget(ComboBox_Danjon, 0, 0);
  darkness->addWidget(ComboBox_Bracket, 1, 0);
  groups->addWidget(GroupBox_Darkness);

  Panel_NGE_Container = new QWidget(central);
  auto* container = new QVBoxLayout(Panel_NGE_Container);
  container->setContentsMargins(0, 0, 0, 0);
  NGE = new TNiceGrid(Panel_NGE_Container);
  container->addWidget(NGE);
  layout->addWidget(Panel_NGE_Container, 1);

  // The row panel lies over the grid's top-left corner.
  Panel_NGE_Insert_Delete = new QFrame(Panel_NGE_Container);
  Panel_NGE_Insert_Delete->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel_NGE_Insert_Delete->setAutoFillBackground(true);
  auto* panel = new QHBoxLayout(Panel_NGE_Insert_Delete);
  Button_NGE_InsertBefore = new QPushButton(QStringLiteral("Insert before"), Panel_NGE_Insert_Delete);
  Button_NGE_Insertafter = new QPushButton(QStringLiteral("Insert after"), Panel_NGE_Insert_Delete);
  Button_NGE_DeleteLine = new QPushButton(QStringLiteral("Delete line"), Panel_NGE_Insert_Delete);
  Button_NGE_Done = new QPushButton(QStringLiteral("&Done"), Panel_NGE_Insert_Delete);
  for (QPushButton* button :
       {Button_NGE_InsertBefore, Button_NGE_Insertafter, Button_NGE_DeleteLine, Button_NGE_Done}) {
    button->setFocusPolicy(Qt::NoFocus);  // the grid keeps the keyboard
    panel->addWidget(button);
  }
  connect(Button_NGE_InsertBefore, &QPushButton::clicked, this, [this] { Button_NGE_InsertBeforeClick(); });
  connect(Button_NGE_Insertafter, &QPushButton::clicked, this, [this] { Button_NGE_InsertafterClick(); });
  connect(Button_NGE_DeleteLine, &QPushButton::clicked, this, [this] { Button_NGE_DeleteLineClick(); });
  connect(Button_NGE_Done, &QPushButton::clicked, this, [this] { Button_NGE_DoneClick(); });
  Panel_NGE_Insert_Delete->adjustSize();
  Panel_NGE_Insert_Delete->hide();

  MyLabel = new QLabel(central);
  MyLabel->hide();

  StatusBar1 = new QStatusBar(this);
  setStatusBar(StatusBar1);
}

void TForm_Exposure::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  OpenExposureTable1 = file->addAction(QStringLiteral("&Open Exposure Table"));
  SaveExposureTable1 = file->addAction(QStringLiteral("&Save Exposure Table"));
  SaveExposureTableAs1 = file->addAction(QStringLiteral("Save Exposure Table &As ..."));
  file->addSeparator();
  Exit1 = file->addAction(QStringLiteral("E&xit"));
  connect(OpenExposureTable1, &QAction::triggered, this, [this] { OpenExposureTable1Click(); });
  connect(SaveExposureTable1, &QAction::triggered, this, [this] { SaveExposureTable1Click(); });
  connect(SaveExposureTableAs1, &QAction::triggered, this, [this] { SaveExposureTableAs1Click(); });
  connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
}

void TForm_Exposure::BuildGrid() {
  NGE->SetColCount(ExposureColumnCount);
  NGE->SetRowCount(NoTableRowCount);
  NGE->SetDefRowHeight(RowHeight);
  NGE->SetGutterKind(gkNumber);
  NGE->SetGutterWidth(GutterWidth);
  NGE->SetHeaderLine(2);
  NGE->setFont(NarrowFont());
  NGE->SetHeaderFont(NarrowFont());
  for (int col = 0; col < ExposureColumnCount; ++col) {
    NGE->Columns()[col]->SetFont(NarrowFont());
    NGE->Columns()[col]->SetWidth(col <= 12 ? 43 : col <= 21 ? 44 : 80);
  }
  SetColumnTitles();
  NGE->OnGutterClick = [this](TNiceGrid*, int row, Qt::MouseButton button, Qt::KeyboardModifiers shift) {
    NGEGutterClick(row, button, shift);
  };
  NGE->OnDblClick = [this](TNiceGrid*) { NGEDblClick(); };
  NGE->OnDrawCell = [this](TNiceGrid*, TGridCanvas& canvas, int col, int row, const QRect&, bool&) {
    NGEDrawCell(canvas, col, row);
  };
  // Rows the plan check names carry an amber gutter; the status line says why when one is selected.
  NGE->OnDrawGutter = [this](TNiceGrid*, TGridCanvas& canvas, const QRect&, const QString& text, bool&) {
    const int row = text.toInt() - 1;
    if (row >= 0 && static_cast<size_t>(row) < rowFindings_.size() &&
        !rowFindings_[static_cast<size_t>(row)].empty()) {
      canvas.brushColor = Shown(PlanMarkColour, Paint::Background);
    }
  };
  NGE->OnColRowChanged = [this](TNiceGrid*, int, int row) { ShowRowFinding(row); };
  NGE->OnCellChange = [this](TNiceGrid*, int, int, QString&) { ScheduleTablePlanCheck(); };
  NGE->OnDeleteRow = [this](TNiceGrid*, int) { ScheduleTablePlanCheck(); };
  // A "," would shift every later cell of the row when the file is read back.
  NGE->OnCellChanging = [this](TNiceGrid*, int, int, const QString& text, bool& canChange) {
    if (CellTextBreaksFile(text.toStdString())) {
      canChange = false;
      StatusBar1->showMessage(QString::fromUtf8(CommaRefusedMessage));
    }
  };
}

void TForm_Exposure::SetColumnTitles() {
  const auto titles = ExposureColumnTitles(ZoneLabel);
  for (int col = 0; col < ExposureColumnCount; ++col) {
    NGE->Columns()[col]->SetTitle(Q(titles[static_cast<size_t>(col)]));
  }
}

void TForm_Exposure::FormCreate() {
  CheckBox_manual_f_ratio->setChecked(ParameterRecord.ManualFRatio);
  Edit_fRatio->setText(Q(GeneralStr(ParameterRecord.FRatio)));
  if (const std::optional<size_t> index = IntervalButtonIndex(ParameterRecord.IntervalCode)) {
    IntervalRadioButtons[*index]->setChecked(true);
  }
  CheckBox_manual_f_ratioClick();
}

ExposureChoices TForm_Exposure::CurrentExposureChoices() const {
  ExposureChoices choices;
  choices.manualFRatio = CheckBox_manual_f_ratio->isChecked();
  choices.fRatioText = Edit_fRatio->text().toStdString();
  for (size_t i = 0; i < IntervalButtonCount; ++i) {
    if (IntervalRadioButtons[i]->isChecked()) {
      choices.intervalCode = IntervalButtons()[i].Code;
    }
  }
  return choices;
}

int TForm_Exposure::CheckedIntervalCode() const {
  return CurrentExposureChoices().intervalCode.value_or(IntervalButtons()[DefaultIntervalIndex].Code);
}

std::string TForm_Exposure::DocumentsPath() const {
  return host_.documentsFolder.empty() ? DocumentsFolder : host_.documentsFolder;
}

void TForm_Exposure::ShowMessage(const std::string& caption, const std::string& text) {
  if (host_.showMessage) {
    host_.showMessage(caption, text);
  } else {
    QMessageBox::information(this, Q(caption), Q(text), QMessageBox::Ok);
  }
}

std::array<std::string, ExposureColumnCount> TForm_Exposure::ColumnTitles() const {
  std::array<std::string, ExposureColumnCount> titles;
  for (int col = 0; col < ExposureColumnCount; ++col) {
    titles[static_cast<size_t>(col)] = NGE->Columns()[col]->Title().toStdString();
  }
  return titles;
}

int TForm_Exposure::GridRowCount() const { return NGE->RowCount(); }

ExposureRows TForm_Exposure::TableRows() const {
  ExposureRows rows(static_cast<size_t>(NGE->RowCount()));
  for (int col = 0; col < ExposureColumnCount; ++col) {
    const QStringList& strings = NGE->Columns()[col]->Strings();
    const int filled = std::min(static_cast<int>(strings.size()), NGE->RowCount());
    for (int row = 0; row < filled; ++row) {
      rows[static_cast<size_t>(row)][static_cast<size_t>(col)] = strings[row].toStdString();
    }
  }
  return rows;
}

void TForm_Exposure::SetTableRows(const ExposureRows& rows) {
  // Whole columns at once: one layout pass instead of one repaint per cell.
  NGE->SetRowCount(0);
  for (int col = 0; col < ExposureColumnCount; ++col) {
    QStringList strings;
    strings.reserve(static_cast<qsizetype>(rows.size()));
    for (const ExposureRow& row : rows) {
      strings.append(Q(row[static_cast<size_t>(col)]));
    }
    NGE->Columns()[col]->SetStrings(strings);
  }
  NGE->SetRowCount(static_cast<int>(rows.size()));
  ++tablesPutIn_;
  CheckTablePlan();
}

void TForm_Exposure::MarkRunRow(size_t row) {
  if (row != runRow_) {
    runRow_ = row;
    NGE->viewport()->update();
  }
}

void TForm_Exposure::ScheduleTablePlanCheck() {
  // After the edit is stored, and once for a paste of many cells.
  if (planCheckTimer_ == nullptr) {
    planCheckTimer_ = new QTimer(this);
    planCheckTimer_->setSingleShot(true);
    planCheckTimer_->setInterval(0);
    connect(planCheckTimer_, &QTimer::timeout, this, [this] { CheckTablePlan(); });
  }
  planCheckTimer_->start();
}

void TForm_Exposure::CheckTablePlan() {
  rowFindings_.clear();
  if (NGE->RowCount() != NoTableRowCount) {
    PlanSettings settings;
    settings.site = CurrentSite;
    settings.zoneOffsetHours =
        ZoneOffsetOfTitle(NGE->Columns()[ColumnDateTime]->Title().toStdString()).value_or(ZoneOffset);
    if (EclipseIndex >= 1 && EclipseIndex <= EclipseCount) {
      settings.eclipseIndex = EclipseIndex;
    }
    rowFindings_.resize(static_cast<size_t>(NGE->RowCount()));
    for (const PlanFinding& finding : CheckPlan(TableRows(), settings)) {
      std::string& text = rowFindings_[finding.row];
      text += (text.empty() ? "" : "; ") + finding.what;
    }
  }
  NGE->viewport()->update();
  ShowRowFinding(NGE->Row());
}

void TForm_Exposure::ShowRowFinding(int row) {
  if (row >= 0 && static_cast<size_t>(row) < rowFindings_.size() &&
      !rowFindings_[static_cast<size_t>(row)].empty()) {
    StatusBar1->showMessage(
        Q("Row " + std::to_string(row + 1) + ": " + rowFindings_[static_cast<size_t>(row)]));
  } else if (StatusBar1->currentMessage().startsWith(QStringLiteral("Row "))) {
    StatusBar1->clearMessage();
  }
}

void TForm_Exposure::FillDefaultSettings() {
  const std::string iniPath = DocumentsPath() + CameraIniName;
  std::error_code ec;
  if (std::filesystem::exists(iniPath, ec)) {
    std::string bytes;
    std::string error = ReadWholeFile(iniPath, bytes);
    if (error.empty()) {
      error = ReadCameraIniLists(DecodeLegacyText(bytes), CameraSettingLists);
    }
    if (!error.empty()) {
      StatusBar1->showMessage(Q(iniPath + ": " + error));
    }
  }
  const DefaultSettingItems items = DefaultSettingItemsFor(!CameraName.empty(), CameraSettingLists);
  const auto fill = [](QComboBox* box, const std::vector<std::string>& names) {
    box->clear();
    for (const std::string& name : names) {
      box->addItem(Q(name));
    }
    box->setCurrentIndex(0);
  };
  fill(ComboBox_IQdef, items.imageQuality);
  fill(ComboBox_ISOdef, items.iso);
  fill(ComboBox_AVdef, items.aperture);
}

void TForm_Exposure::Exposure_TablesClick() {
  if (host_.setExposureTablesEnabled) {
    host_.setExposureTablesEnabled(false);
  }
  ContactMask = ContactMaskOf(CurrentContacts());
  if (CanGenerate(ContactMask)) {
    Label_Exp1->setText(Q(CurrentEclipse.TypeName));
    Label_Exp2->setText(Q(GreatestEclipseLabels().time));
  }
  NGE->SetRowCount(0);
  Button_Create_ExposureList->setEnabled(true);
  StatusBar1->clearMessage();
  FillDefaultSettings();
  show();
  raise();
  activateWindow();
}

void TForm_Exposure::Button_Create_ExposureListClick() {
  if (!CanGenerate(ContactMask)) {
    Button_Create_ExposureList->setEnabled(false);
    return;
  }
  GeneratorSettings settings;
  settings.intervalMinutes = IntervalMinutes(CheckedIntervalCode()).value_or(10);
  settings.fRatio = ParameterRecord.FRatio;
  settings.manualFRatio = CheckBox_manual_f_ratio->isChecked();
  settings.imageQuality = ComboBox_IQdef->currentText().toStdString();
  settings.iso = ComboBox_ISOdef->currentText().toStdString();
  settings.aperture = ComboBox_AVdef->currentText().toStdString();
  if (ComboBox_Danjon->currentIndex() > 0) {
    settings.danjon = ComboBox_Danjon->currentIndex() - 1;
  }
  settings.bracketStops = ComboBox_Bracket->currentIndex();
  const std::optional<ExposureRows> rows = GenerateExposureTable(CurrentContacts(), CurrentEclipse.TypeCode,
                                                                 CurrentEclipse.UmbMagnitude, settings);
  if (!rows) {
    // The main window moved on to an eclipse without umbral contacts after this window was
    // prepared: keep the table the grid holds rather than replace it by nothing.
    Button_Create_ExposureList->setEnabled(false);
    StatusBar1->showMessage(QString::fromUtf8(NoUmbralContactsMessage));
    return;
  }
  StatusBar1->clearMessage();
  NGE->SetRowCount(0);
  SetColumnTitles();
  for (int col = 0; col < ExposureColumnCount; ++col) {
    NGE->Columns()[col]->SetHorzAlign(col == ColumnLabel ? haLeft : haCenter);
  }
  SetTableRows(*rows);
  FitColumnWidths();
  CurrentTablePath.clear();  // a new table: no file holds it until it is saved
}

void TForm_Exposure::CheckBox_manual_f_ratioClick() {
  const bool manual = CheckBox_manual_f_ratio->isChecked();
  const FRatioGroupLook look = FRatioGroupLookFor(manual);
  // By night the greys of the automatic setting are the dim red.
  const Paint text = manual ? Paint::Text : Paint::DimText;
  GroupBox_fRatio->setStyleSheet(
      QStringLiteral("QGroupBox#GroupBox_fRatio { background-color: %1; }"
                     "QGroupBox#GroupBox_fRatio::title { color: %2; }")
          .arg(Css(look.background, Paint::Background), Css(look.caption, Paint::Text)));
  CheckBox_manual_f_ratio->setStyleSheet(QStringLiteral("color: %1;").arg(Css(look.checkBoxText, text)));
  Label_fRatio->setStyleSheet(QStringLiteral("color: %1;").arg(Css(look.labelText, text)));
  Edit_fRatio->setStyleSheet(QStringLiteral("color: %1;").arg(Css(look.editText, text)));
  for (QWidget* widget :
       std::initializer_list<QWidget*>{Label_ISOSpeed, ComboBox_ISOdef, Label_fNumber, ComboBox_AVdef}) {
    widget->setEnabled(look.defaultsEnabled);
  }
}

void TForm_Exposure::Edit_fRatioExit() {
  if (const std::optional<double> n = ReadFRatioText(Edit_fRatio->text().toStdString())) {
    ParameterRecord.FRatio = *n;
    return;
  }
  ShowMessage(FRatioNotNumericCaption, FRatioNotNumericText);
  Edit_fRatio->setText(QString::fromUtf8(FRatioReplacementText));
}

void TForm_Exposure::Edit_fRatioKeyDown(int key) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    Edit_fRatioExit();
  }
}

bool TForm_Exposure::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit_fRatio) {
    if (event->type() == QEvent::FocusOut) {
      // Leaving the box means moving to another control; a message box or another window
      // taking the focus is not, or an invalid text would raise its message again and again.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        Edit_fRatioExit();
      }
    } else if (event->type() == QEvent::KeyPress) {
      Edit_fRatioKeyDown(static_cast<QKeyEvent*>(event)->key());
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TForm_Exposure::SaveTableTo(const std::string& path) {
  const std::string error = SaveExposureTable(path, EclipseIndex, TableRows());
  if (!error.empty()) {
    ShowMessage("Exposure table not saved", error);
    return false;
  }
  CurrentTablePath = path;
  StatusBar1->showMessage(Q("Saved " + path));
  return true;
}

bool TForm_Exposure::LoadTableFrom(const std::string& path) {
  const ExposureFile file = LoadExposureTable(path);
  if (!file.fileError.empty()) {
    ShowMessage(LoadCaption, file.fileError);
    return false;
  }
  if (!file.eclipseIndex) {
    ShowMessage(LoadCaption, DescribeProblem(path, file.problems.front()));
    return false;
  }
  if (host_.selectEclipse) {
    host_.selectEclipse(*file.eclipseIndex);
  } else {
    SelectEclipse(*file.eclipseIndex);
  }
  Exposure_TablesClick();
  NGE->SetRowCount(0);
  SetColumnTitles();
  NGE->Columns()[ColumnLabel]->SetHorzAlign(haLeft);
  SetTableRows(file.rows);
  CurrentTablePath = path;
  NGE->SetMouseCursor(Qt::SplitHCursor);
  FitColumnWidths();
  if (!file.warnings.empty()) {
    // A line written with a "," inside a cell, whose later cells sit one column off, or a row
    // whose time the run cannot read.
    StatusBar1->showMessage(
        Q(DescribeProblem(path, file.warnings.front()) +
          (file.warnings.size() > 1 ? " (and " + std::to_string(file.warnings.size() - 1) + " more lines)"
                                    : std::string())));
  }
  if (!file.problems.empty()) {
    ShowMessage("Exposure table loaded in part",
                DescribeProblem(path, file.problems.front()) +
                    "\nLoading stopped at this line; the rows before it are kept.");
    return false;
  }
  return true;
}

void TForm_Exposure::SaveExposureTable1Click() { SaveTableTo(DocumentsPath() + DefaultExposureTableFile); }

void TForm_Exposure::SaveExposureTableAs1Click() {
  const std::string path = host_.askSavePath
                               ? host_.askSavePath()
                               : QFileDialog::getSaveFileName(this, QStringLiteral("Save Exposure Table"),
                                                              Q(DocumentsPath() + DefaultExposureTableFile),
                                                              QString::fromUtf8(TableFileFilter))
                                     .toStdString();
  if (!path.empty()) {
    SaveTableTo(path);
  }
}

void TForm_Exposure::OpenExposureTable1Click() {
  if (host_.mayReplaceTable && !host_.mayReplaceTable()) {
    return;
  }
  const std::string path =
      host_.askOpenPath ? host_.askOpenPath()
                        : QFileDialog::getOpenFileName(this, QStringLiteral("Open Exposure Table"),
                                                       Q(DocumentsPath()), QString::fromUtf8(TableFileFilter))
                              .toStdString();
  if (!path.empty()) {
    LoadTableFrom(path);
  }
}

void TForm_Exposure::Exit1Click() { close(); }

void TForm_Exposure::FormClose() {
  if (host_.setExposureTablesEnabled) {
    host_.setExposureTablesEnabled(true);
  }
}

void TForm_Exposure::closeEvent(QCloseEvent* event) {
  FormClose();
  QMainWindow::closeEvent(event);
}

void TForm_Exposure::NGEGutterClick(int /*row*/, Qt::MouseButton button, Qt::KeyboardModifiers /*shift*/) {
  if (button == Qt::RightButton) {
    Panel_NGE_Insert_Delete->move(0, 0);
    Panel_NGE_Insert_Delete->show();
    Panel_NGE_Insert_Delete->raise();
  }
  NGE->setFocus();
}

void TForm_Exposure::SelectRowForPanel(int row) {
  ScheduleTablePlanCheck();
  NGE->SetRow(row);
  NGE->SetCol(0);
  NGE->SelectArea(QRect(0, row, ExposureColumnCount, 1));
  NGEGutterClick(row, Qt::LeftButton, Qt::NoModifier);
}

void TForm_Exposure::Button_NGE_InsertBeforeClick() {
  const int r = NGE->Row();
  if (r < 0) {
    return;
  }
  NGE->InsertRow(r);
  NGE->SetCells(ColumnLabel, r, QStringLiteral("Inserted line"));
  NGE->SetCells(ColumnDateTime, r, NGE->Cells(ColumnDateTime, r + 1));
  SelectRowForPanel(r);
}

void TForm_Exposure::Button_NGE_InsertafterClick() {
  const int r = NGE->Row();
  if (r < 0) {
    return;
  }
  int n = r + 1;
  if (r == NGE->RowCount() - 1) {
    n = NGE->AddRow();
  } else {
    NGE->InsertRow(n);
  }
  NGE->SetCells(ColumnLabel, n, QStringLiteral("Inserted line"));
  NGE->SetCells(ColumnDateTime, n, NGE->Cells(ColumnDateTime, n - 1));
  SelectRowForPanel(n);
}

void TForm_Exposure::Button_NGE_DeleteLineClick() {
  if (NGE->RowCount() < 2) {
    return;
  }
  NGE->DeleteRow(NGE->Row());
  SelectRowForPanel(std::max(0, NGE->Row() - 1));
}

void TForm_Exposure::Button_NGE_DoneClick() { Panel_NGE_Insert_Delete->hide(); }

void TForm_Exposure::NGEDblClick() {
  for (int pass = 0; pass < 2; ++pass) {
    if (NGE->MouseCursor() == Qt::SplitHCursor) {
      FitColumnWidths();
    }
    QCoreApplication::processEvents();
  }
}

void TForm_Exposure::ApplyNightMode() {
  NGE->SetColor(Shown(CellColour, Paint::Background));
  NGE->SetAlternateColor(Shown(CellColour, Paint::Background));
  for (int col = 0; col < NGE->ColCount(); ++col) {
    NGE->Columns()[col]->SetColor(NGE->Color());
  }
  NGE->SetTextColor(Shown(Black, Paint::Text));
  NGE->SetGridColor(Shown(GridLineColour, Paint::Line));
  NGE->SetHeaderColor(Shown(Header3DLight, Paint::Background));
  NGE->SetHeaderLightColor(Shown(CellColour, Paint::Line));
  NGE->SetHeaderDarkColor(Shown(HeaderShadow, Paint::Line));
  NGE->SetSelectionColor(Shown(SelectionColour, Paint::Background));
  CheckBox_manual_f_ratioClick();
}

void TForm_Exposure::NGEDrawCell(TGridCanvas& canvas, int /*col*/, int row) {
  canvas.fontColor = Shown(Black, Paint::Text);
  const QStringList& labels = NGE->Columns()[ColumnLabel]->Strings();
  if (row >= labels.size()) {
    return;
  }
  if (static_cast<size_t>(row) + 1 == runRow_) {
    // The row the run serves: bold on its own ground, by night a brighter red than the marked rows'.
    canvas.brushColor = Shown(RunRowColour, Paint::Line);
    canvas.font.setBold(true);
  } else if (const std::optional<Rgb> background = RowBackgroundOf(labels[row].toStdString())) {
    canvas.brushColor = Shown(*background, Paint::Background);
  }
}

void TForm_Exposure::FitColumnWidths() {
  MyLabel->setFont(NGE->HeaderFont());
  const QFontMetrics header = MyLabel->fontMetrics();
  MyLabel->setFont(NGE->Columns()[0]->Font());
  const QFontMetrics cells = MyLabel->fontMetrics();
  const QString blank = QStringLiteral(" ");
  for (int col = 0; col < ExposureColumnCount; ++col) {
    TNiceColumn* column = NGE->Columns()[col];
    const QString& title = column->Title();
    int width = 0;
    const qsizetype split = title.indexOf(QLatin1Char(';'));
    if (split >= 0) {
      width = std::max(header.horizontalAdvance(title.left(split)),
                       header.horizontalAdvance(title.mid(split + 1)));
    } else {
      width = header.horizontalAdvance(title + blank);
    }
    // Settings and marks repeat down a column; measuring each text once keeps a long table's
    // fit fast.
    QHash<QString, int> measured;
    const QStringList& strings = column->Strings();
    for (int row = std::min(static_cast<int>(strings.size()), NGE->RowCount()) - 1; row >= 0; --row) {
      const QString& text = strings[row];
      if (text.isEmpty() || measured.contains(text)) {
        continue;
      }
      const int cellWidth = cells.horizontalAdvance(text + blank);
      measured.insert(text, cellWidth);
      width = std::max(width, cellWidth);
    }
    NGE->SetColWidths(col, width + 10);
  }
  QCoreApplication::processEvents();
}

}  // namespace tevra
