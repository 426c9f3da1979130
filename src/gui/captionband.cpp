// SPDX-License-Identifier: MIT
#include "gui/captionband.h"

#include <algorithm>
#include <cmath>

#include <QBoxLayout>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "gui/modelwindow.h"
#include "gui/units.h"
#include "session/checkpoint.h"

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

CaptionBand::CaptionBand(ModelWindow* host, double heightUnits)
    : QWidget(host), m_scale(host->scale()), m_heightUnits(heightUnits)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    host->installEventFilter(this);
    hide();
    place();
}

void CaptionBand::setText(const QString& text)
{
    if (m_panel) clearPanel();
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

// Along the bottom edge of the part of the client area in sight: the whole
// client area, unless a zoom larger than the window makes it scroll; then
// the band goes with the view, so that no caption or question is out of
// sight.
void CaptionBand::place()
{
    const QRect room = inSight();
    int h = static_cast<int>(std::lround(m_scale.toPixels(m_heightUnits)));
    if (m_panel) {
        // As tall as the question needs, up to half the window.
        m_panel->setFixedWidth(room.width());
        h = std::min(std::max(h, m_panel->heightForWidth(room.width())), room.height() / 2);
        h = std::max(h, std::min(m_panel->sizeHint().height(), room.height() / 2));
    }
    setGeometry(room.left(), room.bottom() + 1 - h, room.width(), h);
    if (m_panel) m_panel->setGeometry(0, 0, room.width(), h);
}

void CaptionBand::keepOnTop()
{
    if (isHidden()) return;
    const QObjectList& siblings = parentWidget()->children();
    for (qsizetype i = siblings.indexOf(this) + 1; i < siblings.size(); ++i) {
        const auto* w = qobject_cast<const QWidget*>(siblings[i]);
        if (w && w->isVisible() && w->geometry().intersects(geometry())) {
            raise();
            return;
        }
    }
}

QRect CaptionBand::inSight()
{
    QWidget* host = parentWidget();
    if (!m_view) {
        for (QWidget* w = host->parentWidget(); w; w = w->parentWidget()) {
            auto* area = qobject_cast<QScrollArea*>(w);
            if (!area || area->widget() != host) continue;
            m_view = area->viewport();
            // The view scrolls or changes size: the band follows.
            for (QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()}) {
                connect(bar, &QScrollBar::valueChanged, this, [this] {
                    place();
                    if (!m_text.isEmpty()) fit();
                });
            }
            area->viewport()->installEventFilter(this);
            break;
        }
    }
    if (!m_view || host->parentWidget() != m_view) return host->rect();
    const QRect view(host->mapFrom(m_view.data(), QPoint(0, 0)), m_view->size());
    const QRect room = view & host->rect();
    return room.isEmpty() ? host->rect() : room;
}

// The largest size at which the whole text fits the band, wrapped.
void CaptionBand::fit()
{
    const QRect area = rect().adjusted(kMargin, 2, -kMargin, -2);
    const int largest = static_cast<int>(std::lround(kLargest * m_scale.zoom()));
    const int smallest = static_cast<int>(std::lround(kSmallest * m_scale.zoom()));
    for (m_pixelSize = largest; m_pixelSize > smallest; --m_pixelSize) {
        const QRect need =
            QFontMetrics(captionFont(m_pixelSize)).boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, m_text);
        if (need.height() <= area.height() && need.width() <= area.width()) break;
    }
}

bool CaptionBand::eventFilter(QObject* watched, QEvent* event)
{
    const bool view = m_view && watched == m_view.data();
    if ((watched == parentWidget() || view) && event->type() == QEvent::Resize) {
        place();
        if (!m_text.isEmpty()) fit();
    }
    return QWidget::eventFilter(watched, event);
}

void CaptionBand::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0x18, 0x18, 0x30, 235));
    if (m_panel) return;
    p.setFont(captionFont(m_pixelSize));
    p.setPen(Qt::white);
    p.drawText(rect().adjusted(kMargin, 2, -kMargin, -2), Qt::AlignCenter | Qt::TextWordWrap, m_text);
}

// ---- questions and waiting captions ----------------------------------------

namespace {

QLabel* bandLabel(QWidget* parent, const QString& text, int pixels, bool bold, const QColor& colour)
{
    auto* l = new QLabel(text, parent);
    QFont f = captionFont(pixels);
    f.setBold(bold);
    l->setFont(f);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignCenter);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, colour);
    l->setPalette(pal);
    return l;
}

QPushButton* bandButton(QWidget* parent, const QString& text, int pixels, const QString& style)
{
    auto* b = new QPushButton(text, parent);
    b->setFocusPolicy(Qt::NoFocus);
    QFont f = captionFont(pixels);
    f.setBold(false);
    b->setFont(f);
    if (!style.isEmpty()) b->setStyleSheet(style);
    return b;
}

