// SPDX-License-Identifier: MIT
// The widgets that stand for model controls that Qt has no ready widget for,
// or whose Qt widget needs a different look: flat coloured buttons, shapes,
// lines, the picture area and the plain panels of the window and components.
//
// None of them knows a protocol rule: each only draws what the binding
// (ModelWindow) hands it from the model. Those that size text or lines
// themselves read the zoom from the binding's Scale, which outlives them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QLineF>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include "gui/units.h"
#include "widgets/controls.h"

class QPainter;

namespace gui {

// A button drawn flat in the model's back colour with a thin bevel, so that a
// packet on a wire reads as a coloured block with its caption.
class ButtonView : public QPushButton {
    Q_OBJECT
public:
    ButtonView(QWidget* parent, const Scale& scale);
    const QColor& backColour() const { return m_back; }
    void setBackColour(const QColor& c);
    // The caption exactly as the model holds it ("&" shows as "&").
    QString caption() const { return m_caption; }
    void setCaption(const QString& s);
    // Outlined as the packet chosen from the keyboard.
    bool selected() const { return m_selected; }
    void setSelected(bool on);
    // A letter drawn beside the caption where the button has room for both
    // (what the packet is, so that colour is not the only sign); '\0': none.
    QChar letter() const { return m_letter; }
    void setLetter(QChar letter);
    // What a screen reader says besides the caption (the control's name and
    // purpose); the accessible name is the caption followed by it.
    void setAbout(const QString& about);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Return and Enter press a focused button, as Space does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void nameForReader();
    bool drawWithLetter(QPainter& p, const QRect& box) const;
    const Scale& m_scale;
    QColor m_back;
    QString m_caption;
    bool m_selected = false;
    QChar m_letter;
    QString m_about;
};

// A label or floating text box. It keeps the model's caption whole and draws
// it fitted to its rectangle (see fitText): smaller when needed, on one line
// unless the box is tall enough for two.
class LabelView : public QLabel {
    Q_OBJECT
public:
    LabelView(QWidget* parent, bool mayWrap, const Scale& scale);
    QString caption() const { return m_caption; }
    // Sets the caption, the model's font and the rectangle, then fits.
    void present(const QString& caption, const QFont& font, const QRect& geometry);
    // As ButtonView::setAbout.
    void setAbout(const QString& about);

private:
    void nameForReader();
    const Scale& m_scale;
    QString m_caption;
    QString m_about;
    QFont m_base;
    bool m_mayWrap;
};

// A frame drawn around the widget that has the keyboard focus, thick and in
// a strong colour, so that a class can follow it on a projector. It takes no
// clicks and follows its widget at every sync.
class FocusFrame : public QWidget {
public:
    explicit FocusFrame(QWidget* window);
    // Frames `target` (nullptr: none), a descendant of the window.
    void follow(QWidget* target);
    void refresh();
    QWidget* target() const { return m_target; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_target = nullptr;
};

// A rectangle or circle, filled or transparent, with a one-pixel border.
// Mouse events pass through to whatever lies beneath, as they do for the
// lightweight shapes the demonstration was laid out with.
class ShapeView : public QWidget {
public:
    explicit ShapeView(QWidget* parent);
    void setLook(widgets::Shape::Form form, const QColor& fill, bool filled, const QColor& border);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    widgets::Shape::Form m_form = widgets::Shape::Form::Rectangle;
    QColor m_fill = Qt::white;
    bool m_filled = false;
    QColor m_border = Qt::black;
};

// A straight line. The widget covers the line's bounding box (plus a pixel);
// the line is given in the parent's pixel coordinates.
class LineView : public QWidget {
public:
    explicit LineView(QWidget* parent);
    void setLine(const QLineF& inParent, const QColor& colour);
    QLineF line() const { return m_line; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLineF m_line;  // in own coordinates
    QColor m_colour = Qt::black;
};

// The picture area. Its lines are drawn once onto a persistent image at the
// screen's pixel ratio: a sync draws only the lines added since the previous
// one, and a paint event (after being covered, say) only copies the image.
// The image is redrawn whole only after the model cleared the picture, after
// a change of size, colour or pixel ratio, or on request (repaintAll).
class PictureView : public QWidget {
public:
    PictureView(const widgets::Picture& model, const Scale& scale, QWidget* parent);

    // Brings the image up to date with the model's lines.
    void syncFromModel();
    // Redraws the whole image from every line the model holds and repaints
    // the widget at once.
    void repaintAll();

    // Lines of the model already on the image.
    std::size_t drawnLines() const { return m_drawn; }
    // Full redraws of the image so far (for tests and measurements).
    std::uint64_t fullRedraws() const { return m_fullRedraws; }
    const QImage& image() const { return m_image; }

    // The wheel turned over the picture, in notches (positive: away from the
    // user).
    std::function<void(int)> onWheel;
    // Marks of a time axis drawn at the picture's left edge (heights in
    // display units, whole seconds); nothing when unset. They keep to the
    // strip `axisRoom` display units wide left of every line, a tick and its
    // seconds ("12 s", or "12" where the unit does not fit), smaller where
    // needed; the top and bottom ones are kept whole.
    struct AxisMark {
        double y;
        std::int64_t seconds;
    };
    std::function<std::vector<AxisMark>()> axis;
    std::function<double()> axisRoom;
    // The model colour whose lines are drawn dashed where the profile dashes
    // retransmissions (a retransmission's trace colour); none by default.
    void setDashedColour(std::int64_t modelColour) { m_dashedColour = modelColour; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool imageStale() const;
    void redrawImage();
    void drawAxis(QPainter& p) const;
    // Draws model lines [from, to) onto the image; returns the widget area
    // they touched.
    QRect drawLines(std::size_t from, std::size_t to);

    const widgets::Picture& m_model;
    const Scale& m_scale;
    QImage m_image;
    QColor m_back;
    std::size_t m_drawn = 0;
    std::uint64_t m_clearCount = 0;
    std::uint64_t m_fullRedraws = 0;
    bool m_needsFull = true;
    int m_wheelRest = 0;  // eighths of a degree not yet a whole notch
    std::int64_t m_dashedColour = -1;
};

// The panel of the main window or of a component: a plain widget in the
// model's background colour. `onPress` runs on a mouse press on the panel
// itself, `onClick` on a release over it after such a press.
class PanelView : public QWidget {
public:
    explicit PanelView(QWidget* parent);
    // `fill` false: the panel paints nothing of its own, and what lies
    // beneath it shows through where it holds no control. Used where the
    // colour equals the container's, so that a component laid out wider than
    // its drawing (a wire) does not cut into its neighbours' edges.
    void setBackColour(const QColor& c, bool fill = true);
    std::function<void()> onPress;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

}  // namespace gui
