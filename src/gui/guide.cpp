// SPDX-License-Identifier: MIT
#include "gui/guide.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include "gui/demowindow.h"
#include "session/helptext.h"
#include "shell/linkdemo.h"

namespace gui {

namespace {

class NoMessages : public widgets::MessageBox {
public:
    void show(const std::string&) override {}
};

// The pictures, drawn from a Go-back-N run of the program's own, a few
// seconds in, with one packet destroyed so that the receiver has something
// to say.
class Pictures {
public:
    Pictures() : m_demo(m_messages), m_window(m_demo)
    {
        m_demo.cmbScenario.userChoose(m_demo.cmbScenario.itemIndex("Go-back-N ARQ"));
        m_demo.cmdPause.click();
        m_demo.scheduler().advance(3500);
        m_window.sync();
    }

    QPixmap picture(help::GuidePicture which)
    {
        using P = help::GuidePicture;
        switch (which) {
            case P::None:
                return {};
            case P::Window:
                return components();
            case P::Packets:
                return packets();
            case P::TransmitterSlots: {
                const Transmitter& tx = m_demo.Transmitter1;
                return around(tx, {&tx.lblTxMode, &tx.lblTxPacket[0], &tx.lblTxSeq[0], &tx.lblRTO[0], &tx.shpTxQueue[0],
                                   &tx.shpTxQueue[tx.window() - 1], &tx.lblRTO[tx.window() - 1]});
            }
            case P::ReceiverSlots: {
                const Receiver& rx = m_demo.Receiver1;
                const int last = rx.state().rxWindow - 1;
                return around(rx, {&rx.lblRxMode, &rx.shpRxQueue[0], &rx.shpRxQueue[last], &rx.lblRxSeq[0]});
            }
            case P::ReadyHold:
                return readyHold();
        }
        return {};
    }

private:
    QWidget* view(const widgets::Control& c) const { return m_window.widgetFor(c); }

    // The part of a component's picture that holds `controls`.
    QPixmap around(const widgets::Control& component, std::initializer_list<const widgets::Control*> controls)
    {
        QWidget* host = view(component);
        if (host == nullptr) return {};
        QRect r;
        for (const widgets::Control* c : controls) {
            QWidget* w = view(*c);
            if (w == nullptr || w->isHidden()) continue;
            r = r.united(QRect(w->mapTo(host, QPoint(0, 0)), w->size()));
        }
        if (r.isEmpty()) return host->grab();
        return host->grab(r.adjusted(-6, -6, 6, 6).intersected(host->rect()));
    }

    // The window down to the first seconds of the trace.
    QPixmap components()
    {
        QRect r = m_window.rect();
        if (QWidget* picture = view(m_demo.Wire1.Picture1)) {
            r.setBottom(picture->mapTo(&m_window, QPoint(0, 0)).y() + picture->height() / 3);
        }
        return m_window.grab(r).scaledToWidth(480, Qt::SmoothTransformation);
    }

    // A data packet and an acknowledgement on the wire, side by side.
    QPixmap packets()
    {
        QList<QPixmap> shots;
        for (bool ack : {false, true}) {
            for (int i = 0; i < Wire::kSlots; ++i) {
                const Wire& w = m_demo.Wire1;
                if (!w.cmdPacket[i].visible() || w.pktWire(i).ACKFlag != ack) continue;
                if (QWidget* b = view(w.cmdPacket[i])) shots.append(b->grab());
                break;
            }
        }
        return sideBySide(shots);
    }

    // The box as Ready, then as Hold after a click.
    QPixmap readyHold()
    {
        Receiver& rx = m_demo.Receiver1;
        QWidget* box = view(rx.chkRxReady);
        if (box == nullptr) return {};
        QList<QPixmap> shots{box->grab()};
        rx.chkRxReady.click();
        m_window.sync();
        shots.append(box->grab());
        rx.chkRxReady.click();
        m_window.sync();
        return sideBySide(shots, QStringLiteral("\u2192"));
    }

    static QPixmap sideBySide(const QList<QPixmap>& shots, const QString& between = {})
    {
        if (shots.isEmpty()) return {};
        const int gap = between.isEmpty() ? 16 : 36;
        int width = 0;
        int height = 0;
        for (const QPixmap& p : shots) {
            width += p.width() + gap;
            height = std::max(height, p.height());
        }
        QPixmap out(width - gap, height);
        out.fill(Qt::transparent);
        QPainter painter(&out);
        int x = 0;
        for (const QPixmap& p : shots) {
            if (x > 0 && !between.isEmpty()) {
                painter.drawText(QRect(x - gap, 0, gap, height), Qt::AlignCenter, between);
            }
            painter.drawPixmap(x, (height - p.height()) / 2, p);
            x += p.width() + gap;
        }
        return out;
    }

    NoMessages m_messages;
    LinkDemo m_demo;
    DemoWindow m_window;
};

QLabel* paragraph(const std::string& text, QWidget* parent)
{
    auto* l = new QLabel(QString::fromStdString(text), parent);
    l->setWordWrap(true);
    l->setTextFormat(Qt::PlainText);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

}  // namespace

GettingStartedWindow::GettingStartedWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(tr("Getting started \u2014 Link Demo"));
    auto* outer = new QVBoxLayout(this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll);
    auto* column = new QVBoxLayout(content);
    Pictures pictures;
    for (const help::GuideSection& s : help::gettingStarted()) {
        auto* title = new QLabel(QString::fromStdString(s.title), content);
        QFont bold = title->font();
        bold.setBold(true);
        bold.setPointSizeF(bold.pointSizeF() * 1.2);
        title->setFont(bold);
        column->addSpacing(6);
        column->addWidget(title);
        const QPixmap picture = pictures.picture(s.picture);
        if (!picture.isNull()) {
            auto* image = new QLabel(content);
            image->setObjectName(QStringLiteral("picture:") + QString::fromStdString(s.title));
            image->setPixmap(picture);
            column->addWidget(image, 0, Qt::AlignLeft);
        }
        for (const std::string& p : s.paragraphs) column->addWidget(paragraph(p, content));
        if (s.paragraphs.empty()) {
            auto* grid = new QGridLayout;
            int row = 0;
            for (const help::KeyEntry& k : help::keyboardKeys()) {
                auto* key = new QLabel(QString::fromStdString(k.keys), content);
                QFont f = key->font();
                f.setBold(true);
                key->setFont(f);
                grid->addWidget(key, row, 0, Qt::AlignTop);
                grid->addWidget(paragraph(k.action, content), row, 1);
                ++row;
            }
            grid->setColumnStretch(1, 1);
            column->addLayout(grid);
        }
    }
    column->addStretch();
    scroll->setWidget(content);
    outer->addWidget(scroll);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
    outer->addWidget(buttons);
    resize(620, 700);
}

QWidget* showGettingStarted(QWidget* parent)
{
    const QString name = QStringLiteral("helpGettingStarted");
    QWidget* w = parent ? parent->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly) : nullptr;
    if (w == nullptr) {
        w = new GettingStartedWindow(parent);
        w->setObjectName(name);
        if (parent == nullptr) w->setAttribute(Qt::WA_DeleteOnClose);
    }
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

}  // namespace gui
