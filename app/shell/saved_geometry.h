// The main window's position and size between runs: Qt's settings store, organisation "Corvane",
// application "Pixoria", group "MainApp", keys "posX", "posY", "width", "height" (the client area,
// without the frame).
#pragma once

#include <QRect>
#include <QSize>

namespace pixoria::app {

// The smallest size the window opens with.
inline constexpr int kMinimumRestoredWidth = 986;
inline constexpr int kMinimumRestoredHeight = 513;

// Brings a stored geometry onto a screen of `screen` size. A position off the screen (negative or
// past its far edge) becomes 100; a size below the minimum grows to it without moving the window
// (it may then run past the screen's edge); a size larger than the screen shrinks to the screen;
// otherwise a window running past the far edge moves back onto the screen.
QRect clampRestoredGeometry(const QRect& stored, const QSize& screen);

// The stored geometry (missing values read as 0), clamped to the primary screen.
QRect loadWindowGeometry();

void saveWindowGeometry(const QRect& geometry);

}  // namespace pixoria::app
