// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/photography_page.h"

#include "exposure/exposure_bias.h"
#include "exposure/exposure_table.h"
#include "run/keep_awake.h"
#include "run/qt_announcement_voice.h"
#include "run/qt_preview_decoder.h"
#include "run/wait_precision.h"
#include "state/night_mode.h"
#include "state/site_settings.h"
#include "state/variables.h"
#include "timing/catalogue.h"
#include "timing/moon_sky.h"
#include "windows/preview_panel.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <thread>

namespace tevra {

namespace {

constexpr const char* KeepAwakeFailedText = "Cannot keep the computer awake: ";

constexpr const char* AdvanceWarning =
    "WARNING: Pressing \"Advance Time\" sets the program into Rehearsal Time mode!\r\n"
    "Rehearsal Time is set to 5 sec before the next Time entry in the Exposure Table.\r\n"
    "After the tests, press the \"Back to Real Time\" button.";

QString Shown(const std::string& text) {
  // Labels break lines at a line feed; a carriage return before it would show as a blank.
  QString shown = QString::fromStdString(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

QString Colour(Rgb day, Paint paint) {
  const Rgb shown = ShownColour(day, paint);
  return QColor(shown.r, shown.g, shown.b).name();
}

constexpr Rgb Black{0, 0, 0};
constexpr int InfoPointSize = 10;
constexpr int BannerPointSize = 22;
constexpr Rgb Red{255, 0, 0};

QLabel* MakeLabel(QWidget* parent, const QRect& geometry, int pointSize, bool bold) {
  auto* label = new QLabel(parent);
  label->setGeometry(geometry);
  QFont font(QStringLiteral("Arial"), pointSize);
  font.setBold(bold);
  label->setFont(font);
  return label;
}

// A message shows whole: wrapped at blanks, and in a smaller size of the label's font while it
// does not fit the label's height.
void SetWholeText(QLabel* label, const QString& text, int pointSize) {
  label->setWordWrap(true);
  label->setText(text);
  const QRect room = label->contentsRect();
  QFont font = label->font();
  for (int size = pointSize; size >= 6; --size) {
    font.setPointSize(size);
    const QRect needed = QFontMetrics(font).boundingRect(
        QRect(0, 0, room.width(), 10000), static_cast<int>(Qt::TextWordWrap | label->alignment()), text);
    if (needed.height() <= room.height() && needed.width() <= room.width()) {
      break;
    }
  }
  label->setFont(font);
}

// A row's settings on one line: "RAW, ISO 800, f/8, 1/250, 1/60".
std::string RowSettingsText(const ExposureRow& row) {
  std::string text = row[ColumnQuality] + ", ISO " + row[ColumnIso];
  if (!row[ColumnAperture].empty()) {
    text += ", " + row[ColumnAperture];
  }
  for (int column = FirstShutterColumn; column <= LastShutterColumn; ++column) {
    if (IsMarked(row, column)) {
      text += ", " + ShutterNameOfColumn(column);
    }
  }
  return text;
}

// What the page shows when a run has ended.
std::string RunSummaryText(const RunSummary& summary) {
  std::string text = summary.aborted ? "Run aborted.\n" : "Run ended.\n";
  text += RunCountsText(summary.picturesTaken, summary.picturesFailed, summary.picturesNotApplied,
                        summary.picturesNoFile, summary.picturesLost);
  if (summary.rowsSkipped > 0) {
    text += ", entries skipped " + std::to_string(summary.rowsSkipped);
  }
  return text;
}

void SetHint(QWidget* widget, const char* hint) {
  widget->setToolTip(QString::fromLatin1(hint));
  widget->setStatusTip(QString::fromLatin1(hint));
}

// A command: a button covered by a label that carries its caption.
QPushButton* MakeCommand(QWidget* parent, const QRect& geometry, const char* caption, QLabel*& label) {
  auto* button = new QPushButton(parent);
  button->setGeometry(geometry);
  label = new QLabel(QString::fromLatin1(caption), button);
  label->setGeometry(2, 2, geometry.width() - 4, geometry.height() - 4);
  label->setAlignment(Qt::AlignCenter);
  QFont font(QStringLiteral("Arial"), 11);
  font.setBold(true);
  label->setFont(font);
  return button;
}

// Thirds of a stop shown as "+1 1/3 EV"; set with its arrows and the page's keys, not typed.
class BiasSpinBox final : public QSpinBox {
 public:
  explicit BiasSpinBox(QWidget* parent) : QSpinBox(parent) {
    setRange(-MaxBiasThirds, MaxBiasThirds);
    lineEdit()->setReadOnly(true);
  }

 protected:
  [[nodiscard]] QString textFromValue(int value) const override {
    return QString::fromStdString(BiasText(value));
  }
  [[nodiscard]] int valueFromText(const QString& /*text*/) const override { return value(); }
  QValidator::State validate(QString& /*input*/, int& /*pos*/) const override {
    return QValidator::Acceptable;
  }
};

}  // namespace

void EventLoopWaiter::Sleep(double ms) {
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(std::max(1, static_cast<int>(ms)));
  loop.exec();
}

void EventLoopWaiter::Yield() {
  // The last moments before a release: no event may run here and delay it.
  std::this_thread::yield();
}

TPhotographyPage::TPhotographyPage(PhotographyPageHost host, QWidget* parent)
    : QWidget(parent), host_(std::move(host)) {
  if (host_.clock == nullptr) {
    systemClock_ = std::make_unique<SystemRunClock>();
    host_.clock = systemClock_.get();
  }
  if (host_.waiter == nullptr) {
    eventLoopWaiter_ = std::make_unique<EventLoopWaiter>();
    host_.waiter = eventLoopWaiter_.get();
  }
  if (!host_.makeKeepAwake) {
    host_.makeKeepAwake = [this] {
      return MakeDesktopKeepAwake(
          [this](const std::string& why) { ShowStatus(std::string(KeepAwakeFailedText) + why); });
    };
  }
  run_ = std::make_unique<EclipseRun>(*host_.clock, *host_.waiter, *this);
  run_->SetPump([] { QCoreApplication::processEvents(); });
  if (host_.reopenCamera) {
    run_->SetReconnect(host_.reopenCamera);
  }
  if (host_.preflight) {
    run_->SetPreflight(host_.preflight);
  }
  if (host_.table) {
    run_->SetTableSource(host_.table);
  }
  BuildComponents();
}

TPhotographyPage::~TPhotographyPage() {
  // The program ends: the desktop may let the computer sleep again.
  if (keepAwake_) {
    keepAwake_->Release();
  }
}

void TPhotographyPage::BuildComponents() {
  Label_Phase = MakeLabel(this, QRect(10, 8, 330, 24), 12, true);
  SetHint(Label_Phase, "Next operation");
  Label_Wann = MakeLabel(this, QRect(10, 36, 330, 24), 11, false);
  SetHint(Label_Wann, "Date and time of next operation");
  Label_WannDiff = MakeLabel(this, QRect(10, 62, 330, 36), 20, true);
  Label_WannDiff->setText(QStringLiteral("+00000 00:00:00.0"));
  SetHint(Label_WannDiff, "Time to next operation");
  Label_Info = MakeLabel(this, QRect(350, 8, 260, 92), InfoPointSize, true);
  Label_Info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label_Info->setWordWrap(true);
  Label_Info->setAutoFillBackground(true);
  PaintInfo();

  Button_Start_Eclipse_Photography =
      MakeCommand(this, QRect(620, 8, 230, 44), "Start Eclipse Photography", Label_Start_Eclipse_Photography);
  Button_Test_Eclipse_Photography =
      MakeCommand(this, QRect(620, 56, 230, 44), "Test Eclipse Photography", Label_Test_Eclipse_Photography);
  Button_Abort_Foto = new QPushButton(QStringLiteral("Abort "), this);
  Button_Abort_Foto->setGeometry(860, 8, 130, 44);
  Button_Abort_Test = new QPushButton(QStringLiteral("Abort "), this);
  Button_Abort_Test->setGeometry(860, 56, 130, 44);
  Button_Abort_Foto->setEnabled(false);
  Button_Abort_Test->setEnabled(false);

  BitBtn_Advance = new QPushButton(QStringLiteral("Advance Time"), this);
  BitBtn_Advance->setGeometry(10, 110, 160, 30);
  BitBtn_RealTime = new QPushButton(QStringLiteral("Back to Real Time"), this);
  BitBtn_RealTime->setGeometry(180, 110, 160, 30);
  BitBtn_RehearseFrom = new QPushButton(QStringLiteral("Rehearse From ..."), this);
  BitBtn_RehearseFrom->setGeometry(10, 142, 160, 28);
  SetHint(BitBtn_RehearseFrom, "Set the Rehearsal Time to 5 sec before a contact or an entry of the table");
  Label_Advance2 = MakeLabel(this, QRect(350, 106, 640, 62), 9, false);
  Label_Advance2->setFrameShape(QFrame::Box);
  Label_Advance1 = MakeLabel(this, QRect(356, 110, 628, 54), 9, true);
  Label_Advance1->setText(Shown(AdvanceWarning));
  Label_Advance1->setWordWrap(true);
  for (QWidget* rehearsal : std::initializer_list<QWidget*>{
           BitBtn_Advance, BitBtn_RealTime, BitBtn_RehearseFrom, Label_Advance1, Label_Advance2}) {
    rehearsal->hide();
    rehearsal->setEnabled(false);
  }
  Label_Advance1->setEnabled(true);
  Label_Advance2->setEnabled(true);

  // Below the rehearsal warning, so that it never covers it, and inside the page.
  Label_WAV_Meldung = MakeLabel(this, QRect(10, 176, BannerHiddenWidth, 44), BannerPointSize, true);
  Label_WAV_Meldung->setAlignment(Qt::AlignCenter);
  Label_WAV_Meldung->setAutoFillBackground(true);
  Label_WAV_Meldung->hide();

  Label_TableRow = MakeLabel(this, QRect(10, 226, BannerWidth, 20), 10, true);
  SetHint(Label_TableRow, "Exposure table and the entry the run serves");
  Label_NextRow = MakeLabel(this, QRect(10, 248, BannerWidth, 20), 10, false);
  SetHint(Label_NextRow, "Time and settings of the next entry");
  Label_Counts = MakeLabel(this, QRect(10, 270, BannerWidth, 20), 10, false);
  SetHint(Label_Counts, "Pictures of the run so far");
  Label_CameraStatus = MakeLabel(this, QRect(BannerWidth + 20, 176, 1002 - BannerWidth - 20, 114), 10, false);
  Label_CameraStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label_CameraStatus->setWordWrap(true);
  Label_CameraStatus->setFrameShape(QFrame::Box);
  SetHint(Label_CameraStatus, "The camera's last answer");

  connect(Button_Start_Eclipse_Photography, &QPushButton::clicked, this,
          [this] { Button_Start_Eclipse_PhotographyClick(); });
  connect(Button_Test_Eclipse_Photography, &QPushButton::clicked, this,
          [this] { Button_Test_Eclipse_PhotographyClick(); });
  connect(Button_Abort_Foto, &QPushButton::clicked, this, [this] { Button_Abort_FotoClick(); });
  connect(Button_Abort_Test, &QPushButton::clicked, this, [this] { Button_Abort_TestClick(); });
  connect(BitBtn_Advance, &QPushButton::clicked, this, [this] { BitBtn_AdvanceClick(); });
  connect(BitBtn_RealTime, &QPushButton::clicked, this, [this] { BitBtn_RealTimeClick(); });
  connect(BitBtn_RehearseFrom, &QPushButton::clicked, this, [this] { BitBtn_RehearseFromClick(); });
  for (QObject* watched :
       std::initializer_list<QObject*>{Button_Start_Eclipse_Photography, Label_Start_Eclipse_Photography,
                                       Button_Test_Eclipse_Photography, Label_Test_Eclipse_Photography}) {
    watched->installEventFilter(this);
  }

  Button_Check = new QPushButton(QStringLiteral("Check Before the Night"), this);
  Button_Check->setGeometry(10, 192, 230, 30);
  SetHint(Button_Check, "Camera, computer and exposure table checked an hour before the eclipse");
  Button_Check->setVisible(static_cast<bool>(host_.preflight));
  connect(Button_Check, &QPushButton::clicked, this, [this] { Button_CheckClick(); });
  BuildPreviewAndBias();
}

void TPhotographyPage::BuildPreviewAndBias() {
  constexpr int Top = 300;
  constexpr int Controls = 690;
  Panel_Preview = new TPreviewPanel(this);
  Panel_Preview->setGeometry(10, Top, Controls - 20, PhotographyPageHeight - Top - 4);

  CheckBox_Previews = new QCheckBox(QStringLiteral("Previews"), this);
  CheckBox_Previews->setGeometry(Controls, Top, 300, 24);
  CheckBox_Previews->setChecked(true);
  SetHint(CheckBox_Previews, "Show the preview of each picture during the run, when there is time for it");
  connect(CheckBox_Previews, &QCheckBox::toggled, this, [this] { CheckBox_PreviewsClick(); });
  CheckBox_PreviewsClick();

  Label_Bias = MakeLabel(this, QRect(Controls, Top + 32, 110, 28), 10, true);
  Label_Bias->setText(QStringLiteral("Exposure bias"));
  SpinEdit_Bias = new BiasSpinBox(this);
  SpinEdit_Bias->setGeometry(Controls + 115, Top + 32, 150, 28);
  SpinEdit_Bias->setFont(QFont(QStringLiteral("Arial"), 11, QFont::Bold));
  static constexpr const char* BiasKeys =
      "Ctrl+Up / Ctrl+Down: a third of a stop brighter / darker, Ctrl+0: back to 0 EV. The rows still to "
      "come are exposed with it.";
  SetHint(SpinEdit_Bias, BiasKeys);
  Label_BiasKeys = MakeLabel(this, QRect(Controls, Top + 66, 1002 - Controls, 60), 9, false);
  Label_BiasKeys->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label_BiasKeys->setWordWrap(true);
  Label_BiasKeys->setText(QString::fromLatin1(BiasKeys));
  SpinEdit_Bias->setValue(run_->BiasThirds());
  connect(SpinEdit_Bias, &QSpinBox::valueChanged, this, [this] { SpinEdit_BiasChange(); });
  // Keys of the page: they work wherever the focus is in the camera window while the page shows.
  const auto key = [this](QKeyCombination combination, auto action) {
    connect(new QShortcut(QKeySequence(combination), this), &QShortcut::activated, this, action);
  };
  key(Qt::CTRL | Qt::Key_Up, [this] { SpinEdit_Bias->stepBy(1); });
  key(Qt::CTRL | Qt::Key_Down, [this] { SpinEdit_Bias->stepBy(-1); });
  key(Qt::CTRL | Qt::Key_0, [this] { SpinEdit_Bias->setValue(0); });
}

void TPhotographyPage::CheckBox_PreviewsClick() {
  run_->SetPreviews(
      CheckBox_Previews->isChecked(), [](std::span<const uint8_t> bytes) { return DecodePreview(bytes); },
      "");
}

void TPhotographyPage::SpinEdit_BiasChange() {
  run_->SetBias(SpinEdit_Bias->value());
  ShowProgress();
}

void TPhotographyPage::ShowPreview(const PreviewShot& shot) { Panel_Preview->ShowShot(shot); }

void TPhotographyPage::Button_CheckClick() {
  if (!host_.preflight || run_->IsRunning()) {
    return;
  }
  std::vector<CheckLine> lines;
  {
    const std::shared_ptr<void> work = host_.beginCameraWork ? host_.beginCameraWork() : nullptr;
    lines = host_.preflight(host_.camera ? host_.camera() : nullptr);
  }
  std::string error;
  const std::string path = WritePreflightFile(DocumentsFolder, host_.clock->LocalJD(),
                                              "Check before the night: " + CurrentTablePath, lines, error);
  ShowCheckList(lines, path.empty() ? error : "Written to " + path);
}

void TPhotographyPage::ShowCheckList(const std::vector<CheckLine>& lines, const std::string& closing) {
  if (Dialog_Check == nullptr) {
    Dialog_Check = new QDialog(this);
    Dialog_Check->setWindowTitle(QStringLiteral("Check Before the Night"));
    Dialog_Check->resize(900, 420);
    auto* layout = new QVBoxLayout(Dialog_Check);
    List_Check = new QListWidget(Dialog_Check);
    List_Check->setWordWrap(true);
    layout->addWidget(List_Check);
  }
  List_Check->clear();
  for (const CheckLine& line : lines) {
    const Rgb colour = line.level == CheckLevel::Ok        ? Rgb{0, 160, 0}
                       : line.level == CheckLevel::Warning ? Rgb{230, 160, 0}
                                                           : Rgb{220, 0, 0};
    QPixmap mark(14, 14);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(colour.r, colour.g, colour.b));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(1, 1, 12, 12);
    painter.end();
    auto* item = new QListWidgetItem(QIcon(mark), Shown(CheckLineText(line)), List_Check);
    item->setData(Qt::UserRole, static_cast<int>(line.level));
  }
  if (!closing.empty()) {
    new QListWidgetItem(Shown(closing), List_Check);
  }
  Dialog_Check->show();
  Dialog_Check->raise();
}

bool TPhotographyPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    if (watched == Button_Start_Eclipse_Photography) {
      Button_Start_Eclipse_PhotographyMouseDown();
    } else if (watched == Label_Start_Eclipse_Photography) {
      Label_Start_Eclipse_PhotographyMouseDown();
    } else if (watched == Button_Test_Eclipse_Photography) {
      Button_Test_Eclipse_PhotographyMouseDown();
    } else if (watched == Label_Test_Eclipse_Photography) {
      Label_Test_Eclipse_PhotographyMouseDown();
    }
  } else if (event->type() == QEvent::MouseButtonRelease &&
             (watched == Label_Start_Eclipse_Photography || watched == Label_Test_Eclipse_Photography)) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const bool over = static_cast<QLabel*>(watched)->rect().contains(mouse->position().toPoint());
    if (watched == Label_Start_Eclipse_Photography) {
      Label_Start_Eclipse_PhotographyMouseUp(over);
    } else {
      Label_Test_Eclipse_PhotographyMouseUp(over);
    }
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TPhotographyPage::PressLabel(QLabel* label, bool pressed) {
  label->move(pressed ? QPoint(3, 3) : QPoint(2, 2));
  label->repaint();
}

void TPhotographyPage::Button_Start_Eclipse_PhotographyMouseDown() {
  PressLabel(Label_Start_Eclipse_Photography, true);
}
void TPhotographyPage::Label_Start_Eclipse_PhotographyMouseDown() {
  PressLabel(Label_Start_Eclipse_Photography, true);
}
void TPhotographyPage::Label_Start_Eclipse_PhotographyMouseUp(bool overLabel) {
  if (overLabel && Button_Start_Eclipse_Photography->isEnabled()) {
    Button_Start_Eclipse_Photography->click();
  } else {
    PressLabel(Label_Start_Eclipse_Photography, false);
  }
}
void TPhotographyPage::Button_Test_Eclipse_PhotographyMouseDown() {
  PressLabel(Label_Test_Eclipse_Photography, true);
}
void TPhotographyPage::Label_Test_Eclipse_PhotographyMouseDown() {
  PressLabel(Label_Test_Eclipse_Photography, true);
}
void TPhotographyPage::Label_Test_Eclipse_PhotographyMouseUp(bool overLabel) {
  if (overLabel && Button_Test_Eclipse_Photography->isEnabled()) {
    Button_Test_Eclipse_Photography->click();
  } else {
    PressLabel(Label_Test_Eclipse_Photography, false);
  }
}

void TPhotographyPage::Button_Start_Eclipse_PhotographyClick() { StartRun(RunKind::Start); }
void TPhotographyPage::Button_Test_Eclipse_PhotographyClick() { StartRun(RunKind::Test); }
void TPhotographyPage::Button_Abort_TestClick() { AbortTestRun = true; }
void TPhotographyPage::Button_Abort_FotoClick() { AbortRun = true; }

void TPhotographyPage::StartRun(RunKind kind) {
  if (run_->IsRunning() || startPending_) {
    return;
  }
  if (!host_.afterCameraWork) {
    RunNow(kind);
    return;
  }
  startPending_ = true;
  host_.afterCameraWork([this, kind] {
    startPending_ = false;
    RunNow(kind);
  });
}

void TPhotographyPage::RunNow(RunKind kind) {
  if (run_->IsRunning()) {
    return;
  }
  std::string awakeError;
  if (kind == RunKind::Start) {
    keepAwake_ = host_.makeKeepAwake();
    awakeError = keepAwake_->Inhibit("Eclipse photography run");
  }
  const std::shared_ptr<void> cameraWork = host_.beginCameraWork ? host_.beginCameraWork() : nullptr;
  const RunTable table = host_.table ? host_.table() : RunTable{};
  TAppMaster* camera = host_.camera ? host_.camera() : nullptr;
  if (!awakeError.empty()) {
    ShowStatus(std::string(KeepAwakeFailedText) + awakeError);
  }
  SetFineTimerSlack();  // the waits wake within a microsecond of their instant, not 50
  Label_CameraStatus->clear();
  failuresHeard_ = {};
  logFailureHeard_ = false;
  run_->SetBias(SpinEdit_Bias->value());  // the bias set on the page, kept from run to run
  summary_ = run_->Run(kind, table, camera);
  ResetTimerSlack();
  if (!summary_.logError.empty() && !logFailureHeard_ && AnnouncementSound) {
    Voice().Tone();
  }
  ShowProgress();
  if (summary_.started) {
    ShowInfo(RunSummaryText(summary_), InfoWhite, InfoKind::Message);
  }
  if (keepAwake_) {
    keepAwake_->Release();
    keepAwake_.reset();
  }
}

void TPhotographyPage::BitBtn_AdvanceClick() {
  const bool rehearsal = run_->AdvanceTime();
  PaintAdvanceLabels(rehearsal);
  if (rehearsal) {
    BitBtn_RealTime->show();
    BitBtn_RealTime->setEnabled(true);
  }
}

void TPhotographyPage::BitBtn_RehearseFromClick() {
  std::vector<std::string> names;
  std::vector<double> instants;
  // The contacts of the eclipse the main window shows; a partial eclipse has no U2 and U3.
  const std::array<double, ContactCount> contactJDs = {JD_P1, JD_U1, JD_U2, JD_Mx, JD_U3, JD_U4, JD_P4};
  for (size_t i = 0; i < ContactCount; ++i) {
    if (contactJDs[i] != 0) {
      names.push_back(WannText(std::string(ContactNames[i]) + ": ", contactJDs[i]));
      instants.push_back(contactJDs[i]);
    }
  }
  for (const auto& [name, instant] : run_->RowInstants()) {
    names.push_back(WannText(name + "  at: ", instant));
    instants.push_back(instant);
  }
  if (!host_.pickRehearsal) {
    host_.pickRehearsal = [this](const std::vector<std::string>& items) -> std::optional<size_t> {
      QStringList list;
      for (const std::string& item : items) {
        list.append(QString::fromStdString(item));
      }
      bool ok = false;
      const QString chosen = QInputDialog::getItem(this, QStringLiteral("Rehearse From"),
                                                   QStringLiteral("Set the Rehearsal Time to 5 sec before:"),
                                                   list, 0, false, &ok);
      return ok ? std::optional<size_t>(static_cast<size_t>(list.indexOf(chosen))) : std::nullopt;
    };
  }
  const std::optional<size_t> chosen = host_.pickRehearsal(names);
  if (!chosen || *chosen >= instants.size()) {
    return;
  }
  const bool rehearsal = run_->RehearseFrom(instants[*chosen]);
  PaintAdvanceLabels(rehearsal);
  if (rehearsal) {
    BitBtn_RealTime->show();
    BitBtn_RealTime->setEnabled(true);
  }
}

void TPhotographyPage::BitBtn_RealTimeClick() {
  EclipseRun::BackToRealTime();
  BitBtn_RealTime->hide();
}

void TPhotographyPage::PaintAdvanceLabels(bool rehearsal) {
  rehearsalShown_ = rehearsal;
  const QString style = rehearsal
                            ? QStringLiteral("QLabel { background: %1; }").arg(Colour(Red, Paint::Background))
                            : QString();
  for (QLabel* label : {Label_Advance1, Label_Advance2}) {
    label->setAutoFillBackground(rehearsal);
    label->setStyleSheet(style);
  }
}

void TPhotographyPage::ShowPhase(const std::string& text) {
  Label_Phase->setText(QString::fromStdString(text));
  if (!text.empty()) {
    ShowProgress();
  }
}

void TPhotographyPage::ShowProgress() {
  const std::string file =
      CurrentTablePath.empty() ? "not saved" : std::filesystem::path(CurrentTablePath).filename().string();
  const size_t row = run_->CurrentRow();
  Label_TableRow->setText(QString::fromStdString(
      "Table: " + file +
      (row == 0 ? "" : ", row " + std::to_string(row) + " of " + std::to_string(run_->Table().rows.size()))));
  const bool serving = run_->IsRunning() && row > 0 && row <= run_->Table().rows.size();
  std::string settings;
  if (serving) {
    // The next row is taken with the bias in force: its settings as they will be set.
    const BiasedRow next = WithExposureBias(run_->Table().rows[row - 1], run_->BiasThirds());
    settings = RowSettingsText(next.row);
    if (next.appliedThirds != 0) {
      settings += " (bias " + BiasText(next.appliedThirds) + ")";
    }
  }
  Label_NextRow->setText(
      serving ? QStringLiteral("Next: %1  %2  %3")
                    .arg(Label_Phase->text(), Label_Wann->text(), QString::fromStdString(settings))
              : QString());
  const RunSummary& counts = run_->IsRunning() ? run_->Progress() : summary_;
  Label_Counts->setText(QString::fromStdString(RunCountsText(counts.picturesTaken, counts.picturesFailed,
                                                             counts.picturesNotApplied, counts.picturesNoFile,
                                                             counts.picturesLost)));
}
void TPhotographyPage::ShowWann(const std::string& text) {
  Label_Wann->setText(QString::fromStdString(text));
  ShowProgress();
}
void TPhotographyPage::ShowWannDiff(const std::string& text) {
  Label_WannDiff->setText(QString::fromStdString(text));
}

void TPhotographyPage::ShowInfo(const std::string& text, Rgb colour, InfoKind /*kind*/) {
  infoColour_ = colour;
  PaintInfo();
  SetWholeText(Label_Info, Shown(text), InfoPointSize);
}

void TPhotographyPage::PaintInfo() {
  Label_Info->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; padding: 4px; }")
                                .arg(Colour(Black, Paint::Background), Colour(infoColour_, Paint::Text)));
}

