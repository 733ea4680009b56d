#include "ui/form_fonts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QSyntaxHighlighter>
#include <QVariant>
#include <QWidget>

namespace kesmal {
namespace {

const QString kMingFace = QStringLiteral("AR MingtiM GB");

// The Ming stand-in draws Latin and Cyrillic letters full-width: right for
// Chinese text, where the report's feature matrix lines up on them, but a
// Russian caption would need twice the room its button has.
const QString kWesternLettersOfMing = QStringLiteral("Liberation Serif");

// Latin and Cyrillic letters for a caption too wide for its control.
const QString kNarrowFace = QStringLiteral("Liberation Sans Narrow");
constexpr int kSmallestPixels = 6;

// Where a fitted widget keeps the font its form gave it, so that a shorter
// caption gets its full size back.
constexpr char kFormFont[] = "formFont";

// Where a widget keeps the faces its form named, once its font names their
// stand-ins.
constexpr char kFormFamilies[] = "formFamilies";

// Set on a widget while it has a font change not yet told.
constexpr char kFontHeld[] = "fontChangeHeld";

// Distinct l, I and 1, and 0 and O.
const QString kClearLatinFace = QStringLiteral("DejaVu Sans Mono");

QStringList FamiliesOf(const QFont& font) {
  QStringList families = font.families();
  if (families.isEmpty()) families << font.family();
  return families;
}

// A named face that is not installed costs a search of every installed font,
// each time a font naming it is first drawn: the font names its stand-in.
QStringList StandIns(const QFont& font) {
  QStringList families = FamiliesOf(font);
  for (QString& family : families) family = QFont::substitute(family);
  return families;
}

QFont FittedFont(QFont font, const QString& text, int room) {
  const auto width = [&font, &text] { return QFontMetrics(font).horizontalAdvance(text); };
  if (width() <= room) return font;
  QStringList families = FamiliesOf(font);
  families.prepend(kNarrowFace);
  font.setFamilies(families);
  // Each size is a font of its own to look up: start from the size the width
  // scales to, which hinting may still leave a pixel too wide.
  if (const int wide = width(); wide > room)
    font.setPixelSize(qMax(kSmallestPixels, font.pixelSize() * room / wide));
  while (width() > room && font.pixelSize() > kSmallestPixels)
    font.setPixelSize(font.pixelSize() - 1);
  return font;
}

CaptionRoom ButtonRoom(const QAbstractButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  const QStyle::SubElement contents = qobject_cast<const QPushButton*>(&button)
                                          ? QStyle::SE_PushButtonContents
                                          : QStyle::SE_RadioButtonContents;
  return {button.text(), button.style()->subElementRect(contents, &option, &button).width()};
}

CaptionRoom GroupTitleRoom(const QGroupBox& box) {
  QStyleOptionGroupBox option;
  option.initFrom(&box);
  option.text = box.title();
  option.subControls = QStyle::SC_GroupBoxLabel;
  const QRect label =
      box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
  return {box.title(), box.width() - label.left()};
}

CaptionRoom ListRoom(const QComboBox& list) {
  QStyleOptionComboBox option;
  option.initFrom(&list);
  option.currentText = list.currentText();
  const QRect field = list.style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                   QStyle::SC_ComboBoxEditField, &list);
  return {list.currentText(), field.width() - 2};  // the style keeps a pixel each side
}

bool IsAsciiLetterOrDigit(QChar c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

class ClearLatin : public QSyntaxHighlighter {
 public:
  ClearLatin(QTextDocument* report, const QFont& face) : QSyntaxHighlighter(report) {
    format_.setFont(face, QTextCharFormat::FontPropertiesSpecifiedOnly);
  }

 protected:
  void highlightBlock(const QString& text) override {
    for (qsizetype start = 0; start < text.size();) {
      qsizetype end = start;
      while (end < text.size() && IsAsciiLetterOrDigit(text[end])) ++end;
      if (end > start) setFormat(static_cast<int>(start), static_cast<int>(end - start), format_);
      start = end + 1;
    }
  }

 private:
  QTextCharFormat format_;
};

QList<QWidget*> FormWidgets(QWidget* form) {
  QList<QWidget*> widgets = form->findChildren<QWidget*>();
  widgets.prepend(form);  // parents come before their children
  return widgets;
}

// The font in pixels, naming the stand-ins of its faces.
QFont InstalledFont(QFont font) {
  if (font.pointSizeF() > 0) font.setPixelSize(qRound(font.pointSizeF() * 96.0 / 72.0));
  font.setFamilies(StandIns(font));
  return font;
}

bool NamesMingAlone(const QWidget& widget) {
  const QVariant named = widget.property(kFormFamilies);
  if (named.isValid()) return named.toStringList() == QStringList{kMingFace};
  return widget.font().family() == kMingFace && widget.font().families().size() <= 1;
}

}  // namespace

void InstallFontSubstitutes() {
  const QString ming = QStringLiteral("AR PL UMing CN");
  QFont::insertSubstitution(kMingFace, ming);
  QFont::insertSubstitution(QStringLiteral("新宋体"), ming);
  QFont::insertSubstitution(QStringLiteral("NSimSun"), ming);
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
}

FormFontsHeld::FormFontsHeld(QWidget* form) : form_(form) {
  QCoreApplication::instance()->installEventFilter(this);
}

FormFontsHeld::~FormFontsHeld() {
  QCoreApplication::instance()->removeEventFilter(this);
  for (QWidget* widget : FormWidgets(form_))
    if (widget->property(kFontHeld).toBool() && !qobject_cast<QComboBox*>(widget))
      ReleaseHeldFont(widget);
}

bool FormFontsHeld::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::FontChange || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (widget != form_ && !form_->isAncestorOf(widget)) return false;
  widget->setProperty(kFontHeld, true);
  if (widget->testAttribute(Qt::WA_SetFont)) {
    if (const QFont font = InstalledFont(widget->font()); font != widget->font()) {
      widget->setProperty(kFormFamilies, FamiliesOf(widget->font()));
      widget->setFont(font);
    }
  }
  return true;
}

