#include "ui/form_style.h"

#include <QComboBox>
#include <QPainter>
#include <QStyleOptionComboBox>

namespace kesmal {

int FormStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const {
  if (hint == SH_ComboBox_Popup) return 0;  // a list under the control, not a menu over it
  return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void FormStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                   QPainter* painter, const QWidget* widget) const {
  const auto* list = qstyleoption_cast<const QStyleOptionComboBox*>(option);
  if (control != CC_ComboBox || !list || list->editable) {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }
  painter->save();
  const QRect box = option->rect.adjusted(0, 0, -1, -1);
  painter->fillRect(box, option->palette.base());
  const bool focused = option->state & State_HasFocus;
  painter->setPen(option->palette.color(focused ? QPalette::Highlight : QPalette::Mid));
  painter->drawRect(box);
  painter->restore();
  QStyleOptionComboBox arrow = *list;
  arrow.rect = subControlRect(CC_ComboBox, list, SC_ComboBoxArrow, widget);
  drawPrimitive(PE_IndicatorArrowDown, &arrow, painter, widget);
}

void FormStyle::polish(QWidget* widget) {
  QProxyStyle::polish(widget);
  // The opened list is a window of its own, which takes no colours from its
  // control; polished when it first opens.
  const auto* list = qobject_cast<const QComboBox*>(widget->parentWidget());
  if (!list || !widget->isWindow()) return;
  QPalette colours = list->palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    colours.setBrush(group, QPalette::Window, colours.brush(group, QPalette::Base));
    colours.setBrush(group, QPalette::WindowText, colours.brush(group, QPalette::Text));
  }
  widget->setPalette(colours);
}

}  // namespace kesmal