void TPhotographyPage::PaintBanner() {
  // By night the two colours of the blink are two shades of red.
  const Paint paint = bannerColour_ == BannerLime ? Paint::Line : Paint::Background;
  Label_WAV_Meldung->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; }")
                                       .arg(Colour(bannerColour_, paint), Colour(Black, Paint::Text)));
}

void TPhotographyPage::ApplyNightMode() {
  Panel_Preview->ApplyNightMode();
  PaintInfo();
  PaintBanner();
  PaintAdvanceLabels(rehearsalShown_);
}

void TPhotographyPage::ShowStatus(const std::string& text) {
  if (host_.showStatus) {
    host_.showStatus(text);
  }
}

void TPhotographyPage::ShowBanner(const std::string& text) {
  Label_WAV_Meldung->resize(BannerWidth, Label_WAV_Meldung->height());
  SetWholeText(Label_WAV_Meldung, QString::fromStdString(text), BannerPointSize);
  Label_WAV_Meldung->show();
  Label_WAV_Meldung->raise();
  if (!AnnouncementSound) {
    return;
  }
  // The row's label, as Label_Phase shows it, names the sound file.
  const std::string folder = host_.soundFolder.empty() ? DocumentsFolder : host_.soundFolder;
  if (const std::string problem = Announce(Voice(), Label_Phase->text().toStdString(), text, folder);
      !problem.empty()) {
    // Not heard as words, the announcement is heard as a tone; the user is told why once.
    Voice().Tone();
    ShowStatus(problem);
    if (!speechProblemTold_) {
      speechProblemTold_ = true;
      Tell(problem +
           ".\nAnnouncements are heard as a tone. Install the package speech-dispatcher (with a "
           "voice such as espeak-ng) to hear them spoken.");
    }
  }
}

