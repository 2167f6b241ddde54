#include "ui/Glyphs.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <cmath>

namespace {

// The program icon: a round field of view with grains, one of them outlined, and a
// corner of the zone frame.
void PaintProgram(QPainter& p, double s) {
    QRadialGradient g(QPointF(0.42 * s, 0.38 * s), 0.55 * s);
    g.setColorAt(0, QColor(236, 240, 236));
    g.setColorAt(1, QColor(150, 160, 152));
    p.setPen(QPen(QColor(40, 60, 50), std::max(1.0, s / 24)));
    p.setBrush(g);
    p.drawEllipse(QRectF(0.06 * s, 0.06 * s, 0.88 * s, 0.88 * s));
    const struct { double x, y, r; } grains[] = {{0.32, 0.36, 0.09}, {0.58, 0.30, 0.07}, {0.66, 0.58, 0.11},
                                                 {0.36, 0.66, 0.07}, {0.50, 0.48, 0.05}};
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 70, 64));
    for (const auto& gr : grains) p.drawEllipse(QPointF(gr.x * s, gr.y * s), gr.r * s, gr.r * s);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 200, 0), std::max(1.0, s / 20)));
    p.drawEllipse(QPointF(0.66 * s, 0.58 * s), 0.15 * s, 0.15 * s);
    p.setPen(QPen(QColor(230, 200, 0), std::max(1.0, s / 18)));
    QPainterPath corner;
    corner.moveTo(0.18 * s, 0.42 * s);
    corner.lineTo(0.18 * s, 0.20 * s);
    corner.lineTo(0.40 * s, 0.20 * s);
    p.drawPath(corner);
}

void PaintGlyph(QPainter& p, TGlyph glyph, double s) {
    const double lw = std::max(1.0, s / 16);
    switch (glyph) {
    case TGlyph::Open: {
        // A folder, opening.
        p.setPen(QPen(QColor(120, 90, 20), lw));
        p.setBrush(QColor(240, 200, 90));
        QPainterPath back;
        back.moveTo(0.06 * s, 0.22 * s);
        back.lineTo(0.38 * s, 0.22 * s);
        back.lineTo(0.46 * s, 0.32 * s);
        back.lineTo(0.88 * s, 0.32 * s);
        back.lineTo(0.88 * s, 0.84 * s);
        back.lineTo(0.06 * s, 0.84 * s);
        back.closeSubpath();
        p.drawPath(back);
        p.setBrush(QColor(255, 226, 130));
        QPainterPath front;
        front.moveTo(0.20 * s, 0.46 * s);
        front.lineTo(0.98 * s, 0.46 * s);
        front.lineTo(0.86 * s, 0.84 * s);
        front.lineTo(0.06 * s, 0.84 * s);
        front.closeSubpath();
        p.drawPath(front);
        break;
    }
    case TGlyph::Save: {
        // A report sheet with lines and a downward arrow.
        p.setPen(QPen(QColor(60, 60, 80), lw));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(0.16 * s, 0.06 * s, 0.62 * s, 0.86 * s));
        p.setPen(QPen(QColor(120, 120, 140), lw));
        for (double y : {0.24, 0.38, 0.52}) p.drawLine(QPointF(0.26 * s, y * s), QPointF(0.68 * s, y * s));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 110, 200));
        QPainterPath arrow;
        arrow.moveTo(0.62 * s, 0.50 * s);
        arrow.lineTo(0.80 * s, 0.50 * s);
        arrow.lineTo(0.80 * s, 0.70 * s);
        arrow.lineTo(0.96 * s, 0.70 * s);
        arrow.lineTo(0.71 * s, 0.97 * s);
        arrow.lineTo(0.46 * s, 0.70 * s);
        arrow.lineTo(0.62 * s, 0.70 * s);
        arrow.closeSubpath();
        p.drawPath(arrow);
        break;
    }
    case TGlyph::Analyse: {
        // A magnifier over grains.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 80, 74));
        p.drawEllipse(QPointF(0.30 * s, 0.30 * s), 0.08 * s, 0.08 * s);
        p.drawEllipse(QPointF(0.50 * s, 0.42 * s), 0.06 * s, 0.06 * s);
        p.setBrush(QColor(200, 230, 255, 110));
        p.setPen(QPen(QColor(30, 60, 120), 1.6 * lw));
        p.drawEllipse(QPointF(0.40 * s, 0.38 * s), 0.29 * s, 0.29 * s);
        p.setPen(QPen(QColor(120, 70, 20), 3 * lw, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0.62 * s, 0.60 * s), QPointF(0.92 * s, 0.90 * s));
        break;
    }
    case TGlyph::About: {
        p.setPen(QPen(QColor(20, 70, 150), lw));
        p.setBrush(QColor(60, 130, 220));
        p.drawEllipse(QRectF(0.06 * s, 0.06 * s, 0.88 * s, 0.88 * s));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(0.5 * s, 0.28 * s), 0.07 * s, 0.07 * s);
        p.drawRoundedRect(QRectF(0.43 * s, 0.42 * s, 0.14 * s, 0.36 * s), 0.03 * s, 0.03 * s);
        break;
    }
    case TGlyph::Preferences: {
        // Three sliders.
        for (int i = 0; i < 3; ++i) {
            const double y = (0.22 + 0.28 * i) * s;
            p.setPen(QPen(QColor(90, 90, 90), 1.4 * lw));
            p.drawLine(QPointF(0.08 * s, y), QPointF(0.92 * s, y));
            const double x = (i == 0 ? 0.66 : i == 1 ? 0.30 : 0.54) * s;
            p.setPen(QPen(QColor(40, 40, 40), lw));
            p.setBrush(i == 0 ? QColor(230, 200, 0) : i == 1 ? QColor(0, 170, 0) : QColor(220, 40, 40));
            p.drawRect(QRectF(x - 0.08 * s, y - 0.11 * s, 0.16 * s, 0.22 * s));
        }
        break;
    }
    case TGlyph::Copy: {
        p.setPen(QPen(QColor(60, 60, 80), lw));
        p.setBrush(QColor(230, 230, 240));
        p.drawRect(QRectF(0.08 * s, 0.06 * s, 0.54 * s, 0.64 * s));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(0.36 * s, 0.30 * s, 0.54 * s, 0.64 * s));
        p.setPen(QPen(QColor(120, 120, 140), lw));
        for (double y : {0.46, 0.60, 0.74}) p.drawLine(QPointF(0.44 * s, y * s), QPointF(0.82 * s, y * s));
        break;
    }
    case TGlyph::Close: {
        p.setPen(QPen(QColor(190, 30, 30), 2.4 * lw, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0.2 * s, 0.2 * s), QPointF(0.8 * s, 0.8 * s));
        p.drawLine(QPointF(0.8 * s, 0.2 * s), QPointF(0.2 * s, 0.8 * s));
        break;
    }
    case TGlyph::Program:
        PaintProgram(p, s);
        break;
    case TGlyph::Export: {
        // A document page with text lines and a small stair chart, and an arrow out of it.
        p.setPen(QPen(QColor(40, 70, 130), lw));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(0.08 * s, 0.04 * s, 0.62 * s, 0.90 * s));
        p.setPen(QPen(QColor(120, 120, 140), lw));
        for (double y : {0.18, 0.30}) p.drawLine(QPointF(0.18 * s, y * s), QPointF(0.60 * s, y * s));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 180, 120));
        p.drawRect(QRectF(0.18 * s, 0.62 * s, 0.10 * s, 0.20 * s));
        p.drawRect(QRectF(0.28 * s, 0.46 * s, 0.10 * s, 0.36 * s));
        p.drawRect(QRectF(0.38 * s, 0.54 * s, 0.10 * s, 0.28 * s));
        p.setBrush(QColor(30, 110, 200));
        QPainterPath arrow;
        arrow.moveTo(0.52 * s, 0.36 * s);
        arrow.lineTo(0.74 * s, 0.36 * s);
        arrow.lineTo(0.74 * s, 0.22 * s);
        arrow.lineTo(0.98 * s, 0.46 * s);
        arrow.lineTo(0.74 * s, 0.70 * s);
        arrow.lineTo(0.74 * s, 0.56 * s);
        arrow.lineTo(0.52 * s, 0.56 * s);
        arrow.closeSubpath();
        p.drawPath(arrow);
        break;
    }
    }
}

}  // namespace

