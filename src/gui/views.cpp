// SPDX-License-Identifier: MIT
#include "gui/views.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QVector>
#include <QWheelEvent>

#include "gui/profile.h"
#include "gui/textfit.h"
#include "gui/units.h"

namespace gui {

namespace {

// Clips the segment to the rectangle (Liang-Barsky). Returns false when
// nothing of it is inside or a coordinate is not finite. Clipping here keeps
// far-off coordinates (a trace scrolled hours away) out of the rasteriser.
bool clipLine(double& x1, double& y1, double& x2, double& y2, const QRectF& r)
{
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return false;
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - r.left(), r.right() - x1, y1 - r.top(), r.bottom() - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const double ox = x1;
    const double oy = y1;
    x1 = ox + t0 * dx;
    y1 = oy + t0 * dy;
    x2 = ox + t1 * dx;
    y2 = oy + t1 * dy;
    return true;
}

// A caption, then what the control is: "Start — LinkDemo.cmdPause: ...".
QString readerName(const QString& caption, const QString& about)
{
    const QString shown = caption.trimmed();
    return shown.isEmpty() ? about : shown + QStringLiteral(" \u2014 ") + about;
}

}  // namespace

// ---- ButtonView ------------------------------------------------------------

ButtonView::ButtonView(QWidget* parent, const Scale& scale)
    : QPushButton(parent), m_scale(scale), m_back(0xE0, 0xE0, 0xE0)
{
    setFlat(true);
}

void ButtonView::setBackColour(const QColor& c)
{
    if (c == m_back) return;
    m_back = c;
    update();
}

void ButtonView::setCaption(const QString& s)
{
    if (s == m_caption) return;
    m_caption = s;
    // Doubled so that QPushButton makes no mnemonic of an "&".
    QString escaped = s;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    setText(escaped);
    nameForReader();
    update();
}

void ButtonView::setAbout(const QString& about)
{
    m_about = about;
    nameForReader();
}

void ButtonView::nameForReader()
{
    if (!m_about.isEmpty()) setAccessibleName(readerName(m_caption, m_about));
}

void ButtonView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, m_back);
    const bool down = isDown();
    const QColor light = down ? m_back.darker(150) : m_back.lighter(140);
    const QColor dark = down ? m_back.lighter(140) : m_back.darker(150);
    if (r.width() > 2 && r.height() > 2) {
        p.setPen(light);
        p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
        p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
        p.setPen(dark);
        p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
        p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    }
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawRect(r.adjusted(0, 0, -1, -1));

    QRect textRect = r.adjusted(2, 1, -2, -1);
    const FittedText fitted = fitText(font(), m_caption, textRect.size(), false, m_scale.pixels(kFloorPixels));
    if (down) textRect.translate(1, 1);
    p.setPen(drawnColour(0x000000, palette::Role::Text));
    if (!m_letter.isNull() && drawWithLetter(p, textRect)) {
        // Drawn with its letter.
    } else {
        p.setFont(fitted.font);
        // A packet just put on is a sliver: an ellipsis alone would only be noise.
        if (fitted.text != QStringLiteral("\u2026")) p.drawText(textRect, Qt::AlignCenter, fitted.text);
    }

    if (m_selected) {
        p.setPen(QPen(QColor(0xFF, 0x8C, 0x00), 3.0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(r).adjusted(1.5, 1.5, -1.5, -1.5));
    }

    if (hasFocus() && r.width() > 12 && r.height() > 12) {
        QPen focusPen(QColor(0x20, 0x20, 0x20));
        focusPen.setStyle(Qt::DotLine);
        p.setPen(focusPen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(3, 3, -4, -4));
    }
}

void ButtonView::setLetter(QChar letter)
{
    if (letter == m_letter) return;
    m_letter = letter;
    update();
}

// The caption at its own font, a space, then the letter in bold, centred
// together; false (nothing drawn) when they do not fit in `box` whole.
bool ButtonView::drawWithLetter(QPainter& p, const QRect& box) const
{
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics fm(font());
    const QFontMetrics bm(bold);
    const QString caption = m_caption.trimmed();
    const QString letter(m_letter);
    const int gap = caption.isEmpty() ? 0 : fm.horizontalAdvance(QLatin1Char(' '));
    const int captionWidth = caption.isEmpty() ? 0 : fm.horizontalAdvance(caption);
    const int total = captionWidth + gap + bm.horizontalAdvance(letter);
    if (total > box.width() || std::max(fm.height(), bm.height()) > box.height()) return false;
    const int left = box.left() + (box.width() - total) / 2;
    if (!caption.isEmpty()) {
        p.setFont(font());
        p.drawText(QRect(left, box.top(), captionWidth, box.height()), Qt::AlignCenter, caption);
    }
    p.setFont(bold);
    p.drawText(QRect(left + captionWidth + gap, box.top(), box.right() - (left + captionWidth + gap) + 1, box.height()),
               Qt::AlignLeft | Qt::AlignVCenter, letter);
    return true;
}

