// SPDX-License-Identifier: MIT
// The narration of a played lesson: a caption band along the bottom edge of
// the demonstration's client area, below every component and control, in
// large white type on a dark band so that it reads on a projector. Clicks
// pass through it to the window.
#pragma once

#include <QWidget>

namespace gui {

class CaptionBand : public QWidget {
    Q_OBJECT
public:
    // Lies over the bottom `heightUnits` display units of `host`, at the
    // window's zoom.
    CaptionBand(QWidget* host, double heightUnits);

    // Shows `text`; an empty text hides the band.
    void setText(const QString& text);
    QString text() const { return m_text; }
    // The font size the text was fitted at (pixels).
    int fittedPixelSize() const { return m_pixelSize; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void fit();

    QString m_text;
    double m_heightUnits;
    int m_pixelSize = 0;
};

}  // namespace gui
