#pragma once
// Asking a real web view about the page it shows. The engine answers later;
// an answer that comes after the wait has given up still lands in live memory.

#include "platform/webview.h"

#include <QString>
#include <QVariant>
#include <QtTest>
#include <memory>
#include <optional>

// How long a page may take to load in a test.
constexpr int PageLoadTimeout = 30000;

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
