// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/main_window.h"

#include "shell/abort_presenter.h"
#include "shell/licence.h"
#include "shell/night_look.h"
#include "shell/user_guide.h"
#include "shell/version_info.h"
#include "state/night_mode.h"
#include "state/site_settings.h"
#include "state/variables.h"
#include "timing/catalogue.h"
#include "timing/countdown.h"
#include "timing/time_text.h"
#include "timing/time_zones.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tevra {
namespace {

constexpr int StatusBarHeight = 24;
constexpr int CanvasHeight = MainClientHeight - StatusBarHeight;
constexpr int ContactTop = 118;
constexpr int ContactBottom = 530;
constexpr int ContactRowHeight = (ContactBottom - ContactTop) / static_cast<int>(ContactCount);
constexpr int PanelWidth = 380;
constexpr int PanelHeight = 480;
constexpr int ZoneItemHeight = 23;

constexpr Rgb WindowGrey{128, 128, 128};  // the system's grey-text colour
constexpr Rgb Maroon{128, 0, 0};
constexpr Rgb LightGrey{208, 208, 208};
constexpr Rgb Black{0, 0, 0};
constexpr Rgb White{255, 255, 255};

// The number tevra-cli knows the eclipse by.
std::string CatalogueNumberText(int number) { return "Catalogue number " + std::to_string(number); }

// By night a contact passed is dim and one hidden stays black on its black row.
Paint ContactPaint(ContactState state) {
  switch (state) {
    case ContactState::Ahead:
      return Paint::Text;
    case ContactState::Passed:
      return Paint::DimText;
    case ContactState::Hidden:
      return Paint::Background;
  }
  return Paint::Text;
}

QFont PixelFont(const char* family, int pixels, bool bold = false) {
  QFont font(QString::fromLatin1(family));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

template <typename Label>
Label* PlaceLabel(Label* label, QRect place, Qt::Alignment align) {
  label->setGeometry(place);
  label->setAlignment(align | Qt::AlignVCenter);
  return label;
}

QLabel* MakeLabel(QWidget* parent, QRect place, const QFont& font, Qt::Alignment align = Qt::AlignCenter) {
  auto* label = new QLabel(parent);
  label->setFont(font);
  return PlaceLabel(label, place, align);
}

// Palette changes are only made when the colour differs: the timer sets them on every tick.
void SetTextColour(QLabel* label, const QColor& colour) {
  if (label->palette().color(QPalette::WindowText) != colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
  }
}

void SetBackground(QWidget* widget, const QColor& colour) {
  widget->setAutoFillBackground(true);
  if (widget->palette().color(QPalette::Window) != colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
  }
}

void SetText(QLabel* label, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  if (label->text() != shown) {
    label->setText(shown);
  }
}

QFrame* MakeBar(QWidget* parent, QRect place) {
  auto* bar = new QFrame(parent);
  bar->setGeometry(place);
  bar->setAutoFillBackground(true);
  return bar;
}

// The zone list's rows keep the design's height whatever the style would make of the font.
class FixedHeightDelegate : public QStyledItemDelegate {
 public:
  FixedHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
  }

 private:
  int height_;
};

// The eclipse selector. Left and Right move it the way its arrow buttons do (a plain scroll bar
// runs them the other way round), and as it has no page step a click into the trough moves it
// one step toward the click, like the arrow on that side.
class StepScrollBar : public QScrollBar {
 public:
  using QScrollBar::QScrollBar;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
      triggerAction(event->key() == Qt::Key_Right ? SliderSingleStepAdd : SliderSingleStepSub);
      event->accept();
      return;
    }
    QScrollBar::keyPressEvent(event);
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) {
      QStyleOptionSlider option;
      initStyleOption(&option);
      const QStyle::SubControl hit =
          style()->hitTestComplexControl(QStyle::CC_ScrollBar, &option, event->position().toPoint(), this);
      if (hit == QStyle::SC_ScrollBarAddPage || hit == QStyle::SC_ScrollBarSubPage) {
        triggerAction(hit == QStyle::SC_ScrollBarAddPage ? SliderSingleStepAdd : SliderSingleStepSub);
        event->accept();
        return;
      }
    }
    QScrollBar::mousePressEvent(event);
  }
};

