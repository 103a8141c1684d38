#include "FuzzAppTargets.h"

#include <windows.h>

#include <cwchar>
#include <set>
#include <vector>

#include "EffectLibrary.h"
#include "ParameterCatalog.h"
#include "TempFolder.h"
#include "TimeText.h"

namespace {

bool Fail(std::string* problem, const std::string& text) {
  *problem = text;
  return false;
}

// Every parameter named, every offered value given; nothing from a file
// that could not be read.
bool ListCatalog(const ParameterCatalog& catalog, bool opened, std::string* problem) {
  std::set<std::wstring> lists;
  for (int i = 0; i < EffectLibrary::ClassCount(); ++i) {
    const EffectClass& effect = EffectLibrary::ClassAt(i);
    bool transition = effect.kind == EffectKind::kVideoTransition || effect.kind == EffectKind::kAudioTransition;
    auto parameters = catalog.Parameters(transition ? ParameterCatalog::kTransition : ParameterCatalog::kEffect,
                                         *effect.clsid);
    if (!opened && !parameters.empty()) return Fail(problem, "parameters from a file that could not be read");
    for (const ParameterCatalog::Parameter& parameter : parameters) {
      if (parameter.name.empty()) return Fail(problem, "a parameter without a name");
      if (!parameter.valuesList.empty()) lists.insert(parameter.valuesList);
    }
  }
  std::vector<ParameterCatalog::Value> values;
  for (const std::wstring& name : lists) {
    catalog.Values(name.c_str(), &values);
    for (const ParameterCatalog::Value& value : values) {
      if (value.value.empty()) return Fail(problem, "an offered value without a value");
    }
  }
  return true;
}

// "hhh:mm:ss,ffffff" with minutes and seconds below 60.
bool InEditForm(const std::wstring& text) {
  const wchar_t form[] = L"999:59:59,999999";  // the largest character at each place
  if (text.size() != 16) return false;
  for (size_t i = 0; i < 16; ++i) {
    bool digitPlace = form[i] >= L'0' && form[i] <= L'9';
    if (digitPlace ? text[i] < L'0' || text[i] > form[i] : text[i] != form[i]) return false;
  }
  return true;
}

}  // namespace

bool RunCatalog(const std::wstring& path, std::string* problem) {
  ParameterCatalog catalog;
  bool opened = catalog.OpenFile(path.c_str());
  return ListCatalog(catalog, opened, problem);
}

// Text in the edit form reads back as the time it shows; text shorter than
// the form reads as 0.
bool RunTimeText(const std::wstring& path, std::string* problem) {
  std::wstring text;
  for (unsigned char c : ReadWholeFile(path)) text += wchar_t(c);
  text = text.c_str();  // as far as a field holds it
  int64_t time = ParseTime(text.c_str());
  if (text.size() < 16 && time != 0) return Fail(problem, "text shorter than the form read as a time");
  wchar_t shown[32];
  if (InEditForm(text) && text != FormatTime(kTimeFormatEdit, shown, time)) {
    return Fail(problem, "a time in the edit form read as another: " + std::string(shown, shown + wcslen(shown)));
  }
  return true;
}
