#pragma once

#include <QString>
#include <QStringList>

// The reading order of chapter file names, shared by every list that orders names for a book.
//
// A name is read for the numbers it holds: runs of ASCII or full-width digits, and runs of Chinese
// numerals (〇零一二两三四五六七八九十百千万亿, 壹贰叁肆伍陆柒捌玖拾佰仟, 廿 卅 and the traditional
// forms), each run one number ("第一百零三章" holds 103, "二〇二三" holds 2023). A run made only of
// 百 千 万 亿 ("千年", "万里") is a word, not a number. Numbers of a volume ("第二卷", "卷二", also
// 部 册 集) count before the others. An extension such as ".txt" is not read for numbers.
//
// Names starting with 序章 序 楔子 引子 come first; then names without a number; then numbered
// names, compared number by number by value (第2章 < 第十章 < 第11章, 第一卷第三十章 < 第二卷第一章);
// names starting with 尾声 后记 番外 完本感言 come last. Within each group the numbers decide, then the
// rest of the name (without its numbers, letter case ignored first), then the name's code units, so
// the order is total: sorting gives the same result from any starting order.
namespace ChapterOrder {

// A name read once, for a list that compares it many times.
class SortKey {
public:
    explicit SortKey(const QString& name);
    bool operator<(const SortKey& other) const;

private:
    int m_group;
    QStringList m_numbers; // decimal digits without leading zeros, volume numbers first
    QString m_rest;        // the name without its numbers
    QString m_name;
};

bool lessThan(const QString& a, const QString& b);
// Sorts names in reading order (each name read once).
void sort(QStringList& names);

} // namespace ChapterOrder
