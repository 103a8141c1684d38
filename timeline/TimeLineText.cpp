#include "TimeLineText.h"

#include "ComPtr.h"
#include "TimeText.h"
#include "TimelineOperations.h"

namespace {

std::wstring Time(int64_t time) {
  wchar_t text[48];
  return FormatTime(kTimeFormat, text, time);
}

}  // namespace

std::wstring ObjectName(IAMTimelineObj* object) {
  std::wstring result;
  if (!object) return result;
  BSTR name = nullptr;
  if (FAILED(object->GetUserName(&name)) || !name || !name[0]) {
    SysFreeString(name);
    name = nullptr;
    ComPtr<IAMTimelineGroup> group = ComPtr<IAMTimelineObj>(object).As<IAMTimelineGroup>(IID_IAMTimelineGroup);
    if (group && FAILED(group->GetGroupName(&name))) name = nullptr;
  }
  if (name) result = name;
  SysFreeString(name);
  return result;
}

std::wstring DescribeItem(const TLItem* item) {
  if (!item) return std::wstring();
  std::wstring text = TimelineKindName(item->kind);
  const wchar_t* name = nullptr;
  std::wstring own;
  if (item->kind & kItemObjects) {
    name = static_cast<const TLObjectItem*>(item)->name;
  } else {
    own = ObjectName(item->object);
    name = own.c_str();
  }
  text += L" \"" + std::wstring(name ? name : L"") + L"\"";
  if (!(item->kind & kItemObjects)) return text;
  const auto* object = static_cast<const TLObjectItem*>(item);
  return text + L": " + Time(object->start) + L" to " + Time(object->stop) + L", length " +
         Time(object->stop - object->start);
}
