// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/camera_window.h"

#include "camera/camera_choice.h"
#include "camera/camera_events.h"
#include "camera/camera_status.h"
#include "camera/camera_window_rules.h"
#include "camera/setting_names.h"
#include "run/computer_state.h"
#include "run/moon_scene.h"
#include "run/run_texts.h"
#include "state/night_mode.h"
#include "state/site_settings.h"
#include "state/variables.h"
#include "timing/divprocs.h"
#include "timing/time_zones.h"
#include "windows/photography_page.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace tevra {
namespace {

// Pictures offered by the camera go to a folder of their own below the documents folder, never to
// the program's folder (an installed program's folder is a system folder).
std::string DefaultDownloadFolder() { return DocumentsFolder + "Pictures/"; }

constexpr int StatusBarHeight = 24;
constexpr int TopPanelHeight = 44;
// The photography page below the tab bar, against the design's page height.
constexpr int PhotographyExtraHeight =
    PhotographyPageHeight + 30 - (CameraClientHeight - StatusBarHeight - TopPanelHeight);
// Caption and borders of the design's window: its height is the client height plus this.
constexpr int DesignFrameHeight = CameraTabChangeHeight - CameraClientHeight;
constexpr int PlacementFromBottom = 340;
constexpr int MaxReleaseCalls = 5000;
constexpr int64_t PumpSliceMs = 10;
constexpr int64_t ProgressResetMs = 500;
constexpr int64_t CloseWaitMs = 100;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QFont PixelFont(const char* family, int pixels, bool bold = false) {
  QFont font(QString::fromLatin1(family));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

QColor Shown(Rgb day, Paint paint) {
  const Rgb shown = ShownColour(day, paint);
  return {shown.r, shown.g, shown.b};
}

// The label keeps its day colour, so that a change of the night view can paint it again.
void PaintLabel(QLabel* label, Rgb colour) {
  label->setProperty("dayColour", QColor(colour.r, colour.g, colour.b));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Shown(colour, colour == CameraGrey ? Paint::DimText : Paint::Text));
  label->setPalette(palette);
}

void SetLabel(QLabel* label, const std::string& text, Rgb colour) {
  label->setText(Q(text));
  PaintLabel(label, colour);
}

QLabel* MakeLabel(QWidget* parent, QRect place, const QString& text = {}) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(place);
  return label;
}

// The picture of the release button: a camera body seen from the front.
QPixmap ReleasePicture() {
  QPixmap picture(64, 48);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Shown({0, 0, 0}, Paint::Text), 2));
  painter.setBrush(Shown({60, 60, 60}, Paint::Background));
  painter.drawRoundedRect(QRectF(4, 12, 56, 32), 5, 5);
  painter.drawRect(QRectF(22, 5, 20, 8));
  painter.setBrush(Shown({200, 40, 30}, Paint::Text));
  painter.drawRect(QRectF(8, 7, 9, 5));
  painter.setBrush(Shown({150, 170, 200}, Paint::DimText));
  painter.drawEllipse(QRectF(20, 16, 24, 24));
  painter.setBrush(Shown({30, 30, 60}, Paint::Background));
  painter.drawEllipse(QRectF(26, 22, 12, 12));
  return picture;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  return first == std::string::npos ? std::string()
                                    : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

TForm_Camera::CameraActivity::CameraActivity(TForm_Camera& form) : form_(form) { ++form_.busyDepth_; }

TForm_Camera::CameraActivity::~CameraActivity() { form_.EndActivity(); }

