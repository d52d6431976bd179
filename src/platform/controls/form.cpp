#include "form.h"

#include "accessibility.h"
#include "platform/desktop/failure.h"
#include "platform/desktop/services.h"
#include "units.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWindow>

#include <algorithm>

namespace pw {

namespace {
QList<Form*>& loadedList() {
    static QList<Form*> list;
    return list;
}
} // namespace

Form::Form(int clientWidth, int clientHeight, bool minimiseButton) : QMainWindow(nullptr) {
    installAccessibleInterfaces();
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (minimiseButton)
        flags |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);

    m_surface = new QWidget(this);
    m_surface->setObjectName(QStringLiteral("surface"));
    m_surface->setFixedSize(px(clientWidth), px(clientHeight));
    m_surface->setMouseTracking(true);
    m_surface->installEventFilter(this);
    setCentralWidget(m_surface);
    // The frame cannot be dragged: the window is exactly its client area plus
    // the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

Form::~Form() {
    loadedList().removeAll(this);
}

QList<Form*> Form::loadedForms() {
    return loadedList();
}

int Form::WindowState() const {
    const Qt::WindowStates s = windowState();
    if (s & Qt::WindowMinimized)
        return vbMinimized;
    if (s & Qt::WindowMaximized)
        return vbMaximized;
    return vbNormal;
}

void Form::setWindowState(int state) {
    Qt::WindowStates s = windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == vbMinimized)
        s |= Qt::WindowMinimized;
    else if (state == vbMaximized)
        s |= Qt::WindowMaximized;
    QMainWindow::setWindowState(s);
}

void Form::load() {
    // The window's controls and menus are all there now.
    nameControls(m_surface);
    enableKeyboardAccess(this);
    m_loaded = true;
    loadedList().append(this);
    dispatch("Form_Load", [this] { Form_Load(); });
}

void Form::Show() {
    show();
}

QSize Form::designedSize() const {
    QSize size = m_surface->size();
    if (const QWidget* bar = menuWidget()) {
        const int width = size.width();
        size.rheight() +=
            bar->hasHeightForWidth() ? bar->heightForWidth(width) : bar->sizeHint().height();
    }
    return size;
}

QMargins Form::expectedFrame() const {
    // Known once the window manager has framed the window; before that, the
    // frame another window of the program has, or a title bar's worth.
    const auto frameOf = [](const QWidget* w) {
        const QRect inner = w->geometry();
        const QRect outer = w->frameGeometry();
        return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                        outer.right() - inner.right(), outer.bottom() - inner.bottom());
    };
    if (isVisible() && frameGeometry() != geometry())
        return frameOf(this);
    for (const Form* other : loadedList())
        if (other != this && other->isVisible() && other->frameGeometry() != other->geometry())
            return frameOf(other);
    // Where windows have no frame at all (the offscreen platform of tests),
    // none is expected.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return {};
    const int border = 4;
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + border;
    return QMargins(border, title, border, border);
}

void Form::fitToScreen() {
    QScreen* screen = this->screen();
    if (m_fitting || !screen)
        return;
    const QScopedValueRollback<bool> fitting(m_fitting, true);
    const QRect available = screen->availableGeometry();
    const QMargins frame = expectedFrame();
    m_fittedFrame = frame;
    // On a scaled screen the frame is whole device pixels, which logical
    // pixels round: a pixel of room is left for that.
    const int slack = screen->devicePixelRatio() == 1.0 ? 0 : 1;
    const QSize room = available.size().shrunkBy(frame) - QSize(slack, slack);
    const QSize designed = designedSize();
    if (designed.width() <= room.width() && designed.height() <= room.height()) {
        if (m_scroller) {
            // Back to the designed size: the client area as the whole window.
            m_scroller->takeWidget();
            setCentralWidget(m_surface); // and the scroll area goes
            m_scroller = nullptr;
            setMinimumSize(0, 0);
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            layout()->setSizeConstraint(QLayout::SetFixedSize);
        }
        return;
    }
    if (!m_scroller) {
        const bool filled = m_surface->autoFillBackground();
        takeCentralWidget();
        m_scroller = new QScrollArea(this);
        m_scroller->setObjectName(QStringLiteral("scroller"));
        m_scroller->setFrameShape(QFrame::NoFrame);
        // Not a stop of its own in the tab order; a control that takes the
        // focus is scrolled into view.
        m_scroller->setFocusPolicy(Qt::NoFocus);
        m_scroller->setWidget(m_surface);
        m_surface->setAutoFillBackground(filled);
        setCentralWidget(m_scroller);
        layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
    }
    const QSize fitted = designed.boundedTo(room);
    setFixedSize(fitted);
    // The whole frame on the screen, title-bar buttons included.
    QRect outer(frameGeometry().topLeft(), fitted.grownBy(frame));
    outer.moveLeft(
        std::clamp(outer.left(), available.left(), available.right() + 1 - outer.width()));
    outer.moveTop(
        std::clamp(outer.top(), available.top(), available.bottom() + 1 - outer.height()));
    move(outer.topLeft());
}

