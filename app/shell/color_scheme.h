// Whether the desktop's colours are dark, which decides between the black and the white icons.
#pragma once

class QEvent;

namespace pixoria::app {

// Qt 6.5 and later ask the style hints for the colour scheme; earlier versions have no such hint,
// so there the scheme is dark when the application palette's window text is lighter than its
// window.
bool isDarkColorScheme();

// The change events after which isDarkColorScheme() may answer differently: the theme change,
// and before Qt 6.5 also a change of the palette.
bool mayChangeColorScheme(const QEvent& event);

}  // namespace pixoria::app
