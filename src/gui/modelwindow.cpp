// SPDX-License-Identifier: MIT
#include "gui/modelwindow.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionButton>

#include "gui/profile.h"
#include "gui/textfit.h"
#include "gui/units.h"
#include "session/bindingrules.h"

namespace gui {

namespace {

bool isContainer(const widgets::Control& c)
{
    return c.kind() == widgets::Kind::Window || c.kind() == widgets::Kind::Component;
}

// Tab reaches what the Tab chain holds; a click focuses only a field.
Qt::FocusPolicy focusPolicyOf(const widgets::Control& c)
{
    if (!rules::takesTab(c)) return Qt::NoFocus;
    return rules::clickTakesFocus(c) ? Qt::StrongFocus : Qt::TabFocus;
}

class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};

QRect rectOf(const widgets::Control& c, const Scale& scale)
{
    return scale.pixelRect(c.left(), c.top(), c.width(), c.height());
}

void setGeometryFrom(QWidget* w, const widgets::Control& c, const Scale& scale)
{
    const QRect r = rectOf(c, scale);
    if (w->geometry() != r) w->setGeometry(r);
}

void setVisibleFrom(QWidget* w, const widgets::Control& c)
{
    if (w->isHidden() == c.visible()) w->setVisible(c.visible());
}

void setFontFrom(QWidget* w, const widgets::Control& c, const Scale& scale)
{
    const QFont f = scale.toQFont(c.font());
    if (w->font() != f) w->setFont(f);
}

// The model's rectangle and font, for the widgets that take both as they
// stand.
void placeFrom(QWidget* w, const widgets::Control& c, const Scale& scale)
{
    setGeometryFrom(w, c, scale);
    setFontFrom(w, c, scale);
}

// Calls the update of one kind with the control and widget cast to it.
template <class Model, class View>
void mirror(void (*update)(const Model&, View&, const Scale&), const widgets::Control& c, QWidget* w,
            const Scale& scale)
{
    update(static_cast<const Model&>(c), *static_cast<View*>(w), scale);
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
        const QColor c = drawnColour(backColour, palette::Role::Fill);
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

bool holdsItems(const QComboBox& cb, const std::vector<std::string>& items)
{
    if (cb.count() != static_cast<int>(items.size())) return false;
    for (int i = 0; i < cb.count(); ++i) {
        if (cb.itemText(i) != toQString(items[static_cast<std::size_t>(i)])) return false;
    }
    return true;
}

// Mirrors a combo box's items, selection and text without a signal reaching
// the model (the box would echo them as a user's choice or typing), and
// keeps the caret where the user is typing when the text stays the same.
void mirrorComboContents(const widgets::ComboBox& m, QComboBox& cb)
{
    QSignalBlocker blockCombo(&cb);
    QLineEdit* le = cb.lineEdit();
    QSignalBlocker blockEdit(le);
    const int cursor = le ? le->cursorPosition() : 0;
    const QString before = le ? le->text() : QString();
    if (!holdsItems(cb, m.items())) {
        cb.clear();
        for (const auto& item : m.items()) cb.addItem(toQString(item));
    }
    if (cb.currentIndex() != m.listIndex()) cb.setCurrentIndex(m.listIndex());
    if (le) {
        const QString text = toQString(m.text());
        if (le->text() != text) cb.setEditText(text);
        if (le->text() == before) le->setCursorPosition(std::min(cursor, static_cast<int>(before.size())));
    }
}

// Every binding alive, oldest first.
std::vector<ModelWindow*>& bindings()
{
    static std::vector<ModelWindow*> all;
    return all;
}

}  // namespace

// ---- ModelWindow -----------------------------------------------------------

ModelWindow::ModelWindow(widgets::Container& root, QWidget* parent)
    : PanelView(parent), m_root(root), m_clock(m_gate, [this]() -> std::optional<std::int64_t> {
          if (!clockLimit) return std::nullopt;
          return clockLimit();
      })
{
    m_gate.onInput = [this](const UserInput& in) { emit userInput(in); };
    m_gate.intercept = [this](const UserInput& in) { return interceptInput && interceptInput(in); };
    onClick = [this] {
        if (!isSignalConnected(QMetaMethod::fromSignal(&ModelWindow::backgroundClicked))) return;
        m_input.act(
            m_root, [this] { emit backgroundClicked(); }, UserInput{UserInput::Kind::Background, {}, {}, 0});
    };
    m_entries.push_back(Entry{&m_root, this, nullptr, 0, 0});
    m_index.insert(&m_root, 0);
    m_stacks.push_back(Stack{&m_root, this, 0, false});
    build(m_root, this, nullptr, 0);
    m_focusFrame = new FocusFrame(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        m_focusFrame->follow(now && now != this && isAncestorOf(now) ? now : nullptr);
    });
    connect(&m_clock, &ClockDriver::advanced, this, [this] { clockAdvanced(); });
    connect(&m_clock, &ClockDriver::woke, this, [this](std::int64_t ms) {
        if (ms > 0) sync();
        emit ticked();
    });
    bindings().push_back(this);
    sync();
}