void Form::Hide() {
    hide();
}

void Form::Unload() {
    if (!m_loaded || m_unloading)
        return;
    m_unloading = true;
    try {
        Form_Unload();
    } catch (...) {
        m_unloading = false;
        throw;
    }
    finishUnload();
}

void Form::finishUnload() {
    m_loaded = false;
    loadedList().removeAll(this);
    hide();
    // A handler of this window may still be running (a window that unloads
    // itself); the object goes once control is back in the event loop.
    deleteLater();
    if (loadedList().isEmpty())
        services().quit();
}

void Form::Refresh() {
    repaint();
}

void Form::PopupMenu(Menu* menu) {
    if (menu && menu->submenu())
        menu->submenu()->exec(QCursor::pos());
}

void Form::End() {
    services().end();
}

void Form::Form_MouseMove(int, int, float, float) {}

Menu* Form::addMenu(Menu* parent, const char* name, const QString& caption) {
    QMenu* menu = parent ? parent->submenu()->addMenu(caption) : menuBar()->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    return new Menu(name, menu->menuAction(), menu, this);
}

Menu* Form::addCommand(Menu* parent, const char* name, const QString& caption,
                       std::function<void()> handler, const QKeySequence& shortcut) {
    QAction* action =
        parent ? parent->submenu()->addAction(caption) : menuBar()->addAction(caption);
    action->setMenuRole(QAction::NoRole);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    auto* item = new Menu(name, action, nullptr, this);
    connect(item, &Menu::Click, this,
            [name, handler = std::move(handler)] { dispatch(name, handler); });
    return item;
}

void Form::raiseMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                          const QPointF& pixels) {
    int button = 0;
    if (buttons & Qt::LeftButton)
        button |= 1;
    if (buttons & Qt::RightButton)
        button |= 2;
    if (buttons & Qt::MiddleButton)
        button |= 4;
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= 1;
    if (modifiers & Qt::ControlModifier)
        shift |= 2;
    if (modifiers & Qt::AltModifier)
        shift |= 4;
    const double scale = m_scaleMode == vbPixels ? 1.0 : Screen::TwipsPerPixelX;
    const float x = float(pixels.x() * scale);
    const float y = float(pixels.y() * scale);
    dispatch("Form_MouseMove", [&] { Form_MouseMove(button, shift, x, y); });
}

void Form::raiseIconMessage(double code) {
    const QScopedValueRollback<bool> iconMessage(m_iconMessage, true);
    raiseMouseMove(Qt::NoButton, Qt::NoModifier, QPointF(code, 0));
}

void Form::closeEvent(QCloseEvent* event) {
    if (!m_loaded || m_unloading) {
        event->accept();
        return;
    }
    if (dispatch("Form_Unload", [this] { Unload(); }))
        event->accept();
    else
        event->ignore();
}

void Form::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_loaded)
        dispatch("Form_Resize", [this] { Form_Resize(); });
}

void Form::showEvent(QShowEvent* event) {
    fitToScreen();
    QMainWindow::showEvent(event);
    if (!m_followsScreen && windowHandle()) {
        m_followsScreen = true;
        // Moved to another screen, or the screen's room changed (a panel,
        // a new scale): fitted again.
        const auto follow = [this](QScreen* screen) {
            if (screen)
                connect(screen, &QScreen::availableGeometryChanged, this,
                        [this] { fitToScreen(); });
            fitToScreen();
        };
        connect(windowHandle(), &QWindow::screenChanged, this, follow);
        if (QScreen* s = screen())
            connect(s, &QScreen::availableGeometryChanged, this, [this] { fitToScreen(); });
    }
}

void Form::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // The window manager has framed the window: fitted again with the real
    // frame. A move by the user alone leaves it where it is put.
    if (isVisible() && expectedFrame() != m_fittedFrame)
        fitToScreen();
}

void Form::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (m_loaded)
        dispatch("Form_Resize", [this] { Form_Resize(); });
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_surface && event->type() == QEvent::MouseMove) {
        auto* me = static_cast<QMouseEvent*>(event);
        const QScopedValueRollback<bool> surfaceMove(m_iconMessage, false);
        raiseMouseMove(me->buttons(), me->modifiers(), me->position());
    }
    return QMainWindow::eventFilter(watched, event);
}

Menu::Menu(const char* name, QAction* action, QMenu* submenu, QObject* parent)
    : QObject(parent), m_action(action), m_submenu(submenu) {
    setObjectName(QString::fromLatin1(name));
    m_action->setObjectName(QString::fromLatin1(name));
    connect(m_action, &QAction::triggered, this, &Menu::Click);
}

QString Menu::Caption() const {
    return m_action->text();
}
void Menu::setCaption(const QString& caption) {
    m_action->setText(caption);
}
bool Menu::Visible() const {
    return m_action->isVisible();
}
void Menu::setVisible(bool visible) {
    m_action->setVisible(visible);
}

} // namespace pw