// The zone selector opens its list as soon as the user types, and the key goes on to the list's
// own search, so that a typed name is chosen from the open list rather than applied at once.
class DropDownOnTyping : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* combo = qobject_cast<QComboBox*>(watched);
    if (combo == nullptr || event->type() != QEvent::KeyPress || combo->view()->isVisible()) {
      return false;
    }
    const QString text = static_cast<QKeyEvent*>(event)->text();
    if (text.isEmpty() || !text.at(0).isPrint()) {
      return false;
    }
    combo->showPopup();
    QCoreApplication::sendEvent(combo->view(), event);
    return true;
  }
};

QPixmap MoonPicture(bool night) {
  QPixmap picture(26, 33);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(150, 40, 20));
  painter.drawEllipse(QRectF(1, 4, 24, 24));
  painter.setBrush(QColor(230, 200, 160));
  painter.drawChord(QRectF(1, 4, 24, 24), 60 * 16, 120 * 16);
  return night ? QPixmap::fromImage(NightImage(picture.toImage())) : picture;
}

}  // namespace

TForm_Main::TForm_Main(MainWindowEnvironment environment, QWidget* parent)
    : QMainWindow(parent), environment_(std::move(environment)) {
  if (!environment_.showMessage) {
    environment_.showMessage = &ShowMessageBox;
  }
  if (!environment_.terminate) {
    environment_.terminate = [] { std::exit(EXIT_FAILURE); };
  }
  if (!environment_.clock) {
    environment_.clock = &SystemLocalJD;
  }
  if (!environment_.askSite) {
    environment_.askSite = [this](const std::optional<ObservingSite>& current) {
      return AskObservingSite(this, current);
    };
  }
  if (!environment_.utcOffsetHours) {
    environment_.utcOffsetHours = &ComputerUtcOffsetHours;
  }
  if (!environment_.nowUT) {
    environment_.nowUT = [] { return SystemLocalJD() - ComputerUtcOffsetHours() / 24; };
  }
  if (!environment_.openUrl) {
    environment_.openUrl = &QDesktopServices::openUrl;
  }
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  BuildComponents();
  BuildMenus();
  PaintColours();
  FormCreate();
}