void ButtonView::setSelected(bool on)
{
    if (on == m_selected) return;
    m_selected = on;
    update();
}

void ButtonView::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        event->accept();
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

// ---- LabelView -------------------------------------------------------------

LabelView::LabelView(QWidget* parent, bool mayWrap, const Scale& scale)
    : QLabel(parent), m_scale(scale), m_mayWrap(mayWrap)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A caption takes no clicks: they reach what it is drawn on.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LabelView::present(const QString& caption, const QFont& font, const QRect& geometry)
{
    if (caption == m_caption && font == m_base && geometry == this->geometry() && !text().isNull()) return;
    m_caption = caption;
    m_base = font;
    if (this->geometry() != geometry) setGeometry(geometry);
    const FittedText fitted = fitText(font, caption, geometry.size(), m_mayWrap, m_scale.pixels(kFloorPixels));
    if (wordWrap() != fitted.wrap) setWordWrap(fitted.wrap);
    if (this->font() != fitted.font) setFont(fitted.font);
    if (text() != fitted.text || text().isNull()) setText(fitted.text.isNull() ? QString("") : fitted.text);
    nameForReader();
}

void LabelView::setAbout(const QString& about)
{
    m_about = about;
    nameForReader();
}

// The whole caption, also where the box shows it shortened.
void LabelView::nameForReader()
{
    if (!m_about.isEmpty()) setAccessibleName(readerName(m_caption, m_about));
}

// ---- FocusFrame ------------------------------------------------------------

namespace {
constexpr int kFocusWidth = 3;
}

FocusFrame::FocusFrame(QWidget* window) : QWidget(window)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void FocusFrame::follow(QWidget* target)
{
    m_target = target;
    refresh();
}

void FocusFrame::refresh()
{
    QWidget* window = parentWidget();
    if (!m_target || !window || !m_target->isVisibleTo(window) || !window->isAncestorOf(m_target)) {
        hide();
        return;
    }
    const QRect r(m_target->mapTo(window, QPoint(0, 0)), m_target->size());
    const QRect g = r.adjusted(-kFocusWidth, -kFocusWidth, kFocusWidth, kFocusWidth);
    if (geometry() != g) setGeometry(g);
    // Only the frame's own band is drawn and hit: the control stays visible.
    const QRegion band =
        QRegion(rect()) - QRegion(rect().adjusted(kFocusWidth, kFocusWidth, -kFocusWidth, -kFocusWidth));
    if (mask() != band) setMask(band);
    raise();
    if (isHidden()) show();
}

void FocusFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0xFF, 0x8C, 0x00));
    p.setPen(QColor(0x40, 0x20, 0x00));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---- ShapeView -------------------------------------------------------------

ShapeView::ShapeView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void ShapeView::setLook(widgets::Shape::Form form, const QColor& fill, bool filled, const QColor& border)
{
    if (form == m_form && fill == m_fill && filled == m_filled && border == m_border) return;
    m_form = form;
    m_fill = fill;
    m_filled = filled;
    m_border = border;
    update();
}

void ShapeView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (r.width() <= 0 || r.height() <= 0) return;
    p.setPen(QPen(m_border, 1.0));
    p.setBrush(m_filled ? QBrush(m_fill) : QBrush(Qt::NoBrush));
    if (m_form == widgets::Shape::Form::Circle) {
        // A circle as large as the smaller side, centred.
        const qreal d = std::min(r.width(), r.height());
        const QRectF c(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
        p.setRenderHint(QPainter::Antialiasing);
        p.drawEllipse(c);
    } else {
        p.drawRect(r);
    }
}

// ---- LineView --------------------------------------------------------------

LineView::LineView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void LineView::setLine(const QLineF& inParent, const QColor& colour)
{
    const QRectF box = QRectF(inParent.p1(), inParent.p2()).normalized();
    const QRect geometry(static_cast<int>(std::floor(box.left())) - 1, static_cast<int>(std::floor(box.top())) - 1,
                         static_cast<int>(std::ceil(box.width())) + 3, static_cast<int>(std::ceil(box.height())) + 3);
    setGeometry(geometry);
    m_line = inParent.translated(-QPointF(geometry.topLeft()));
    m_colour = colour;
    update();
}

void LineView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(QPen(m_colour, 1.0));
    p.drawLine(m_line);
}

// ---- PictureView -----------------------------------------------------------

PictureView::PictureView(const widgets::Picture& model, const Scale& scale, QWidget* parent)
    : QWidget(parent), m_model(model), m_scale(scale)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

