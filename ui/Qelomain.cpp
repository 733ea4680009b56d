#include "ui/Qelomain.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QValidator>
#include <algorithm>
#include <ctime>
#include <optional>

#include "rules/dispatch.h"
#include "rules/random_source.h"
#include "ui/QeloCn.h"
#include "ui/QeloHk.h"
#include "ui/QeloKr.h"
#include "ui/QeloTw.h"
#include "ui/application.h"
#include "ui/dock_panel.h"
#include "ui/form_fonts.h"
#include "ui/gbk_text.h"
#include "ui/links.h"
#include "ui_Qelomain.h"

namespace kesmal {
namespace {

bool IsLineBreak(QChar c) {
  return c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar(0x85) ||
         c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// Raises a to z to capitals in whatever reaches the field: typed, pasted or set.
// A single-line field keeps only the first line of a pasted or dropped text, so
// no line break reaches a report.
class CapitalsValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override {
    const auto lineBreak = std::find_if(input.begin(), input.end(), IsLineBreak);
    if (lineBreak != input.end()) {
      input.truncate(lineBreak - input.begin());
      pos = std::min(pos, static_cast<int>(input.size()));
    }
    for (QChar& c : input)
      if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - u'a' + u'A');
    return Acceptable;
  }
};

// The character a key press types, as an 8-bit code; codes past ASCII come
// out as 128 or more. None for keys that type nothing (arrows, Delete, Home,
// End, Tab, which moves the focus).
std::optional<int> TypedCode(const QKeyEvent& key) {
  const bool control = key.modifiers() & Qt::ControlModifier;
  switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return control ? 10 : 13;
    case Qt::Key_Backspace: return control ? 127 : 8;
    case Qt::Key_Escape: return 27;
    default: break;
  }
  if (key.key() >= Qt::Key_Escape) return std::nullopt;  // the keys that type nothing
  if (control) {
    if (key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z) return key.key() - Qt::Key_A + 1;
    return std::nullopt;
  }
  const QString text = key.text();
  if (text.isEmpty()) return std::nullopt;
  if (text.size() > 1) return 128;
  return text.front().unicode();
}

bool FieldTakes(int code) {
  return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') ||
         (code >= 'a' && code <= 'z') || code == 8 || code == 3 || code == 22 || code == '.';
}

}  // namespace

TfrmMain::TfrmMain(int screenWidth, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TfrmMain>()), screenWidth_(screenWidth) {
  {
    const FormFontsHeld held(this);
    ui_->setupUi(this);
    ApplyFormFonts(this);
    FitCaptions(this);
  }
  // Before the first paint: the report area's first frame already shows text.
  DrawLatinClearly(*ui_->meoShow);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(size());
  // Drawn once: the application's icon, where the application has drawn it.
  const QIcon shared = QGuiApplication::windowIcon();
  setWindowIcon(shared.isNull() ? KesmalIcon() : shared);
  CentreWithFrame();  // again once the window manager has framed it

  ui_->edtId->setValidator(new CapitalsValidator(ui_->edtId));
  ui_->edtId->setAttribute(Qt::WA_InputMethodEnabled, false);
  ui_->edtId->installEventFilter(this);
  ui_->lblWeb->installEventFilter(this);
  ui_->lblMail->installEventFilter(this);
  ui_->cbxType->setCurrentIndex(-1);
  ui_->edtId->setFocus();

  connect(ui_->edtId, &QLineEdit::textChanged, this, &TfrmMain::edtIdChange);
  connect(ui_->btnCheck, &QPushButton::clicked, this, &TfrmMain::btnCheckClick);
  connect(ui_->btnCut, &QPushButton::clicked, this, &TfrmMain::btnCutClick);
  connect(ui_->btnClean, &QPushButton::clicked, this, &TfrmMain::btnCleanClick);
  connect(ui_->btnExit, &QPushButton::clicked, this, &TfrmMain::btnExitClick);
  connect(ui_->cbxType, &QComboBox::activated, this, &TfrmMain::cbxTypeChange);
  connect(ui_->btnMake, &QPushButton::clicked, this, &TfrmMain::btnMakeClick);
  connect(ui_->btnUserDefine, &QPushButton::clicked, this, &TfrmMain::btnUserDefineClick);

  SeedRandom(static_cast<std::uint32_t>(std::time(nullptr)));
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (!finishQueued_) {
    finishQueued_ = true;
    QTimer::singleShot(0, this, &TfrmMain::FinishStart);
  }
}

