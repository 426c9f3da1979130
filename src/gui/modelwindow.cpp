#include "gui/modelwindow.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QSignalBlocker>

#include "gui/textfit.h"
#include "gui/units.h"

namespace gui {

namespace {

// Shapes, lines and labels are drawn on their container, beneath every
// control that is a window of its own (buttons, lists, pictures, text boxes,
// components): the layouts were designed with that rule, so a label or a
// frame created after a button never covers it. Inside a component, an open
// settings panel's lists and captions (labels on a background of their own)
// lie above its buttons, so that the packets passing on a wire never hide
// them; they are hidden while the panel is closed.
int layerOf(const widgets::Control& c)
{
    using widgets::Kind;
    const bool inComponent = c.parent() && c.parent()->kind() == Kind::Component;
    switch (c.kind()) {
        case Kind::Shape:
        case Kind::Line:
            return 0;
        case Kind::Label:
            return inComponent && static_cast<const widgets::Label&>(c).backColour() >= 0 ? 2 : 0;
        case Kind::Combo:
            return inComponent ? 2 : 1;
        default:
            return 1;
    }
}

bool isContainer(const widgets::Control& c)
{
    return c.kind() == widgets::Kind::Window || c.kind() == widgets::Kind::Component;
}

// Counts a model call in progress, also when it leaves by an exception.
class BusyScope {
public:
    explicit BusyScope(int& counter) : m_counter(counter) { ++m_counter; }
    ~BusyScope() { --m_counter; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    int& m_counter;
};

class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};

void setGeometryFrom(QWidget* w, const widgets::Control& c)
{
    const QRect r = pixelRect(c.left(), c.top(), c.width(), c.height());
    if (w->geometry() != r) w->setGeometry(r);
}

void setVisibleFrom(QWidget* w, const widgets::Control& c)
{
    if (w->isHidden() == c.visible()) w->setVisible(c.visible());
}

void setFontFrom(QWidget* w, const widgets::Control& c)
{
    const QFont f = toQFont(c.font());
    if (w->font() != f) w->setFont(f);
}

void setTextColour(QWidget* w, const QColor& c)
{
    QPalette pal = w->palette();
    if (pal.color(QPalette::WindowText) == c) return;
    pal.setColor(QPalette::WindowText, c);
    w->setPalette(pal);
}

void setFill(QWidget* w, std::int64_t backColour)
{
    const bool fill = backColour >= 0;
    if (fill) {
        QPalette pal = w->palette();
        const QColor c = toQColor(backColour);
        if (pal.color(QPalette::Window) != c) {
            pal.setColor(QPalette::Window, c);
            w->setPalette(pal);
        }
    }
    if (w->autoFillBackground() != fill) w->setAutoFillBackground(fill);
}

Qt::Alignment toQt(widgets::Label::Align a)
{
    switch (a) {
        case widgets::Label::Align::Centre:
            return Qt::AlignHCenter | Qt::AlignTop;
        case widgets::Label::Align::Right:
            return Qt::AlignRight | Qt::AlignTop;
        case widgets::Label::Align::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

QString withoutMnemonic(const std::string& s)
{
    QString q = toQString(s);
    q.replace(QLatin1Char('&'), QLatin1String("&&"));
    return q;
}

}  // namespace

// ---- units -----------------------------------------------------------------

namespace {
double g_zoom = 1.0;
}

double zoom()
{
    return g_zoom;
}

void setZoom(double z)
{
    g_zoom = std::isfinite(z) ? std::clamp(z, 0.25, 8.0) : 1.0;
}

QRect pixelRect(double left, double top, double width, double height)
{
    auto px = [](double units) { return static_cast<int>(std::lround(clampPixels(toPixels(units)))); };
    const int l = px(left);
    const int t = px(top);
    const int r = px(left + std::max(0.0, width));
    const int b = px(top + std::max(0.0, height));
    return QRect(l, t, std::max(0, r - l), std::max(0, b - t));
}

QFont toQFont(const widgets::Font& font)
{
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                   QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    const double points = std::isfinite(font.points) ? std::clamp(font.points, 1.0, 400.0) : 8.25;
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0 * zoom()))));
    f.setBold(font.bold);
    return f;
}

