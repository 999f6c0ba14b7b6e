#pragma once

#include <QImage>

// Blurs an image once, for sprites of rigid shapes that then only move: a
// blur commutes with translation, so it is never recomputed per frame. The
// image should carry a transparent margin wide enough for the spread.
QImage blurredImage(const QImage& source, double radius);
