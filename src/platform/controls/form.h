#pragma once
// A top-level window with a menu bar and a fixed client area on which its
// controls are placed in twips. Each window class has one default instance,
// created and loaded on first use and replaced by a fresh one after Unload.

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <functional>

class QMenu;
class QAction;
class QScrollArea;

namespace pw {

class Menu;

enum WindowStateValue { vbNormal = 0, vbMinimized = 1, vbMaximized = 2 };
enum ScaleModeValue { vbTwips = 1, vbPixels = 3 };

class Form : public QMainWindow {
    Q_OBJECT
public:
    ~Form() override;

    // Properties.
    QString Caption() const { return windowTitle(); }
    void setCaption(const QString& caption) { setWindowTitle(caption); }
    QIcon Icon() const { return windowIcon(); }
    WId hWnd() { return winId(); }
    int WindowState() const;
    void setWindowState(int state);
    int ScaleMode() const { return m_scaleMode; }
    void setScaleMode(int mode) { m_scaleMode = mode; }

    // Operations.
    void Show();
    void Hide();
    void Unload();
    void Refresh();
    void PopupMenu(Menu* menu);
    static void End();

    bool isLoaded() const { return m_loaded; }

    // A message of a notification-area icon registered for this window. As
    // from the shell, it arrives as a mouse movement whose X, in pixels, is
    // the message's code.
    void raiseIconMessage(double code);

    // The client area; controls are children of it.
    QWidget* surface() const { return m_surface; }
    // False while the screen is too small for the window's designed size: the
    // window is then shrunk to fit and its client area scrolls.
    bool hasDesignedSize() const { return m_scroller == nullptr; }

    // Every window that is loaded now, in the order they were loaded.
    static QList<Form*> loadedForms();

    // Creates and loads a window of class T unless the slot holds a loaded
    // one; used by DefaultInstance.
    template <class T> static T& defaultInstance(QPointer<T>& slot) {
        if (!slot || !slot->isLoaded()) {
            slot = new T;
            slot->load();
        }
        return *slot;
    }

protected:
    // clientWidth and clientHeight in twips; minimise: whether the title bar
    // has a Minimise button (Maximise is never offered, the frame is fixed).
    Form(int clientWidth, int clientHeight, bool minimiseButton);

    // Events; the window classes override what they handle.
    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_Unload() {}
    virtual void Form_MouseMove(int button, int shift, float x, float y);

    // Menus. A null parent puts the item on the menu bar.
    Menu* addMenu(Menu* parent, const char* name, const QString& caption);
    Menu* addCommand(Menu* parent, const char* name, const QString& caption,
                     std::function<void()> handler, const QKeySequence& shortcut = {});

    // Delivers a mouse movement at a point of the client area in pixels, in
    // the window's scale.
    void raiseMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                        const QPointF& pixels);
    // True while Form_MouseMove carries a notification icon's message rather
    // than a movement of the mouse over the window.
    bool isIconMessage() const { return m_iconMessage; }

    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void finishUnload();
    // The window at its designed size where that fits the screen's available
    // area, frame included; otherwise as large as fits, on the screen, with
    // the client area scrolled within it.
    void fitToScreen();
    QSize designedSize() const;
    QMargins expectedFrame() const;

    QWidget* m_surface = nullptr;
    QScrollArea* m_scroller = nullptr; // only while the window is shrunk
    QMargins m_fittedFrame;
    bool m_fitting = false;
    bool m_followsScreen = false;
    int m_scaleMode = vbTwips;
    bool m_loaded = false;
    bool m_unloading = false;
    bool m_iconMessage = false;
};

// The default instance of a window class: DefaultInstance<textedit>::get().
template <class T> class DefaultInstance {
public:
    static T& get() { return Form::defaultInstance<T>(slot()); }
    // The loaded instance, or nullptr; never creates one.
    static T* peek() { return slot() && slot()->isLoaded() ? slot().data() : nullptr; }

private:
    static QPointer<T>& slot() {
        static QPointer<T> instance;
        return instance;
    }
};

// One menu of the menu bar, a submenu or a command.
class Menu : public QObject {
    Q_OBJECT
public:
    Menu(const char* name, QAction* action, QMenu* submenu, QObject* parent);

    QString Caption() const;
    void setCaption(const QString& caption);
    bool Visible() const;
    void setVisible(bool visible);

    QAction* action() const { return m_action; }
    // The submenu, or nullptr for a command.
    QMenu* submenu() const { return m_submenu; }

signals:
    void Click();

private:
    QAction* m_action;
    QMenu* m_submenu;
};

} // namespace pw
