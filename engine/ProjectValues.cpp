#include "ProjectValues.h"

#include <objbase.h>

#include <cmath>

#include "DecimalText.h"
#include "EditingServices.h"
#include "VariantText.h"
#include "XmlWriter.h"

namespace {

constexpr unsigned long long kUnitsPerSecond = 10000000;
constexpr unsigned long long kLatestSeconds = kLatestTime / kUnitsPerSecond;
constexpr int kMaxComponentDigits = 13;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

int HexDigitValue(wchar_t c) {
  if (IsDigit(c)) return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

// Reads a run of digits (at most kMaxComponentDigits); false when longer.
bool ReadDigits(const wchar_t*& p, unsigned long long* value, int* count) {
  *value = 0;
  *count = 0;
  while (IsDigit(*p)) {
    if (++*count > kMaxComponentDigits) return false;
    *value = *value * 10 + (*p++ - L'0');
  }
  return true;
}

// The fraction's 100-ns units, rounded half up at the eighth digit; returns
// the number of digits read.
int ReadFraction(const wchar_t*& p, unsigned long long* units) {
  *units = 0;
  int digits = 0;
  bool roundUp = false;
  for (; IsDigit(*p); ++p, ++digits) {
    if (digits < 7) *units = *units * 10 + (*p - L'0');
    if (digits == 7) roundUp = *p >= L'5';
  }
  int read = digits;
  for (; digits < 7; ++digits) *units *= 10;
  if (roundUp) ++*units;
  return read;
}

const wchar_t* Trimmed(const wchar_t* text, std::wstring* storage) {
  while (*text == L' ' || *text == L'\t') ++text;
  storage->assign(text);
  while (!storage->empty() && (storage->back() == L' ' || storage->back() == L'\t')) storage->pop_back();
  return storage->c_str();
}

const wchar_t* const kStretchNames[] = {L"stretch", L"crop", L"preserveaspectratio",
                                        L"preserveaspectrationoletterbox"};

}  // namespace

std::wstring FormatTime(REFERENCE_TIME time) {
  unsigned long long magnitude = time < 0 ? 0ULL - static_cast<unsigned long long>(time) : time;
  wchar_t text[40];
  swprintf(text, 40, L"%ls%llu.%07llu", time < 0 ? L"-" : L"", magnitude / kUnitsPerSecond,
           magnitude % kUnitsPerSecond);
  return text;
}

bool ParseTime(const wchar_t* text, REFERENCE_TIME* time) {
  if (!text) return false;
  std::wstring storage;
  const wchar_t* p = Trimmed(text, &storage);
  unsigned long long parts[3] = {};
  int count = 0;
  int digits = 0;
  for (;;) {
    if (count == 3 || !ReadDigits(p, &parts[count], &digits)) return false;
    ++count;
    if (*p != L':') break;
    if (digits == 0) return false;
    ++p;
  }
  unsigned long long units = 0;
  int fractionDigits = 0;
  if (*p == L'.') fractionDigits = ReadFraction(++p, &units);
  if (*p || (digits == 0 && fractionDigits == 0)) return false;
  unsigned long long seconds = 0;
  for (int i = 0; i < count; ++i) seconds = seconds * 60 + parts[i];
  if (seconds > kLatestSeconds) return false;
  unsigned long long total = seconds * kUnitsPerSecond + units;
  if (total > static_cast<unsigned long long>(kLatestTime)) return false;
  *time = static_cast<REFERENCE_TIME>(total);
  return true;
}

std::wstring FormatRate(double rate) { return DecimalText(rate, 7).AsText(); }

std::wstring FormatExactNumber(double number) {
  VARIANT value;
  value.vt = VT_R8;
  value.dblVal = number;
  std::wstring text;
  VariantToText(value, &text);
  return text;
}

bool ParseRate(const wchar_t* text, double* rate) {
  double value;
  if (!ReadNumberText(text, &value) || value < 0 || value > kHighestFrameRate) return false;
  *rate = value;
  return true;
}

bool ParseInteger(const wchar_t* text, long lowest, long highest, long* value) {
  if (!text) return false;
  std::wstring storage;
  const wchar_t* p = Trimmed(text, &storage);
  bool negative = *p == L'-';
  if (negative) ++p;
  unsigned long long magnitude;
  int digits;
  if (!ReadDigits(p, &magnitude, &digits) || digits == 0 || *p) return false;
  long long signedValue = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
  if (signedValue < lowest || signedValue > highest) return false;
  *value = static_cast<long>(signedValue);
  return true;
}

const wchar_t* FormatFlag(BOOL flag) { return flag ? L"1" : L"0"; }

bool ParseFlag(const wchar_t* text, BOOL* flag) {
  if (!text) return false;
  switch (text[0]) {
    case L'y': case L'Y': case L't': case L'T': case L'1':
      *flag = TRUE;
      return true;
    case L'n': case L'N': case L'f': case L'F': case L'0':
      *flag = FALSE;
      return true;
    default:
      return false;
  }
}

std::wstring FormatGuid(const GUID& guid) {
  wchar_t text[40];
  if (!StringFromGUID2(guid, text, 40)) return std::wstring();
  return text;
}

bool ParseGuid(const wchar_t* text, GUID* guid) {
  if (!text || wcslen(text) != 38) return false;
  return SUCCEEDED(IIDFromString(const_cast<wchar_t*>(text), guid));
}

std::wstring FormatHex(const BYTE* bytes, size_t count) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  text.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

bool ParseHex(const wchar_t* text, std::vector<BYTE>* bytes) {
  bytes->clear();
  if (!text) return false;
  size_t length = wcslen(text);
  if (length % 2) return false;
  bytes->reserve(length / 2);
  for (size_t i = 0; i < length; i += 2) {
    int high = HexDigitValue(text[i]);
    int low = HexDigitValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes->push_back(static_cast<BYTE>(high * 16 + low));
  }
  return true;
}

void WriteTextAttribute(XmlWriter& xml, const wchar_t* name, const std::wstring& text) {
  xml.Attribute(name, text);
  if (XmlWriter::CarriesExactly(text)) return;
  std::wstring exact;
  exact.reserve(text.size() * 4);
  for (wchar_t c : text) {
    wchar_t digits[5];
    swprintf(digits, 5, L"%04X", static_cast<unsigned>(c));
    exact += digits;
  }
  xml.Attribute((L"exact" + std::wstring(name)).c_str(), exact);
}

bool ParseExactText(const wchar_t* text, std::wstring* value) {
  std::vector<BYTE> bytes;
  if (!ParseHex(text, &bytes) || bytes.size() % 2) return false;
  value->clear();
  for (size_t i = 0; i < bytes.size(); i += 2) value->push_back(static_cast<wchar_t>(bytes[i] << 8 | bytes[i + 1]));
  return true;
}

std::wstring FormatStretchMode(int mode) {
  if (mode >= 0 && mode < 4) return kStretchNames[mode];
  return std::to_wstring(mode);
}

bool ParseStretchMode(const wchar_t* text, int* mode) {
  if (!text) return false;
  for (int i = 0; i < 4; ++i) {
    if (CompareStringOrdinal(text, -1, kStretchNames[i], -1, TRUE) == CSTR_EQUAL) {
      *mode = i;
      return true;
    }
  }
  long number;
  if (!ParseInteger(text, 0, 3, &number)) return false;
  *mode = static_cast<int>(number);
  return true;
}
