#pragma once
// How a failed operation travels: the operation throws OperationError, the
// handler lets it pass, and the event dispatch shows it once and goes on.

#include <QString>
#include <functional>
#include <stdexcept>

namespace pw {

class OperationError : public std::runtime_error {
public:
    // what: the operation in the user's words ("Could not write the file").
    // subject: the file, folder or device it concerned (may be empty).
    // reason: the system's reason (may be empty).
    OperationError(QString what, QString subject = {}, QString reason = {});

    const QString& operation() const { return m_what; }
    const QString& subject() const { return m_subject; }
    const QString& reason() const { return m_reason; }
    // The whole message as the user sees it.
    QString message() const;

private:
    QString m_what;
    QString m_subject;
    QString m_reason;
};

// Runs one event handler. Anything it throws is shown in one critical message
// box; the caller and the program go on. Returns false when the handler failed.
bool dispatch(const char* handler, const std::function<void()>& body);

} // namespace pw
