#pragma once
// The median the benchmarks print. Qt Core only.

#include <QList>

#include <algorithm>

// The median of some timings; -1 for none.
inline double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n == 0 ? -1 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}