QString toQString(const std::string& s)
{
    return QString::fromStdString(s);
}

// ---- ModelWindow -----------------------------------------------------------

ModelWindow::ModelWindow(widgets::Container& root, QWidget* parent) : PanelView(parent), m_root(root)
{
    onClick = [this] {
        if (!onBackgroundClick) return;
        auto action = onBackgroundClick;
        userAction(0, action, UserInput{UserInput::Kind::Background, {}, {}, 0});
    };
    m_entries.push_back(Entry{&m_root, this, nullptr, 0, 0});
    m_index.insert(&m_root, 0);
    m_stacks.push_back(Stack{&m_root, this, 0, false});
    build(m_root, this, nullptr, 0);
    m_focusFrame = new FocusFrame(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        m_focusFrame->follow(now && now != this && isAncestorOf(now) ? now : nullptr);
    });
    connect(&m_clock, &QTimer::timeout, this, &ModelWindow::tick);
    sync();
}

ModelWindow::~ModelWindow()
{
    // The views go first, while the tables their handlers use still exist;
    // nothing they do on the way out reaches the model.
    m_syncing = true;
    m_clock.stop();
    disconnect(qApp, nullptr, this, nullptr);
    const QObjectList kids = children();
    for (QObject* k : kids) {
        if (k->isWidgetType()) delete k;
    }
}

void ModelWindow::build(widgets::Container& container, QWidget* host, widgets::Component* owner, std::size_t stack)
{
    for (widgets::Control* c : container.children()) {
        const std::size_t entry = m_entries.size();
        widgets::Component* childOwner = owner;
        if (isContainer(*c)) {
            if (auto* component = dynamic_cast<widgets::Component*>(c)) childOwner = component;
        }
        QWidget* w = createWidget(*c, host, childOwner, entry);
        if (!w) continue;
        m_entries.push_back(Entry{c, w, childOwner, 0, stack});
        m_index.insert(c, entry);
        if (auto* sub = dynamic_cast<widgets::Container*>(c)) {
            m_stacks.push_back(Stack{sub, w, 0, true});
            build(*sub, w, childOwner, m_stacks.size() - 1);
        }
    }
}

