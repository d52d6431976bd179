// Times the start of the editor against a minimal Qt Widgets program: process
// start until the text area has painted with the focus. The two are started in
// turn, so that both see the same machine. Prints medians, their ratio and the
// peak memory of each.
//
//   bench_startup [runs]      (default 21; QT_QPA_PLATFORM is passed on)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Run {
    double ms = -1;
    long peakKb = -1;
};

Run startOnce(const QString& program) {
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(program, {});
    if (!p.waitForStarted(10000))
        return {};
    QByteArray out;
    while (!out.contains('\n') && p.waitForReadyRead(30000))
        out += p.readAllStandardOutput();
    Run r;
    r.ms = double(t.nsecsElapsed()) / 1e6;
    const QList<QByteArray> words = out.trimmed().split(' ');
    if (words.value(0) != "ready")
        r.ms = -1;
    r.peakKb = words.value(1).toLong();
    p.waitForFinished(10000);
    return r;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 21;
    const QString dir = QCoreApplication::applicationDirPath();
    const QString editor = dir + QStringLiteral("/bench_probe_editor");
    const QString minimal = dir + QStringLiteral("/bench_probe_minimal");

    // One start of each first, to warm the file cache.
    startOnce(editor);
    startOnce(minimal);

    std::vector<double> e, m, ek, mk;
    for (int i = 0; i < runs; ++i) {
        const Run a = startOnce(editor);
        const Run b = startOnce(minimal);
        if (a.ms < 0 || b.ms < 0) {
            std::fprintf(stderr, "a probe did not report ready\n");
            return 1;
        }
        e.push_back(a.ms);
        m.push_back(b.ms);
        ek.push_back(double(a.peakKb));
        mk.push_back(double(b.peakKb));
    }
    const double me = median(e), mm = median(m);
    std::printf("start-up to first typeable paint, median of %d runs\n", runs);
    std::printf("  editor : %8.1f ms   peak %6.1f MB\n", me, median(ek) / 1024);
    std::printf("  minimal: %8.1f ms   peak %6.1f MB\n", mm, median(mk) / 1024);
    std::printf("  ratio  : %8.2f (target at most 1.30)\n", me / mm);
    return 0;
}