void TForm_Main::BuildComponents() {
  ClientArea = new QScrollArea(this);
  ClientArea->setFrameShape(QFrame::NoFrame);
  ClientArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ClientArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* canvas = new QWidget;
  canvas->setFixedSize(MainClientWidth, CanvasHeight);
  canvas->setFont(PixelFont("MS Sans Serif", 13));
  canvas->setAutoFillBackground(true);
  ClientArea->setWidget(canvas);
  setCentralWidget(ClientArea);

  bars_ = {MakeBar(canvas, {0, 0, MainClientWidth, 6}), MakeBar(canvas, {0, 530, MainClientWidth, 6}),
           MakeBar(canvas, {361, 0, 8, 536}), MakeBar(canvas, {914, 0, 8, 536})};
  contactArea_ = new QFrame(canvas);
  contactArea_->setGeometry(369, ContactTop, 545, ContactBottom - ContactTop);

  Label_EclSelection = MakeLabel(canvas, {2, 7, 358, 35}, PixelFont("Arial", 30, true));
  Label_EclSelection->setText(QStringLiteral("Lunar Eclipse Selection"));

  ScrollBar_Eclipse = new StepScrollBar(Qt::Horizontal, canvas);
  ScrollBar_Eclipse->setGeometry(2, 43, 357, 34);
  ScrollBar_Eclipse->setRange(1, EclipseCount);
  ScrollBar_Eclipse->setPageStep(0);
  ScrollBar_Eclipse->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  connect(ScrollBar_Eclipse, &QScrollBar::valueChanged, this, [this] { ScrollBar_EclipseChange(); });

  Label_Datum = MakeLabel(canvas, {2, 78, 358, 35}, PixelFont("Arial", 35, true));
  MoFiTyp_Label = MakeLabel(canvas, {2, 113, 358, 32}, PixelFont("Arial", 25, true));
  Label_Zeit = MakeLabel(canvas, {2, 145, 358, 24}, PixelFont("MS Sans Serif", 20));
  Label_Deltat = MakeLabel(canvas, {2, 169, 358, 24}, PixelFont("MS Sans Serif", 15));
  Label_EclNumber = MakeLabel(canvas, {2, 192, 358, 17}, PixelFont("MS Sans Serif", 13));
  Label_TZSetting = MakeLabel(canvas, {2, 210, 228, 29}, PixelFont("Arial", 23, true));
  Label_TZSetting->setText(QStringLiteral("Time zone selection"));

  ComboBox_TZone = new QComboBox(canvas);
  ComboBox_TZone->setGeometry(232, 208, 129, 31);
  ComboBox_TZone->setFont(PixelFont("Arial", 20));
  ComboBox_TZone->setEditable(false);
  ComboBox_TZone->setFrame(false);
  ComboBox_TZone->setItemDelegate(new FixedHeightDelegate(ZoneItemHeight, ComboBox_TZone));
  ComboBox_TZone->installEventFilter(new DropDownOnTyping(ComboBox_TZone));
  connect(ComboBox_TZone, &QComboBox::currentIndexChanged, this, [this] { ComboBox_TZoneChange(); });

  Label12 = MakeLabel(canvas, {369, 7, 544, 35}, PixelFont("Arial", 30, true));
  Label12->setText(QStringLiteral("System Time"));
  Label_UT = MakeLabel(canvas, {369, 43, 371, 35}, PixelFont("Arial", 28, true));
  Label_SysTime_TZ = MakeLabel(canvas, {740, 43, 174, 35}, PixelFont("Arial", 24, true), Qt::AlignLeft);
  Label13 = MakeLabel(canvas, {369, 79, 544, 37}, PixelFont("Arial", 30));
  Label13->setText(QStringLiteral("Contact times"));

  // Below the zone selection, where the design leaves the left panel empty.
  Label_Site = MakeLabel(canvas, {2, 262, 358, 24}, PixelFont("MS Sans Serif", 15, true));
  Label_MoonAtSite = MakeLabel(canvas, {2, 288, 358, 96}, PixelFont("MS Sans Serif", 15), Qt::AlignHCenter);
  Label_MoonAtSite->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label_MoonAtSite->setWordWrap(true);
  Label_Site->hide();
  Label_MoonAtSite->hide();

  for (size_t i = 0; i < ContactCount; ++i) {
    const int top = ContactTop + 3 + static_cast<int>(i) * ContactRowHeight;
    TimeLabels[i] = MakeLabel(canvas, {373, top, 305, ContactRowHeight - 6},
                              PixelFont("Arial Narrow", 27, true), Qt::AlignLeft);
    DiffLabels[i] = PlaceLabel(new FittingLabel(PixelFont("Arial Narrow", 24, true), canvas),
                               {680, top, 146, ContactRowHeight - 6}, Qt::AlignRight);
    ZoneLabels[i] =
        MakeLabel(canvas, {828, top, 86, ContactRowHeight - 6}, PixelFont("Arial Narrow", 17), Qt::AlignLeft);
  }

  statusBar()->setSizeGripEnabled(false);
  statusBar()->setFixedHeight(StatusBarHeight);
  for (size_t i = 0; i < StatusPanels.size(); ++i) {
    StatusPanels[i] = new FittingLabel(PixelFont("MS Sans Serif", 13), statusBar());
    StatusPanels[i]->setFrameShape(QFrame::Panel);
    StatusPanels[i]->setFrameShadow(QFrame::Sunken);
    if (i + 1 < StatusPanels.size()) {
      StatusPanels[i]->setFixedWidth(150);
      statusBar()->addWidget(StatusPanels[i]);
    } else {
      statusBar()->addWidget(StatusPanels[i], 1);
    }
  }

  Panel_About = new QFrame(canvas);
  Panel_About->setGeometry(331, 35, PanelWidth, PanelHeight);
  Panel_About->setFrameShape(QFrame::Panel);
  Panel_About->setFrameShadow(QFrame::Raised);
  Image1 = new QLabel(Panel_About);
  Image1->setGeometry(8, 8, 26, 33);
  Label_AboutTitle =
      MakeLabel(Panel_About, {42, 8, 330, 33}, PixelFont("MS Sans Serif", 20, true), Qt::AlignLeft);
  StringGrid_VersionsInfo = new QTableWidget(static_cast<int>(VersionGridRowCount), 2, Panel_About);
  StringGrid_VersionsInfo->setGeometry(8, 48, PanelWidth - 16,
                                       19 * static_cast<int>(VersionGridRowCount) + 4);
  StringGrid_VersionsInfo->horizontalHeader()->hide();
  StringGrid_VersionsInfo->verticalHeader()->hide();
  StringGrid_VersionsInfo->verticalHeader()->setMinimumSectionSize(19);
  StringGrid_VersionsInfo->verticalHeader()->setDefaultSectionSize(19);
  StringGrid_VersionsInfo->setFont(PixelFont("MS Sans Serif", 13, true));
  StringGrid_VersionsInfo->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid_VersionsInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGrid_VersionsInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int gridBottom = StringGrid_VersionsInfo->geometry().bottom();
  Label_AboutLicence =
      MakeLabel(Panel_About, {8, gridBottom + 6, PanelWidth - 16, PanelHeight - 56 - gridBottom},
                PixelFont("MS Sans Serif", 12), Qt::AlignLeft | Qt::AlignTop);
  Label_AboutLicence->setWordWrap(true);
  Label_AboutLicence->setText(
      QString::fromUtf8(LicenceNotice.data(), static_cast<qsizetype>(LicenceNotice.size())));
  SetTextColour(Label_AboutLicence, Qt::black);
  Button_About_Guide = new QPushButton(QStringLiteral("User Guide"), Panel_About);
  Button_About_Guide->setGeometry(PanelWidth / 2 - 100, PanelHeight - 48, 90, 30);
  connect(Button_About_Guide, &QPushButton::clicked, this, [this] { Hilfe2Click(); });
  Button_About_OK = new QPushButton(QStringLiteral("OK"), Panel_About);
  Button_About_OK->setGeometry(PanelWidth / 2 + 10, PanelHeight - 48, 90, 30);
  connect(Button_About_OK, &QPushButton::clicked, this, [this] { Button_About_OKClick(); });
  Panel_About->hide();

  Timer1 = new QTimer(this);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void TForm_Main::PaintColours() {
  QWidget* canvas = ClientArea->widget();
  QPalette palette = canvas->palette();
  palette.setColor(QPalette::Window, ShownQColor(WindowGrey, Paint::Background));
  palette.setColor(QPalette::WindowText, ShownQColor(White, Paint::Text));
  canvas->setPalette(palette);
  for (QFrame* bar : bars_) {
    SetBackground(bar, ShownQColor(Maroon, Paint::Line));
  }
  SetBackground(contactArea_, ShownQColor(Black, Paint::Background));
  SetBackground(Label_EclSelection, ShownQColor(LightGrey, Paint::Background));
  SetTextColour(Label_EclSelection, ShownQColor(Black, Paint::Text));
  SetTextColour(Label12, ShownQColor(Black, Paint::Text));
  SetBackground(Panel_About, ShownQColor(LightGrey, Paint::Background));
  SetTextColour(Label_AboutTitle, ShownQColor(Black, Paint::Text));
  Image1->setPixmap(MoonPicture(Night.on));
  // The menus' icons come from the style, which the night view replaces.
  Exit_and_save->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  Version1->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
  Hilfe2->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
}

void TForm_Main::BuildMenus() {
  QMenu* file1 = menuBar()->addMenu(QStringLiteral("&File"));
  Exit_and_save = file1->addAction(QStringLiteral("E&xit"));
  connect(Exit_and_save, &QAction::triggered, this, [this] { Exit_and_saveClick(); });

  // Disabled until the camera and exposure windows register their hooks.
  Tests = menuBar()->addAction(QStringLiteral("&Camera"));
  Tests->setEnabled(false);
  connect(Tests, &QAction::triggered, this, [this] { TestsClick(); });
  Exposure_Tables = menuBar()->addAction(QStringLiteral("&Exposure Tables"));
  Exposure_Tables->setEnabled(false);
  connect(Exposure_Tables, &QAction::triggered, this, [this] { Exposure_TablesClick(); });

  QMenu* options1 = menuBar()->addMenu(QStringLiteral("&Options"));
  Zehntelsekunden = options1->addAction(QStringLiteral("Tenths of seconds"));
  Zehntelsekunden->setCheckable(true);
  Zehntelsekunden->setChecked(false);
  // The check mark is toggled by the handler itself, as creation runs it once to apply the state.
  connect(Zehntelsekunden, &QAction::triggered, this, [this] {
    Zehntelsekunden->setChecked(!Zehntelsekunden->isChecked());
    ZehntelsekundenClick();
  });
  MinuteAcc = options1->addAction(QStringLiteral("Eclipse times rounded to 15 sec."));
  MinuteAcc->setCheckable(true);
  MinuteAcc->setChecked(true);
  connect(MinuteAcc, &QAction::triggered, this, [this] {
    MinuteAcc->setChecked(!MinuteAcc->isChecked());
    MinuteAccClick();
  });
  options1->addSeparator();
  ObservingSite1 = options1->addAction(QStringLiteral("Observing site ..."));
  connect(ObservingSite1, &QAction::triggered, this, [this] { ObservingSite1Click(); });
  SpokenAnnouncements = options1->addAction(QStringLiteral("Spoken announcements"));
  SpokenAnnouncements->setCheckable(true);
  connect(SpokenAnnouncements, &QAction::triggered, this, [this] { SpokenAnnouncementsClick(); });

  QMenu* view1 = menuBar()->addMenu(QStringLiteral("&View"));
  NightMode1 = view1->addAction(QStringLiteral("Night Mode"));
  NightMode1->setCheckable(true);
  NightMode1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
  NightMode1->setShortcutContext(Qt::ApplicationShortcut);
  connect(NightMode1, &QAction::triggered, this, [this] { NightModeClick(); });
  QMenu* brightness = view1->addMenu(QStringLiteral("Night Brightness"));
  auto* levels = new QActionGroup(brightness);
  for (const int level : NightBrightnessLevels) {
    QAction* item = brightness->addAction(QString::number(level) + QStringLiteral(" %"));
    item->setCheckable(true);
    item->setData(level);
    levels->addAction(item);
    connect(item, &QAction::triggered, this, [this, level] { NightBrightnessClick(level); });
  }
  NightBrightness1 = brightness;

  menuBar()->addAction(QString())->setEnabled(false);

  QMenu* about1 = menuBar()->addMenu(QStringLiteral("&About"));
  Version1 = about1->addAction(QStringLiteral("Tevra &Version"));
  connect(Version1, &QAction::triggered, this, [this] { Version1Click(); });
  // F1 opens the guide from the camera and exposure windows as well.
  Hilfe2 = about1->addAction(QStringLiteral("Tevra &User Guide"));
  Hilfe2->setShortcut(QKeySequence::HelpContents);
  Hilfe2->setShortcutContext(Qt::ApplicationShortcut);
  connect(Hilfe2, &QAction::triggered, this, [this] { Hilfe2Click(); });
}

void TForm_Main::FormCreate() {
  if (!LoadParameters()) {
    return;  // the incompatible file is gone and the program is ending
  }
  const std::string key = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  RegProductName = ReadRegistryString(key, "ProductName");
  RegCSDVersion = ReadRegistryString(key, "CSDVersion");
  RegBuildLab = ReadRegistryString(key, "BuildLab");

  {
    const QSignalBlocker blocker(ComboBox_TZone);
    ComboBox_TZone->clear();
    for (const tTZone_Ary& zone : TimeZoneTable()) {
      ComboBox_TZone->addItem(QString::fromStdString(UnpaddedZoneName(zone)));
    }
    // A damaged file may hold a row the table lacks; the selector must always have one.
    const int32_t zone = ParameterRecord.TimeZoneIndex;
    ComboBox_TZone->setCurrentIndex(zone >= 0 && zone < TimeZoneCount ? zone : DefaultTimeZoneIndex);
  }
  {
    const QSignalBlocker blocker(ScrollBar_Eclipse);
    ScrollBar_Eclipse->setValue(ParameterRecord.EclipseIndex);  // clamped to 1..143
  }
  Zehntelsekunden->setChecked(!ParameterRecord.ShowTenths);
  ZehntelsekundenClick();
  MinuteAcc->setChecked(!ParameterRecord.RoundContacts);
  MinuteAccClick();
  LoadSiteSettingsFile();
  ScrollBar_Eclipse->setMaximum(EclipseCount);

  int frameHeight = MainClientHeight + menuBar()->sizeHint().height();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect available = screen->geometry();
    if (available.height() < 768) {
      ClientArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      ClientArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      frameHeight = std::min(frameHeight, available.height() - 150);
    }
    setFixedSize(MainClientWidth, frameHeight);
    move((available.width() - frameGeometry().width()) / 2, 150);
  } else {
    setFixedSize(MainClientWidth, frameHeight);
  }

  Report(DeleteCameraIni(DocumentsFolder));
  FillVersionGrid();
  StringGrid_VersionsInfo->setColumnWidth(0, 150);
  StringGrid_VersionsInfo->setColumnWidth(1, 200);
  Timer1->start();
  // A window manager may show the window without activating it: the caption and the first paint
  // must not wait for that, nor count down from a clock never read to an eclipse never selected.
  FormActivate();
  Timer1Timer();
}