const QString kRightStyle = QStringLiteral("QPushButton { background: #2e7d32; color: white; }");
const QString kWrongStyle = QStringLiteral("QPushButton { background: #c62828; color: white; }");

}  // namespace

void CaptionBand::clearPanel()
{
    // Later: the panel may be clearing itself from one of its buttons.
    if (m_panel) {
        m_panel->hide();
        m_panel->deleteLater();
    }
    m_panel = nullptr;
    m_panelKey.clear();
    m_shown.clear();
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void CaptionBand::showPanel(const QString& key)
{
    m_panelKey = key;
    m_text.clear();
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    m_panel->setGeometry(rect());
    m_panel->show();
    place();
    show();
    raise();
    update();
}

void CaptionBand::setWaitingText(const QString& text)
{
    const QString key = QStringLiteral("wait\n") + text;
    if (m_panel && key == m_panelKey) return;
    clearPanel();
    const int px = static_cast<int>(std::lround(kLargest * m_scale.zoom()));
    m_panel = new QWidget(this);
    auto* row = new QHBoxLayout(m_panel);
    row->addWidget(bandLabel(m_panel, text, px, true, Qt::white), 1);
    QPushButton* go = bandButton(m_panel, tr("Continue (Space)"), px * 3 / 4, QString());
    connect(go, &QPushButton::clicked, this, &CaptionBand::continued);
    row->addWidget(go);
    m_shown << text;
    showPanel(key);
}

void CaptionBand::setCheckpoint(const Checkpoint& c, int chosen, bool canContinue, bool canWatchAgain,
                                const QString& note)
{
    const QString key = QStringLiteral("ask\n%1\n%2\n%3\n%4\n%5\n%6")
                            .arg(QString::fromStdString(c.question))
                            .arg(c.line)
                            .arg(chosen)
                            .arg(canContinue)
                            .arg(canWatchAgain)
                            .arg(note);
    if (m_panel && key == m_panelKey) return;
    clearPanel();
    const int px = static_cast<int>(std::lround(kLargest * m_scale.zoom()));
    const int small = px * 3 / 4;
    m_panel = new QWidget(this);
    auto* column = new QVBoxLayout(m_panel);
    column->setContentsMargins(kMargin, 4, kMargin, 4);
    column->setSpacing(4);
    const QString question = QString::fromStdString(c.question);
    column->addWidget(bandLabel(m_panel, question, px, true, Qt::white));
    m_shown << question;

    auto* choices = new QHBoxLayout;
    for (int k = 0; k < static_cast<int>(c.choices.size()); ++k) {
        const QString text = QStringLiteral("%1  %2").arg(k + 1).arg(QString::fromStdString(c.choices[k]));
        QString style;
        if (chosen >= 0 && k == c.answer) style = kRightStyle;
        if (chosen >= 0 && k == chosen && k != c.answer) style = kWrongStyle;
        QPushButton* b = bandButton(m_panel, text, small, style);
        b->setEnabled(chosen < 0 || k == chosen || k == c.answer);
        if (chosen < 0) connect(b, &QPushButton::clicked, this, [this, k] { emit choiceMade(k); });
        choices->addWidget(b);
    }
    column->addLayout(choices);

    if (chosen >= 0) {
        const bool right = chosen == c.answer;
        const QString mark =
            right ? tr("Right: you predicted it.") : tr("Not quite: the answer is %1.").arg(c.answer + 1);
        column->addWidget(
            bandLabel(m_panel, mark, px, true, right ? QColor(0x81, 0xe6, 0x86) : QColor(0xff, 0x8a, 0x80)));
        const QString reveal = QString::fromStdString(c.reveal);
        column->addWidget(bandLabel(m_panel, reveal, small, false, Qt::white));
        m_shown << mark << reveal;
    }
    if (!note.isEmpty()) {
        column->addWidget(bandLabel(m_panel, note, px, true, QColor(0xff, 0xe0, 0x82)));
        m_shown << note;
    }
    if (canContinue || canWatchAgain) {
        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        if (canWatchAgain) {
            QPushButton* again = bandButton(m_panel, tr("Watch again"), small, QString());
            connect(again, &QPushButton::clicked, this, &CaptionBand::watchAgainClicked);
            buttons->addWidget(again);
        }
        if (canContinue) {
            QPushButton* go = bandButton(m_panel, tr("Continue (Space)"), small, QString());
            connect(go, &QPushButton::clicked, this, &CaptionBand::continued);
            buttons->addWidget(go);
        }
        buttons->addStretch(1);
        column->addLayout(buttons);
    }
    showPanel(key);
}

QString CaptionBand::shownText() const
{
    if (!m_panel) return m_text;
    return m_shown.join(QLatin1Char('\n'));
}

}  // namespace gui