QIcon GlyphIcon(TGlyph glyph) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        if (glyph != TGlyph::Program && size > 64) break;
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing, true);
        PaintGlyph(p, glyph, size);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QImage SplashPicture(qreal dpr) {
    const int w = 368, h = 225;
    QImage img(QSize(qRound(w * dpr), qRound(h * dpr)), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, QColor(28, 44, 52));
    bg.setColorAt(1, QColor(58, 84, 92));
    p.fillRect(QRectF(0, 0, w, h), bg);
    // A field of grains on the right, some outlined as found features.
    std::uint32_t seed = 20031;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFF;
    };
    for (int i = 0; i < 34; ++i) {
        const double x = 190 + next() % 170, y = 12 + next() % 132, r = 3 + next() % 9;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(150 + next() % 60, 165 + next() % 50, 150 + next() % 40, 200));
        p.drawEllipse(QPointF(x, y), r, r);
        if (i % 3 == 0) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor(0, 230, 0), 1.2));
            p.drawEllipse(QPointF(x, y), r + 2, r + 2);
        }
    }
    p.setPen(QPen(QColor(240, 210, 0), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(200, 22, 150, 112));
    // The program's picture and name.
    p.save();
    p.translate(18, 22);
    PaintProgram(p, 72);
    p.restore();
    QFont title = p.font();
    title.setPixelSize(38);
    title.setBold(true);
    p.setPen(QColor(235, 240, 235));
    p.setFont(title);
    p.drawText(QRectF(18, 96, 200, 46), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Morvex"));
    QFont sub = p.font();
    sub.setPixelSize(12);
    sub.setBold(false);
    p.setFont(sub);
    p.setPen(QColor(190, 205, 200));
    p.drawText(QRectF(20, 136, 330, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Grains, dots and cells, counted and measured"));
    p.end();
    return img;
}