bool TForm_Main::LoadParameters() {
  const std::string path = SettingsFolder + ParameterFileName;
  FirstStartChoice choice;
  choice.eclipseIndex = NextEclipseIndex(environment_.nowUT());
  choice.timeZoneIndex = ZoneRowOfOffset(environment_.utcOffsetHours());
  const LoadResult result = LoadParameterFile(path, ProgramVersion, ParameterRecord, choice);
  switch (result.outcome) {
    case LoadOutcome::Loaded:
    case LoadOutcome::Created:
      return true;
    case LoadOutcome::Failed:
      Report(result.error);  // the record holds the first-start values
      return true;
    case LoadOutcome::Incompatible: {
      environment_.showMessage(IncompatibleCaption, IncompatibleText(result.storedVersion));
      std::error_code ec;
      std::filesystem::remove(path, ec);
      if (ec) {
        Report("Cannot delete " + path + ": " + ec.message());
      }
      loadAborted_ = true;
      environment_.terminate();
      return false;
    }
  }
  return false;
}

void TForm_Main::LoadSiteSettingsFile() {
  std::string error;
  const SiteSettings settings = LoadSiteSettings(SettingsFolder + SiteSettingsFileName, error);
  Report(error);
  CurrentSite = settings.site;
  AnnouncementSound = settings.announcementSound;
  SpokenAnnouncements->setChecked(AnnouncementSound);
  Night = settings.night;
  ApplyNightMode();
}

