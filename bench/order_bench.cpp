// order_bench: sorts shuffled folders of chapter names in reading order: with ChapterOrder::sort (as
// the merge dialog, the wizard and `merge --sort` do), with one SortKey per name (as the main
// window's file list does), and with lessThan alone (each comparison reading both names again).
// Prints the best of five runs for each size.
//
//   order_bench [COUNT...]        (default: 3000 30000)

#include "core/ChapterOrder.h"

#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

// Arabic, zero-padded and Chinese numbering mixed, as downloaded folders have them.
QStringList chapterNames(int count) {
    static const QString digits = QStringLiteral("零一二三四五六七八九");
    QStringList names;
    for (int n = 1; n <= count; ++n) {
        QString number;
        if (n % 3 == 0) {
            for (const QChar c : QString::number(n))
                number += digits[c.unicode() - u'0'];
        } else if (n % 3 == 1) {
            number = QStringLiteral("%1").arg(n, 5, 10, QLatin1Char('0'));
        } else {
            number = QString::number(n);
        }
        names.append(QStringLiteral("第%1章 标题文字.txt").arg(number));
    }
    std::shuffle(names.begin(), names.end(), std::mt19937(count));
    return names;
}

template <typename Sort> double bestMilliseconds(const QStringList& names, Sort sort) {
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        QStringList copy = names;
        QElapsedTimer clock;
        clock.start();
        sort(copy);
        best = std::min(best, double(clock.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QList<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.append(std::atoi(argv[i]));
    if (counts.isEmpty())
        counts = {3000, 30000};
    for (const int count : counts) {
        const QStringList names = chapterNames(count);
        const double keyed = bestMilliseconds(names, [](QStringList& list) { ChapterOrder::sort(list); });
        const double items = bestMilliseconds(names, [](QStringList& list) {
            QList<ChapterOrder::SortKey> keys;
            for (const QString& name : list)
                keys.append(ChapterOrder::SortKey(name));
            std::sort(keys.begin(), keys.end());
        });
        const double pairwise = bestMilliseconds(
            names, [](QStringList& list) { std::sort(list.begin(), list.end(), ChapterOrder::lessThan); });
        std::printf("%d names: sort %.1f ms, keys %.1f ms, lessThan alone %.1f ms\n", count, keyed, items, pairwise);
    }
    return 0;
}