bool PictureView::imageStale() const
{
    if (m_needsFull || m_image.isNull()) return true;
    const qreal dpr = devicePixelRatioF();
    if (m_image.devicePixelRatio() != dpr) return true;
    return m_image.width() != static_cast<int>(std::ceil(width() * dpr)) ||
           m_image.height() != static_cast<int>(std::ceil(height() * dpr));
}

void PictureView::syncFromModel()
{
    const QColor back = toQColor(m_model.backColour());
    const auto& lines = m_model.lines();
    if (back != m_back || m_model.clearCount() != m_clearCount || lines.size() < m_drawn) m_needsFull = true;
    if (!isVisible()) {
        // Drawn when it is next painted; a hidden picture costs nothing.
        if (lines.size() != m_drawn) m_needsFull = true;
        return;
    }
    if (imageStale()) {
        redrawImage();
        update();
        return;
    }
    if (lines.size() > m_drawn) {
        const QRect dirty = drawLines(m_drawn, lines.size());
        m_drawn = lines.size();
        if (!dirty.isEmpty()) update(dirty);
    }
}

void PictureView::repaintAll()
{
    m_needsFull = true;
    redrawImage();
    repaint();
}

void PictureView::redrawImage()
{
    const qreal dpr = devicePixelRatioF();
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(width() * dpr))),
                       std::max(1, static_cast<int>(std::ceil(height() * dpr))));
    if (m_image.size() != pixels || m_image.devicePixelRatio() != dpr) {
        m_image = QImage(pixels, QImage::Format_RGB32);
        m_image.setDevicePixelRatio(dpr);
    }
    m_back = toQColor(m_model.backColour());
    m_image.fill(m_back);
    m_clearCount = m_model.clearCount();
    m_drawn = 0;
    drawLines(0, m_model.lines().size());
    m_drawn = m_model.lines().size();
    m_needsFull = false;
    ++m_fullRedraws;
}

QRect PictureView::drawLines(std::size_t from, std::size_t to)
{
    if (from >= to) return {};
    const auto& lines = m_model.lines();
    // Solid one-pixel lines, plotted straight into the image: a full trace
    // is thousands of lines, and the raster engine's general line path costs
    // several times as much for the same pixels. At a device pixel ratio of
    // 2 or more the pen is that many device pixels wide, twice that where the
    // profile asks for wide trace lines.
    const qreal dpr = m_image.devicePixelRatio();
    const palette::Look drawnLook = look();
    const int pen = std::max(1, static_cast<int>(std::lround(dpr))) * (drawnLook.wideTraceLines ? 2 : 1);
    // A retransmission's line dashed: so many pixels drawn, then as many
    // left out, along the walk.
    const std::int64_t dashedColour = drawnLook.dashedRetransmissions ? m_dashedColour : -1;
    const int dash = 4 * std::max(1, static_cast<int>(std::lround(dpr)));
    const QRectF bounds(-2.0, -2.0, m_image.width() / dpr + 4.0, m_image.height() / dpr + 4.0);
    QRgb* bits = reinterpret_cast<QRgb*>(m_image.bits());
    const int stride = static_cast<int>(m_image.bytesPerLine() / sizeof(QRgb));
    const int w = m_image.width();
    const int h = m_image.height();
    auto plot = [&](int x, int y, QRgb c) {
        for (int oy = 0; oy < pen; ++oy) {
            const int yy = y + oy;
            if (yy < 0 || yy >= h) continue;
            for (int ox = 0; ox < pen; ++ox) {
                const int xx = x + ox;
                if (xx >= 0 && xx < w) bits[yy * stride + xx] = c;
            }
        }
    };
    QRectF touched;
    for (std::size_t i = from; i < to && i < lines.size(); ++i) {
        const widgets::DrawnLine& l = lines[i];
        double x1 = m_scale.toPixels(l.x1), y1 = m_scale.toPixels(l.y1), x2 = m_scale.toPixels(l.x2),
               y2 = m_scale.toPixels(l.y2);
        if (!clipLine(x1, y1, x2, y2, bounds)) continue;
        touched |= QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
        const QRgb c = drawnColour(l.colour, palette::Role::Line).rgb();
        const bool dashed = l.colour == dashedColour;
        int step = 0;
        // Bresenham between the rounded device-pixel end points; the clip
        // above bounds the walk by the image's size.
        int ax = static_cast<int>(std::lround(x1 * dpr)), ay = static_cast<int>(std::lround(y1 * dpr));
        const int bx = static_cast<int>(std::lround(x2 * dpr)), by = static_cast<int>(std::lround(y2 * dpr));
        const int dx = std::abs(bx - ax), sx = ax < bx ? 1 : -1;
        const int dy = -std::abs(by - ay), sy = ay < by ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            if (!dashed || (step++ / dash) % 2 == 0) plot(ax, ay, c);
            if (ax == bx && ay == by) break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                ax += sx;
            }
            if (e2 <= dx) {
                err += dx;
                ay += sy;
            }
        }
    }
    return touched.toAlignedRect().adjusted(-2, -2, 2, 2) & rect();
}

