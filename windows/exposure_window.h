// SPDX-License-Identifier: GPL-3.0-or-later
// TForm_Exposure: the exposure table window. It prepares the defaults for the selected eclipse,
// generates the table, shows it in the grid NGE for editing, and saves and loads table files.
#pragma once

#include "exposure/exposure_table.h"
#include "state/parameter_file.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTimer;

namespace tevra {

class TNiceGrid;
struct TGridCanvas;

// What the window needs from the main window and the desktop; tests replace the dialogs.
struct ExposureWindowHost {
  // Sets the main window's eclipse selector to an entry number and runs its change handling.
  std::function<void(int32_t)> selectEclipse;
  // Enables or disables the main window's "&Exposure Tables" item.
  std::function<void(bool)> setExposureTablesEnabled;
  // A message box with one OK button: caption, text. Default: QMessageBox.
  std::function<void(const std::string&, const std::string&)> showMessage;
  // File dialogs; an empty answer means cancelled. Default: QFileDialog in DocumentsFolder.
  std::function<std::string()> askOpenPath;
  std::function<std::string()> askSavePath;
  // Asked before another table is opened: false keeps the table in the grid (a photography run is
  // under way with it and the user keeps it). Unset: nothing is asked.
  std::function<bool()> mayReplaceTable;
  // The documents folder; empty means DocumentsFolder.
  std::string documentsFolder;
};

class TForm_Exposure : public QMainWindow, public ExposureChoicesSource {
  Q_OBJECT

 public:
  // Created hidden; restores its choices from ParameterRecord, so the record must be loaded first.
  explicit TForm_Exposure(ExposureWindowHost host = {}, QWidget* parent = nullptr);

  ExposureChoices CurrentExposureChoices() const override;

  // The table as the grid holds it, and a whole table put into the grid.
  ExposureRows TableRows() const;
  // The grid's column titles and its row count (NoTableRowCount while no table was made or loaded).
  std::array<std::string, ExposureColumnCount> ColumnTitles() const;
  int GridRowCount() const;
  void SetTableRows(const ExposureRows& rows);
  // How many tables SetTableRows has put into the grid: a photography run follows edits of its own
  // table only.
  [[nodiscard]] uint64_t TablesPutIn() const { return tablesPutIn_; }
  // The row a photography run serves, counted from 1, drawn marked; 0 for none.
  void MarkRunRow(size_t row);
  [[nodiscard]] size_t RunRow() const { return runRow_; }

  // The plan check of the table in the grid (rows that cannot finish in time, the Moon below the
  // site's horizon, times the run cannot read or serve in order, control characters): the text
  // of each row's findings, "" for a row without any. The gutter marks those rows and the status
  // line says why when one is selected. Checked again after every change of the table.
  void CheckTablePlan();
  [[nodiscard]] const std::vector<std::string>& RowFindings() const { return rowFindings_; }

  // Saves to a file / loads one; the error, if any, has been shown. True on success.
  bool SaveTableTo(const std::string& path);
  bool LoadTableFrom(const std::string& path);

  // Event handlers, named after component and event.
  void FormCreate();
  void FormClose();             // enables the main window's "&Exposure Tables" again
  void Exposure_TablesClick();  // prepares and shows the window for the selected eclipse
  void Button_Create_ExposureListClick();
  void CheckBox_manual_f_ratioClick();
  void Edit_fRatioExit();
  void Edit_fRatioKeyDown(int key);
  void SaveExposureTable1Click();
  void SaveExposureTableAs1Click();
  void OpenExposureTable1Click();
  void Exit1Click();
  void NGEGutterClick(int row, Qt::MouseButton button, Qt::KeyboardModifiers shift);
  void Button_NGE_InsertBeforeClick();
  void Button_NGE_InsertafterClick();
  void Button_NGE_DeleteLineClick();
  void Button_NGE_DoneClick();
  void NGEDblClick();
  void NGEDrawCell(TGridCanvas& canvas, int col, int row);
  // The colours of the grid and the f-ratio group through the night view (state/night_mode.h).
  void ApplyNightMode();
  void FitColumnWidths();

  // Components, by their design names.
  QLabel* Label_Exp1 = nullptr;
  QLabel* Label_Exp2 = nullptr;
  QGroupBox* GroupBox_Defaults = nullptr;
  QLabel* Label_ImageQuality = nullptr;
  QComboBox* ComboBox_IQdef = nullptr;
  QLabel* Label_AEMode = nullptr;
  QComboBox* ComboBox_AEdef = nullptr;
  QLabel* Label_ISOSpeed = nullptr;
  QComboBox* ComboBox_ISOdef = nullptr;
  QLabel* Label_fNumber = nullptr;
  QComboBox* ComboBox_AVdef = nullptr;
  QGroupBox* GroupBox_Interval = nullptr;
  // RadioButton15, RadioButton30, RadioButton01 ... RadioButton10, as IntervalButtons() lists them.
  std::array<QRadioButton*, IntervalButtonCount> IntervalRadioButtons{};
  QPushButton* Button_Create_ExposureList = nullptr;
  QGroupBox* GroupBox_fRatio = nullptr;
  QCheckBox* CheckBox_manual_f_ratio = nullptr;
  // The darkness of totality (index 0 unknown, then Danjon L 0..4) and the brackets (0..2 stops).
  QGroupBox* GroupBox_Darkness = nullptr;
  QComboBox* ComboBox_Danjon = nullptr;
  QComboBox* ComboBox_Bracket = nullptr;
  QLabel* Label_fRatio = nullptr;
  QLineEdit* Edit_fRatio = nullptr;
  QWidget* Panel_NGE_Container = nullptr;
  TNiceGrid* NGE = nullptr;
  QFrame* Panel_NGE_Insert_Delete = nullptr;
  QPushButton* Button_NGE_InsertBefore = nullptr;
  QPushButton* Button_NGE_Insertafter = nullptr;
  QPushButton* Button_NGE_DeleteLine = nullptr;
  QPushButton* Button_NGE_Done = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QLabel* MyLabel = nullptr;
  QAction* OpenExposureTable1 = nullptr;
  QAction* SaveExposureTable1 = nullptr;
  QAction* SaveExposureTableAs1 = nullptr;
  QAction* Exit1 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildComponents();
  void BuildGrid();
  void BuildMenus();
  void SetColumnTitles();
  void FillDefaultSettings();
  void SelectRowForPanel(int row);
  int CheckedIntervalCode() const;
  std::string DocumentsPath() const;
  void ShowMessage(const std::string& caption, const std::string& text);
  void ScheduleTablePlanCheck();
  void ShowRowFinding(int row);

  ExposureWindowHost host_;
  std::vector<std::string> rowFindings_;
  QTimer* planCheckTimer_ = nullptr;  // made at the first edit
  uint64_t tablesPutIn_ = 0;
  size_t runRow_ = 0;
};

}  // namespace tevra
