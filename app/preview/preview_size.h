// The size the preview shows a picture at: one rule for every decoder of the preview.
#pragma once

#include <QSize>

// The size the preview shows an image of `imageSize` at in a `box`: an image wider than high fills
// the box's width, any other its height, keeping the aspect ratio; never below 1x1. Empty when
// either size is empty.
QSize previewSize(QSize imageSize, QSize box);
