// SPDX-License-Identifier: MIT
#include "gui/captionband.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

#include "gui/units.h"

namespace gui {

namespace {

constexpr int kLargest = 18;   // pixels
constexpr int kSmallest = 10;  // pixels
constexpr int kMargin = 8;

QFont captionFont(int pixels)
{
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    f.setPixelSize(pixels);
    f.setBold(true);
    return f;
}

}  // namespace

CaptionBand::CaptionBand(QWidget* host, double heightUnits) : QWidget(host), m_heightUnits(heightUnits)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    host->installEventFilter(this);
    hide();
    place();
}

void CaptionBand::setText(const QString& text)
{
    m_text = text;
    if (text.isEmpty()) {
        hide();
        return;
    }
    place();
    fit();
    show();
    raise();
    update();
}

void CaptionBand::place()
{
    const QWidget* host = parentWidget();
    const int h = static_cast<int>(std::lround(toPixels(m_heightUnits)));
    setGeometry(0, host->height() - h, host->width(), h);
}

// The largest size at which the whole text fits the band, wrapped.
void CaptionBand::fit()
{
    const QRect area = rect().adjusted(kMargin, 2, -kMargin, -2);
    const int largest = static_cast<int>(std::lround(kLargest * zoom()));
    const int smallest = static_cast<int>(std::lround(kSmallest * zoom()));
    for (m_pixelSize = largest; m_pixelSize > smallest; --m_pixelSize) {
        const QRect need =
            QFontMetrics(captionFont(m_pixelSize)).boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, m_text);
        if (need.height() <= area.height() && need.width() <= area.width()) break;
    }
}

bool CaptionBand::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        place();
        if (!m_text.isEmpty()) fit();
    }
    return QWidget::eventFilter(watched, event);
}

void CaptionBand::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0x18, 0x18, 0x30, 235));
    p.setFont(captionFont(m_pixelSize));
    p.setPen(Qt::white);
    p.drawText(rect().adjusted(kMargin, 2, -kMargin, -2), Qt::AlignCenter | Qt::TextWordWrap, m_text);
}

}  // namespace gui