AnnouncementVoice& TPhotographyPage::Voice() {
  if (host_.voice == nullptr) {
    ownVoice_ = std::make_unique<QtAnnouncementVoice>();
    host_.voice = ownVoice_.get();
  }
  return *host_.voice;
}

void TPhotographyPage::Tell(const std::string& text) {
  if (host_.tell) {
    host_.tell(text);
    return;
  }
  auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Tevra - Eclipse Photography"),
                              QString::fromStdString(text), QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();  // not modal for the run: it goes on while the box is open
}

void TPhotographyPage::SoundFailures() {
  const RunSummary& counts = run_->Progress();
  const std::array<int, 3> failures = {counts.picturesFailed, counts.picturesLost, counts.picturesNoFile};
  const bool logFailing = !counts.logError.empty() && !logFailureHeard_;
  if (failures == failuresHeard_ && !logFailing) {
    return;
  }
  failuresHeard_ = failures;
  logFailureHeard_ = logFailureHeard_ || logFailing;
  if (AnnouncementSound) {
    Voice().Tone();
  }
}

void TPhotographyPage::BlinkBanner(Rgb background) {
  bannerColour_ = background;
  PaintBanner();
}

void TPhotographyPage::HideBanner() {
  Label_WAV_Meldung->resize(BannerHiddenWidth, Label_WAV_Meldung->height());
  Label_WAV_Meldung->hide();
}

