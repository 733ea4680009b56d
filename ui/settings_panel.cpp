#include "ui/settings_panel.h"

#include <QDateEdit>
#include <QLabel>
#include <QLocale>
#include <QPixmap>

#include "rules/random_source.h"
#include "ui/form_fonts.h"

namespace kesmal {
namespace {

// A window manager that keeps a panel elsewhere is not asked forever.
constexpr int kMostReclaims = 3;

}  // namespace

SettingsPanel::SettingsPanel(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint) {
  setAttribute(Qt::WA_ShowWithoutActivating);
}

void SettingsPanel::FinishForm() {
  setFixedSize(size());
  // The short date format of the locale, but never with a two-digit year,
  // which would leave the century of a birth date to guesswork.
  QString format = locale().dateFormat(QLocale::ShortFormat);
  if (!format.contains(QLatin1String("yyyy"))) format.replace(QLatin1String("yy"), "yyyy");
  for (QDateEdit* picker : findChildren<QDateEdit*>()) picker->setDisplayFormat(format);
}

void SettingsPanel::showEvent(QShowEvent* event) {
  if (!formCompleted_) {
    formCompleted_ = true;
    for (QLabel* label : findChildren<QLabel*>())
      if (const QString flag = label->property("flag").toString(); !flag.isEmpty())
        label->setPixmap(QPixmap(flag));
    ApplyFormFonts(this);
    FitCaptions(this);
  }
  QWidget::showEvent(event);
}

void SettingsPanel::DockAt(QPoint place) {
  docked_ = place;
  reclaims_ = 0;
  move(place);
}

void SettingsPanel::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (docked_ && pos() != *docked_ && isVisible() && reclaims_ < kMostReclaims) {
    ++reclaims_;
    move(*docked_);
  }
}

void DrawDefaultBirthDate(QDateEdit& picker) {
  const qint64 steps = RandomDraw() % 16 + 15;
  picker.setDateTime(picker.dateTime().addDays(-steps * 365));
}

CivilDate DateOf(const QDateEdit& picker) {
  const QDate date = picker.date();
  return {date.year(), date.month(), date.day()};
}

}  // namespace kesmal
