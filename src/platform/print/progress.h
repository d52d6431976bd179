#pragma once
// The progress of a long task, for the user: once the task has taken longer
// than a moment, a dialog with a bar and a Cancel button shows. It is modal:
// while it shows, the windows go on drawing but only the dialog takes input.

#include <QElapsedTimer>
#include <QString>

#include <memory>

class QProgressDialog;

namespace pw {

// Thrown by Progress::setDone once the user has cancelled.
struct Cancelled {};

class Progress {
public:
    // title and label as the dialog shows them; total: how much there is.
    Progress(QString title, QString label, qint64 total);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // How far the task is; throws Cancelled once the user has cancelled.
    void setDone(qint64 done);

    // How long a task runs before its progress shows (half a second).
    static void setShowAfter(int ms);

private:
    QString m_title;
    QString m_label;
    qint64 m_total;
    QElapsedTimer m_clock;
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace pw