void PictureView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_needsFull = true;
}

void PictureView::paintEvent(QPaintEvent* event)
{
    if (imageStale()) redrawImage();
    QPainter p(this);
    const QRect r = event->rect();
    const qreal dpr = m_image.devicePixelRatio();
    p.drawImage(QRectF(r), m_image, QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr));
    if (axis) drawAxis(p);
    // A thin frame over the edge; the drawing keeps the whole area.
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PictureView::drawAxis(QPainter& p) const
{
    const std::vector<AxisMark> marks = axis();
    if (marks.empty()) return;
    const qreal z = m_scale.zoom();
    // The strip ends a little short of the first line. As on a printed axis
    // the seconds stand right-aligned left of their ticks, which point at the
    // trace: a tick never runs into the digits as a minus sign would.
    const qreal stripEnd = (axisRoom ? m_scale.toPixels(axisRoom()) : width() / 10.0) - 2 * z;
    const qreal tickStart = stripEnd - 3 * z;
    const qreal textRight = tickStart - 2 * z;
    const qreal room = textRight - 2;
    auto labelOf = [](const AxisMark& m, bool unit) {
        return unit ? QStringLiteral("%1 s").arg(m.seconds) : QString::number(m.seconds);
    };
    // The largest font at which every label fits: with its unit from 10
    // pixels at 100 % down to 9, then without it down to 7 (a smaller
    // unit would not read from the back of a room).
    QFont f = font();
    auto widest = [&](const QFontMetricsF& fm, bool unit) {
        qreal w = 0;
        for (const AxisMark& m : marks) w = std::max(w, fm.horizontalAdvance(labelOf(m, unit)));
        return w;
    };
    auto px = [z](double size) { return std::max(6, static_cast<int>(std::lround(size * z))); };
    bool unit = true;
    int size = px(10);
    for (;;) {
        f.setPixelSize(size);
        if (widest(QFontMetricsF(f), unit) <= room) break;
        if (unit && size > px(9)) {
            --size;
        } else if (unit) {
            unit = false;
            size = px(10);
        } else if (size > px(7)) {
            --size;
        } else {
            break;
        }
    }
    p.setFont(f);
    const QFontMetricsF fm(f);
    // Where the strip is too narrow for the digits (the wires beside the
    // router), they stand just right of their ticks instead, each on a patch
    // of the picture's own colour, nearly opaque: a line passing under a
    // label does not strike it through, and still shows faintly.
    const bool inside = widest(fm, unit) > room;
    QColor patch = m_back;
    patch.setAlpha(210);
    const QColor ink(0x70, 0x70, 0x70);
    for (const AxisMark& m : marks) {
        const qreal y = m_scale.toPixels(m.y);
        if (y < 0 || y > height()) continue;
        p.setPen(ink);
        p.drawLine(QPointF(tickStart, y), QPointF(stripEnd, y));
        // Centred on its tick, but whole inside the picture.
        const QString label = labelOf(m, unit);
        const qreal baseline = std::clamp(y + fm.capHeight() / 2, fm.capHeight() + 2, height() - fm.descent() - 1);
        const qreal w = fm.horizontalAdvance(label);
        const qreal x = inside ? stripEnd + z : textRight - w;
        if (inside) p.fillRect(QRectF(x, baseline - fm.capHeight() - z, w, fm.capHeight() + 2 * z), patch);
        p.drawText(QPointF(x, baseline), label);
    }
}

void PictureView::wheelEvent(QWheelEvent* event)
{
    if (!onWheel) {
        QWidget::wheelEvent(event);
        return;
    }
    event->accept();
    m_wheelRest += event->angleDelta().y();
    const int notches = m_wheelRest / 120;
    m_wheelRest -= notches * 120;
    if (notches != 0) onWheel(notches);
}

// ---- PanelView -------------------------------------------------------------

PanelView::PanelView(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
}

void PanelView::setBackColour(const QColor& c, bool fill)
{
    if (autoFillBackground() != fill) setAutoFillBackground(fill);
    QPalette pal = palette();
    if (pal.color(QPalette::Window) == c) return;
    pal.setColor(QPalette::Window, c);
    setPalette(pal);
}

void PanelView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    event->accept();
    if (onPress) onPress();
}

void PanelView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    event->accept();
    if (rect().contains(event->position().toPoint()) && onClick) onClick();
}

}  // namespace gui
