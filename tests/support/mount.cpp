#include "mount.h"

#include "process.h"
#include "testfiles.h"

#include <QDir>

std::unique_ptr<Mount> Mount::tmpfs(const QString& where, const QString& options) {
    QDir().mkpath(where);
    auto m = std::unique_ptr<Mount>(new Mount(where));
    m->m_mounted = succeeds("mount", {"-t", "tmpfs", "-o", options, "tmpfs", where});
    return m;
}

std::unique_ptr<Mount> Mount::readOnly(const QString& folder) {
    auto m = std::unique_ptr<Mount>(new Mount(folder));
    m->m_mounted = succeeds("mount", {"--bind", folder, folder});
    if (m->m_mounted && !succeeds("mount", {"-o", "remount,bind,ro", folder}))
        m->unmount();
    return m;
}

void Mount::unmount() {
    if (!m_mounted)
        return;
    m_mounted = !waitFor([&] { return succeeds("umount", {m_where}); }, 5000, 20) &&
                !succeeds("umount", {"-l", m_where});
}
