// Property values as text and back, the same in every regional setting: how
// parameter values are stored in project files and recognised as numbers.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

// The number a text reads as in full: optional white space and sign, digits
// with an optional '.' fraction and exponent, optional white space. False for
// anything else ("1,5", "12px", "inf") and for values out of range.
bool ReadNumberText(const wchar_t* text, double* number);

// The number a value stands for: a numeric VARIANT, or a string that reads
// fully as a number. Booleans, dates and text are not numbers.
bool ReadNumberVariant(const VARIANT& value, double* number);

// The text of a value. Floating-point values and dates (as their day number)
// give their shortest exact form; false for values without a text form
// (interfaces, arrays, references).
bool VariantToText(const VARIANT& value, std::wstring* text);

// Whether a variant type is one VariantToText and TextToVariant carry.
bool IsTextVariantType(VARTYPE type);
// The most decimal places a DECIMAL has.
constexpr BYTE kLargestDecimalScale = 28;

// Whether a value's text reads back as the same value: its type has a text
// form, and a number is finite, a decimal of a valid scale and sign.
bool HasExactText(const VARIANT& value);

// The value of a type made from its text (a date also from its day number);
// fails for text the type cannot hold and for types without a text form.
HRESULT TextToVariant(const std::wstring& text, VARTYPE type, VARIANT* value);