QWidget* ModelWindow::createWidget(widgets::Control& control, QWidget* host, widgets::Component* owner,
                                   std::size_t entry)
{
    using widgets::Kind;
    switch (control.kind()) {
        case Kind::Window:
        case Kind::Component: {
            auto* panel = new PanelView(host);
            panel->onPress = [this, owner] {
                if (!owner || m_syncing || busy()) return;
                focusOwner(owner);
                sync();
            };
            return panel;
        }
        case Kind::Button: {
            auto* b = new ButtonView(host);
            auto* model = static_cast<widgets::Button*>(&control);
            connect(b, &QPushButton::clicked, this, [this, entry, model] {
                userAction(
                    entry, [model] { model->click(); }, input(UserInput::Kind::Press, entry));
            });
            watchFocus(b, owner);
            return b;
        }
        case Kind::Label:
        case Kind::TextBox:
            return new LabelView(host, control.kind() == Kind::Label);
        case Kind::Combo: {
            auto* model = static_cast<widgets::ComboBox*>(&control);
            auto* cb = new QComboBox(host);
            cb->setEditable(model->editable());
            cb->setInsertPolicy(QComboBox::NoInsert);
            cb->setMaxVisibleItems(20);
            // A wheel turned over a list the user is not working in scrolls
            // nothing; otherwise it would change the scenario by accident.
            cb->setFocusPolicy(Qt::StrongFocus);
            cb->installEventFilter(this);
            // A user's pick from the list or by arrow keys; never emitted by
            // the binding's own setCurrentIndex.
            connect(cb, QOverload<int>::of(&QComboBox::activated), this, [this, entry, model, cb](int i) {
                const bool fromPopup = m_popupOpenedBy == cb;
                m_popupOpenedBy = nullptr;
                UserInput in = input(UserInput::Kind::Choose, entry);
                if (i >= 0 && i < static_cast<int>(model->items().size()))
                    in.text = model->items()[static_cast<std::size_t>(i)];
                userAction(
                    entry, [model, i] { model->userChoose(i); }, in);
                if (onListChoice) onListChoice(*model, fromPopup);
            });
            if (QLineEdit* le = cb->lineEdit()) {
                // No inline completion: the text is what the user typed.
                cb->setCompleter(nullptr);
                // textEdited is the user's keystrokes only, never setText.
                connect(le, &QLineEdit::textEdited, this, [this, entry, model](const QString& text) {
                    UserInput in = input(UserInput::Kind::Type, entry);
                    in.text = text.toStdString();
                    userAction(
                        entry, [model, text] { model->userEdit(text.toStdString()); }, in);
                });
                watchFocus(le, owner);
            }
            watchFocus(cb, owner);
            return cb;
        }
        case Kind::Check: {
            auto* box = new QCheckBox(host);
            auto* model = static_cast<widgets::CheckBox*>(&control);
            connect(box, &QCheckBox::clicked, this, [this, entry, model] {
                userAction(
                    entry, [model] { model->click(); }, input(UserInput::Kind::Press, entry));
            });
            watchFocus(box, owner);
            return box;
        }
        case Kind::Shape:
            return new ShapeView(host);
        case Kind::Line:
            return new LineView(host);
        case Kind::Picture:
            return new PictureView(static_cast<widgets::Picture&>(control), host);
        case Kind::ScrollBar: {
            auto* sb = new QScrollBar(Qt::Vertical, host);
            auto* model = static_cast<widgets::ScrollBar*>(&control);
            // Arrows, page clicks, dragging and the wheel all end in a value
            // change; the binding's own updates are blocked and guarded.
            connect(sb, &QScrollBar::valueChanged, this, [this, entry, model](int v) {
                if (m_syncing) return;
                UserInput in = input(UserInput::Kind::Scroll, entry);
                in.value = v;
                userAction(
                    entry, [model, v] { model->userScroll(v); }, in);
            });
            watchFocus(sb, owner);
            return sb;
        }
        case Kind::Timer:
            break;
    }
    return nullptr;
}

void ModelWindow::watchFocus(QWidget* w, widgets::Component* owner)
{
    if (!owner) return;
    m_focusOwner.insert(w, owner);
    w->installEventFilter(this);
}

bool ModelWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Whether a list's next choice comes from a pop-up the mouse opened or
    // from keys on the closed box.
    if (qobject_cast<QComboBox*>(watched)) {
        if (event->type() == QEvent::MouseButtonPress) m_popupOpenedBy = watched;
        if (event->type() == QEvent::KeyPress) m_popupOpenedBy = nullptr;
    }
    if (event->type() == QEvent::Wheel) {
        auto* combo = qobject_cast<QComboBox*>(watched);
        if (combo && !combo->hasFocus()) {
            event->ignore();
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn && !m_syncing && !busy()) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Only focus a user moved here: not focus restored on activation or
        // passed on because a widget was hidden.
        const bool byUser = reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
                            reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
        widgets::Component* owner = m_focusOwner.value(watched, nullptr);
        if (byUser && owner) {
            focusOwner(owner);
            sync();
        }
    }
    return PanelView::eventFilter(watched, event);
}

std::string ModelWindow::scriptName(const widgets::Control& control) const
{
    const widgets::Container* parent = control.parent();
    return (parent ? parent->name() + "." : std::string()) + control.fullName();
}

