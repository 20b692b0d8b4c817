#pragma once

#include <QString>
#include <QStringView>

// Numbers as Chinese book and chapter names write them: runs of ASCII or full-width digits, and runs of
// Chinese numerals (〇零一二两三四五六七八九十百千万亿, 壹贰叁肆伍陆柒捌玖拾佰仟, 廿 卅 and the traditional
// forms). One reader for every place that reads a chapter's number, so that file names and headings
// agree on what "第一百零三" is.
namespace ChineseNumber {

// 0-9 for an ASCII or full-width digit, otherwise -1.
int decimalDigit(QChar c);
// A character that may stand in a run of Chinese numerals.
bool isNumeral(QChar c);

// The number at `from` in `text`: `length` characters read (0 when none starts there) and its value as
// decimal digits without leading zeros. A run of ASCII/full-width digits is one number; so is a run of
// Chinese numerals, except one made only of 百 千 万 亿 ("千年", "万里"), which is a word: then
// `length` covers the run and `decimal` is empty. Values above 10^18 read as 10^18.
struct Reading {
    qsizetype length = 0;
    QString decimal;

    bool isNumber() const { return !decimal.isEmpty(); }
    // The value; 10^18 at most.
    quint64 value() const;
};
Reading readAt(QStringView text, qsizetype from);

} // namespace ChineseNumber