void TPhotographyPage::RunStarting(RunKind kind) {
  PressLabel(kind == RunKind::Start ? Label_Start_Eclipse_Photography : Label_Test_Eclipse_Photography,
             false);
}

void TPhotographyPage::ShowAdvanceControls(bool shown) {
  if (shown) {
    for (QPushButton* button : {BitBtn_Advance, BitBtn_RehearseFrom}) {
      button->show();
      button->setEnabled(true);
    }
    Label_Advance1->show();
    Label_Advance2->show();
    return;
  }
  for (QPushButton* button : {BitBtn_Advance, BitBtn_RealTime, BitBtn_RehearseFrom}) {
    button->setEnabled(false);
    button->hide();
  }
  Label_Advance1->hide();
  Label_Advance2->hide();
  PaintAdvanceLabels(false);
}

void TPhotographyPage::ShowRunning(RunKind kind, bool running) {
  for (QWidget* command :
       std::initializer_list<QWidget*>{Button_Start_Eclipse_Photography, Label_Start_Eclipse_Photography,
                                       Button_Test_Eclipse_Photography, Label_Test_Eclipse_Photography}) {
    command->setEnabled(!running);
  }
  (kind == RunKind::Start ? Button_Abort_Foto : Button_Abort_Test)->setEnabled(running);
}