UserInput ModelWindow::input(UserInput::Kind kind, std::size_t entry) const
{
    return UserInput{kind, entry < m_entries.size() ? scriptName(*m_entries[entry].control) : std::string(), {}, 0};
}

void ModelWindow::focusOwner(widgets::Component* owner)
{
    if (onUserInput) onUserInput(UserInput{UserInput::Kind::Focus, owner->name(), {}, 0});
    BusyScope scope(m_busy);
    owner->focus();
}

void ModelWindow::userAction(std::size_t entry, const std::function<void()>& action, const UserInput& input)
{
    if (m_syncing) return;
    if (entry >= m_entries.size()) return;
    if (busy()) {
        // A nested event loop inside a model call: the model cannot take
        // input now. Restore the widget from the model at the next sync.
        m_entries[entry].revision = 0;
        return;
    }
    if (interceptInput && interceptInput(input)) {
        m_entries[entry].revision = 0;
        sync();
        return;
    }
    if (widgets::Component* owner = m_entries[entry].owner) focusOwner(owner);
    {
        if (onUserInput) onUserInput(input);
        BusyScope scope(m_busy);
        action();
    }
    // The widget may hold a state of its own (a tick, a slider position)
    // that the model did not take: mirror the model over it.
    m_entries[entry].revision = 0;
    sync();
}

int ModelWindow::sync()
{
    if (m_syncing) return 0;
    FlagScope scope(m_syncing);
    int updated = 0;
    bool componentsMoved = false;
    for (Entry& e : m_entries) {
        const std::uint64_t rev = e.control->revision();
        if (rev == e.revision) continue;
        update(e);
        e.revision = rev;
        ++updated;
        if (e.widget == this) continue;
        m_stacks[e.stack].shapeChanged = true;
        if (isContainer(*e.control)) {
            componentsMoved = true;
            // Its own fill may have changed, which decides its mask.
            for (Stack& s : m_stacks) {
                if (s.widget == e.widget) s.shapeChanged = true;
            }
        }
    }
    for (Stack& s : m_stacks) {
        const std::uint64_t rev = s.container->stackingRevision();
        if (rev != s.revision) {
            restack(s);
            s.revision = rev;
        }
        if (s.shapeChanged) reshape(s);
    }
    if (componentsMoved) orderTabs();
    m_focusFrame->refresh();
    if (afterSync) afterSync();
    return updated;
}

void ModelWindow::restack(const Stack& s)
{
    const auto& order = s.container->stacking();
    for (int layer = 0; layer < 3; ++layer) {
        for (widgets::Control* c : order) {
            if (layerOf(*c) != layer) continue;
            if (QWidget* w = widgetFor(*c)) w->raise();
        }
    }
}

// A component's panel takes clicks only where the component draws: its
// visible controls, or the whole of it when it fills its own background. A
// click on an empty part reaches whatever lies beneath, down to the window,
// whatever the stacking.
void ModelWindow::reshape(Stack& s)
{
    s.shapeChanged = false;
    QWidget* panel = s.widget;
    if (panel == this) return;
    if (panel->autoFillBackground()) {
        if (!panel->mask().isEmpty()) panel->clearMask();
        return;
    }
    QRegion drawn;
    for (QObject* o : panel->children()) {
        auto* child = qobject_cast<QWidget*>(o);
        if (child && !child->isHidden()) drawn += child->geometry();
    }
    // An empty mask means none at all in Qt: a point outside stands for
    // "nothing here".
    if (drawn.isEmpty()) drawn = QRegion(-1, -1, 1, 1);
    if (panel->mask() != drawn) panel->setMask(drawn);
}