void ReleaseHeldFont(QWidget* widget) {
  if (!widget->property(kFontHeld).toBool()) return;
  widget->setProperty(kFontHeld, QVariant());
  QEvent change(QEvent::FontChange);
  QCoreApplication::sendEvent(widget, &change);
}

void ApplyFormFonts(QWidget* form) {
  for (QWidget* widget : FormWidgets(form)) {
    if (!widget->testAttribute(Qt::WA_SetFont)) continue;
    QFont font = InstalledFont(widget->font());
    const bool chinese = widget->property("charset").toString() == QLatin1String("GB2312");
    if (NamesMingAlone(*widget) && !chinese)
      font.setFamilies(StandIns(QFont(QStringList{kWesternLettersOfMing, kMingFace})));
    if (const int cell = widget->property("cellHeight").toInt(); cell > 0) {
      font.setPixelSize(cell);
      const int height = QFontMetrics(font).height();
      if (height > cell) font.setPixelSize(qMax(1, cell * cell / height));
    }
    widget->setFont(font);
  }
}

CaptionRoom CaptionRoomOf(const QWidget& widget) {
  if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
    if (!label->pixmap().isNull() || label->wordWrap()) return {};
    return {label->text(), label->contentsRect().width() - 2 * label->margin()};
  }
  if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
    return ButtonRoom(*button);
  if (const auto* box = qobject_cast<const QGroupBox*>(&widget)) return GroupTitleRoom(*box);
  if (const auto* list = qobject_cast<const QComboBox*>(&widget)) return ListRoom(*list);
  return {};
}

void FitCaption(QWidget* widget) {
  const CaptionRoom caption = CaptionRoomOf(*widget);
  if (caption.room < 0) return;
  if (!widget->property(kFormFont).isValid()) widget->setProperty(kFormFont, widget->font());
  const QFont fitted =
      FittedFont(widget->property(kFormFont).value<QFont>(), caption.text, caption.room);
  if (fitted != widget->font()) widget->setFont(fitted);
}

void FitCaptions(QWidget* form) {
  for (QWidget* widget : form->findChildren<QWidget*>()) {
    FitCaption(widget);
    if (auto* list = qobject_cast<QComboBox*>(widget))
      QObject::connect(list, &QComboBox::currentIndexChanged, list, [list] { FitCaption(list); });
  }
}

void DrawLatinClearly(QPlainTextEdit& area) {
  const QFont ming = area.font();
  QFont clear(kClearLatinFace);
  clear.setPixelSize(ming.pixelSize());
  const qreal scale =
      QFontMetricsF(ming).horizontalAdvance(u'0') / QFontMetricsF(clear).horizontalAdvance(u'0');
  clear.setPixelSize(qMax(1, qRound(ming.pixelSize() * scale)));
  // At once, not at the next turn of the event loop, so that no frame shows the text without it.
  (new ClearLatin(area.document(), clear))->rehighlight();
}

}  // namespace kesmal
