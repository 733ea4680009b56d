#pragma once
// The desktop's own style with the forms' lists as designed: a list drops
// down under its control (not over it), and shows its own flat colours, closed
// and opened, instead of the style's gradient and grey menu.
#include <QProxyStyle>

namespace kesmal {

class FormStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget = nullptr) const override;
  using QProxyStyle::polish;
  void polish(QWidget* widget) override;
};

}  // namespace kesmal
