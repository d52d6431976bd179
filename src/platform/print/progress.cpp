#include "progress.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace pw {

namespace {
int g_showAfterMs = 500;
constexpr int Steps = 1000;
} // namespace

void Progress::setShowAfter(int ms) {
    g_showAfterMs = ms;
}

Progress::Progress(QString title, QString label, qint64 total)
    : m_title(std::move(title)), m_label(std::move(label)), m_total(qMax<qint64>(total, 1)) {
    m_clock.start();
}

Progress::~Progress() = default;

void Progress::setDone(qint64 done) {
    if (!m_dialog) {
        if (m_clock.elapsed() < g_showAfterMs)
            return;
        m_dialog = std::make_unique<QProgressDialog>(m_label, QStringLiteral("Cancel"), 0, Steps);
        m_dialog->setWindowTitle(m_title);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoReset(false);
        m_dialog->setAutoClose(false);
        m_dialog->show();
    }
    // A file that grows while it is read goes past its total: the bar waits
    // at its end.
    m_dialog->setValue(int(qMin<qint64>(Steps - 1, done * Steps / m_total)));
    // The dialog was shown by hand, so it does not run the events itself.
    QCoreApplication::processEvents();
    if (m_dialog->wasCanceled())
        throw Cancelled();
}

} // namespace pw
