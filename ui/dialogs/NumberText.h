#pragma once

#include <QString>
#include <optional>

// Numbers typed into the dialogs' text boxes (the rename start number, the option counts).
namespace NumberText {

// The value of a text that reads as a decimal number: an optional sign, digits with an optional
// decimal point and fraction, an optional exponent, blanks around it allowed ("12", " -3 ", "2.5",
// "1e3"). Anything else, the empty text, infinities and NaN give nullopt.
std::optional<double> read(const QString& text);

// `value` rounded to the nearest whole number, halves to even (2.5 gives 2, 3.5 gives 4);
// nullopt when the result lies outside the 32-bit signed range.
std::optional<qint32> toInt32(double value);

// Decimal digits with "," between groups of three ("#,##0"): 1500 gives "1,500".
QString grouped(qint64 value);

} // namespace NumberText
