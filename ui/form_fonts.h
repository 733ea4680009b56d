#pragma once
// The forms name the faces of the original design ("AR MingtiM GB", "新宋体",
// "Arial", "Verdana") in points at 96 dots per inch; these functions make them
// real on this system.
#include <QObject>
#include <QString>

class QPlainTextEdit;
class QWidget;

namespace kesmal {

// Maps each named face to the installed face that stands in for it.
void InstallFontSubstitutes();

// For every widget of the form that sets its own font: fixes the size in
// pixels, so that a desktop's font scaling cannot push text out of the fixed
// layout; sizes the font by its cell (ascent plus descent) where the dynamic
// property "cellHeight" asks for it; and gives a Ming face without the Chinese
// character set (dynamic property "charset" other than "GB2312") proportional
// Latin and Cyrillic.
void ApplyFormFonts(QWidget* form);

// While it lives, a font given to a widget of the form names the stand-ins of
// its faces at once, in pixels, and the widgets hear of their font changes
// only when it ends, once each: building the form and fitting its captions
// then lay out no text in a face that is not installed, nor in a font that
// is about to change. A list hears of its font change only from
// ReleaseHeldFont, since that builds its drop-down part.
class FormFontsHeld : public QObject {
 public:
  explicit FormFontsHeld(QWidget* form);
  ~FormFontsHeld() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* form_;
};

// Tells a widget whose font change was held for later.
void ReleaseHeldFont(QWidget* widget);

// Every caption of the form (labels, buttons, radio buttons, group titles and
// the chosen item of a list) fits its control, whose place and size stay as
// the form gives them: a caption too wide takes its Latin and Cyrillic letters
// from a narrow face, and if that is not enough, its face is scaled down. A
// list fits again at every choice.
void FitCaptions(QWidget* form);

// Fits one widget's caption again, after its text changed.
void FitCaption(QWidget* widget);

// The room a widget's style gives its caption, in pixels, and the caption; a
// room of -1 for a widget without one.
struct CaptionRoom {
  QString text;
  int room = -1;
};
CaptionRoom CaptionRoomOf(const QWidget& widget);

// The report area draws ASCII letters and digits from a face where l, I and 1,
// and 0 and O, differ, at the advance of the Ming face's own; Chinese text
// stays in the Ming face.
void DrawLatinClearly(QPlainTextEdit& area);

}  // namespace kesmal