ModelWindow::~ModelWindow()
{
    // The views go first, while the tables their handlers use still exist;
    // nothing they do on the way out reaches the model.
    m_syncing = true;
    auto& all = bindings();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
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
        QWidget* w = createWidget(*c, host, childOwner);
        if (!w) continue;
        m_entries.push_back(Entry{c, w, childOwner, 0, stack});
        m_index.insert(c, entry);
        if (auto* sub = dynamic_cast<widgets::Container*>(c)) {
            m_stacks.push_back(Stack{sub, w, 0, true});
            build(*sub, w, childOwner, m_stacks.size() - 1);
        }
    }
}

std::string ModelWindow::scriptName(const widgets::Control& control) const
{
    return rules::scriptName(control);
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
    synced();
    return updated;
}

void ModelWindow::restack(const Stack& s)
{
    for (widgets::Control* c : rules::drawingOrder(*s.container)) {
        if (QWidget* w = widgetFor(*c)) w->raise();
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

// The Tab key follows the core's chain (rules::tabChain).
void ModelWindow::orderTabs()
{
    std::vector<widgets::Control*> chain = rules::tabChain(m_root);
    std::vector<const widgets::Control*> order(chain.begin(), chain.end());
    if (order == m_tabOrder) return;
    m_tabOrder = order;
    QWidget* previous = nullptr;
    for (const widgets::Control* c : order) {
        QWidget* w = widgetFor(*c);
        if (!w) continue;
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
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
    addKey(key, [this, &button] { pressAsUser(button); });
}

void ModelWindow::pressAsUser(widgets::Button& button)
{
    act(
        button, [&button] { button.click(); }, UserInput{UserInput::Kind::Press, scriptName(button), {}, 0});
}

void ModelWindow::addKey(Qt::Key key, std::function<void()> action)
{
    m_input.addKey(key, std::move(action));
}

void ModelWindow::bindKey(keys::Action which, std::function<void()> action)
{
    m_input.bindKey(which, std::move(action));
}

void ModelWindow::remirror(const widgets::Control& control)
{
    auto it = m_index.constFind(&control);
    if (it == m_index.constEnd()) return;
    m_entries[*it].revision = 0;
    sync();
}

void ModelWindow::act(const widgets::Control& control, const std::function<void()>& action, const UserInput& input)
{
    m_input.act(control, action, input);
}

bool ModelWindow::mirrors(const widgets::Control& control) const
{
    return m_index.contains(&control);
}

void ModelWindow::markStale(const widgets::Control& control)
{
    auto it = m_index.constFind(&control);
    if (it != m_index.constEnd()) m_entries[*it].revision = 0;
}

void ModelWindow::placeAt(const widgets::Control& control, double left, double top, double width, double height)
{
    auto it = m_index.constFind(&control);
    if (it == m_index.constEnd()) return;
    Entry& e = m_entries[*it];
    const QRect r = m_scale.pixelRect(left, top, width, height);
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

void ModelWindow::setZoom(double z)
{
    m_scale.setZoom(z);
    emit zoomChanged(m_scale.zoom());
    resyncAll();
    repaintAll();
}

ModelWindow* ModelWindow::bindingOf(const widgets::Container& root)
{
    for (auto it = bindings().rbegin(); it != bindings().rend(); ++it) {
        if (&(*it)->root() == &root) return *it;
    }
    return nullptr;
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
    if (!m_input.keyPress(*event)) PanelView::keyPressEvent(event);
}

void ModelWindow::focusControl(const widgets::Control& control)
{
    if (QWidget* w = widgetFor(control)) w->setFocus(Qt::OtherFocusReason);
}

// ---- one create and one update per kind of control -------------------------

QWidget* ModelWindow::createWidget(widgets::Control& control, QWidget* host, widgets::Component* owner)
{
    using widgets::Kind;
    switch (control.kind()) {
        case Kind::Window:
        case Kind::Component:
            return createPanel(host, owner);
        case Kind::Button:
            return createButton(static_cast<widgets::Button&>(control), host, owner);
        case Kind::Label:
            return new LabelView(host, true, m_scale);
        case Kind::TextBox:
            return new LabelView(host, false, m_scale);
        case Kind::Combo:
            return createCombo(static_cast<widgets::ComboBox&>(control), host, owner);
        case Kind::Check:
            return createCheck(static_cast<widgets::CheckBox&>(control), host, owner);
        case Kind::Shape:
            return new ShapeView(host);
        case Kind::Line:
            return new LineView(host);
        case Kind::Picture:
            return new PictureView(static_cast<widgets::Picture&>(control), m_scale, host);
        case Kind::ScrollBar:
            return createScrollBar(static_cast<widgets::ScrollBar&>(control), host, owner);
        case Kind::Timer:
            break;
    }
    return nullptr;
}

void ModelWindow::update(const Entry& e)
{
    using widgets::Kind;
    if (e.widget == this) {
        updateRoot();
        return;
    }
    const widgets::Control& c = *e.control;
    QWidget* w = e.widget;
    switch (c.kind()) {
        case Kind::Window:
        case Kind::Component:
            mirror(updatePanel, c, w, m_scale);
            break;
        case Kind::Button:
            mirror(updateButton, c, w, m_scale);
            if (captionFor) {
                static_cast<ButtonView*>(w)->setCaption(toQString(captionFor(static_cast<const widgets::Button&>(c))));
            }
            break;
        case Kind::Label:
            mirror(updateLabel, c, w, m_scale);
            break;
        case Kind::TextBox:
            mirror(updateTextBox, c, w, m_scale);
            break;
        case Kind::Combo:
            mirror(updateCombo, c, w, m_scale);
            break;
        case Kind::Check:
            mirror(updateCheck, c, w, m_scale);
            break;
        case Kind::Shape:
            mirror(updateShape, c, w, m_scale);
            break;
        case Kind::Line:
            mirror(updateLine, c, w, m_scale);
            break;
        case Kind::Picture:
            mirror(updatePicture, c, w, m_scale);
            break;
        case Kind::ScrollBar:
            mirror(updateScrollBar, c, w, m_scale);
            break;
        case Kind::Timer:
            break;
    }
}

// The window itself: its size is fixed to the model's.
void ModelWindow::updateRoot()
{
    setBackColour(toQColor(m_root.backColour()));
    const QRect r = m_scale.pixelRect(0, 0, m_root.width(), m_root.height());
    if (!r.isEmpty() && size() != r.size()) setFixedSize(r.size());
    setFontFrom(this, m_root, m_scale);
}

// ---- panels (components) ---------------------------------------------------

PanelView* ModelWindow::createPanel(QWidget* host, widgets::Component* owner)
{
    auto* panel = new PanelView(host);
    panel->onPress = [this, owner] { m_input.pressComponent(owner); };
    return panel;
}

void ModelWindow::updatePanel(const widgets::Container& model, PanelView& view, const Scale& scale)
{
    placeFrom(&view, model, scale);
    const std::int64_t colour = model.backColour();
    const bool sameAsBeneath = model.parent() && model.parent()->backColour() == colour;
    view.setBackColour(toQColor(colour), !sameAsBeneath);
    setVisibleFrom(&view, model);
}

// ---- buttons ---------------------------------------------------------------

ButtonView* ModelWindow::createButton(widgets::Button& model, QWidget* host, widgets::Component* owner)
{
    auto* b = new ButtonView(host, m_scale);
    m_input.watch(b);
    connect(b, &QPushButton::clicked, this, [this, m = &model] {
        m_input.act(
            *m, [m] { m->click(); }, InputSide::input(UserInput::Kind::Press, *m));
    });
    m_input.watchFocus(b, owner);
    return b;
}

void ModelWindow::updateButton(const widgets::Button& model, ButtonView& view, const Scale& scale)
{
    placeFrom(&view, model, scale);
    // Tab reaches a button; a click presses it without taking the keyboard
    // focus, so that Space never presses the last button clicked again.
    const Qt::FocusPolicy focus = focusPolicyOf(model);
    if (view.focusPolicy() != focus) view.setFocusPolicy(focus);
    view.setCaption(toQString(model.caption()));
    view.setBackColour(drawnColour(model.backColour(), palette::Role::Fill));
    view.setLetter(QChar::fromLatin1(palette::packetLetter(profile(), model.backColour())));
    setVisibleFrom(&view, model);
}

// ---- labels and text boxes -------------------------------------------------
// Both are drawn by a LabelView, which places and fits the text itself.

void ModelWindow::updateLabel(const widgets::Label& model, LabelView& view, const Scale& scale)
{
    view.present(toQString(model.caption()), scale.toQFont(model.font()), rectOf(model, scale));
    setTextColour(&view, drawnColour(model.foreColour(), palette::Role::Text));
    setFill(&view, model.backColour());
    if (view.alignment() != toQt(model.alignment())) view.setAlignment(toQt(model.alignment()));
    setVisibleFrom(&view, model);
}

void ModelWindow::updateTextBox(const widgets::TextBox& model, LabelView& view, const Scale& scale)
{
    view.present(toQString(model.text()), scale.toQFont(model.font()), rectOf(model, scale));
    setTextColour(&view, drawnColour(model.foreColour(), palette::Role::Text));
    setVisibleFrom(&view, model);
}

// ---- combo boxes -----------------------------------------------------------

QComboBox* ModelWindow::createCombo(widgets::ComboBox& model, QWidget* host, widgets::Component* owner)
{
    auto* cb = new QComboBox(host);
    cb->setEditable(model.editable());
    cb->setInsertPolicy(QComboBox::NoInsert);
    cb->setMaxVisibleItems(20);
    // A wheel turned over a list the user is not working in scrolls
    // nothing; otherwise it would change the scenario by accident.
    // A field takes the focus when clicked, to be typed in; a list only by
    // Tab (its pop-up opens at a click all the same).
    cb->setFocusPolicy(focusPolicyOf(model));
    m_input.watch(cb);
    // A user's pick from the list or by arrow keys; never emitted by the
    // binding's own setCurrentIndex.
    connect(cb, QOverload<int>::of(&QComboBox::activated), this, [this, m = &model, cb](int i) {
        const bool fromPopup = m_input.takeChoiceFromPopup(cb);
        UserInput in = InputSide::input(UserInput::Kind::Choose, *m);
        if (i >= 0 && i < static_cast<int>(m->items().size())) in.text = m->items()[static_cast<std::size_t>(i)];
        m_input.act(
            *m, [m, i] { m->userChoose(i); }, in);
        listChosen(*m, fromPopup);
    });
    if (QLineEdit* le = cb->lineEdit()) {
        // No inline completion: the text is what the user typed.
        cb->setCompleter(nullptr);
        // The field takes no more than the model's combo holds.
        le->setMaxLength(static_cast<int>(widgets::ComboBox::kMaxLength));
        m_input.watch(le);
        // textEdited is the user's keystrokes only, never setText.
        connect(le, &QLineEdit::textEdited, this, [this, m = &model](const QString& text) {
            UserInput in = InputSide::input(UserInput::Kind::Type, *m);
            in.text = text.toStdString();
            m_input.act(
                *m, [m, text] { m->userEdit(text.toStdString()); }, in);
        });
        m_input.watchFocus(le, owner);
    }
    m_input.watchFocus(cb, owner);
    return cb;
}

void ModelWindow::updateCombo(const widgets::ComboBox& model, QComboBox& view, const Scale& scale)
{
    placeFrom(&view, model, scale);
    mirrorComboContents(model, view);
    setVisibleFrom(&view, model);
}

// ---- check boxes -----------------------------------------------------------

QCheckBox* ModelWindow::createCheck(widgets::CheckBox& model, QWidget* host, widgets::Component* owner)
{
    auto* box = new QCheckBox(host);
    box->setFocusPolicy(focusPolicyOf(model));
    m_input.watch(box);
    connect(box, &QCheckBox::clicked, this, [this, m = &model] {
        m_input.act(
            *m, [m] { m->click(); }, InputSide::input(UserInput::Kind::Press, *m));
    });
    m_input.watchFocus(box, owner);
    return box;
}

// The font is the model's, made smaller where the caption needs it.
void ModelWindow::updateCheck(const widgets::CheckBox& model, QCheckBox& view, const Scale& scale)
{
    setGeometryFrom(&view, model, scale);
    {
        QSignalBlocker block(&view);
        const QString text = withoutMnemonic(model.caption());
        if (view.text() != text) view.setText(text);
        view.setChecked(model.value() != 0);
        // The caption fits the room beside the tick.
        QStyleOptionButton option;
        option.initFrom(&view);
        option.text = text;
        const QRect room = view.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &view);
        const QFont fitted = fitText(scale.toQFont(model.font()), toQString(model.caption()), room.size(), false,
                                     scale.pixels(kFloorPixels))
                                 .font;
        if (view.font() != fitted) view.setFont(fitted);
    }
    setVisibleFrom(&view, model);
}

// ---- shapes and lines ------------------------------------------------------

void ModelWindow::updateShape(const widgets::Shape& model, ShapeView& view, const Scale& scale)
{
    placeFrom(&view, model, scale);
    view.setLook(model.form(), drawnColour(model.fillColour(), palette::Role::Fill), model.filled(),
                 toQColor(model.borderColour()));
    setVisibleFrom(&view, model);
}

// A line's widget covers the line's bounding box, which LineView works out
// from the ends; the control's own rectangle is not used.
void ModelWindow::updateLine(const widgets::Line& model, LineView& view, const Scale& scale)
{
    auto px = [&scale](double units) { return clampPixels(scale.toPixels(units)); };
    view.setLine(QLineF(px(model.x1()), px(model.y1()), px(model.x2()), px(model.y2())), toQColor(model.colour()));
    setVisibleFrom(&view, model);
}

// ---- picture areas ---------------------------------------------------------

void ModelWindow::updatePicture(const widgets::Picture& model, PictureView& view, const Scale& scale)
{
    placeFrom(&view, model, scale);
    setVisibleFrom(&view, model);
    // After the geometry, so that the image has the new size.
    view.syncFromModel();
}

// ---- scroll bars -----------------------------------------------------------

QScrollBar* ModelWindow::createScrollBar(widgets::ScrollBar& model, QWidget* host, widgets::Component* owner)
{
    auto* sb = new QScrollBar(Qt::Vertical, host);
    // Arrows, page clicks, dragging and the wheel all end in a value change;
    // the binding's own updates are blocked and guarded.
    connect(sb, &QScrollBar::valueChanged, this, [this, m = &model](int v) {
        if (m_syncing) return;
        UserInput in = InputSide::input(UserInput::Kind::Scroll, *m);
        in.value = v;
        m_input.act(
            *m, [m, v] { m->userScroll(v); }, in);
    });
    m_input.watchFocus(sb, owner);
    return sb;
}

// A range from a higher minimum to a lower maximum turns the bar over.
void ModelWindow::updateScrollBar(const widgets::ScrollBar& model, QScrollBar& view, const Scale& scale)
{
    placeFrom(&view, model, scale);
    {
        QSignalBlocker block(&view);
        const bool inverted = model.min() > model.max();
        view.setInvertedAppearance(inverted);
        view.setInvertedControls(inverted);
        view.setRange(std::min(model.min(), model.max()), std::max(model.min(), model.max()));
        view.setSingleStep(std::max(1, model.smallChange()));
        view.setPageStep(std::max(1, model.largeChange()));
        view.setValue(model.value());
    }
    setVisibleFrom(&view, model);
}

}  // namespace gui
