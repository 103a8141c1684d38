// The text forms of attribute values in project files, the same in every
// regional setting. Parsers are strict: they reject what they cannot read in
// full, so a damaged value is reported rather than half understood.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <string>
#include <vector>

#include "EngineLimits.h"

class XmlWriter;

// Seconds with seven decimals, exact to the 100-ns unit: "12.3456789".
std::wstring FormatTime(REFERENCE_TIME time);
// "[[hh:]mm:]ss[.fraction]", rounded to the 100-ns unit; false when negative,
// later than kLatestTime or not of that form.
bool ParseTime(const wchar_t* text, REFERENCE_TIME* time);

// At most seven decimals, as the format asks for frame rates and sizes.
std::wstring FormatRate(double rate);
// The shortest text that reads back as exactly this number.
std::wstring FormatExactNumber(double number);
// A finite number from 0 to kHighestFrameRate.
bool ParseRate(const wchar_t* text, double* rate);

// Decimal integer in [lowest, highest], digits with an optional '-'.
bool ParseInteger(const wchar_t* text, long lowest, long highest, long* value);

const wchar_t* FormatFlag(BOOL flag);
// y, Y, t, T, 1 (and words starting so) are true; n, N, f, F, 0 false.
bool ParseFlag(const wchar_t* text, BOOL* flag);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::wstring FormatGuid(const GUID& guid);
bool ParseGuid(const wchar_t* text, GUID* guid);

// Upper-case hexadecimal, two digits a byte.
std::wstring FormatHex(const BYTE* bytes, size_t count);
bool ParseHex(const wchar_t* text, std::vector<BYTE>* bytes);

// Text as the attribute name. Text an attribute cannot carry exactly (see
// XmlWriter::CarriesExactly) also goes to the attribute "exact" + name as
// its UTF-16 code units, four hexadecimal digits each.
void WriteTextAttribute(XmlWriter& xml, const wchar_t* name, const std::wstring& text);
bool ParseExactText(const wchar_t* text, std::wstring* value);

// The stretch-mode names of the format; an unknown mode as its number.
std::wstring FormatStretchMode(int mode);
bool ParseStretchMode(const wchar_t* text, int* mode);