void TForm_Main::SaveSiteSettingsFile() {
  if (loadAborted_) {
    return;
  }
  SiteSettings settings;
  settings.site = CurrentSite;
  settings.announcementSound = AnnouncementSound;
  settings.night = Night;
  Report(SaveSiteSettings(SettingsFolder + SiteSettingsFileName, settings));
}

void TForm_Main::ObservingSite1Click() {
  const std::optional<SiteChoice> choice = environment_.askSite(CurrentSite);
  if (!choice) {
    return;
  }
  CurrentSite = choice->site;
  moonContacts_.reset();
  SaveSiteSettingsFile();
  ShowMoonAtSite();
}

void TForm_Main::SpokenAnnouncementsClick() {
  AnnouncementSound = SpokenAnnouncements->isChecked();
  SaveSiteSettingsFile();
}

void TForm_Main::NightModeClick() {
  Night.on = NightMode1->isChecked();
  SaveSiteSettingsFile();
  ApplyNightMode();
}

void TForm_Main::NightBrightnessClick(int percent) {
  Night.brightness = percent;
  SaveSiteSettingsFile();
  ApplyNightMode();
}

void TForm_Main::SetNightModeHook(std::function<void()> apply) { applyNightMode_ = std::move(apply); }

void TForm_Main::ApplyNightMode() {
  NightMode1->setChecked(Night.on);
  for (QAction* level : NightBrightness1->actions()) {
    level->setChecked(level->data().toInt() == Night.brightness);
  }
  ApplyNightLook();
  PaintColours();
  if (applyNightMode_) {
    applyNightMode_();
  }
  if (Timer1->isActive()) {
    Timer1Timer();  // the contact rows in their new colours now, not at the next tick
  }
}