bool TPhotographyPage::Confirm(const std::string& question) {
  if (host_.confirm) {
    return host_.confirm(question);
  }
  return QMessageBox::question(this, QStringLiteral("Tevra - Eclipse Photography"),
                               QString::fromStdString(question), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

// The warning states the problem; the box asks the question its Yes and No answer.
bool TPhotographyPage::ConfirmZone(const std::string& warning) {
  return Confirm(warning + "\n\n" + ZoneQuestion);
}

// Yes takes the entries now; No, the default, skips them.
bool TPhotographyPage::TakePastRows(const std::string& question) { return Confirm(question); }

void TPhotographyPage::ShowCheck(const std::vector<CheckLine>& lines) {
  ShowStatus("Check before the night: " + std::string(CheckLevelName(WorstLevel(lines))) +
             ", see its window");
  ShowCheckList(lines, "The run goes on; these lines are in its run log as well.");
}

void TPhotographyPage::StepDone(const RunStep& step) {
  if (step.status || step.text.find("SIMULATION") != std::string::npos) {
    Label_CameraStatus->setText(QString::fromStdString("Camera: " + step.text));
  }
  SoundFailures();
  ShowProgress();
}

bool TPhotographyPage::RetakeRows(const std::string& question) { return Confirm(question); }

void TPhotographyPage::ShowRunRow(size_t row) {
  if (host_.markRow) {
    host_.markRow(row);
  }
}

}  // namespace tevra
