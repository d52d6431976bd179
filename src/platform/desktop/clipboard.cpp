#include "clipboard.h"

#include "failure.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace pw {

namespace {

QClipboard* systemClipboard() {
    QClipboard* c = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                        ? QGuiApplication::clipboard()
                        : nullptr;
    if (!c)
        throw OperationError(QStringLiteral("Could not use the clipboard"), QString(),
                             QStringLiteral("The program has no connection to the desktop."));
    return c;
}

} // namespace

void Clipboard::SetText(const QString& text) {
    systemClipboard()->setText(text, QClipboard::Clipboard);
}

QString Clipboard::GetText() {
    const QMimeData* data = systemClipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return QString();
    return data->text();
}

} // namespace pw
