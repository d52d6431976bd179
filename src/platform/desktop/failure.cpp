#include "failure.h"

#include "services.h"

#include <exception>
#include <new>

namespace pw {

OperationError::OperationError(QString what, QString subject, QString reason)
    : std::runtime_error(what.toStdString()), m_what(std::move(what)),
      m_subject(std::move(subject)), m_reason(std::move(reason)) {}

QString OperationError::message() const {
    QString text = m_what;
    if (!m_subject.isEmpty())
        text += QStringLiteral(":\n") + m_subject;
    if (!m_reason.isEmpty())
        text += QStringLiteral("\n\n") + m_reason;
    return text;
}

bool dispatch(const char* handler, const std::function<void()>& body) {
    QString text;
    try {
        body();
        return true;
    } catch (const OperationError& e) {
        text = e.message();
    } catch (const std::bad_alloc&) {
        text = QStringLiteral("There is not enough memory to finish this command.");
    } catch (const std::exception& e) {
        text = QStringLiteral("The command failed:\n") + QString::fromLocal8Bit(e.what());
    }
    Q_UNUSED(handler);
    services().msgBox(text, MsgBoxCritical, QStringLiteral("Pagewick"));
    return false;
}

} // namespace pw
