#pragma once
// The forms name the faces of the original design ("AR MingtiM GB", "新宋体",
// "Arial", "Verdana") in points at 96 dots per inch; these functions make them
// real on this system.
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

// Labels grow to the width of their caption, keeping their left edge, as
// auto-sized labels do; they never shrink below the size the form gives.
void FitLabels(QWidget* form);

}  // namespace kesmal