TForm_Camera::TForm_Camera(CameraWindowHost host, QWidget* parent)
    : QMainWindow(parent),
      host_(std::move(host)),
      clock_(host_.clock != nullptr ? host_.clock : &SystemTicks()) {
  if (!host_.createCamera) {
    host_.createCamera = [clock = host_.runClock](std::string& error) {
      CameraChoice choice = CameraChoiceFromEnvironment();
      // The simulated body photographs the selected eclipse as the run's clock reads it.
      choice.moonScene =
          clock != nullptr ? MoonSceneNow(&CurrentMoonScene, *clock) : MoonSceneNow(&CurrentMoonScene);
      return CreateCameraSdk(choice, error);
    };
  }
  if (!host_.pump) {
    host_.pump = [] { QCoreApplication::processEvents(); };
  }
  if (!host_.computerFacts) {
    host_.computerFacts = &SystemComputerFacts;
  }
  if (!host_.computerState) {
    host_.computerState = [] { return SystemComputerState(DocumentsFolder); };
  }
  if (!host_.localTime) {
    host_.localTime = &SystemLocalDateTime;
  }
  setWindowTitle(QStringLiteral("Tevra - Camera Form"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  BuildComponents();
  QCoreApplication::instance()->installEventFilter(this);
  FormCreate();
}

TForm_Camera::~TForm_Camera() {
  if (QCoreApplication* application = QCoreApplication::instance()) {
    application->removeEventFilter(this);
  }
  if (sdk_) {
    sdk_->SetWaitHook({});  // nothing may reach this window while it goes
  }
  if (appMaster_ && !CameraName.empty()) {
    CameraName.clear();
  }
  appMaster_.reset();
}

void TForm_Camera::BuildComponents() {
  auto* central = new QWidget(this);
  central->setFont(PixelFont("MS Sans Serif", 13));
  setCentralWidget(central);

  Panel_Top = new QWidget(central);
  Panel_Top->setGeometry(0, 0, CameraClientWidth, TopPanelHeight);
  Button_Connect = new QPushButton(QStringLiteral("Connect Camera"), Panel_Top);
  Button_Connect->setGeometry(8, 8, 140, 28);
  Button_Connect->setStatusTip(QStringLiteral("Connect the camera and read its settings"));
  connect(Button_Connect, &QPushButton::clicked, this, [this] { Button_ConnectClick(); });
  Button_Disconnect = new QPushButton(QStringLiteral("Disconnect Camera"), Panel_Top);
  Button_Disconnect->setGeometry(156, 8, 140, 28);
  Button_Disconnect->setStatusTip(QStringLiteral("End the connection with the camera"));
  connect(Button_Disconnect, &QPushButton::clicked, this, [this] {
    if (MayStopRun(StopRunToDisconnectQuestion)) {
      Button_DisconnectClick();
    }
  });
  LabelA = MakeLabel(Panel_Top, {312, 2, 692, 40}, QStringLiteral("Camera :"));
  LabelA->setFont(PixelFont("Arial", 24, true));
  SetLabel(LabelA, "Camera :", CameraGrey);

  PageControl1 = new QTabWidget(central);
  PageControl1->setGeometry(0, TopPanelHeight, CameraClientWidth,
                            CameraClientHeight - StatusBarHeight - TopPanelHeight);
  TabSheet_Interactive = new QWidget;
  TabSheet_Advanced = new QWidget;
  TabSheet_Photography = new QWidget;
  PageControl1->addTab(TabSheet_Interactive, QStringLiteral("Interactive Camera Tests"));
  PageControl1->addTab(TabSheet_Advanced, QStringLiteral("Advanced Camera Tests"));
  PageControl1->addTab(TabSheet_Photography, QStringLiteral("Eclipse Photography"));
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
  BuildInteractivePage();
  BuildAdvancedPage();
  BuildSaveFolderPanel();
  BuildPhotographyPage();

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setFixedHeight(StatusBarHeight);
  statusPanel_ = new QLabel(StatusBar1);
  StatusBar1->addWidget(statusPanel_, 1);
  setStatusBar(StatusBar1);

  deferredTimer_ = new QTimer(this);
  deferredTimer_->setSingleShot(true);
  deferredTimer_->setInterval(0);
  connect(deferredTimer_, &QTimer::timeout, this, [this] { RunDeferredWork(); });
}

void TForm_Camera::BuildInteractivePage() {
  QWidget* page = TabSheet_Interactive;
  const auto addSetting = [&](int column, QLabel*& label, QComboBox*& box, const char* caption) {
    const int left = 10 + column * 166;
    label = MakeLabel(page, {left, 8, 156, 18}, QString::fromLatin1(caption));
    box = new QComboBox(page);
    box->setGeometry(left, 28, 156, 26);
    box->setEditable(false);
  };
  addSetting(0, Label_IQ, ComboBox_IQ, "Image Quality");
  addSetting(1, Label_AEmode, ComboBox_AEmode, "AE Mode");
  addSetting(2, Label_ISO, ComboBox_ISO, "ISO Speed");
  addSetting(3, Label_Av, ComboBox_Av, "Av");
  addSetting(4, Label_Tv, ComboBox_Tv, "Tv");
  ComboBox_AEmode->setEnabled(false);
  // activated: the user's choice only, not a selection the program makes.
  connect(ComboBox_IQ, &QComboBox::activated, this, [this] { ComboBox_IQChange(); });
  connect(ComboBox_AEmode, &QComboBox::activated, this, [this] { ComboBox_AEmodeChange(); });
  connect(ComboBox_ISO, &QComboBox::activated, this, [this] { ComboBox_ISOChange(); });
  connect(ComboBox_Av, &QComboBox::activated, this, [this] { ComboBox_AvChange(); });
  connect(ComboBox_Tv, &QComboBox::activated, this, [this] { ComboBox_TvChange(); });

  Label_Test1_Expl = MakeLabel(
      page, {10, 62, 820, 20},
      QStringLiteral("Changing the settings on the PC or camera should be reflected on the camera or PC."));
  Label6 = MakeLabel(page, {10, 90, 820, 24});
  Label6->setFont(PixelFont("Arial", 18, true));
  Label7 = MakeLabel(page, {10, 116, 820, 22});
  Label7->setFont(PixelFont("Arial", 16, true));
  Label8 = MakeLabel(page, {10, 140, 820, 22});
  Label8->setFont(PixelFont("Arial", 16, true));

  SpeedButton_Release = new QToolButton(page);
  SpeedButton_Release->setGeometry(850, 8, 140, 150);
  SpeedButton_Release->setText(QStringLiteral("Release"));
  SpeedButton_Release->setFont(PixelFont("Arial", 20, true));
  SpeedButton_Release->setIcon(QIcon(ReleasePicture()));
  SpeedButton_Release->setIconSize(QSize(64, 48));
  SpeedButton_Release->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  SpeedButton_Release->setStatusTip(QStringLiteral("Take one picture with the present settings"));
  SpeedButton_Release->setEnabled(false);
  connect(SpeedButton_Release, &QToolButton::clicked, this, [this] { SpeedButton_ReleaseClick(); });
}

void TForm_Camera::BuildAdvancedPage() {
  QWidget* page = TabSheet_Advanced;
  Label_Test2_Expl = MakeLabel(page, {10, 4, 620, 38},
                               QStringLiteral("Series of pictures test the camera and its connection."));
  Label_Test2_Expl->setWordWrap(true);
  Memo_Test2 = new QPlainTextEdit(page);
  Memo_Test2->setGeometry(10, 44, 620, 130);
  Memo_Test2->setReadOnly(true);
  Memo_Test2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Button_take_5_pictures = new QPushButton(QStringLiteral("Take 5 pictures"), page);
  Button_take_5_pictures->setGeometry(650, 44, 170, 30);
  Button_take_9_pictures = new QPushButton(QStringLiteral("Take 9 pictures"), page);
  Button_take_9_pictures->setGeometry(650, 82, 170, 30);
  Button_Abort2 = new QPushButton(QStringLiteral("Abort"), page);
  Button_Abort2->setGeometry(650, 134, 170, 30);
  Button_Abort2->setStatusTip(QStringLiteral("Stop the series after the picture being taken"));
  for (QPushButton* button : {Button_take_5_pictures, Button_take_9_pictures}) {
    button->setMouseTracking(true);  // the explanation follows the mouse, not a click
    button->setEnabled(false);
  }
  Button_Abort2->setEnabled(false);
  connect(Button_take_5_pictures, &QPushButton::clicked, this, [this] { Button_take_5_picturesClick(); });
  connect(Button_take_9_pictures, &QPushButton::clicked, this, [this] { Button_take_9_picturesClick(); });
  connect(Button_Abort2, &QPushButton::clicked, this, [this] { Button_Abort2Click(); });
}

void TForm_Camera::BuildPhotographyPage() {
  PhotographyPageHost page;
  page.table = [this] { return host_.runTable ? host_.runTable() : RunTable{}; };
  page.markRow = host_.markRunRow;
  page.afterCameraWork = [this](std::function<void()> start) { AfterCameraWork(std::move(start)); };
  // Without a camera the run simulates, also after a connection that found none.
  page.camera = [this]() -> TAppMaster* { return CameraName.empty() ? nullptr : AppMaster(); };
  page.reopenCamera = [this] { return ReopenCamera(); };
  // The run holds the camera: the test commands, which would be refused, are disabled meanwhile.
  page.beginCameraWork = [this]() -> std::shared_ptr<void> {
    const std::array<QWidget*, 3> commands = TestCommands();
    for (size_t i = 0; i < commands.size(); ++i) {
      heldCommands_[i] = commands[i]->isEnabled();
      commands[i]->setEnabled(false);
    }
    runHoldsCamera_ = true;
    return {new CameraActivity(*this), [this](void* activity) {
              delete static_cast<CameraActivity*>(activity);
              runHoldsCamera_ = false;
              const std::array<QWidget*, 3> held = TestCommands();
              for (size_t i = 0; i < held.size(); ++i) {
                held[i]->setEnabled(heldCommands_[i]);
              }
            }};
  };
  page.showStatus = [this](const std::string& text) { SetStatusText(text); };
  page.clock = host_.runClock;
  page.waiter = host_.runWaiter;
  page.preflight = [this](TAppMaster* camera) { return CheckBeforeTheNight(camera); };
  page.confirm = host_.confirm;
  Photography = new TPhotographyPage(std::move(page), TabSheet_Photography);
  Photography->setGeometry(0, 0, CameraClientWidth, PhotographyPageHeight);
}

std::vector<CheckLine> TForm_Camera::CheckBeforeTheNight(TAppMaster* camera) {
  const RunTable table = host_.runTable ? host_.runTable() : RunTable{};
  PreflightSettings settings;
  settings.zoneOffsetHours = ZoneOffsetOfTitle(table.titles[ColumnDateTime]).value_or(ZoneOffset);
  settings.site = CurrentSite;
  settings.soundFolder = DocumentsFolder;
  const double now = (host_.runClock != nullptr ? host_.runClock->LocalJD() : SystemRunClock().LocalJD());
  const BodyFacts body = camera != nullptr ? ReadBodyFacts(camera, CamOk, now, [this] { Pump(); }) : [this] {
    BodyFacts none;
    none.openStatus = connectStatus_;
    return none;
  }();
  return Preflight(table.present ? table.rows : ExposureRows{}, settings, body, host_.computerState());
}

TAppMaster* TForm_Camera::ReopenCamera() {
  // Pictures and settings the old session announced are gone with it.
  deferred_.clear();
  appMaster_.reset();
  if (sdk_) {
    sdk_->SetWaitHook({});
  }
  std::string error;
  sdk_ = host_.createCamera(error);
  if (!sdk_) {
    return nullptr;
  }
  sdk_->SetWaitHook([this] { Pump(); });
  uint32_t status = CamOk;
  appMaster_ = OpenCamera(this, sdk_, status);
  if (appMaster_) {
    CameraName = Trimmed(appMaster_->GetCameraName());
  } else if (const std::string why = CameraNotFoundText(status); !why.empty()) {
    SetStatusText(std::string(ReconnectingText) + ": " + why);  // what keeps it away, while trying
  }
  return appMaster_.get();
}

void TForm_Camera::BuildSaveFolderPanel() {
  // Below the interactive tests, where the downloads of their pictures show.
  Panel_SaveFolder = new QWidget(TabSheet_Interactive);
  Panel_SaveFolder->setGeometry(10, 160, 830, 24);
  Label_SaveFolder = MakeLabel(Panel_SaveFolder, {0, 2, 80, 20}, QStringLiteral("Save Folder"));
  Edit1 = new QLineEdit(Panel_SaveFolder);
  Edit1->setGeometry(84, 0, 420, 22);
  Edit1->setText(QString::fromStdString(DefaultDownloadFolder()));
  SpeedButton1 = new QToolButton(Panel_SaveFolder);
  SpeedButton1->setGeometry(508, 0, 24, 22);
  SpeedButton1->setText(QStringLiteral("..."));
  SpeedButton1->setStatusTip(QStringLiteral("Choose the folder the pictures are saved in"));
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
  ProgressBar1 = new QProgressBar(Panel_SaveFolder);
  ProgressBar1->setGeometry(540, 2, 150, 18);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
}

void TForm_Camera::SpeedButton1Click() {
  const QString current = Edit1->text();
  const std::string chosen =
      host_.askFolder
          ? host_.askFolder(current.toStdString())
          : QFileDialog::getExistingDirectory(this, QStringLiteral("Save Folder"), current).toStdString();
  if (!chosen.empty()) {
    chosenFolder_ = chosen.back() == '/' ? chosen : chosen + "/";
    Edit1->setText(Q(chosenFolder_));
  }
}

void TForm_Camera::FormCreate() {
  setFixedSize(CameraClientWidth, CameraClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move((area.width() - width()) / 2, area.height() - PlacementFromBottom);
  }
  PageControl1->setCurrentIndex(0);
}

void TForm_Camera::PageControl1Change() {
  // The height is the window's outer height; without a frame yet, the design's frame counts.
  const int frame = frameGeometry().height() - height();
  // The photography page says more than the design's page had room for: the window grows by it.
  const int extra = PageControl1->currentWidget() == TabSheet_Photography ? PhotographyExtraHeight : 0;
  setFixedHeight(CameraTabChangeHeight + extra - (frame > 0 ? frame : DesignFrameHeight));
  PageControl1->resize(CameraClientWidth, height() - StatusBarHeight - TopPanelHeight);
  // A window at the foot of the screen grows upwards.
  if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr && isVisible()) {
    const int overflow = frameGeometry().bottom() - screen->availableGeometry().bottom();
    if (overflow > 0) {
      move(x(), std::max(screen->availableGeometry().top(), y() - overflow));
    }
  }
}

void TForm_Camera::Pump() { host_.pump(); }

void TForm_Camera::Wait(int64_t ms) {
  const int64_t start = clock_->NowMs();
  for (;;) {
    Pump();
    const int64_t passed = clock_->NowMs() - start;
    if (passed >= ms) {
      return;
    }
    clock_->SleepMs(std::min(ms - passed, PumpSliceMs));
  }
}

void TForm_Camera::SetStatusText(const std::string& text) { statusPanel_->setText(Q(text)); }

std::string TForm_Camera::StatusText() const { return statusPanel_->text().toStdString(); }

void TForm_Camera::ShowMessage(const std::string& caption, const std::string& text) {
  if (host_.showMessage) {
    host_.showMessage(caption, text);
  } else {
    QMessageBox::information(this, Q(caption), Q(text), QMessageBox::Ok);
  }
}

void TForm_Camera::ApplyLabels(ConnectionState state) {
  const ConnectionLabels labels = ConnectionLabelsFor(state, CameraName);
  SetLabel(LabelA, labels.labelA.text, labels.labelA.colour);
  if (state == ConnectionState::Enabling) {
    return;
  }
  SetLabel(Label6, labels.label6.text, labels.label6.colour);
  SetLabel(Label7, labels.label7, CameraBlack);
  SetLabel(Label8, labels.label8, CameraBlack);
}

void TForm_Camera::ApplyNightMode() {
  SpeedButton_Release->setIcon(QIcon(ReleasePicture()));
  for (QLabel* label : findChildren<QLabel*>()) {
    if (const QVariant day = label->property("dayColour"); day.isValid()) {
      const QColor colour = day.value<QColor>();
      PaintLabel(label, Rgb{static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
                            static_cast<uint8_t>(colour.blue())});
    }
  }
  Photography->ApplyNightMode();
}

std::array<QWidget*, 3> TForm_Camera::TestCommands() const {
  return {SpeedButton_Release, Button_take_5_pictures, Button_take_9_pictures};
}

void TForm_Camera::SetTestButtonsEnabled(bool enabled) {
  if (runHoldsCamera_) {
    heldCommands_.fill(enabled);  // for the end of the run
    return;
  }
  SpeedButton_Release->setEnabled(enabled);
  Button_take_5_pictures->setEnabled(enabled);
  Button_take_9_pictures->setEnabled(enabled);
}

void TForm_Camera::Button_ConnectClick() {
  if (CameraBusy()) {
    return;  // the connection or camera work under way goes on
  }
  Edit1->setText(Q(chosenFolder_.empty() ? DefaultDownloadFolder() : chosenFolder_));  // a choice stays
  if (const std::string error = DeleteCameraIni(DocumentsFolder); !error.empty()) {
    ShowMessage("Tevra", error);
  }
  if (!CameraName.empty()) {
    return;
  }
  {
    CameraActivity activity(*this);
    // A manager left from a connection that found no camera is let go before the new attempt.
    appMaster_.reset();
    ApplyLabels(ConnectionState::Enabling);
    Pump();

    SaveTarget = 1;
    std::string error;
    if (sdk_) {
      sdk_->SetWaitHook({});
    }
    sdk_ = host_.createCamera(error);
    if (!error.empty()) {
      ShowMessage("Tevra", error);
    }
    if (sdk_) {
      sdk_->SetWaitHook([this] { Pump(); });
      appMaster_ = std::make_unique<TAppMaster>(this, sdk_);
      CameraName = Trimmed(appMaster_->GetCameraName());
    }
    uint32_t session = CamNotFound;
    if (appMaster_) {
      appMaster_->SetEventHandlers();
      session = appMaster_->OpenSession();
      if (session == CamOk && !CameraName.empty()) {
        CameraName = Trimmed(appMaster_->GetCameraName());  // a body on Wi-Fi names itself only now
      }
      appMaster_->ApplySaveTarget();
    }
    // Found but not opened (no permission, held by another program) says why in the check.
    connectStatus_ = session == CamNoAccess || session == CamBusy ? session
                     : CameraName.empty()                         ? CamNotFound
                                                                  : CamOk;
    if (session != CamOk && !CameraName.empty()) {
      // Nothing can be read from a body without a session: no settings, no Camera.ini.
      SetStatusText(SessionFailedText(session));
      Button_Abort2->setEnabled(false);
      SetTestButtonsEnabled(false);
      ApplyLabels(ConnectionState::SessionFailed);
      appMaster_.reset();
      CameraName.clear();
      return;
    }
    SetStatusText(ConnectedStatusText(CameraName));
    Button_Abort2->setEnabled(false);
    if (CameraName.empty()) {
      SetTestButtonsEnabled(false);
      ApplyLabels(ConnectionState::NotDetected);
      return;
    }

    CameraSettingLists.Clear();
    for (const uint32_t id : {PropImageQuality, PropAEMode, PropIso, PropAv, PropTv}) {
      appMaster_->ReadPropertyDesc(id);
    }
    WriteInformationLog();
    FillSettingBox(ComboBox_IQ, KindImageQuality);
    FillSettingBox(ComboBox_ISO, KindIso);
    FillSettingBox(ComboBox_Av, KindAperture);
    FillSettingBox(ComboBox_Tv, KindShutter);
    ComboBox_AEmode->clear();
    ComboBox_AEmode->setEnabled(false);
    ComboBox_IQ->setCurrentIndex(ComboBox_IQ->count() > 0 ? 0 : -1);
    ComboBox_ISO->setCurrentIndex(ComboBox_ISO->count() > 0 ? 0 : -1);
    ComboBox_Av->setCurrentIndex(ComboBox_Av->count() > 0 ? 0 : -1);
    ComboBox_Tv->setCurrentIndex(ComboBox_Tv->count() - 1);
  }
  // Each write is camera work of its own, so that the camera's answers can be shown between them.
  ComboBox_IQChange();
  ComboBox_ISOChange();
  ComboBox_AvChange();
  if (!SettingChange(ComboBox_Tv, PropTv)) {
    NotInManualMode();
    return;
  }
  if (CameraName.empty()) {
    return;  // disconnected while a message was shown
  }
  SetTestButtonsEnabled(true);
  ApplyLabels(ConnectionState::Connected);
}

void TForm_Camera::WriteInformationLog() {
  const std::string path = DocumentsFolder + CameraIniName;
  const std::string text =
      CameraLogText(host_.computerFacts(), host_.localTime(), CameraName, CameraSettingLists);
  if (const std::string error = WriteCameraLog(path, text); !error.empty()) {
    // The camera works without the log; only the exposure window misses its accepted settings.
    ShowMessage("Tevra",
                error + "\r\nThe camera stays connected, but the exposure window cannot read its settings.");
  }
}

void TForm_Camera::FillSettingBox(QComboBox* box, int kind) {
  box->clear();
  for (const uint32_t code : CameraSettingLists[kind].Codes()) {
    // A code the name tables do not know is offered under its hexadecimal form.
    const std::string name = SettingNameByCode(kind, code);
    box->addItem(Q(name.empty() ? "0x" + HexStr(code, 4) : name), QVariant::fromValue(code));
  }
}

void TForm_Camera::Button_DisconnectClick() {
  if (CameraBusy()) {
    // Never under a running camera call: the disconnection follows when the work ends, and a
    // series or run stops at its next step.
    disconnectPending_ = true;
    AbortTests = true;
    AbortTestRun = true;
    AbortRun = true;
    return;
  }
  CameraActivity activity(*this);
  if (!CameraName.empty()) {
    appMaster_.reset();  // closes the session while the work is marked
    if (sdk_) {
      sdk_->SetWaitHook({});
      sdk_.reset();
    }
  }
  Pump();
  CameraName.clear();
  SetTestButtonsEnabled(false);
  ApplyLabels(ConnectionState::Disconnected);
  SetStatusText(DisconnectedStatusText);
  Pump();
  if (const std::string error = KeepCameraInformation(DocumentsFolder); !error.empty()) {
    ShowMessage("Tevra", error);
  }
}

void TForm_Camera::FormClose() {
  AbortRun = true;
  Button_DisconnectClick();
  Wait(CloseWaitMs);
}

bool TForm_Camera::AskDuringStartRun(const char* question) {
  if (!Photography->Engine().IsStartRunning()) {
    return true;
  }
  return host_.confirm
             ? host_.confirm(question)
             : QMessageBox::question(this, QStringLiteral("Tevra"), QString::fromUtf8(question),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

bool TForm_Camera::MayStopRun(const char* question) {
  const bool stop = AskDuringStartRun(question);
  if (stop && Photography->Engine().IsStartRunning()) {
    AbortRun = true;
  }
  return stop;
}

void TForm_Camera::closeEvent(QCloseEvent* event) {
  if (!MayStopRun(StopRunToExitQuestion)) {
    event->ignore();
    return;
  }
  FormClose();
  QMainWindow::closeEvent(event);
}

bool TForm_Camera::SettingChange(QComboBox* box, uint32_t propertyId) {
  const int index = box->currentIndex();
  if (index < 0) {
    return false;
  }
  if (!appMaster_ || CameraBusy()) {
    ShowCurrentValue(propertyId);  // nothing written: the box keeps showing the camera's value
    return true;
  }
  const uint32_t code = box->itemData(index).toUInt();
  uint32_t status = CamOk;
  {
    CameraActivity activity(*this);
    status = appMaster_->WriteProperty(propertyId, code);
  }
  if (status == CamOk) {
    return true;
  }
  ShowMessage("Tevra", WriteRefusedMessage(KindOfProperty(propertyId), index, code,
                                           box->itemText(index).toStdString(), status));
  if (appMaster_ && !CameraBusy()) {
    // The value the camera holds now, not what it reported last.
    const CameraActivity activity(*this);
    appMaster_->ReadProperty(propertyId);
  }
  ShowCurrentValue(propertyId);
  return true;
}

void TForm_Camera::NotInManualMode() {
  ShowMessage(ManualModeCaption, ManualModeText);
  Button_DisconnectClick();
}

void TForm_Camera::ComboBox_IQChange() { SettingChange(ComboBox_IQ, PropImageQuality); }

void TForm_Camera::ComboBox_AEmodeChange() { SettingChange(ComboBox_AEmode, PropAEMode); }

void TForm_Camera::ComboBox_ISOChange() { SettingChange(ComboBox_ISO, PropIso); }

void TForm_Camera::ComboBox_AvChange() { SettingChange(ComboBox_Av, PropAv); }

void TForm_Camera::ComboBox_TvChange() {
  if (!SettingChange(ComboBox_Tv, PropTv)) {
    NotInManualMode();
  }
}

void TForm_Camera::ShowCurrentValue(uint32_t propertyId) {
  QComboBox* box = nullptr;
  switch (propertyId) {
    case PropImageQuality:
      box = ComboBox_IQ;
      break;
    case PropAEMode:
      box = ComboBox_AEmode;
      break;
    case PropIso:
      box = ComboBox_ISO;
      break;
    case PropAv:
      box = ComboBox_Av;
      break;
    case PropTv:
      box = ComboBox_Tv;
      break;
    default:
      return;
  }
  const TCamera* camera = appMaster_ ? appMaster_->GetCamera() : nullptr;
  if (camera == nullptr) {
    return;
  }
  const QVariant code = QVariant::fromValue(static_cast<uint32_t>(camera->GetValue(propertyId)));
  const int index = box->findData(code);
  box->setCurrentIndex(index);  // -1, no selection, when the box has no item with that code
}

void TForm_Camera::SpeedButton_ReleaseClick() {
  if (!appMaster_ || CameraBusy()) {
    return;
  }
  const CameraActivity activity(*this);
  appMaster_->TakePicture();
}

void TForm_Camera::StartSeries() {
  Memo_Test2->clear();
  Button_Abort2->setEnabled(true);
  AbortTests = false;
  SpeedButton_Release->hide();
  Button_take_5_pictures->setEnabled(false);
  Button_take_9_pictures->setEnabled(false);
}

void TForm_Camera::FinishSeries(bool focusMemo) {
  Memo_Test2->moveCursor(QTextCursor::Start);
  Button_take_5_pictures->setEnabled(true);
  Button_take_9_pictures->setEnabled(true);
  SpeedButton_Release->show();
  PageControl1->currentWidget()->update();
  if (focusMemo) {
    Memo_Test2->setFocus();
  }
  Button_Abort2->setEnabled(false);
}

void TForm_Camera::Button_take_5_picturesClick() {
  if (!appMaster_ || CameraBusy()) {
    return;
  }
  const CameraActivity activity(*this);
  StartSeries();
  Wait(50);
  int taken = 0;
  for (int picture = 1; picture <= 5; ++picture) {
    const int64_t start = clock_->NowMs();
    uint32_t status = CamOk;
    int calls = 0;
    do {
      status = appMaster_->TakePicture();
      ++calls;
      if (status != CamOk) {
        Pump();  // lets "Abort" through while the camera is busy
      }
    } while (status != CamOk && calls < MaxReleaseCalls && !AbortTests);
    if (status == CamOk) {
      ++taken;
    }
    Memo_Test2->appendPlainText(Q(FiveSeriesReleaseLine(picture, taken)));
    Wait(5);
    if (AbortTests) {
      break;
    }
    Memo_Test2->appendPlainText(Q(FiveSeriesTimeLine(clock_->NowMs() - start)));
  }
  Memo_Test2->appendPlainText(Q(SeriesClosingLine(5, taken, AbortTests)));
  FinishSeries(true);
}

void TForm_Camera::Button_take_9_picturesClick() {
  if (!appMaster_ || CameraBusy()) {
    return;
  }
  const CameraActivity activity(*this);
  StartSeries();
  int taken = 0;
  for (int picture = 1; picture <= 9; ++picture) {
    uint32_t status = CamOk;
    int trials = 0;
    do {
      status = appMaster_->TakePicture();
      ++trials;
      Wait(15);
      SetStatusText(NineSeriesTrialText(status, trials));
    } while (status != CamOk && trials < MaxReleaseCalls && !AbortTests);
    // A release that needed the last allowed call counts as failed.
    const bool released = status == CamOk && trials < MaxReleaseCalls;
    if (released) {
      ++taken;
    }
    Memo_Test2->appendPlainText(Q(NineSeriesReleaseLine(picture, released)));
    if (AbortTests) {
      break;
    }
    Wait(5);
  }
  Memo_Test2->appendPlainText(Q(SeriesClosingLine(9, taken, AbortTests)));
  FinishSeries(false);
}

void TForm_Camera::Button_take_5_picturesMouseMove() {
  Button_take_5_pictures->setFocus();
  Label_Test2_Expl->setText(QString::fromLatin1(FivePicturesExplanation));
}

void TForm_Camera::Button_take_9_picturesMouseMove() {
  Button_take_9_pictures->setFocus();
  Label_Test2_Expl->setText(QString::fromLatin1(NinePicturesExplanation));
}

void TForm_Camera::Button_Abort2Click() { AbortTests = true; }

bool TForm_Camera::eventFilter(QObject* watched, QEvent* event) {
  if (CameraEvent::MessageOf(*event) != 0) {
    return ApplicationEvents1Message(*event);
  }
  if (event->type() == QEvent::MouseMove) {
    if (watched == Button_take_5_pictures) {
      Button_take_5_picturesMouseMove();
    } else if (watched == Button_take_9_pictures) {
      Button_take_9_picturesMouseMove();
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TForm_Camera::ApplicationEvents1Message(const QEvent& event) {
  const int message = CameraEvent::MessageOf(event);
  if (message == 0) {
    return false;
  }
  const auto& camera = static_cast<const CameraEvent&>(event);
  if (message == WM_CAMERA_PROGRESS) {
    // No camera call: the bar moves also while a download is under way.
    ProgressBar1->setValue(static_cast<int>(std::min<uint64_t>(camera.WParam(), 1000)));
    if (ProgressBar1->value() == 100) {
      Wait(ProgressResetMs);
      ProgressBar1->setValue(0);
    }
    return true;
  }
  const CameraMessage pending{message, camera.WParam(), camera.LParam()};
  if (CameraBusy() || !deferred_.empty()) {
    // Kept in order until the camera work ends.
    deferred_.push_back(pending);
    ScheduleDeferredWork();
    return true;
  }
  HandleCameraMessage(pending);
  return true;
}

void TForm_Camera::HandleCameraMessage(const CameraMessage& message) {
  if (!appMaster_) {
    return;  // the camera has been disconnected meanwhile
  }
  const CameraActivity activity(*this);
  const auto propertyId = static_cast<uint32_t>(message.lParam);
  if (message.message == WM_CAMERA_PROPERTY) {
    if (message.wParam == PropertyEventValueChanged) {
      appMaster_->ReadProperty(propertyId);
      ShowCurrentValue(propertyId);
    } else if (message.wParam == PropertyEventDescChanged) {
      appMaster_->ReadPropertyDesc(propertyId);
    }
  } else if (message.message == WM_CAMERA_TRANSFER) {
    const std::string folder = Edit1->text().toStdString();
    if (folder == DefaultDownloadFolder()) {
      std::error_code ignored;  // the default folder is made at the first picture
      std::filesystem::create_directories(folder, ignored);
    }
    if (appMaster_->DownloadItem(message.lParam, folder) != CamOk) {
      const std::string& note = appMaster_->DownloadNote();
      SetStatusText(note.empty() ? std::string(DownloadErrorText) : DownloadErrorText + (" " + note));
      if (!note.empty()) {
        static_cast<void>(std::fprintf(stderr, "tevra: %s\n", note.c_str()));
      }
    }
  }
}

void TForm_Camera::AfterCameraWork(std::function<void()> work) {
  if (!CameraBusy() && deferred_.empty()) {
    work();
    return;
  }
  SetStatusText(WaitingForCameraText);
  afterWork_.push_back(std::move(work));
}

void TForm_Camera::EndActivity() {
  --busyDepth_;
  if (busyDepth_ == 0 && (disconnectPending_ || !deferred_.empty() || !afterWork_.empty())) {
    ScheduleDeferredWork();
  }
}

void TForm_Camera::ScheduleDeferredWork() {
  // After the handler that ended the work has returned to the event loop.
  if (!CameraBusy() && !deferredTimer_->isActive()) {
    deferredTimer_->start();
  }
}

void TForm_Camera::RunDeferredWork() {
  if (disconnectPending_ && !CameraBusy()) {
    disconnectPending_ = false;
    Button_DisconnectClick();
  }
  while (!deferred_.empty() && !CameraBusy()) {
    const CameraMessage message = deferred_.front();
    deferred_.pop_front();
    HandleCameraMessage(message);
  }
  while (!afterWork_.empty() && !CameraBusy()) {
    const std::function<void()> work = std::move(afterWork_.front());
    afterWork_.pop_front();
    work();
  }
}

}  // namespace tevra