void TForm_Main::ShowMoonAtSite() {
  if (!CurrentSite) {
    Label_Site->hide();
    Label_MoonAtSite->hide();
    for (QLabel* label : TimeLabels) {
      label->setToolTip(QString());
    }
    return;
  }
  const std::array<double, ContactCount> contacts = {JD_P1, JD_U1, JD_U2, JD_Mx, JD_U3, JD_U4, JD_P4};
  if (moonContacts_ == contacts) {
    return;
  }
  moonContacts_ = contacts;
  const ContactMoons moons = MoonAtCurrentContacts(*CurrentSite);
  for (size_t i = 0; i < ContactCount; ++i) {
    TimeLabels[i]->setToolTip(moons[i] ? QString::fromStdString(ContactMoonTip(ContactNames[i], *moons[i]))
                                       : QString());
  }
  SetText(Label_Site, SiteDescription(*CurrentSite));
  SetText(Label_MoonAtSite, MoonAtContactsLine(moons));
  Label_Site->show();
  Label_MoonAtSite->show();
}

void TForm_Main::Report(const std::string& error) {
  if (!error.empty()) {
    environment_.showMessage("Tevra", error);
  }
}

void TForm_Main::SetExposureChoicesSource(const ExposureChoicesSource* source) { exposureChoices_ = source; }

