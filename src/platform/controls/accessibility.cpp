#include "accessibility.h"

#include "controls.h"
#include "drivelist.h"
#include "filelist.h"
#include "folderlist.h"
#include "platform/files/olecontainer.h"
#include "platform/webview/webview.h"
#include "textbox.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProxyStyle>
#include <QShortcut>
#include <QStyleOptionMenuItem>

#include <climits>

namespace pw {

namespace {

// A caption as it is spoken: "&" marks an access key and is not read; "&&"
// stands for one ampersand.
QString spokenText(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&' && i + 1 < caption.size())
            ++i;
        else if (caption.at(i) == u'&')
            continue;
        out += caption.at(i);
    }
    return out;
}

// The text of the label that names a control (its buddy), if any.
QString labelOf(const QWidget* control) {
    const QWidget* parent = control->parentWidget();
    if (!parent)
        return {};
    for (const QObject* child : parent->children()) {
        const auto* label = qobject_cast<const QLabel*>(child);
        if (label && label->buddy() == control)
            return spokenText(label->text());
    }
    return {};
}

// A combo box speaks its name and, as its value, the text it shows. (Qt's own
// description on Unix desktops gives the shown text as the name as well,
// which leaves the drive list without its name.)
class ComboBoxInterface final : public QAccessibleWidget {
public:
    explicit ComboBoxInterface(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return box()->accessibleName().isEmpty() ? labelOf(box()) : box()->accessibleName();
        case QAccessible::Value:
            return box()->currentText();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = box()->view()->isVisible();
        s.collapsed = !s.expanded;
        s.editable = box()->isEditable();
        return s;
    }

    // The drop-down list, then the edit field of an editable box.
    int childCount() const override { return box()->lineEdit() ? 2 : 1; }

