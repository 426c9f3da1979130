// SPDX-License-Identifier: MIT
// The narration of a played lesson: a caption band along the bottom edge of
// the demonstration's client area, below every component and control, in
// large white type on a dark band so that it reads on a projector. Clicks
// pass through it to the window.
//
// At a lesson's checkpoint the band grows upwards and holds the question
// with a button per choice (keys 1 to 9 choose as well), then the choice
// marked right or wrong, the explanation, and the Continue and Watch again
// buttons; with "wait at each caption" a caption has its Continue. Then,
// and only then, the band takes clicks.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

struct Checkpoint;

namespace gui {

class ModelWindow;
class Scale;

class CaptionBand : public QWidget {
    Q_OBJECT
public:
    // Lies over the bottom `heightUnits` display units of `host`, at the
    // binding's zoom.
    CaptionBand(ModelWindow* host, double heightUnits);

    // Shows `text`; an empty text hides the band.
    void setText(const QString& text);
    QString text() const { return m_text; }
    // The font size the text was fitted at (pixels).
    int fittedPixelSize() const { return m_pixelSize; }

    // Shows `text` with a Continue button (a caption that waits).
    void setWaitingText(const QString& text);
    // Shows checkpoint `c`: its choices while `chosen` is -1, else the
    // choice marked, the explanation and, while `canContinue`, Continue;
    // Watch again while `canWatchAgain`. `note` is a line under it all
    // (the score at the end).
    void setCheckpoint(const Checkpoint& c, int chosen, bool canContinue, bool canWatchAgain,
                       const QString& note = QString());
    // Whether a question, a reveal or a waiting caption is shown.
    bool interactive() const { return m_panel != nullptr; }
    // Back above what has been raised over it (a scrolled view puts the
    // band over the components, which a refresh may raise).
    void keepOnTop();
    // The text the band shows (captions, question, mark, explanation),
    // one part a line, for tests and accessibility.
    QString shownText() const;

signals:
    void choiceMade(int index);
    void continued();
    void watchAgainClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void fit();
    // The part of the host in sight: all of it, or what a scroll area
    // around it shows.
    QRect inSight();
    void clearPanel();
    void showPanel(const QString& key);

    QString m_text;
    const Scale& m_scale;
    double m_heightUnits;
    int m_pixelSize = 0;
    QWidget* m_panel = nullptr;
    QString m_panelKey;  // what the panel shows, to build it only on a change
    QStringList m_shown;
    // The view of a scroll area around the host, once found (a widget, not
    // the area: nothing here touches an area being destroyed).
    QPointer<QWidget> m_view;
};

}  // namespace gui