void TForm_Main::SetCameraWindowHook(std::function<void()> show) {
  showCamera_ = std::move(show);
  Tests->setEnabled(static_cast<bool>(showCamera_));
}

void TForm_Main::SetExposureWindowHook(std::function<void()> show) {
  showExposure_ = std::move(show);
  Exposure_Tables->setEnabled(static_cast<bool>(showExposure_));
}

void TForm_Main::SelectEclipseNumber(int number) {
  const QSignalBlocker blocker(ScrollBar_Eclipse);
  ScrollBar_Eclipse->setValue(number);
  ScrollBar_EclipseChange();
}

void TForm_Main::FormActivate() {
  setWindowTitle(QStringLiteral("Tevra  Vers.") + StringGrid_VersionsInfo->item(3, 1)->text());
  Panel_About->hide();
  ComboBox_TZoneChange();
  ScrollBar_EclipseChange();
}

void TForm_Main::ComboBox_TZoneChange() {
  const int row = ComboBox_TZone->currentIndex();
  ApplyTimeZone(row);  // a row outside the table is taken as the default row
  const tTZone_Ary& zone =
      TimeZoneTable()[static_cast<size_t>(row >= 0 && row < TimeZoneCount ? row : DefaultTimeZoneIndex)];
  StatusPanels[0]->SetFittedText(QString::fromStdString("TZAbk: " + ZoneLabel));
  StatusPanels[1]->SetFittedText(QString::fromStdString("TZone: " + GeneralStr(zone.Offset)));
  StatusPanels[2]->SetFittedText(QString::fromStdString(zone.Description));
  ScrollBar_Eclipse->setFocus();
}

void TForm_Main::ScrollBar_EclipseChange() {
  SelectEclipse(ScrollBar_Eclipse->value());
  SetText(Label_EclNumber, CatalogueNumberText(ScrollBar_Eclipse->value()));
  ShowGreatestEclipse();
  RefreshContactTimes();
}

void TForm_Main::ShowGreatestEclipse() {
  const GreatestEclipseTexts texts = GreatestEclipseLabels();
  SetText(Label_Datum, texts.date);
  SetText(MoFiTyp_Label, texts.type);
  SetText(Label_Zeit, texts.time);
  SetText(Label_Deltat, texts.deltaT);
}

void TForm_Main::RefreshContactTimes() { ApplyContactRows(ContactLabels(NowJD, MinuteAcc->isChecked())); }

void TForm_Main::Timer1Timer() {
  const CountdownDisplay display = CountdownTick(environment_.clock, MinuteAcc->isChecked());
  ApplyClockLine(display.clock);
  ApplyContactRows(display.contacts);
}

void TForm_Main::ApplyContactRows(const ContactRows& rows) {
  ShowMoonAtSite();
  // By night the colours cannot tell ahead from passed: the next contact is the one in bold.
  const auto next = std::find_if(rows.begin(), rows.end(),
                                 [](const ContactRow& row) { return row.state == ContactState::Ahead; });
  for (size_t i = 0; i < ContactCount; ++i) {
    const ContactRow& row = rows[i];
    SetText(TimeLabels[i], row.timeText);
    DiffLabels[i]->SetFittedText(QString::fromStdString(row.countdownText));
    SetText(ZoneLabels[i], row.zoneText);
    const Paint paint = ContactPaint(row.state);
    SetTextColour(TimeLabels[i], ShownQColor(row.timeColour, paint));
    SetTextColour(DiffLabels[i], ShownQColor(row.countdownColour, paint));
    SetTextColour(ZoneLabels[i], ShownQColor(row.zoneColour, paint));
    const bool bold = !Night.on || next == rows.begin() + static_cast<std::ptrdiff_t>(i);
    if (TimeLabels[i]->font().bold() != bold) {
      QFont font = TimeLabels[i]->font();
      font.setBold(bold);
      TimeLabels[i]->setFont(font);
    }
    DiffLabels[i]->SetDesignBold(bold);
  }
}