    QAccessibleInterface* child(int index) const override {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(box()->view());
        if (index == 1 && box()->lineEdit())
            return QAccessible::queryAccessibleInterface(box()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        if (child->object() == box()->view())
            return 0;
        if (box()->lineEdit() && child->object() == box()->lineEdit())
            return 1;
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        QLineEdit* edit = box()->lineEdit();
        if (edit && edit->isVisible() &&
            QRect(edit->mapToGlobal(QPoint(0, 0)), edit->size()).contains(x, y))
            return QAccessible::queryAccessibleInterface(edit);
        return nullptr;
    }

    QStringList actionNames() const override {
        return {showMenuAction(), pressAction(), setFocusAction()};
    }

    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            if (box()->view()->isVisible())
                box()->hidePopup();
            else
                box()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

// Whether anyone can see a control of a window's surface: it is not hidden,
// it lies at least in part on the surface, and no control above it in the
// stacking order covers it whole (the package containers lie under the text
// area).
bool seen(const QWidget* control) {
    const QWidget* surface = control->parentWidget();
    if (control->isHidden() || !surface->rect().intersects(control->geometry()))
        return false;
    const QObjectList& siblings = surface->children();
    for (qsizetype i = siblings.indexOf(control) + 1; i < siblings.size(); ++i) {
        const auto* above = qobject_cast<const QWidget*>(siblings.at(i));
        if (above && !above->isHidden() && above->geometry().contains(control->geometry()))
            return false;
    }
    return true;
}

// A window's surface shows screen readers only the controls one can see;
// the tree changes as controls are shown and hidden.
class SurfaceInterface final : public QAccessibleWidget {
public:
    explicit SurfaceInterface(QWidget* surface) : QAccessibleWidget(surface) {}

    QList<QWidget*> shown() const {
        QList<QWidget*> controls;
        for (QObject* child : widget()->children()) {
            auto* w = qobject_cast<QWidget*>(child);
            if (w && !w->isWindow() && seen(w))
                controls << w;
        }
        return controls;
    }

    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> controls = shown();
        if (index < 0 || index >= controls.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(controls.at(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        return int(shown().indexOf(qobject_cast<QWidget*>(child->object())));
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (QWidget* w : shown())
            if (QRect(w->mapToGlobal(QPoint(0, 0)), w->size()).contains(x, y))
                return QAccessible::queryAccessibleInterface(w);
        return nullptr;
    }
};

QAccessibleInterface* toolkitInterface(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("QWidget") && object->objectName() == QLatin1String("surface") &&
        qobject_cast<QMainWindow*>(object->parent()))
        return new SurfaceInterface(static_cast<QWidget*>(object));
    if (className == QLatin1String("pw::DriveList") || className == QLatin1String("pw::ComboBox"))
        return new ComboBoxInterface(static_cast<QComboBox*>(object));
    if (className == QLatin1String("pw::TextArea"))
        return textAreaAccessible(object);
    if (className == QLatin1String("pw::Shape"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Separator);
    return nullptr;
}

// The name a control has by what it is, or an empty text for a control that
// is named after its label.
QString nameByKind(QWidget* control) {
    if (qobject_cast<DriveList*>(control))
        return QStringLiteral("Drive");
    if (qobject_cast<FolderList*>(control))
        return QStringLiteral("Folder");
    if (qobject_cast<FileList*>(control))
        return QStringLiteral("Files");
    if (qobject_cast<TextBox*>(control))
        return QStringLiteral("Text");
    if (qobject_cast<WebView*>(control))
        return QStringLiteral("Web page");
    if (qobject_cast<Shape*>(control))
        return QStringLiteral("Divider");
    if (auto* container = qobject_cast<OleContainer*>(control))
        return container->label();
    return {};
}

// A control a label can name: one the user types into or picks from.
bool takesInput(const QWidget* w) {
    return (w->focusPolicy() & Qt::TabFocus) && !qobject_cast<const QLabel*>(w) &&
           !qobject_cast<const QAbstractButton*>(w);
}

// The control a label names: among the controls that take input and have no
// name yet, the one that starts nearest after the label's left edge on the
// line of the label's first row of text.
QWidget* controlBeside(const QLabel* label, const QList<QWidget*>& controls) {
    const QRect l = label->geometry();
    const int line = l.top() + label->fontMetrics().height() / 2;
    QWidget* best = nullptr;
    int bestDistance = INT_MAX;
    for (QWidget* c : controls) {
        const QRect r = c->geometry();
        if (c->isHidden() || !takesInput(c) || !c->accessibleName().isEmpty())
            continue;
        if (line < r.top() || line > r.bottom() || r.left() <= l.left())
            continue;
        if (r.left() - l.left() < bestDistance) {
            best = c;
            bestDistance = r.left() - l.left();
        }
    }
    return best;
}

// The menu bar's own style with Alt-key navigation, which Windows styles
// have and the styles of other desktops leave out.
class MenuBarStyle final : public QProxyStyle {
public:
    explicit MenuBarStyle(const QString& base) : QProxyStyle(base) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    // The menu title the keyboard is on is drawn as one that is open: some
    // styles highlight a title only while its menu is open, so a tap of Alt
    // or F10 showed nothing on the screen.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuBarItem && item && (item->state & State_Selected)) {
            QStyleOptionMenuItem active(*item);
            active.state |= State_Sunken;
            QProxyStyle::drawControl(element, &active, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// A menu that is not shown on the bar (the notification icon's menu) is not
// reached by its access key either.
class HiddenMenuKeys final : public QObject {
public:
    explicit HiddenMenuKeys(QMenuBar* bar) : QObject(bar), m_bar(bar) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_bar || event->type() != QEvent::Shortcut)
            return false;
        const QKeySequence key = static_cast<QShortcutEvent*>(event)->key();
        bool hidden = false;
        for (const QAction* a : m_bar->actions()) {
            if (QKeySequence::mnemonic(a->text()) != key)
                continue;
            if (a->isVisible())
                return false;
            hidden = true;
        }
        return hidden;
    }

private:
    QMenuBar* m_bar;
};

// F10 does what a tap of Alt does: the menu bar watches its window for the
// Alt key going down and up again without another key in between. (A key
// event of a modifier key reports that modifier flipped: this one goes down
// with Alt held.)
void tapAlt(QMainWindow* window) {
    QKeyEvent down(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &down);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &up);
}

// Moves the focus as Tab (or Shift+Tab) does between the window's controls.
void tabFrom(QMainWindow* window, bool forward) {
    QKeyEvent tab(QEvent::KeyPress, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                  forward ? Qt::NoModifier : Qt::ShiftModifier);
    QCoreApplication::sendEvent(window, &tab);
}

} // namespace

void installAccessibleInterfaces() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(toolkitInterface);
}

void nameControls(QWidget* surface) {
    QList<QWidget*> controls;
    for (QObject* child : surface->children())
        if (child->isWidgetType())
            controls << static_cast<QWidget*>(child);

    for (QWidget* c : controls) {
        if (!c->accessibleName().isEmpty())
            continue;
        const QString name = nameByKind(c);
        if (!name.isEmpty())
            c->setAccessibleName(name);
    }
    for (QWidget* c : controls) {
        auto* label = qobject_cast<QLabel*>(c);
        if (!label || label->buddy())
            continue;
        if (QWidget* named = controlBeside(label, controls)) {
            label->setBuddy(named);
            const QString name = spokenText(label->text());
            named->setAccessibleName(name);
            // The edit field of a combo box is spoken as the box itself.
            if (auto* box = qobject_cast<QComboBox*>(named); box && box->lineEdit())
                box->lineEdit()->setAccessibleName(name);
        }
    }
}

void enableKeyboardAccess(QMainWindow* window) {
    if (auto* bar = qobject_cast<QMenuBar*>(window->menuWidget())) {
        auto* style = new MenuBarStyle(QApplication::style()->name());
        style->setParent(bar);
        bar->setStyle(style);
        bar->installEventFilter(new HiddenMenuKeys(bar));
        auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
        QObject::connect(f10, &QShortcut::activated, window, [window] { tapAlt(window); });
    }
    auto* next = new QShortcut(window);
    next->setKeys({QKeySequence(Qt::CTRL | Qt::Key_Tab)});
    QObject::connect(next, &QShortcut::activated, window, [window] { tabFrom(window, true); });
    auto* previous = new QShortcut(window);
    previous->setKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)});
    QObject::connect(previous, &QShortcut::activated, window, [window] { tabFrom(window, false); });
}

} // namespace pw
