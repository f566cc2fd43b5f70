#include "run/photography_page.h"

#include "run/keep_awake.h"
#include "run/qt_announcement_voice.h"
#include "run/wait_precision.h"
#include "state/site_settings.h"
#include "state/variables.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <thread>

namespace tevra {

namespace {

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

QString Colour(Rgb rgb) { return QColor(rgb.r, rgb.g, rgb.b).name(); }

QLabel* MakeLabel(QWidget* parent, const QRect& geometry, int pointSize, bool bold) {
  auto* label = new QLabel(parent);
  label->setGeometry(geometry);
  QFont font(QStringLiteral("Arial"), pointSize);
  font.setBold(bold);
  label->setFont(font);
  return label;
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
    host_.makeKeepAwake = &MakeDesktopKeepAwake;
  }
  run_ = std::make_unique<EclipseRun>(*host_.clock, *host_.waiter, *this);
  run_->SetPump([] { QCoreApplication::processEvents(); });
  if (host_.reopenCamera) {
    run_->SetReconnect(host_.reopenCamera);
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
  Label_Info = MakeLabel(this, QRect(350, 8, 260, 92), 10, true);
  Label_Info->setAutoFillBackground(true);
  Label_Info->setStyleSheet(QStringLiteral("QLabel { background: black; color: white; padding: 4px; }"));

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
  Label_Advance2 = MakeLabel(this, QRect(350, 106, 640, 62), 9, false);
  Label_Advance2->setFrameShape(QFrame::Box);
  Label_Advance1 = MakeLabel(this, QRect(356, 110, 628, 54), 9, true);
  Label_Advance1->setText(Shown(AdvanceWarning));
  Label_Advance1->setWordWrap(true);
  for (QWidget* rehearsal :
       std::initializer_list<QWidget*>{BitBtn_Advance, BitBtn_RealTime, Label_Advance1, Label_Advance2}) {
    rehearsal->hide();
    rehearsal->setEnabled(false);
  }
  Label_Advance1->setEnabled(true);
  Label_Advance2->setEnabled(true);

  Label_WAV_Meldung = MakeLabel(this, QRect(10, 146, BannerHiddenWidth, 44), 22, true);
  Label_WAV_Meldung->setAlignment(Qt::AlignCenter);
  Label_WAV_Meldung->setAutoFillBackground(true);
  Label_WAV_Meldung->hide();

  connect(Button_Start_Eclipse_Photography, &QPushButton::clicked, this,
          [this] { Button_Start_Eclipse_PhotographyClick(); });
  connect(Button_Test_Eclipse_Photography, &QPushButton::clicked, this,
          [this] { Button_Test_Eclipse_PhotographyClick(); });
  connect(Button_Abort_Foto, &QPushButton::clicked, this, [this] { Button_Abort_FotoClick(); });
  connect(Button_Abort_Test, &QPushButton::clicked, this, [this] { Button_Abort_TestClick(); });
  connect(BitBtn_Advance, &QPushButton::clicked, this, [this] { BitBtn_AdvanceClick(); });
  connect(BitBtn_RealTime, &QPushButton::clicked, this, [this] { BitBtn_RealTimeClick(); });
  for (QObject* watched :
       std::initializer_list<QObject*>{Button_Start_Eclipse_Photography, Label_Start_Eclipse_Photography,
                                       Button_Test_Eclipse_Photography, Label_Test_Eclipse_Photography}) {
    watched->installEventFilter(this);
  }
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
    ShowStatus("Cannot keep the computer awake: " + awakeError);
  }
  SetFineTimerSlack();  // the waits wake within a microsecond of their instant, not 50
  summary_ = run_->Run(kind, table, camera);
  ResetTimerSlack();
  if (summary_.started) {
    ShowInfo(RunCountsText(summary_.picturesTaken, summary_.picturesFailed, summary_.picturesNotApplied,
                           summary_.picturesNoFile, summary_.picturesLost),
             InfoWhite, InfoKind::Message);
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

void TPhotographyPage::BitBtn_RealTimeClick() {
  EclipseRun::BackToRealTime();
  BitBtn_RealTime->hide();
}

void TPhotographyPage::PaintAdvanceLabels(bool rehearsal) {
  const QString style = rehearsal ? QStringLiteral("QLabel { background: red; }") : QString();
  for (QLabel* label : {Label_Advance1, Label_Advance2}) {
    label->setAutoFillBackground(rehearsal);
    label->setStyleSheet(style);
  }
}

void TPhotographyPage::ShowPhase(const std::string& text) {
  Label_Phase->setText(QString::fromStdString(text));
}
void TPhotographyPage::ShowWann(const std::string& text) {
  Label_Wann->setText(QString::fromStdString(text));
}
void TPhotographyPage::ShowWannDiff(const std::string& text) {
  Label_WannDiff->setText(QString::fromStdString(text));
}

void TPhotographyPage::ShowInfo(const std::string& text, Rgb colour, InfoKind /*kind*/) {
  Label_Info->setStyleSheet(
      QStringLiteral("QLabel { background: black; color: %1; padding: 4px; }").arg(Colour(colour)));
  Label_Info->setText(Shown(text));
}

void TPhotographyPage::ShowStatus(const std::string& text) {
  if (host_.showStatus) {
    host_.showStatus(text);
  }
}

void TPhotographyPage::ShowBanner(const std::string& text) {
  Label_WAV_Meldung->setText(QString::fromStdString(text));
  Label_WAV_Meldung->resize(BannerWidth, Label_WAV_Meldung->height());
  Label_WAV_Meldung->show();
  Label_WAV_Meldung->raise();
  if (!AnnouncementSound) {
    return;
  }
  if (host_.voice == nullptr) {
    ownVoice_ = std::make_unique<QtAnnouncementVoice>();
    host_.voice = ownVoice_.get();
  }
  // The row's label, as Label_Phase shows it, names the sound file.
  const std::string folder = host_.soundFolder.empty() ? DocumentsFolder : host_.soundFolder;
  if (const std::string problem = Announce(*host_.voice, Label_Phase->text().toStdString(), text, folder);
      !problem.empty()) {
    ShowStatus(problem);
  }
}

void TPhotographyPage::BlinkBanner(Rgb background) {
  Label_WAV_Meldung->setStyleSheet(QStringLiteral("QLabel { background: %1; }").arg(Colour(background)));
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
    BitBtn_Advance->show();
    BitBtn_Advance->setEnabled(true);
    Label_Advance1->show();
    Label_Advance2->show();
    return;
  }
  for (QPushButton* button : {BitBtn_Advance, BitBtn_RealTime}) {
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

bool TPhotographyPage::ConfirmZone(const std::string& warning) { return Confirm(warning); }

// Yes takes the entries now; No, the default, skips them.
bool TPhotographyPage::TakePastRows(const std::string& question) { return Confirm(question); }

bool TPhotographyPage::RetakeRows(const std::string& question) { return Confirm(question); }

void TPhotographyPage::StepDone(const RunStep& /*step*/) {}

}  // namespace tevra