// The Tab key follows the layout: the components from left to right (top to
// bottom where they stand level), each with its own controls, then the
// window's own controls.
void ModelWindow::orderTabs()
{
    std::vector<const Entry*> components;
    for (const Entry& e : m_entries) {
        if (e.widget != this && e.control->kind() == widgets::Kind::Component && e.control->parent() == &m_root) {
            components.push_back(&e);
        }
    }
    std::stable_sort(components.begin(), components.end(), [](const Entry* a, const Entry* b) {
        if (a->control->left() != b->control->left()) return a->control->left() < b->control->left();
        return a->control->top() < b->control->top();
    });
    std::vector<const widgets::Control*> order;
    for (const Entry* c : components) order.push_back(c->control);
    if (order == m_tabOrder) return;
    m_tabOrder = order;

    std::vector<QWidget*> chain;
    auto takes = [](const Entry& e) {
        return e.control->kind() != widgets::Kind::Component && e.control->kind() != widgets::Kind::Window &&
               (e.widget->focusPolicy() & Qt::TabFocus);
    };
    for (const Entry* c : components) {
        for (const Entry& e : m_entries) {
            if (e.owner == c->control && e.control != c->control && takes(e)) chain.push_back(e.widget);
        }
    }
    for (const Entry& e : m_entries) {
        if (e.widget != this && e.control->parent() == &m_root && takes(e)) chain.push_back(e.widget);
    }
    for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void ModelWindow::update(Entry& e)
{
    using widgets::Kind;
    widgets::Control& c = *e.control;
    QWidget* w = e.widget;
    if (w == this) {
        const auto& root = static_cast<const widgets::Container&>(c);
        setBackColour(toQColor(root.backColour()));
        const QRect r = pixelRect(0, 0, root.width(), root.height());
        if (!r.isEmpty() && size() != r.size()) setFixedSize(r.size());
        setFontFrom(this, c);
        return;
    }
    if (c.kind() != Kind::Line && c.kind() != Kind::Label && c.kind() != Kind::TextBox) setGeometryFrom(w, c);
    if (c.kind() != Kind::Label && c.kind() != Kind::TextBox && c.kind() != Kind::Check) setFontFrom(w, c);
    const Qt::FocusPolicy focus = c.tabStop() ? Qt::StrongFocus : Qt::NoFocus;
    if (c.kind() == Kind::Button && w->focusPolicy() != focus) w->setFocusPolicy(focus);
    switch (c.kind()) {
        case Kind::Window:
        case Kind::Component: {
            const std::int64_t colour = static_cast<widgets::Container&>(c).backColour();
            const bool sameAsBeneath = c.parent() && c.parent()->backColour() == colour;
            static_cast<PanelView*>(w)->setBackColour(toQColor(colour), !sameAsBeneath);
            break;
        }
        case Kind::Button: {
            const auto& m = static_cast<const widgets::Button&>(c);
            auto* b = static_cast<ButtonView*>(w);
            b->setCaption(toQString(m.caption()));
            b->setBackColour(toQColor(m.backColour()));
            break;
        }
        case Kind::Label: {
            const auto& m = static_cast<const widgets::Label&>(c);
            auto* l = static_cast<LabelView*>(w);
            l->present(toQString(m.caption()), toQFont(c.font()), pixelRect(c.left(), c.top(), c.width(), c.height()));
            setTextColour(l, toQColor(m.foreColour()));
            setFill(l, m.backColour());
            if (l->alignment() != toQt(m.alignment())) l->setAlignment(toQt(m.alignment()));
            break;
        }
        case Kind::TextBox: {
            const auto& m = static_cast<const widgets::TextBox&>(c);
            auto* l = static_cast<LabelView*>(w);
            l->present(toQString(m.text()), toQFont(c.font()), pixelRect(c.left(), c.top(), c.width(), c.height()));
            setTextColour(l, toQColor(m.foreColour()));
            break;
        }
        case Kind::Combo: {
            const auto& m = static_cast<const widgets::ComboBox&>(c);
            auto* cb = static_cast<QComboBox*>(w);
            QSignalBlocker blockCombo(cb);
            QLineEdit* le = cb->lineEdit();
            QSignalBlocker blockEdit(le);
            const int cursor = le ? le->cursorPosition() : 0;
            const QString before = le ? le->text() : QString();
            const auto& items = m.items();
            bool same = cb->count() == static_cast<int>(items.size());
            for (int i = 0; same && i < cb->count(); ++i) {
                same = cb->itemText(i) == toQString(items[static_cast<std::size_t>(i)]);
            }
            if (!same) {
                cb->clear();
                for (const auto& item : items) cb->addItem(toQString(item));
            }
            if (cb->currentIndex() != m.listIndex()) cb->setCurrentIndex(m.listIndex());
            if (le) {
                const QString text = toQString(m.text());
                if (le->text() != text) cb->setEditText(text);
                // Keep the caret where the user is typing.
                if (le->text() == before) le->setCursorPosition(std::min(cursor, static_cast<int>(before.size())));
            }
            break;
        }
        case Kind::Check: {
            const auto& m = static_cast<const widgets::CheckBox&>(c);
            auto* box = static_cast<QCheckBox*>(w);
            QSignalBlocker block(box);
            const QString text = withoutMnemonic(m.caption());
            if (box->text() != text) box->setText(text);
            box->setChecked(m.value() != 0);
            // The caption fits the room beside the tick.
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = text;
            const QRect room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
            const QFont fitted = fitText(toQFont(c.font()), toQString(m.caption()), room.size(), false).font;
            if (box->font() != fitted) box->setFont(fitted);
            break;
        }
        case Kind::Shape: {
            const auto& m = static_cast<const widgets::Shape&>(c);
            static_cast<ShapeView*>(w)->setLook(m.form(), toQColor(m.fillColour()), m.filled(),
                                                toQColor(m.borderColour()));
            break;
        }
        case Kind::Line: {
            const auto& m = static_cast<const widgets::Line&>(c);
            static_cast<LineView*>(w)->setLine(QLineF(clampPixels(toPixels(m.x1())), clampPixels(toPixels(m.y1())),
                                                      clampPixels(toPixels(m.x2())), clampPixels(toPixels(m.y2()))),
                                               toQColor(m.colour()));
            break;
        }
        case Kind::Picture:
            // After the geometry, so that the image has the new size.
            setVisibleFrom(w, c);
            static_cast<PictureView*>(w)->syncFromModel();
            return;
        case Kind::ScrollBar: {
            const auto& m = static_cast<const widgets::ScrollBar&>(c);
            auto* sb = static_cast<QScrollBar*>(w);
            QSignalBlocker block(sb);
            const bool inverted = m.min() > m.max();
            sb->setInvertedAppearance(inverted);
            sb->setInvertedControls(inverted);
            sb->setRange(std::min(m.min(), m.max()), std::max(m.min(), m.max()));
            sb->setSingleStep(std::max(1, m.smallChange()));
            sb->setPageStep(std::max(1, m.largeChange()));
            sb->setValue(m.value());
            break;
        }
        case Kind::Timer:
            break;
    }
    setVisibleFrom(w, c);
}

QWidget* ModelWindow::widgetFor(const widgets::Control& control) const
{
    auto it = m_index.constFind(&control);
    if (it == m_index.constEnd()) return nullptr;
    return m_entries[*it].widget;
}

PictureView* ModelWindow::pictureFor(const widgets::Picture& picture) const
{
    return static_cast<PictureView*>(widgetFor(picture));
}

void ModelWindow::repaintAll()
{
    for (const Entry& e : m_entries) {
        if (e.control->kind() == widgets::Kind::Picture) static_cast<PictureView*>(e.widget)->repaintAll();
    }
}

void ModelWindow::addKey(Qt::Key key, widgets::Button& button)
{
    addKey(key, [this, &button] {
        if (button.reachable())
            act(
                button, [&button] { button.click(); }, UserInput{UserInput::Kind::Press, scriptName(button), {}, 0});
    });
}

void ModelWindow::addKey(Qt::Key key, std::function<void()> action)
{
    m_keys.insert(static_cast<int>(key), std::move(action));
}

void ModelWindow::act(const widgets::Control& control, const std::function<void()>& action, const UserInput& input)
{
    auto it = m_index.constFind(&control);
    if (it != m_index.constEnd()) userAction(*it, action, input);
}

void ModelWindow::placeAt(const widgets::Control& control, double left, double top, double width, double height)
{
    auto it = m_index.constFind(&control);
    if (it == m_index.constEnd()) return;
    Entry& e = m_entries[*it];
    const QRect r = pixelRect(left, top, width, height);
    if (e.widget->geometry() == r) return;
    e.widget->setGeometry(r);
    m_stacks[e.stack].shapeChanged = true;
}

void ModelWindow::finishPlacing()
{
    for (Stack& s : m_stacks) {
        if (s.shapeChanged) reshape(s);
    }
}

void ModelWindow::resyncAll()
{
    for (Entry& e : m_entries) e.revision = 0;
    for (Stack& s : m_stacks) {
        s.revision = 0;
        s.shapeChanged = true;
    }
    sync();
}

// Keys the focused control did not take arrive here.
void ModelWindow::keyPressEvent(QKeyEvent* event)
{
    // Shift is allowed: "+" and "]" need it on some keyboards.
    const bool plain = (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) == Qt::NoModifier;
    auto it = m_keys.constFind(event->key());
    if (!plain || it == m_keys.constEnd()) {
        PanelView::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || busy()) return;
    const auto action = *it;
    action();
}

void ModelWindow::focusControl(const widgets::Control& control)
{
    if (QWidget* w = widgetFor(control)) w->setFocus(Qt::OtherFocusReason);
}

// ---- the wall clock --------------------------------------------------------

void ModelWindow::setTimeSource(std::function<std::int64_t()> source)
{
    m_time = std::move(source);
    rebaseClock();
}

void ModelWindow::startClock(widgets::Scheduler& scheduler, int intervalMs, std::int64_t maxCatchUpMs)
{
    m_scheduler = &scheduler;
    m_maxCatchUp = std::max<std::int64_t>(1, maxCatchUpMs);
    if (!m_time) {
        m_elapsed.start();
        m_time = [this] { return m_elapsed.elapsed(); };
    }
    rebaseClock();
    if (intervalMs > 0) m_clock.start(intervalMs);
}

void ModelWindow::stopClock()
{
    m_clock.stop();
}

void ModelWindow::rebaseClock()
{
    if (!m_time) return;
    m_lastReal = m_time();
    m_pace.drop();
}

void ModelWindow::tick()
{
    // Inside a model call a modal box runs its own event loop; the model is
    // mid-operation and must not be advanced from there.
    if (!m_scheduler || !m_time || busy()) return;
    const std::int64_t real = m_time();
    // A stall (a suspended machine, a debugger): what is beyond one
    // catch-up is dropped rather than raced through.
    const std::int64_t elapsed = std::min(real - m_lastReal, m_maxCatchUp);
    if (elapsed > 0) {
        m_lastReal = real;
        std::int64_t ms = m_pace.advance(elapsed);
        if (clockLimit) {
            const std::int64_t now = m_scheduler->now();
            if (const auto limit = clockLimit(); limit && now + ms > *limit) {
                // Held at the limit: the time beyond it is not owed later.
                ms = std::max<std::int64_t>(0, *limit - now);
                m_pace.drop();
            }
        }
        if (ms > 0) {
            {
                BusyScope scope(m_busy);
                m_scheduler->advance(ms);
                if (afterAdvance) afterAdvance();
            }
            sync();
        }
    }
    if (afterTick) afterTick();
}

}  // namespace gui
