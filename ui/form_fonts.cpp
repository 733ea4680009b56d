#include "ui/form_fonts.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QStringList>
#include <QVariant>
#include <QWidget>

namespace kesmal {
namespace {

const QString kMingFace = QStringLiteral("AR MingtiM GB");

// The Ming stand-in draws Latin and Cyrillic letters full-width: right for
// Chinese text, where the report's feature matrix lines up on them, but a
// Russian caption would need twice the room its button has.
const QString kWesternLettersOfMing = QStringLiteral("Liberation Serif");

}  // namespace

void InstallFontSubstitutes() {
  const QString ming = QStringLiteral("AR PL UMing CN");
  QFont::insertSubstitution(kMingFace, ming);
  QFont::insertSubstitution(QStringLiteral("新宋体"), ming);
  QFont::insertSubstitution(QStringLiteral("NSimSun"), ming);
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
}

void ApplyFormFonts(QWidget* form) {
  QList<QWidget*> widgets = form->findChildren<QWidget*>();
  widgets.prepend(form);  // parents come before their children
  for (QWidget* widget : widgets) {
    if (!widget->testAttribute(Qt::WA_SetFont)) continue;
    QFont font = widget->font();
    if (font.pointSizeF() > 0) font.setPixelSize(qRound(font.pointSizeF() * 96.0 / 72.0));
    const bool chinese = widget->property("charset").toString() == QLatin1String("GB2312");
    if (font.family() == kMingFace && font.families().size() <= 1 && !chinese)
      font.setFamilies({kWesternLettersOfMing, kMingFace});
    if (const int cell = widget->property("cellHeight").toInt(); cell > 0) {
      font.setPixelSize(cell);
      const int height = QFontMetrics(font).height();
      if (height > cell) font.setPixelSize(qMax(1, cell * cell / height));
    }
    widget->setFont(font);
  }
}

void FitLabels(QWidget* form) {
  for (QLabel* label : form->findChildren<QLabel*>()) {
    if (label->pixmap().isNull() && !label->wordWrap())
      label->resize(qMax(label->width(), label->sizeHint().width()), label->height());
  }
}

}  // namespace kesmal