void TForm_Main::ApplyClockLine(const ClockLine& line) {
  SetText(Label12, line.headerText);
  SetText(Label_UT, line.clockText);
  SetText(Label_SysTime_TZ, line.zoneText);
  SetBackground(Label12, ShownQColor(line.headerBackground, Paint::Background));
  SetBackground(Label_UT, ShownQColor(line.clockBackground, Paint::Background));
  SetBackground(Label_SysTime_TZ, ShownQColor(line.clockBackground, Paint::Background));
}

void TForm_Main::ZehntelsekundenClick() {
  Zehntelsekunden->setChecked(!Zehntelsekunden->isChecked());
  TenthsFlag = Zehntelsekunden->isChecked() ? 1 : 0;
  Timer1->setInterval(TimerIntervalMs(TenthsFlag));
}

void TForm_Main::MinuteAccClick() { MinuteAcc->setChecked(!MinuteAcc->isChecked()); }

void TForm_Main::TestsClick() {
  if (showCamera_) {
    showCamera_();
  }
}

void TForm_Main::Exposure_TablesClick() {
  if (showExposure_) {
    showExposure_();
  }
}

void TForm_Main::Exit_and_saveClick() {
  if (!close()) {
    return;  // the user keeps the photography run going
  }
  AbortTests = true;
  AbortTestRun = true;
  QCoreApplication::quit();
}

void TForm_Main::Hilfe2Click() {
  const std::string guide = UserGuidePath(ProgramFolder);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(guide, ec)) {
    Report("The user guide is not installed: " + guide + " is missing.");
  } else if (!environment_.openUrl(QUrl::fromLocalFile(QString::fromStdString(guide)))) {
    Report("No program could open the user guide. Open " + guide + " in a web browser.");
  }
}

void TForm_Main::Version1Click() {
  const QSize outer = frameGeometry().size();
  Panel_About->move((outer.width() - PanelWidth) / 2, (outer.height() - PanelHeight) / 2);
  Panel_About->show();
  FillVersionGrid();
  Label_AboutTitle->setText(QStringLiteral("Tevra      ") + StringGrid_VersionsInfo->item(3, 1)->text());
  Panel_About->raise();
}

void TForm_Main::Button_About_OKClick() { Panel_About->hide(); }

void TForm_Main::FillVersionGrid() {
  const std::string path = environment_.executablePath.empty()
                               ? QCoreApplication::applicationFilePath().toStdString()
                               : environment_.executablePath;
  const VersionGridRows rows = VersionRows(ReadVersionInfo(path));
  for (size_t i = 0; i < rows.size(); ++i) {
    const int row = static_cast<int>(i);
    StringGrid_VersionsInfo->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(rows[i].first)));
    // A value wider than its column shows whole in its tool tip.
    auto* value = new QTableWidgetItem(QString::fromStdString(rows[i].second));
    value->setToolTip(value->text());
    StringGrid_VersionsInfo->setItem(row, 1, value);
  }
}

bool TForm_Main::SaveParameters() {
  AbortRun = true;
  AbortTestRun = true;
  AbortTests = true;
  if (loadAborted_) {
    return true;  // the next start must find no file
  }
  MainChoices main;
  main.eclipseIndex = ScrollBar_Eclipse->value();
  main.timeZoneIndex = ComboBox_TZone->currentIndex();
  main.showTenths = Zehntelsekunden->isChecked();
  main.roundContacts = MinuteAcc->isChecked();
  if (exposureChoices_ != nullptr) {
    const ExposureChoices exposure = exposureChoices_->CurrentExposureChoices();
    CollectChoices(ParameterRecord, main, &exposure);
  } else {
    CollectChoices(ParameterRecord, main, nullptr);
  }
  const std::string written = WriteParameterFile(SettingsFolder + ParameterFileName, ParameterRecord);
  Report(written);
  const std::string kept = KeepCameraInformation(DocumentsFolder);
  Report(kept);
  return written.empty() && kept.empty();
}

void TForm_Main::closeEvent(QCloseEvent* event) {
  if (!closing_ && mayClose_ && !mayClose_()) {
    event->ignore();
    return;
  }
  // A failed save has been reported; the program still ends.
  if (!closing_) {
    closing_ = true;
    SaveParameters();
  }
  event->accept();
  // The main window's close ends the program, also while the exposure window is open.
  QCoreApplication::quit();
}

void TForm_Main::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    FormActivate();
  }
}

}  // namespace tevra
