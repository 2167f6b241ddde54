#pragma once
// The program's own pictures: toolbar glyphs, the program icon and the splash picture,
// drawn as vector shapes so that they stay sharp at any screen scale.
#include <QIcon>
#include <QImage>

enum class TGlyph { Open, Save, Analyse, About, Preferences, Copy, Close, Program, Export };

QIcon GlyphIcon(TGlyph glyph);
// The splash and About picture, 368 x 225 logical pixels at the given device pixel ratio.
QImage SplashPicture(qreal devicePixelRatio = 1.0);
