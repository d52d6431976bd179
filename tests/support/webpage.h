#pragma once
// Asking a real web view about the page it shows. The engine answers later;
// an answer that comes after the wait has given up still lands in live memory.

#include "platform/webview/webview.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QString>
#include <QVariant>
#include <QtTest>
#include <memory>
#include <optional>

// How long a page may take to load in a test.
constexpr int PageLoadTimeout = 30000;

// Why no web page can show on this machine, or empty when one can: the web
// view module was not built (Qt WebEngine missing) or the engine's helper
// process is not installed. A test that needs pages skips with this.
inline QString webEngineMissing() {
    const QString module = pw::WebView::moduleFile();
    if (!QFileInfo::exists(module + QStringLiteral(".so")) &&
        !QFileInfo::exists(module + QStringLiteral(".dll")))
        return QStringLiteral("the web view module was not built (Qt WebEngine, Debian package "
                              "qt6-webengine-dev, is missing)");
    const QString helper = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) +
                           QStringLiteral("/QtWebEngineProcess");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINEPROCESS_PATH") && !QFileInfo::exists(helper))
        return QStringLiteral("the web engine's helper process %1 is missing (Debian package "
                              "libqt6webenginecore6-bin)")
            .arg(QDir::toNativeSeparators(helper));
    return {};
}

template <class T, class Ask> std::optional<T> engineAnswer(Ask ask, int ms = 5000) {
    auto result = std::make_shared<std::optional<T>>();
    ask([result](const T& v) { *result = v; });
    if (!QTest::qWaitFor([&] { return result->has_value(); }, ms))
        return std::nullopt;
    return *result;
}

// The page's text, trimmed.
inline std::optional<QString> pageText(pw::WebView* view) {
    const auto text = engineAnswer<QString>([view](auto done) { view->pageText(done); });
    return text ? std::optional<QString>(text->trimmed()) : std::nullopt;
}

inline std::optional<QVariant> evaluate(pw::WebView* view, const QString& script) {
    return engineAnswer<QVariant>([&](auto done) { view->runJavaScript(script, done); });
}
