// SPDX-License-Identifier: MIT
#include "gui/helpwindows.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "gui/modelwindow.h"
#include "gui/profile.h"
#include "gui/toolzoom.h"
#include "gui/units.h"
#include "linkdemo_version.h"
#include "session/helptext.h"

namespace gui {

namespace {

// A filled rectangle in the colour drawn for one of the model's colours in
// the profile in force, with the letter that names a packet where the
// profile shows one.
class Swatch : public QWidget {
public:
    Swatch(std::int64_t colour, palette::Role role, QWidget* parent)
        : QWidget(parent),
          m_colour(drawnColour(colour, role)),
          m_letter(role == palette::Role::Fill ? QChar::fromLatin1(palette::packetLetter(profile(), colour)) : QChar())
    {
        setFixedSize(40, 22);
        setToolTip(QStringLiteral("#%1").arg(m_colour.rgb() & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), m_colour);
        p.setPen(QColor(0x40, 0x40, 0x40));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        if (!m_letter.isNull()) {
            QFont bold = font();
            bold.setBold(true);
            p.setFont(bold);
            p.setPen(drawnColour(0x000000, palette::Role::Text));
            p.drawText(rect(), Qt::AlignCenter, QString(m_letter));
        }
    }

private:
    QColor m_colour;
    QChar m_letter;
};

QLabel* wrapped(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QGroupBox* groupBox(const help::ColourGroup& g, QWidget* parent)
{
    auto* box = new QGroupBox(QString::fromStdString(g.title), parent);
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(10);
    auto* note = wrapped(QStringLiteral("Colour of ") + QString::fromStdString(g.note) + QLatin1Char('.'), box);
    note->setStyleSheet(QStringLiteral("color: #505050; font-style: italic;"));
    grid->addWidget(note, 0, 0, 1, 3);
    int row = 1;
    for (const std::string& line : help::slotReading(g.title))
        grid->addWidget(wrapped(QString::fromStdString(line), box), row++, 0, 1, 3);
    for (const help::ColourEntry& e : g.entries) {
        auto* swatches = new QWidget(box);
        auto* h = new QHBoxLayout(swatches);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(3);
        int i = 0;
        for (std::int64_t c : e.swatches) {
            auto* s = new Swatch(c, g.role, swatches);
            s->setObjectName(QStringLiteral("swatch:%1/%2/%3")
                                 .arg(QString::fromStdString(g.title), QString::fromStdString(e.name))
                                 .arg(i++));
            h->addWidget(s);
        }
        h->addStretch();
        auto* name = new QLabel(QString::fromStdString(e.name), box);
        QFont bold = name->font();
        bold.setBold(true);
        name->setFont(bold);
        grid->addWidget(swatches, row, 0, Qt::AlignTop);
        grid->addWidget(name, row, 1, Qt::AlignTop);
        grid->addWidget(wrapped(QString::fromStdString(e.meaning), box), row, 2, Qt::AlignTop);
        ++row;
    }
    grid->setColumnStretch(2, 1);
    // Every group's swatch column as wide as the widest (three swatches).
    grid->setColumnMinimumWidth(0, 3 * 40 + 2 * 3);
    return box;
}

// The demonstration's window in or at `parent`, whose zoom the help follows.
ModelWindow* bindingAt(QWidget* parent)
{
    if (!parent) return nullptr;
    if (auto* binding = qobject_cast<ModelWindow*>(parent)) return binding;
    return parent->findChild<ModelWindow*>();
}

// The window named `name` under `parent`, made by `make` when there is none;
// shown and raised.
template <class Make>
QWidget* showOnce(QWidget* parent, const QString& name, Make make)
{
    QWidget* w = parent ? parent->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly) : nullptr;
    if (w == nullptr) {
        w = make();
        w->setObjectName(name);
        followZoom(w, bindingAt(parent));
        w->setWindowFlag(Qt::Window);
        if (parent == nullptr) w->setAttribute(Qt::WA_DeleteOnClose);
    }
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

// A plain window of rich text with a Close button.
QWidget* textWindow(QWidget* parent, const QString& title, const QString& html)
{
    auto* w = new QWidget(parent, Qt::Window);
    w->setWindowTitle(title);
    auto* layout = new QVBoxLayout(w);
    auto* text = new QLabel(html, w);
    text->setTextFormat(Qt::RichText);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, w);
    QObject::connect(buttons, &QDialogButtonBox::rejected, w, &QWidget::close);
    layout->addWidget(buttons);
    return w;
}

}  // namespace

ColoursWindow::ColoursWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Colours and states \u2014 Link Demo"));
    auto* outer = new QVBoxLayout(this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll);
    auto* column = new QVBoxLayout(content);
    if (profile() != palette::Profile::Standard) {
        column->addWidget(wrapped(QStringLiteral("As drawn in the %1 profile (View \u2192 Profile).")
                                      .arg(QString::fromLatin1(palette::name(profile()))),
                                  content));
    }
    for (const help::ColourGroup& g : help::colourLegend()) column->addWidget(groupBox(g, content));
    column->addStretch();
    scroll->setWidget(content);
    outer->addWidget(scroll);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
    outer->addWidget(buttons);
    resize(640, 760);
}

QWidget* showColours(QWidget* parent)
{
    return showOnce(parent, QStringLiteral("helpColours"), [parent] { return new ColoursWindow(parent); });
}

QWidget* showKeyboardHelp(QWidget* parent)
{
    return showOnce(parent, QStringLiteral("helpKeyboard"), [parent] {
        QString html = QStringLiteral("<table cellspacing='0' cellpadding='4'>");
        for (const help::KeyEntry& k : help::keyboardKeys()) {
            html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                        .arg(QString::fromStdString(k.keys).toHtmlEscaped(),
                             QString::fromStdString(k.action).toHtmlEscaped());
        }
        html += QStringLiteral(
            "</table><p>A key acts on the window when the focused control does not take it "
            "itself.</p>");
        QWidget* w = textWindow(parent, QStringLiteral("Keyboard \u2014 Link Demo"), html);
        w->resize(560, w->sizeHint().height());
        return w;
    });
}

QWidget* showAbout(QWidget* parent)
{
    return showOnce(parent, QStringLiteral("helpAbout"), [parent] {
        const QString html = QStringLiteral(
                                 "<h2>Link Demo</h2><p>Version %1</p>"
                                 "<p>A teaching demonstration of flow control and error control on a data link: "
                                 "packets, acknowledgements and flow-control messages travel between a transmitter "
                                 "and a receiver in simulated time.</p>"
                                 "<p>%2</p><p>%3</p>")
                                 .arg(QStringLiteral(LINKDEMO_VERSION),
                                      QString::fromUtf8(help::kCopyright.data(), help::kCopyright.size()),
                                      QString::fromUtf8(help::kLicence.data(), help::kLicence.size()));
        QWidget* w = textWindow(parent, QStringLiteral("About Link Demo"), html);
        w->resize(420, w->sizeHint().height());
        return w;
    });
}

}  // namespace gui