void TfrmMain::FinishStart() {
  if (frmChina_) return;
  ReleaseHeldFont(ui_->cbxType);
  frmChina_ = new TfrmChina(this);
  frmTaiwan_ = new TfrmTaiwan(this);
  frmHongKong_ = new TfrmHongKong(this);
  frmKorea_ = new TfrmKorea(this);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->edtId) {
    if (event->type() == QEvent::KeyPress) return edtIdKeyPress(static_cast<QKeyEvent&>(*event));
    if (event->type() == QEvent::InputMethod) return true;  // half-width only
  } else if (event->type() == QEvent::MouseButtonRelease) {
    const auto& mouse = static_cast<const QMouseEvent&>(*event);
    const auto* label = static_cast<const QWidget*>(watched);
    if (mouse.button() == Qt::LeftButton && label->rect().contains(mouse.position().toPoint())) {
      if (watched == ui_->lblWeb) lblWebClick();
      if (watched == ui_->lblMail) lblMailClick();
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool TfrmMain::edtIdKeyPress(const QKeyEvent& key) {
  const std::optional<int> code = TypedCode(key);
  if (!code) return false;
  if (*code == 13) {
    ui_->btnCheck->click();
    return false;  // the field itself has no use for Enter
  }
  return !FieldTakes(*code);
}

void TfrmMain::edtIdChange() {
  const std::size_t length = ToGbk(ui_->edtId->text()).size();
  ui_->gbxId->setTitle(length == 0 ? QStringLiteral("检查字号")
                                   : QStringLiteral("检查字号 (%1)").arg(length));
  FitCaption(ui_->gbxId);
}

void TfrmMain::btnCheckClick() { CheckNumber(); }

void TfrmMain::btnCutClick() {
  FinishStart();
  const QString text = ui_->edtId->text();
  if (!text.isEmpty()) {
    QGuiApplication::clipboard()->setText(text);
    ui_->meoShow->setPlainText(QStringLiteral("已经成功将“") + text +
                               QStringLiteral("”这个字串，转移至剪贴簿中 ...."));
    ui_->edtId->clear();
  }
  ui_->edtId->setFocus();
}

void TfrmMain::btnCleanClick() {
  ui_->meoShow->clear();
  ui_->edtId->clear();
  edtIdChange();  // clearing counts as a change even when the field was empty
  ui_->edtId->setFocus();
}

void TfrmMain::btnExitClick() { close(); }

void TfrmMain::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (!framed_ && frameGeometry() != geometry()) {
    framed_ = true;
    CentreWithFrame();
  }
  if (userDefine_) Dock(SelectedPanel());
}

void TfrmMain::CentreWithFrame() {
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(pos() + screen->geometry().center() - frameGeometry().center());
}

void TfrmMain::cbxTypeChange() {
  FinishStart();
  if (!ui_->btnUserDefine->isEnabled()) {  // the first selection since start
    frmTaiwan_->FillRegions();
    frmChina_->FillProvinces();
    frmChina_->DrawDefaultDate();
    frmKorea_->DrawDefaultDate();
  }
  if (ui_->cbxType->currentIndex() < 0) {
    ui_->btnMake->setEnabled(false);
    ui_->btnUserDefine->setEnabled(false);
    return;
  }
  ui_->btnMake->setEnabled(true);
  ui_->btnUserDefine->setEnabled(true);
  if (userDefine_) {
    SettingsPanel* shown = SelectedPanel();
    Dock(shown);
    for (SettingsPanel* panel : Panels())
      if (panel != shown) panel->hide();
    shown->show();
  }
  ui_->btnMake->setFocus();
}

void TfrmMain::btnUserDefineClick() {
  userDefine_ = !userDefine_;
  if (userDefine_) {
    SetToggleCaption(QStringLiteral("《"));
    SettingsPanel* shown = SelectedPanel();
    Dock(shown);
    shown->show();
  } else {
    SetToggleCaption(QStringLiteral("》"));
    for (SettingsPanel* panel : Panels()) panel->hide();
  }
  ui_->btnMake->setFocus();
}

void TfrmMain::SetToggleCaption(const QString& caption) {
  ui_->btnUserDefine->setText(caption);
  FitCaption(ui_->btnUserDefine);
}

SettingsPanel* TfrmMain::SelectedPanel() const {
  switch (ui_->cbxType->currentIndex()) {
    case kesmal::RowOf(kesmal::Jurisdiction::HongKong): return frmHongKong_;
    case kesmal::RowOf(kesmal::Jurisdiction::China): return frmChina_;
    case kesmal::RowOf(kesmal::Jurisdiction::Korea): return frmKorea_;
    default: return frmTaiwan_;
  }
}

std::array<SettingsPanel*, kesmal::kWindowRowCount> TfrmMain::Panels() const {
  return {frmTaiwan_, frmHongKong_, frmChina_, frmKorea_};
}

void TfrmMain::Dock(SettingsPanel* panel) {
  const QRect outer = frameGeometry();
  const PanelPlace place = DockPanel({outer.left(), outer.top(), outer.width(), outer.height()},
                                     panel->width(), panel->height(), screenWidth_);
  panel->DockAt({place.left, place.top});
}

void TfrmMain::btnMakeClick() { MakeNumber(); }

void TfrmMain::lblWebClick() { QDesktopServices::openUrl(HomePageUrl()); }

void TfrmMain::lblMailClick() { QDesktopServices::openUrl(MailUrl()); }

void TfrmMain::CheckNumber() {
  FinishStart();
  if (const auto report = CheckNumberText(ToGbk(ui_->edtId->text())))
    ui_->meoShow->setPlainText(FromGbk(report->text));
  ui_->edtId->selectAll();
  ui_->edtId->setFocus();
}

void TfrmMain::MakeNumber() {
  const int jurisdiction = ui_->cbxType->currentIndex();
  const MakeSettings settings = userDefine_ ? SelectedPanel()->Settings() : MakeSettings{};
  const std::optional<std::string> number = MakeNumberText(jurisdiction, settings);
  if (!number) return;
  ui_->edtId->setText(FromGbk(*number));
  const std::string readBack = ToGbk(ui_->edtId->text());
  ui_->meoShow->setPlainText(FromGbk(CheckMadeNumber(jurisdiction, readBack).text));
}

}  // namespace kesmal
